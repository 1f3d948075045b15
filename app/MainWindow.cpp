#include "app/MainWindow.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QPainter>
#include <QScreen>
#include <QVBoxLayout>

#include <cinttypes>
#include <cstdio>
#include <functional>

#include "app/MenuBar.h"
#include "app/Shortcuts.h"
#include "desktop/shell/Activation.h"
#include "app/WndMgr.h"
#include "base/DiagnosticLog.h"
#include "base/RegistryKey.h"
#include "base/Strings.h"
#include "desktop/db/CurrentDatabase.h"
#include "desktop/shell/Commands.h"
#include "desktop/shell/Layout.h"
#include "platform/codepage/CodePage.h"
#include "platform/winmsg/WindowMessage.h"
#include "widgets/kit/Ansi.h"
#include "widgets/kit/AppIcon.h"

namespace quillet {
namespace {

// The client area: button-face background, and every resize lays the
// children out again.
class ClientArea : public QWidget {
 public:
  explicit ClientArea(QWidget* parent) : QWidget(parent) {
    setObjectName("ClientArea");
    setAttribute(Qt::WA_OpaquePaintEvent);
  }
  std::function<void()> resized;

 protected:
  void resizeEvent(QResizeEvent*) override {
    if (resized) resized();
  }
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Window));
  }
};

CMainWindow* g_main_window = nullptr;

void CloseMainWindow() {
  if (g_main_window) QMetaObject::invokeMethod(g_main_window, "close", Qt::QueuedConnection);
}

}  // namespace

CMainWindow::CMainWindow(const ShellParts& parts) {
  setObjectName(kMainWindowClass);
  setWindowTitle(kMainWindowTitle);
  setWindowIcon(ApplicationIcon());
  setMinimumSize(kMinWindowWidth, kMinWindowHeight);
  g_main_window = this;
  SetCloseMainWindowHook(&CloseMainWindow);

  menus_ = new CMenus(menuBar(), [this](uint32_t c) { SendCommand(c); });
  auto* client = new ClientArea(this);
  client_ = client;
  setCentralWidget(client_);

  // What creating the window does: make sure the stored user has a store
  // file, build the manager, go to the start page.
  {
    CRegistryKey key;
    key.OpenProgramKey();
    std::string userPath;
    key.ReadValueString("UserPath", &userPath, kPathBufferSize);
    EnsureStoreFile(userPath);
  }
  client->resized = [this] {
    if (manager_) manager_->Layout();
  };
  manager_ = std::make_unique<CWndMgr>(this, client_, menus_, parts);
  DebugTrace("NEW pWndMgr = 0x%08" PRIxPTR, reinterpret_cast<uintptr_t>(manager_.get()));
  if (!manager_->ready()) {
    ShowStartFailure();
    return;
  }
  InstallShortcuts(this, menus_, manager_->rebar(), [this](uint32_t c) { SendCommand(c); });
  // The manager filled the tree when it made it.
  SendCommand(CMD_START);
}

CMainWindow::~CMainWindow() {
  if (!closed_) {
    // Destroyed without a close (a test, or the program ending another
    // way): tear down in the same order.
    manager_.reset();
  }
  if (g_main_window == this) {
    g_main_window = nullptr;
    SetCloseMainWindowHook(nullptr);
  }
}

void CMainWindow::ShowStartFailure() {
  // No Palm Desktop user's records could be opened: say so, and leave only
  // Exit working.
  // (The File menu is the first, whatever the language calls it.)
  const QList<QAction*> menus = menuBar()->actions();
  for (QAction* a : menus) a->setEnabled(a->menu() && a == menus.value(0));
  if (QAction* exit = menus_->Action(CMD_EXIT)) exit->setEnabled(true);
  auto* layout = new QVBoxLayout(client_);
  const StartFailure failure = manager_ ? manager_->users().failure() : StartFailure::kNone;
  const bool noDataFolder = failure == StartFailure::kNoPalmDataFolder;
  // A string-table text filled with the cause, as the window's paragraph.
  auto cause = [](int id, const std::string& first, const std::string& second = std::string()) {
    char filled[4096];
    // A text with one %s leaves the second argument unused.
    std::snprintf(filled, sizeof filled, UiString(id).c_str(), first.c_str(), second.c_str());
    return "<h3>" + tr("Quillet! could not open your records") + "</h3><p>" +
           QString::fromUtf8(filled).toHtmlEscaped().replace("\n", "<br>") + "</p>";
  };
  QString namedCause;
  if (failure == StartFailure::kSettingsUnreadable) {
    namedCause = cause(IDS_SETTINGS_UNREADABLE,
                       PathForMessage(SettingsUnreadableReason(manager_->users().settingsStatus())));
  } else if (failure == StartFailure::kStoreNotOpened) {
    // There is a user, whose records did not open: say why (the disk is
    // full, the file is held or damaged...), not that Palm Desktop needs
    // setting up.
    std::string folder;
    manager_->users().FindCurrentUser(&folder);
    std::string name;
    for (const PalmUserEntry& e : manager_->users().entries)
      if (e.folder == folder) name = e.name;
    namedCause = cause(IDS_STORE_NOT_OPENED, ToUtf8(CpText(name)), PathForMessage(LastStoreOpenFailure()));
  }
  auto* text = new QLabel(
      !namedCause.isEmpty() ? namedCause
      : noDataFolder
          ? "<h3>" + tr("Quillet! could not open your records") + "</h3>" +
                tr("<p>Palm Desktop's data folder is not set (the \"Path\" value of Palm Desktop's "
                   "settings is empty), so there is no folder for the Palm users' records.</p>"
                   "<p>Set up Palm Desktop's data folder (for this machine: <tt>quillet-palm-desktop "
                   "init</tt>, which sets it), HotSync once, then start Quillet! again.</p>")
          : "<h3>" + tr("Quillet! could not open your records") + "</h3>" +
                tr("<p>No Palm Desktop user was found, or the records of the user could not be opened.</p>"
                   "<p>Set up Palm Desktop with at least one user (for this machine: "
                   "<tt>quillet-palm-desktop init</tt> and <tt>quillet-palm-desktop user add NAME</tt>), "
                   "HotSync once, then start Quillet! again.</p>"),
      client_);
  text->setObjectName("StartFailure");
  text->setWordWrap(true);
  text->setAlignment(Qt::AlignCenter);
  layout->addWidget(text);
  resize(kMinWindowWidth, kMinWindowHeight);
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->availableGeometry();
    move(area.center() - rect().center());
  }
  show();
}

void CMainWindow::SendCommand(uint32_t command, uint32_t param) {
  if (manager_) manager_->OnCommand(command, param);
}

uint32_t CMainWindow::HandleMessage(uint32_t message, uint32_t wparam, uint32_t lparam) {
  if (message == kRaiseWindowMessage) {
    BringToFront();
    return kRaiseWindowMessage;
  }
  if (message != kNotifierMessage) return 0;  // default processing
  if (!manager_) return wparam == 0 ? kNotifierMessage : 0;
  return manager_->OnNotifierMessage(wparam, lparam);
}

void CMainWindow::BringToFront() {
  if (closed_) return;
  LogLine("Main Window Brought To Front");
  // A second start's token: Qt's Wayland support activates the window with
  // the one in XDG_ACTIVATION_TOKEN (and clears it). X11's startup id is
  // taken too, but Qt reads that one only when it starts, so it is not set
  // for our own children to inherit.
  if (const auto token = TakeActivationToken(kMainWindowClass)) {
    if (token->variable == "XDG_ACTIVATION_TOKEN")
      qputenv("XDG_ACTIVATION_TOKEN", QByteArray::fromStdString(token->value));
    LogPair("Main Window Activation Token Taken:", token->variable.c_str());
  }
  if (isMinimized()) setWindowState(windowState() & ~Qt::WindowMinimized);
  show();
  raise();
  activateWindow();
}

void CMainWindow::AttachMessageWindow(winmsg::MessageWindow* window) {
  messages_ = window;
  delete message_notifier_;
  message_notifier_ = nullptr;
  if (!window || window->fd() < 0) return;
  message_notifier_ = new QSocketNotifier(window->fd(), QSocketNotifier::Read, this);
  connect(message_notifier_, &QSocketNotifier::activated, this, &CMainWindow::ReadMessages);
}

void CMainWindow::ReadMessages() {
  if (!messages_) return;
  // Handling a message may open a dialog with its own event loop; no second
  // round may start inside it.
  message_notifier_->setEnabled(false);
  messages_->HandlePending(
      [this](uint32_t message, uint32_t wparam, uint32_t lparam) {
        return HandleMessage(message, wparam, lparam);
      });
  if (message_notifier_) message_notifier_->setEnabled(true);
}

void CMainWindow::closeEvent(QCloseEvent* event) {
  if (closed_) {
    event->accept();
    return;
  }
  // Typed text is not thrown away without asking.
  if (manager_ && !manager_->ConfirmClose()) {
    event->ignore();
    return;
  }
  closed_ = true;
  hide();
  if (pDB) {
    LogLine("Deleting Database Manager");
    DeleteCurrentStore();
  }
  if (manager_) {
    LogLine("Deleting Window Manager");
    DebugTrace("DELETE pWndMgr = 0x%08" PRIxPTR, reinterpret_cast<uintptr_t>(manager_.get()));
    manager_.reset();
  }
  event->accept();
  emit closed();
}

void CMainWindow::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  // Coming back from minimized lays out again (sizes are not followed while
  // minimized).
  if (event->type() == QEvent::WindowStateChange && manager_ && !isMinimized()) manager_->Layout();
}

}  // namespace quillet
