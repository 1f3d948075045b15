#include "base/UserInterface.h"

#include <algorithm>
#include <cstdio>

#include "base/Strings.h"
#include "platform/codepage/CodePage.h"

namespace quillet {
namespace {

class QuietUI : public IUserInterface {
 public:
  int ShowMessage(const MessageRequest& r) override {
    std::fprintf(stderr, "%s: %s\n", r.caption.c_str(), r.text.c_str());
    const unsigned buttons = r.flags & kMbButtonsMask;
    if (buttons == kMbYesNo || buttons == kMbYesNoCancel) return kIdNo;
    // Nobody to ask: nothing is saved or thrown away.
    if (buttons == kMbSaveDiscardCancel) return kIdCancel;
    return kIdOk;
  }
  int ShowInfoDialog(int) override { return kIdOk; }
  bool AskPassword(int, std::string*) override { return false; }
  bool ChooseOpenFile(const FileDialogRequest&, std::string*) override { return false; }
  bool ChooseSaveFile(const FileDialogRequest&, std::string*) override { return false; }
  bool ChooseFolder(const std::string&, std::string*) override { return false; }
  bool SetClipboardText(const std::string& t) override { text_ = t; return true; }
  bool GetClipboardText(std::string* t) override { *t = text_; return true; }

 private:
  std::string text_;
};

QuietUI g_quiet;
IUserInterface* g_current = &g_quiet;

}  // namespace

IUserInterface& UI() { return *g_current; }

IUserInterface* SetUI(IUserInterface* ui) {
  IUserInterface* previous = g_current;
  g_current = ui ? ui : &g_quiet;
  return previous == &g_quiet ? nullptr : previous;
}

int ShowStringMessage(int stringId, const std::string& caption, unsigned flags) {
  MessageRequest r;
  r.stringId = stringId;
  r.text = UiString(stringId);
  r.caption = caption;
  r.flags = flags;
  return UI().ShowMessage(r);
}

int ShowUnstorableCharacter(const CpText& field, uint32_t codePoint) {
  char text[512];
  std::snprintf(text, sizeof text, UiString(IDS_UNSTORABLE_CHARACTER).c_str(), ToUtf8(field).c_str(),
                CharacterForMessage(codePoint).c_str());
  return ShowFilledStringMessage(IDS_UNSTORABLE_CHARACTER, text, kMbOk | kMbIconExclamation);
}

int ShowFilledStringMessage(int stringId, const std::string& text, unsigned flags) {
  MessageRequest r;
  r.stringId = stringId;
  r.text = text;
  r.caption = kCaption;
  r.flags = flags;
  return UI().ShowMessage(r);
}

}  // namespace quillet
