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

template <typename T>
bool PopFront(std::vector<T>& queue, T* out) {
  if (queue.empty()) return false;
  *out = queue.front();
  queue.erase(queue.begin());
  return true;
}

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
  r.text = LoadString(stringId).bytes();
  r.caption = caption;
  r.flags = flags;
  return UI().ShowMessage(r);
}

int ShowUnstorableCharacter(const CpText& field, uint32_t codePoint) {
  char text[512];
  std::snprintf(text, sizeof text, LoadString(IDS_UNSTORABLE_CHARACTER).c_str(), field.c_str(),
                CodePointLabel(codePoint).c_str());
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

int RecordingUI::ShowMessage(const MessageRequest& request) {
  messages.push_back(request);
  int answer = kIdOk;
  PopFront(messageAnswers, &answer);
  return answer;
}

int RecordingUI::ShowInfoDialog(int dialogId) {
  dialogs.push_back(dialogId);
  return infoDialogAnswer;
}

bool RecordingUI::AskPassword(int dialogId, std::string* password) {
  dialogs.push_back(dialogId);
  return PopFront(passwords, password);
}

bool RecordingUI::ChooseOpenFile(const FileDialogRequest&, std::string* path) {
  return PopFront(filePaths, path);
}

bool RecordingUI::ChooseSaveFile(const FileDialogRequest& request, std::string* path) {
  saveRequests.push_back(request);
  return PopFront(filePaths, path);
}

bool RecordingUI::ChooseFolder(const std::string&, std::string* folder) {
  return PopFront(folders, folder);
}

bool RecordingUI::SetClipboardText(const std::string& text) {
  clipboard = text;
  return true;
}

bool RecordingUI::GetClipboardText(std::string* text) {
  *text = clipboard;
  return true;
}

std::vector<int> RecordingUI::MessageIds() const {
  std::vector<int> ids;
  for (const auto& m : messages) ids.push_back(m.stringId);
  return ids;
}

bool RecordingUI::Showed(int stringId) const {
  auto ids = MessageIds();
  return std::find(ids.begin(), ids.end(), stringId) != ids.end();
}

}  // namespace quillet
