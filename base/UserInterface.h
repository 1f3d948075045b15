// The program's one way to talk to the person in front of it.
//
// Logic code never opens a window itself: message boxes, the few modal
// dialogs the logic needs, file and folder choosers and the clipboard all go
// through the current IUserInterface. The Qt program installs a form that
// shows real windows; tests install a form that records what was asked and
// answers from a script, so a test can see which message (by its string
// number) was shown.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/codepage/CpText.h"
#include "base/Translate.h"

namespace quillet {

// Buttons and icons of a message box, as the program asks for them.
enum MessageFlags : unsigned {
  kMbOk = 0x0,
  kMbOkCancel = 0x1,
  kMbYesNoCancel = 0x3,
  kMbYesNo = 0x4,
  // Save, Discard and Cancel, answered kIdYes, kIdNo and kIdCancel.
  kMbSaveDiscardCancel = 0x8,
  kMbIconError = 0x10,
  kMbIconQuestion = 0x20,
  kMbIconExclamation = 0x30,
  kMbIconInformation = 0x40,
  // The button Enter presses: the first one unless one of these says more.
  kMbDefButton2 = 0x100,
  kMbDefButton3 = 0x200,
};
inline constexpr unsigned kMbButtonsMask = 0xF;
inline constexpr unsigned kMbIconMask = 0xF0;
inline constexpr unsigned kMbDefaultMask = 0xF00;

// What the person answered.
enum DialogResult : int {
  kIdOk = 1,
  kIdCancel = 2,
  kIdYes = 6,
  kIdNo = 7,
};

struct MessageRequest {
  int stringId = 0;        // string table number, 0 when the text is not from the table
  // Message texts are UTF-8 in the person's language (UiString, translate);
  // a record's text goes in through ToUtf8, a path or an address through
  // PathForMessage (platform/codepage/CodePage.h).
  std::string text;        // the text as shown (UTF-8)
  std::string caption;     // "Quillet" or "Quillet!" and the like
  unsigned flags = kMbOk;  // MessageFlags or-ed together
};

struct FileDialogRequest {
  std::string title;           // UTF-8, in the person's language
  std::string initialFolder;   // a path (UTF-8), ends in '/'
  std::string initialName;     // code-page text: a name made from a title
  // Filter pairs, e.g. {"HTML Files", "*.htm;*.html"}: the description in
  // the person's language (UTF-8), the patterns it matches.
  std::vector<std::pair<std::string, std::string>> filters;
  std::string defaultExtension;  // without the dot
};

class IUserInterface {
 public:
  virtual ~IUserInterface() = default;

  // A message box; returns the DialogResult of the button pressed.
  virtual int ShowMessage(const MessageRequest& request) = 0;

  // A modal dialog of the program identified by its resource number that
  // only informs (for example 371, "Please Hotsync..."). Returns kIdOk or
  // kIdCancel.
  virtual int ShowInfoDialog(int dialogId) = 0;

  // Asks for a password (dialog 543). Returns false when cancelled.
  virtual bool AskPassword(int dialogId, std::string* password) = 0;

  // File choosers; false when the person cancelled.
  virtual bool ChooseOpenFile(const FileDialogRequest& request, std::string* path) = 0;
  virtual bool ChooseSaveFile(const FileDialogRequest& request, std::string* path) = 0;
  virtual bool ChooseFolder(const std::string& title, std::string* folder) = 0;

  // Clipboard, text form, in UTF-8: the desktop's clipboard holds Unicode,
  // so nothing on its way there or back passes through the code page.
  // Record texts go through ToUtf8 / FromUtf8 (platform/codepage/CodePage.h).
  virtual bool SetClipboardText(const std::string& text) = 0;
  virtual bool GetClipboardText(std::string* text) = 0;
  // A page on the clipboard in two forms: its plain text for editors and
  // its HTML for word processors and mail (both UTF-8). A form without a
  // rich clipboard keeps the text.
  virtual bool SetClipboardPage(const std::string& text, const std::string& html) {
    (void)html;
    return SetClipboardText(text);
  }
};

// The current form. Never null: without one installed a quiet form is used
// that writes messages to standard error and answers OK / cancel.
IUserInterface& UI();
// Installs `ui` (not owned) and returns the previous one; null restores the
// quiet form.
IUserInterface* SetUI(IUserInterface* ui);

// Convenience: a message box with a text of the string table.
int ShowStringMessage(int stringId, const std::string& caption, unsigned flags);
// The same with the table's text already filled in (`text`, code-page
// bytes), under the program's caption.
int ShowFilledStringMessage(int stringId, const std::string& text, unsigned flags);

// String 251: the field called `field` holds `codePoint`, a character the
// code page cannot hold, so what was typed is not saved.
int ShowUnstorableCharacter(const CpText& field, uint32_t codePoint);

// Installs a form for the lifetime of a scope (a quiet form while a
// HotSync runs, the programs' own forms, tests).
class ScopedUI {
 public:
  explicit ScopedUI(IUserInterface* ui) : previous_(SetUI(ui)) {}
  ~ScopedUI() { SetUI(previous_); }
  ScopedUI(const ScopedUI&) = delete;
  ScopedUI& operator=(const ScopedUI&) = delete;

 private:
  IUserInterface* previous_;
};

}  // namespace quillet
