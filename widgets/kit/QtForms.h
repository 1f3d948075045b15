// The Qt forms of the program's narrow interfaces: message boxes, dialogs,
// file choosers and the clipboard (IUserInterface), the desktop's programs
// (IDesktop) and the screen's size (IScreenMetrics).
#pragma once

#include <QPointer>
#include <QWidget>

#include "base/UserInterface.h"
#include "desktop/shell/Desktop.h"
#include "desktop/startup/Startup.h"

namespace quillet {

// The filter line of a file chooser: each description with the patterns
// it matches, in upper and lower case ("PDF Files (*.pdf)").
QString FileDialogFilterText(const FileDialogRequest& request);

class QtUserInterface : public IUserInterface {
 public:
  // Message boxes and dialogs are owned by `owner` when it is set, else by
  // the active window.
  void SetOwner(QWidget* owner) { owner_ = owner; }

  int ShowMessage(const MessageRequest& request) override;
  int ShowInfoDialog(int dialogId) override;
  bool AskPassword(int dialogId, std::string* password) override;
  bool ChooseOpenFile(const FileDialogRequest& request, std::string* path) override;
  bool ChooseSaveFile(const FileDialogRequest& request, std::string* path) override;
  bool ChooseFolder(const std::string& title, std::string* folder) override;
  bool SetClipboardText(const std::string& text) override;
  bool GetClipboardText(std::string* text) override;
  bool SetClipboardPage(const std::string& text, const std::string& html) override;

 private:
  QWidget* Owner() const;
  QPointer<QWidget> owner_;
};

class QtDesktop : public IDesktop {
 public:
  bool OpenAddress(const std::string& address) override;
  bool OpenPath(const std::string& path) override;
  bool EditPath(const std::string& path) override;
  bool EditPlainText(const std::string& path) override;
};

class QtScreenMetrics : public IScreenMetrics {
 public:
  ScreenSize FullScreenClientSize() const override;
};

}  // namespace quillet
