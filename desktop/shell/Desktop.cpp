#include "desktop/shell/Desktop.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "base/Strings.h"
#include "base/UserInterface.h"
#include "platform/codepage/CodePage.h"

namespace quillet {
namespace {

class NoDesktop : public IDesktop {
 public:
  bool OpenAddress(const std::string&) override { return false; }
  bool OpenPath(const std::string&) override { return false; }
  bool EditPath(const std::string&) override { return false; }
  bool EditPlainText(const std::string&) override { return false; }
};

NoDesktop g_none;
IDesktop* g_desktop = &g_none;

bool OnPath(const std::string& program) {
  if (program.find('/') != std::string::npos) return ::access(program.c_str(), X_OK) == 0;
  const char* path = std::getenv("PATH");
  std::string dirs = path ? path : "/usr/bin:/bin";
  size_t start = 0;
  while (start <= dirs.size()) {
    size_t end = dirs.find(':', start);
    if (end == std::string::npos) end = dirs.size();
    std::string dir = dirs.substr(start, end - start);
    if (!dir.empty() && ::access((dir + "/" + program).c_str(), X_OK) == 0) return true;
    start = end + 1;
  }
  return false;
}

}  // namespace

IDesktop& Desktop() { return *g_desktop; }

IDesktop* SetDesktop(IDesktop* desktop) {
  IDesktop* previous = g_desktop;
  g_desktop = desktop ? desktop : &g_none;
  return previous == &g_none ? nullptr : previous;
}

std::string PlainTextEditor() {
  if (const char* value = std::getenv("QUILLET_TEXT_EDITOR"); value && *value) return value;
  for (const char* editor : {"gnome-text-editor", "gedit", "kate", "kwrite", "mousepad", "xed",
                             "pluma", "featherpad", "leafpad", "geany"})
    if (OnPath(editor)) return editor;
  return "";
}

std::string TerminalEditor() {
  for (const char* name : {"VISUAL", "EDITOR"}) {
    const char* value = std::getenv(name);
    if (value && *value) return value;
  }
  return "";
}

namespace {

// A path or address (file-system bytes) inside a message.
std::string Shown(const std::string& path) { return PathForMessage(path); }
std::string Tr(const char* source) { return translate("Desktop", source); }

void Tell(const std::string& text) {
  MessageRequest request;
  request.text = text;
  request.caption = kCaption;
  request.flags = kMbOk | kMbIconExclamation;
  UI().ShowMessage(request);
}

}  // namespace

bool OpenAddressOrTell(const std::string& address) {
  if (Desktop().OpenAddress(address)) return true;
  Tell(FillIn(Tr(QT_TRANSLATE_NOOP("Desktop",
                                    "The web page could not be opened:\n\n%1\n\nSet up a web browser as your "
                                    "desktop's default for web pages, or copy the address into your web browser.")),
              {Shown(address)}));
  return false;
}

bool OpenPathOrTell(const std::string& path) {
  if (Desktop().OpenPath(path)) return true;
  std::error_code ec;
  const bool exists = std::filesystem::exists(path, ec);
  const bool folder = !path.empty() && (path.back() == '/' || std::filesystem::is_directory(path, ec));
  if (!exists) {
    Tell(FillIn(folder ? Tr(QT_TRANSLATE_NOOP("Desktop",
                                              "The folder could not be opened because it does not exist:\n\n%1"))
                       : Tr(QT_TRANSLATE_NOOP("Desktop",
                                              "The file could not be opened because it does not exist:\n\n%1")),
                {Shown(path)}));
  } else if (folder) {
    Tell(FillIn(Tr(QT_TRANSLATE_NOOP("Desktop",
                                     "The folder could not be opened:\n\n%1\n\nSet up a file manager as your "
                                     "desktop's default for folders, or open the folder from your file manager.")),
                {Shown(path)}));
  } else {
    Tell(FillIn(Tr(QT_TRANSLATE_NOOP("Desktop",
                                     "The file could not be opened:\n\n%1\n\nSet up a default application for this "
                                     "kind of file in your desktop's settings, or open the file from that "
                                     "application.")),
                {Shown(path)}));
  }
  return false;
}

bool EditThemeOrTell(const std::string& path, bool plainTextEditor) {
  const bool opened = plainTextEditor ? Desktop().EditPlainText(path) : Desktop().EditPath(path);
  if (opened) return true;
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) {
    Tell(FillIn(Tr(QT_TRANSLATE_NOOP("Desktop",
                                     "The theme file could not be opened because it does not exist:\n\n%1\n\n"
                                     "Choose another theme, or use Themes > Reset All to put back the themes "
                                     "that came with Quillet!.")),
                {Shown(path)}));
    return false;
  }
  Tell(FillIn(Tr(QT_TRANSLATE_NOOP("Desktop",
                                   "The theme file could not be opened in a text editor:\n\n%1\n\nSet up a "
                                   "default application for plain text files in your desktop's settings (or set "
                                   "the VISUAL or EDITOR variable), then try again; or open the file from your "
                                   "text editor.")),
              {Shown(path)}));
  return false;
}

}  // namespace quillet
