#include "app/shell/Desktop.h"

#include <unistd.h>

#include <cstdlib>

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
  for (const char* name : {"QUILLET_TEXT_EDITOR", "VISUAL"}) {
    const char* value = std::getenv(name);
    if (value && *value) return value;
  }
  for (const char* editor : {"gnome-text-editor", "gedit", "kate", "kwrite", "mousepad", "xed",
                             "pluma", "featherpad", "leafpad", "geany"})
    if (OnPath(editor)) return editor;
  return "";
}

}  // namespace quillet
