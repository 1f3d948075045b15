// quillet-installer: queues the handheld application for the chosen Palm
// user and registers the conduit and the notifier with HotSync. It finds its
// files beside itself (lib/quillet/ and share/quillet/ next to its bin/),
// whatever folder it is started from. Exit code 0 on success, 1 otherwise, 2
// for a command line it does not know.
#include <QApplication>
#include <QMessageBox>

#include <cstdio>
#include <string>

#include "QuilletVersion.h"
#include "base/CommandLine.h"
#include "base/UserInterface.h"
#include "programs/installer/core/InstallerCore.h"
#include "programs/installer/gui/InstallerWindow.h"
#include "widgets/kit/AppIcon.h"
#include "widgets/kit/Translations.h"

namespace {

// Message boxes owned by the window that has the focus. Texts are UTF-8
// (base/UserInterface.h).
class MessageBoxUI : public quillet::IUserInterface {
 public:
  int ShowMessage(const quillet::MessageRequest& r) override {
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(QString::fromUtf8(r.caption));
    box.setText(QString::fromUtf8(r.text).trimmed());
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

const char kHelpText[] =
    "Usage: quillet-installer [--help] [--version]\n"
    "\n"
    "Queues the Quillet! handheld application (Quillet.prc) for the next HotSync of\n"
    "the Palm Desktop user chosen in its window, and registers the Quillet! conduit\n"
    "and notifier with HotSync. Its files are found beside the program (lib/quillet/\n"
    "and share/quillet/), whatever the current folder.\n"
    "\n"
    "Options:\n"
    "  -h, --help     Show this help and exit.\n"
    "  -v, --version  Show the version and exit.\n"
    "\n"
    "Exit codes: 0 installed, 1 the installation failed, 2 bad arguments.\n";


}  // namespace

int main(int argc, char** argv) {
  if (const int code =
          quillet::AnswerHelpAndVersion(argc, argv, "quillet-installer", kHelpText, QUILLET_VERSION, stdout,
                                        stderr, /*toolkitOptions=*/true);
      code >= 0)
    return code;
  QApplication app(argc, argv);
  quillet::FollowDesktopIconTheme();
  quillet::InstallTranslators();
  QApplication::setApplicationName(installer::kCaption);
  QApplication::setApplicationVersion(QUILLET_VERSION);
  MessageBoxUI ui;
  quillet::ScopedUI scoped(&ui);

  installer::CInstaller core;
  if (!core.Start(installer::FoldersBesideProgram())) return core.exitCode();
  installer::InstallerWindow window(&core);
  window.show();
  window.OpenUserSelection();
  app.exec();
  return core.exitCode();
}
