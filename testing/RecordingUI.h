// A user-interface form for tests: records every request and answers from
// queues (base/UserInterface.h has the interface and ScopedUI).
#pragma once

#include <string>
#include <vector>

#include "base/UserInterface.h"

namespace quillet {

// A form for tests: records every request and answers from queues.
class RecordingUI : public IUserInterface {
 public:
  std::vector<MessageRequest> messages;
  std::vector<int> dialogs;
  std::vector<int> messageAnswers;      // popped front; kIdOk when empty
  std::vector<std::string> passwords;   // popped front; cancel when empty
  std::vector<std::string> filePaths;   // popped front; cancel when empty
  std::vector<FileDialogRequest> saveRequests;  // every save dialog asked for
  std::vector<std::string> folders;     // popped front; cancel when empty
  std::string clipboard;
  std::string clipboardHtml;  // the HTML form of the last page copied ("" for plain text)
  int infoDialogAnswer = kIdOk;

  int ShowMessage(const MessageRequest& request) override;
  int ShowInfoDialog(int dialogId) override;
  bool AskPassword(int dialogId, std::string* password) override;
  bool ChooseOpenFile(const FileDialogRequest& request, std::string* path) override;
  bool ChooseSaveFile(const FileDialogRequest& request, std::string* path) override;
  bool ChooseFolder(const std::string& title, std::string* folder) override;
  bool SetClipboardText(const std::string& text) override;
  bool GetClipboardText(std::string* text) override;
  bool SetClipboardPage(const std::string& text, const std::string& html) override;

  // String numbers of the messages shown, in order.
  std::vector<int> MessageIds() const;
  bool Showed(int stringId) const;
};

}  // namespace quillet
