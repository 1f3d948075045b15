#include "testing/RecordingUI.h"

#include <algorithm>
#include <string>
#include <vector>

namespace quillet {
namespace {

template <typename T>
bool PopFront(std::vector<T>& queue, T* out) {
  if (queue.empty()) return false;
  *out = queue.front();
  queue.erase(queue.begin());
  return true;
}

}  // namespace

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

bool RecordingUI::SetClipboardPage(const std::string& text, const std::string& html) {
  clipboard = text;
  clipboardHtml = html;
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
