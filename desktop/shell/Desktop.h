// The desktop's own programs, as the main window asks for them: the web
// browser for web addresses, the default application of a file or folder
// ("open"), the desktop's text editor ("edit") and a plain-text editor.
//
// Like the user-interface form, the program installs a form that really
// starts programs; tests install one that notes what was asked
// (testing/RecordingDesktop.h).
#pragma once

#include <string>
#include <vector>

namespace quillet {

class IDesktop {
 public:
  virtual ~IDesktop() = default;
  // A web address in the user's web browser.
  virtual bool OpenAddress(const std::string& address) = 0;
  // A file or folder with the desktop's default application ("open").
  virtual bool OpenPath(const std::string& path) = 0;
  // A file in the desktop's text editor: the default application for
  // plain text, never the one that shows the file ("edit"; a theme is HTML
  // that would otherwise open in the web browser).
  virtual bool EditPath(const std::string& path) = 0;
  // A file in the user's plain-text editor.
  virtual bool EditPlainText(const std::string& path) = 0;
};

// The current form; never null (without one, a form that starts nothing
// and answers false).
IDesktop& Desktop();
IDesktop* SetDesktop(IDesktop* desktop);

// The graphical plain-text editor to start, by rule: $QUILLET_TEXT_EDITOR,
// else the first of the common graphical editors found on $PATH; "" when
// there is none (the caller then uses the desktop's text editor).
std::string PlainTextEditor();

// The terminal editor of last resort: $VISUAL, else $EDITOR; "" when
// neither is set. It runs inside a terminal window.
std::string TerminalEditor();

// Outside actions the person asked for. Each asks the current desktop and,
// when it cannot, says so in a box with what to do; the desktop's answer
// is returned.
bool OpenAddressOrTell(const std::string& address);
// A file or a folder (a path ending in '/' or naming a folder).
bool OpenPathOrTell(const std::string& path);
// A theme file in the desktop's text editor ("Edit Using Default Editor")
// or in the plain-text editor ("Edit Using Text Editor").
bool EditThemeOrTell(const std::string& path, bool plainTextEditor);

}  // namespace quillet
