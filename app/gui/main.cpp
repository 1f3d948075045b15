// quillet: the main program. It takes no arguments.
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QSocketNotifier>
#include <QTimer>

#include <cstdio>
#include <cstdlib>

#include "app/core/DiagnosticLog.h"
#include "app/core/Startup.h"
#include "app/core/Strings.h"
#include "app/core/UserInterface.h"
#include "app/gui/MainWindow.h"
#include "app/gui/QtForms.h"
#include "imaging/JpegFile.h"
#include "platform/codepage/CodePage.h"
#include "platform/winmsg/WindowMessage.h"
#include "store/backup/AutoBackup.h"

namespace {

int g_signal_pipe[2] = {-1, -1};

// SIGTERM and SIGINT close the main window the way its close button does,
// so the placement is saved and the log ended. The handler only writes a
// byte; the event loop does the rest.
void OnStopSignal(int) {
  const char byte = 1;
  const ssize_t ignored = ::write(g_signal_pipe[1], &byte, 1);
  (void)ignored;
}

bool CatchStopSignals() {
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signal_pipe) != 0) return false;
  struct sigaction action = {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  return ::sigaction(SIGTERM, &action, nullptr) == 0 && ::sigaction(SIGINT, &action, nullptr) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace quillet;
  QApplication app(argc, argv);
  QApplication::setApplicationName(kMainWindowTitle);
  QApplication::setDesktopFileName("quillet");
  QApplication::setQuitOnLastWindowClosed(false);

  QtUserInterface ui;
  SetUI(&ui);
  QtDesktop desktop;
  SetDesktop(&desktop);
  QtScreenMetrics screen;
  SetScreenMetrics(&screen);
  // The library's warnings about a damaged picture: one box a picture.
  SetJpegWarningHook(ShowJpegWarningBox);

  // The window class's socket: the notifier finds us by it. One main
  // window per user, so a second start says so and leaves the running
  // one (and its log) alone.
  winmsg::MessageWindow messages;
  switch (messages.ListenForClass(kMainWindowClass)) {
    case winmsg::MessageWindow::ListenResult::kAlreadyRunning: {
      MessageRequest r;
      r.text = "Quillet! is already running.";
      r.caption = kCaptionBang;
      r.flags = kMbOk | kMbIconInformation;
      UI().ShowMessage(r);
      return 0;
    }
    case winmsg::MessageWindow::ListenResult::kFailed: {
      std::string problem;
      if (winmsg::SocketFolder(&problem).empty()) {
        // A folder another user made or can write to: no socket goes there.
        // The person is told why; the program runs on, without HotSync's
        // reload messages, until the folder is put right.
        std::string text;
        if (!Utf8ToCp1252(problem, &text)) {
          // A folder name the code page cannot show is shown byte for byte.
          text.clear();
          for (unsigned char c : problem) {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", c);
            text += c < 0x80 ? std::string(1, char(c)) : std::string(hex);
          }
        }
        MessageRequest r;
        r.text = text + "\n\nQuillet! starts without HotSync notifications.";
        r.caption = kCaptionBang;
        r.flags = kMbOk | kMbIconExclamation;
        DebugError("%s", problem.c_str());
        UI().ShowMessage(r);
      } else {
        DebugError("Cannot listen for HotSync messages at %s", messages.path().c_str());
      }
      break;
    }
    case winmsg::MessageWindow::ListenResult::kListening: break;
  }

  StartLog();
  SetAutomaticBackupsRoot(DefaultBackupsRoot());
  LogLine("pre OLE Initialize");
  LogLine("post OLE Initialize");
  LogLine("Common Controls Initialized");

  int code = 0;
  {
    CMainWindow window;
    ui.SetOwner(&window);
    LogLine("Main Window Created");
    window.AttachMessageWindow(&messages);
    QObject::connect(&window, &CMainWindow::closed, &app, [] { QCoreApplication::exit(0); });

    QSocketNotifier* stop = nullptr;
    if (CatchStopSignals()) {
      stop = new QSocketNotifier(g_signal_pipe[0], QSocketNotifier::Read, &window);
      QObject::connect(stop, &QSocketNotifier::activated, &window, [&window] {
        char byte;
        const ssize_t ignored = ::read(g_signal_pipe[0], &byte, 1);
        (void)ignored;
        window.close();
      });
    }
    // For runs without a screen of one's own (the run script under
    // xvfb-run, the README's picture): a picture of the window, shortly
    // after the start page is up.
    if (const char* picture = std::getenv("QUILLET_SCREENSHOT"); picture && *picture) {
      const std::string file = picture;
      QTimer::singleShot(2000, &window, [&window, file] {
        if (!window.grab().save(QString::fromLocal8Bit(file.c_str()), "PNG"))
          DebugError("Cannot write the window's picture to %s", file.c_str());
      });
    }
    code = app.exec();
    ui.SetOwner(nullptr);
  }
  messages.Close();
  EndLog();
  SetUI(nullptr);
  SetDesktop(nullptr);
  SetScreenMetrics(nullptr);
  return code;
}
