#include "widgets/kit/QtForms.h"

#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QUrl>
#include <QVBoxLayout>

#include <cstdlib>

#include "base/RegistryKey.h"
#include "base/Strings.h"
#include "platform/launch/Launch.h"
#include "widgets/kit/Ansi.h"

namespace quillet {
namespace {

// The texts of the requests are UTF-8 in the person's language; only a
// suggested file name is code-page text, made from a record's title
// (UserInterface.h).
QString FromUi(const std::string& text) { return QString::fromUtf8(text); }

// A text marked with QT_TRANSLATE_NOOP("QtForms", ...).
QString Tr(const char* source) { return QCoreApplication::translate("QtForms", source); }

}  // namespace

QString FileDialogFilterText(const FileDialogRequest& request) {
  QStringList filters;
  for (const auto& [description, patterns] : request.filters) {
    // The patterns as written and in lower case: file names here keep
    // their case, and "*.ARC" should still find "Quillet.arc".
    QStringList list = FromUi(patterns).split(';', Qt::SkipEmptyParts);
    QStringList both = list;
    for (const QString& p : list)
      if (!both.contains(p.toLower())) both << p.toLower();
    // A description that already names its patterns ("PDF Files (*.pdf)")
    // gets them once, as they are matched.
    QString shown = FromUi(description).trimmed();
    const qsizetype open = shown.lastIndexOf(" (");
    if (open > 0 && shown.endsWith(')') && shown.indexOf('*', open) > open) shown.truncate(open);
    filters << QString("%1 (%2)").arg(shown, both.join(' '));
  }
  return filters.join(";;");
}

QWidget* QtUserInterface::Owner() const {
  if (owner_) return owner_;
  return QApplication::activeWindow();
}

int QtUserInterface::ShowMessage(const MessageRequest& request) {
  QMessageBox box(Owner());
  box.setWindowTitle(FromUi(request.caption));
  box.setText(FromUi(request.text));
  switch (request.flags & kMbIconMask) {
    case kMbIconError: box.setIcon(QMessageBox::Critical); break;
    case kMbIconQuestion: box.setIcon(QMessageBox::Question); break;
    case kMbIconExclamation: box.setIcon(QMessageBox::Warning); break;
    case kMbIconInformation: box.setIcon(QMessageBox::Information); break;
    default: break;
  }
  // The buttons in the order the request names them, for the default.
  QList<QMessageBox::StandardButton> order;
  switch (request.flags & kMbButtonsMask) {
    case kMbOkCancel: order = {QMessageBox::Ok, QMessageBox::Cancel}; break;
    case kMbYesNoCancel: order = {QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel}; break;
    case kMbYesNo: order = {QMessageBox::Yes, QMessageBox::No}; break;
    case kMbSaveDiscardCancel:
      order = {QMessageBox::Save, QMessageBox::Discard, QMessageBox::Cancel};
      break;
    default: order = {QMessageBox::Ok}; break;
  }
  QMessageBox::StandardButtons buttons;
  for (QMessageBox::StandardButton b : order) buttons |= b;
  box.setStandardButtons(buttons);
  qsizetype defaultAt = 0;
  if ((request.flags & kMbDefaultMask) == kMbDefButton2) defaultAt = 1;
  if ((request.flags & kMbDefaultMask) == kMbDefButton3) defaultAt = 2;
  if (defaultAt < order.size()) box.setDefaultButton(order[defaultAt]);
  if (order.contains(QMessageBox::Cancel)) box.setEscapeButton(QMessageBox::Cancel);
  else if (order.contains(QMessageBox::No)) box.setEscapeButton(QMessageBox::No);
  switch (box.exec()) {
    case QMessageBox::Yes:
    case QMessageBox::Save: return kIdYes;
    case QMessageBox::No:
    case QMessageBox::Discard: return kIdNo;
    case QMessageBox::Cancel: return kIdCancel;
    default: return kIdOk;
  }
}

int QtUserInterface::ShowInfoDialog(int dialogId) {
  QDialog dialog(Owner());
  auto* layout = new QVBoxLayout(&dialog);
  if (dialogId == 371) {
    // There is no HotSync here: say where the records come from instead.
    dialog.setWindowTitle(QCoreApplication::translate("QtForms", "No records yet"));
    for (const char* line : {QT_TRANSLATE_NOOP("QtForms", "This Palm user has no Quillet! records on this computer yet."),
                             QT_TRANSLATE_NOOP("QtForms",
                                               "Copy quillet.dat from the computer where you HotSync into the user's "
                                               "Quillet folder (\"quillet-palm-desktop user list\" shows it), or "
                                               "let your synchronisation tool write it there: Quillet! shows the "
                                               "records as soon as the file arrives."),
                             QT_TRANSLATE_NOOP("QtForms", "Until then you can start adding topics here.")}) {
      auto* label = new QLabel(Tr(line), &dialog);
      label->setWordWrap(true);
      layout->addWidget(label);
    }
  } else {
    dialog.setWindowTitle(kCaptionBang);
  }
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &dialog);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  layout->addWidget(buttons);
  return dialog.exec() == QDialog::Accepted ? kIdOk : kIdCancel;
}

bool QtUserInterface::AskPassword(int /*dialogId*/, std::string* password) {
  QDialog dialog(Owner());
  dialog.setWindowTitle(QCoreApplication::translate("QtForms", "Show Private Records"));
  auto* form = new QFormLayout(&dialog);
  std::string user;
  {
    CRegistryKey key;
    key.OpenProgramKey();
    key.ReadValueString("LastUsername", &user, kTextBufferSize);
  }
  auto* name = new QLabel(FromAnsi(CpText(user)), &dialog);
  name->setAccessibleName(QCoreApplication::translate("QtForms", "Username"));
  form->addRow(QCoreApplication::translate("QtForms", "Username:"), name);  // Palm user names are code-page text
  auto* edit = new QLineEdit(&dialog);
  edit->setEchoMode(QLineEdit::Password);
  edit->setMaxLength(259);
  edit->setAccessibleName(QCoreApplication::translate("QtForms", "Password"));
  form->addRow(QCoreApplication::translate("QtForms", "Password:"), edit);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  form->addRow(buttons);
  if (dialog.exec() != QDialog::Accepted) return false;
  // Passwords are code-page bytes: a character the code page cannot hold
  // is said, never replaced by another.
  CpText typed;
  const bool held = ToAnsiExact(edit->text(), &typed);
  *password = std::move(typed).bytes();
  if (!held) {
    password->clear();
    MessageRequest r;
    r.text = QCoreApplication::translate("QtForms",
                                         "The password holds a character that Palm Desktop passwords cannot hold.")
                 .toStdString();
    r.caption = kCaptionBang;
    r.flags = kMbOk | kMbIconExclamation;
    ShowMessage(r);
    return false;
  }
  return true;
}

bool QtUserInterface::ChooseOpenFile(const FileDialogRequest& request, std::string* path) {
  const QString chosen = QFileDialog::getOpenFileName(
      Owner(), FromUi(request.title), FromPath(request.initialFolder) + FromAnsi(CpText(request.initialName)),
      FileDialogFilterText(request));
  if (chosen.isEmpty()) return false;
  *path = ToPath(chosen);
  return true;
}

bool QtUserInterface::ChooseSaveFile(const FileDialogRequest& request, std::string* path) {
  QFileDialog dialog(Owner(), FromUi(request.title), FromPath(request.initialFolder),
                     FileDialogFilterText(request));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.selectFile(FromAnsi(CpText(request.initialName)));
  if (!request.defaultExtension.empty()) dialog.setDefaultSuffix(FromUi(request.defaultExtension));
  // Whether to replace an existing file is the caller's question.
  dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
  *path = ToPath(dialog.selectedFiles().first());
  return true;
}

bool QtUserInterface::ChooseFolder(const std::string& title, std::string* folder) {
  QString chosen = QFileDialog::getExistingDirectory(Owner(), FromUi(title));
  if (chosen.isEmpty()) return false;
  if (!chosen.endsWith('/')) chosen += '/';
  *folder = ToPath(chosen);
  return true;
}

// The clipboard's text is UTF-8 both ways (UserInterface.h): whoever puts
// record text there or takes text in converts it, refusing what the code
// page cannot hold.
bool QtUserInterface::SetClipboardText(const std::string& text) {
  QGuiApplication::clipboard()->setText(QString::fromStdString(text));
  return true;
}

bool QtUserInterface::SetClipboardPage(const std::string& text, const std::string& html) {
  auto* data = new QMimeData;  // the clipboard takes it over
  data->setText(QString::fromStdString(text));
  data->setHtml(QString::fromStdString(html));
  QGuiApplication::clipboard()->setMimeData(data);
  return true;
}

bool QtUserInterface::GetClipboardText(std::string* text) {
  *text = QGuiApplication::clipboard()->text().toStdString();
  return true;
}

namespace {

// Opens with the desktop's opener; without one, with what Qt knows.
bool OpenWithDesktop(const std::string& target, const QUrl& url) {
  switch (RunSettled({"xdg-open", target})) {
    case LaunchResult::kTaken: return true;
    case LaunchResult::kFailed: return false;
    case LaunchResult::kMissing: break;
  }
  return QDesktopServices::openUrl(url);
}

// The desktop entry the desktop opens plain text with, by its id; "" when
// none is set (or there is no xdg-mime to ask).
std::string PlainTextHandler() {
  if (FindProgram("xdg-mime").empty()) return "";
  QProcess query;
  query.setStandardInputFile(QProcess::nullDevice());
  query.start("xdg-mime", {"query", "default", "text/plain"});
  if (!query.waitForFinished(3000)) {
    query.kill();
    query.waitForFinished(1000);
    return "";
  }
  if (query.exitStatus() != QProcess::NormalExit || query.exitCode() != 0) return "";
  const QString id = QString::fromLocal8Bit(query.readAllStandardOutput()).trimmed().section('\n', 0, 0);
  return id.endsWith(".desktop") ? id.toStdString() : std::string();
}

// A command in a terminal window: $TERMINAL, else the first terminal found.
bool RunInTerminal(const std::vector<std::string>& command) {
  std::vector<std::vector<std::string>> terminals;
  if (const char* t = std::getenv("TERMINAL"); t && *t) terminals.push_back({t, "-e"});
  terminals.push_back({"x-terminal-emulator", "-e"});
  terminals.push_back({"gnome-terminal", "--"});
  terminals.push_back({"konsole", "-e"});
  terminals.push_back({"xfce4-terminal", "-x"});
  terminals.push_back({"xterm", "-e"});
  for (std::vector<std::string> argv : terminals) {
    if (FindProgram(argv[0]).empty()) continue;
    argv.insert(argv.end(), command.begin(), command.end());
    return RunSettled(argv) == LaunchResult::kTaken;
  }
  return false;
}

// Words of an editor setting ("gedit --new-window"), the file last.
std::vector<std::string> EditorCommand(const std::string& editor, const std::string& path) {
  std::vector<std::string> argv;
  for (const QString& w : QProcess::splitCommand(QString::fromLocal8Bit(editor))) argv.push_back(w.toLocal8Bit().toStdString());
  if (!argv.empty()) argv.push_back(path);  // one argument, whatever blanks the path holds
  return argv;
}

// The file in the desktop's plain-text application: the entry's own
// launcher when there is one, else its Exec line as the entry says.
LaunchResult RunPlainTextHandler(const std::string& path) {
  const std::string id = PlainTextHandler();
  if (id.empty()) return LaunchResult::kMissing;
  if (!FindProgram("gtk-launch").empty()) return RunSettled({"gtk-launch", id, path});
  const std::string entry = FindDesktopEntry(id);
  if (entry.empty()) return LaunchResult::kMissing;
  if (!FindProgram("gio").empty()) return RunSettled({"gio", "launch", entry, path});
  bool terminal = false;
  const std::vector<std::string> argv = DesktopEntryCommand(entry, path, &terminal);
  if (argv.empty()) return LaunchResult::kMissing;
  if (terminal) return RunInTerminal(argv) ? LaunchResult::kTaken : LaunchResult::kFailed;
  return RunSettled(argv);
}

// The terminal editor of last resort, in a terminal window.
bool RunTerminalEditor(const std::string& path) {
  const std::vector<std::string> argv = EditorCommand(TerminalEditor(), path);
  return !argv.empty() && RunInTerminal(argv);
}

}  // namespace

bool QtDesktop::OpenAddress(const std::string& address) {
  return OpenWithDesktop(address, QUrl(QString::fromStdString(address)));
}

bool QtDesktop::OpenPath(const std::string& path) {
  return OpenWithDesktop(path, QUrl::fromLocalFile(FromPath(path)));
}

bool QtDesktop::EditPath(const std::string& path) {
  // The desktop's application for plain text: the file's own default
  // would show a theme (HTML) in the web browser.
  switch (RunPlainTextHandler(path)) {
    case LaunchResult::kTaken: return true;
    case LaunchResult::kFailed: return false;
    case LaunchResult::kMissing: break;
  }
  if (const std::vector<std::string> argv = EditorCommand(PlainTextEditor(), path); !argv.empty())
    return RunSettled(argv) == LaunchResult::kTaken;
  return RunTerminalEditor(path);
}

bool QtDesktop::EditPlainText(const std::string& path) {
  const std::vector<std::string> argv = EditorCommand(PlainTextEditor(), path);
  if (argv.empty()) return EditPath(path);
  switch (RunSettled(argv)) {
    case LaunchResult::kTaken: return true;
    case LaunchResult::kFailed: return false;
    case LaunchResult::kMissing: break;  // a setting naming no program
  }
  return EditPath(path);
}

ScreenSize QtScreenMetrics::FullScreenClientSize() const {
  QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen) return {1024, 740};
  const QRect area = screen->availableGeometry();
  return {area.width(), area.height()};
}

}  // namespace quillet
