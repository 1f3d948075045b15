// Installer: run from the install folder (the folder with the program, the
// development-kit libraries and Quillet.prc); it queues the handheld
// application for the chosen Palm user and registers the conduit and the
// notifier with HotSync. Exit code 0 on success, 1 otherwise.
#include <QApplication>
#include <QMessageBox>

#include <climits>
#include <string>
#include <unistd.h>

#include "app/core/UserInterface.h"
#include "installer/core/InstallerCore.h"
#include "installer/gui/InstallerWindow.h"

namespace {

// Message boxes owned by the window that has the focus.
class MessageBoxUI : public quillet::IUserInterface {
 public:
  int ShowMessage(const quillet::MessageRequest& r) override {
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(QString::fromStdString(r.caption));
    box.setText(QString::fromLocal8Bit(r.text.c_str()).trimmed());
    unsigned icon = r.flags & 0xF0;
    box.setIcon(icon == quillet::kMbIconInformation ? QMessageBox::Information : QMessageBox::Warning);
    box.exec();
    return quillet::kIdOk;
  }
  int ShowInfoDialog(int) override { return quillet::kIdOk; }
  bool AskPassword(int, std::string*) override { return false; }
  bool ChooseOpenFile(const quillet::FileDialogRequest&, std::string*) override { return false; }
  bool ChooseSaveFile(const quillet::FileDialogRequest&, std::string*) override { return false; }
  bool ChooseFolder(const std::string&, std::string*) override { return false; }
  bool SetClipboardText(const std::string&) override { return false; }
  bool GetClipboardText(std::string*) override { return false; }
};

std::string Folder(const std::string& path) { return path.substr(0, path.rfind('/') + 1); }

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  MessageBoxUI ui;
  quillet::ScopedUI scoped(&ui);

  // The user library is looked for where the host's loader would: beside
  // the program, then in the current folder.
  std::vector<std::string> folders;
  char buf[PATH_MAX];
  ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n > 0) folders.push_back(Folder(std::string(buf, size_t(n))));
  if (::getcwd(buf, sizeof buf)) folders.push_back(buf);

  installer::CInstaller core;
  if (!core.Start(folders)) return core.exitCode();
  installer::InstallerWindow window(&core);
  window.show();
  window.OpenUserSelection();
  app.exec();
  return core.exitCode();
}
