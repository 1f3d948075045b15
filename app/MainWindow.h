// The main window of class "QuilletWND": the frame of the whole program.
//
// Creating it builds the window manager, which builds everything else and
// enters the start page. Closing it (the Exit command, the window's close
// button, or SIGTERM/SIGINT) deletes the current store and the manager, so
// the placement is saved and every child is deleted in its order. It also
// answers the HotSync notifier's message 0x3400, which arrives on the
// window's message socket.
#pragma once

#include <QMainWindow>
#include <QSocketNotifier>

#include <cstdint>
#include <memory>

#include "widgets/kit/ShellParts.h"

namespace quillet {

namespace winmsg {
class MessageWindow;
}

class CMenus;
class CWndMgr;

inline constexpr char kMainWindowClass[] = "QuilletWND";
inline constexpr char kMainWindowTitle[] = "Quillet!";
// Sent by a second start of the program: bring the window to the front.
// The answer is the message number itself.
inline constexpr uint32_t kRaiseWindowMessage = 0x3401;

class CMainWindow : public QMainWindow {
  Q_OBJECT
 public:
  explicit CMainWindow(const ShellParts& parts = RegisteredShellParts());
  ~CMainWindow() override;

  CWndMgr* manager() const { return manager_.get(); }
  CMenus* menus() const { return menus_; }
  QWidget* client() const { return client_; }

  // Sends a command to the dispatcher, as a menu or a button does.
  void SendCommand(uint32_t command, uint32_t param = 0);
  // The window procedure's private messages: 0x3400 from the notifier,
  // kRaiseWindowMessage from a second start.
  uint32_t HandleMessage(uint32_t message, uint32_t wparam, uint32_t lparam);
  // Takes the messages that arrive on `window`'s socket (not owned).
  void AttachMessageWindow(winmsg::MessageWindow* window);

 signals:
  // The window has closed and everything it owned is gone; the program
  // ends with exit code 0.
  void closed();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void ShowStartFailure();
  void BringToFront();
  void ReadMessages();

  CMenus* menus_ = nullptr;
  QWidget* client_ = nullptr;
  std::unique_ptr<CWndMgr> manager_;
  winmsg::MessageWindow* messages_ = nullptr;
  QSocketNotifier* message_notifier_ = nullptr;
  bool closed_ = false;
};

}  // namespace quillet
