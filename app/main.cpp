// quillet: the main program. It takes no arguments besides --help and
// --version, which answer without opening a window or touching a setting.
// A second start brings the running program's window to the front and
// ends with exit code 0.
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QSocketNotifier>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "QuilletVersion.h"

#include "app/MainWindow.h"
#include "app/parts/AllParts.h"
#include "base/CommandLine.h"
#include "base/DiagnosticLog.h"
#include "base/FolderSentences.h"
#include "base/StartMoments.h"
#include "base/Strings.h"
#include "base/UserInterface.h"
#include "desktop/shell/Activation.h"
#include "desktop/startup/FirstStart.h"
#include "desktop/startup/LargePageHeap.h"
#include "desktop/startup/Startup.h"
#include "imaging/JpegFile.h"
#include "platform/codepage/CodePage.h"
#include "platform/winmsg/WindowMessage.h"
#include "store/LoadPhases.h"
#include "store/backup/AutoBackup.h"
#include "widgets/kit/AppIcon.h"
#include "widgets/kit/Translations.h"
#include "widgets/kit/QtForms.h"
#include "widgets/kit/ShellParts.h"

namespace {

int g_signal_pipe[2] = {-1, -1};

// The heap reserved in large pages at start (address space, not memory).
constexpr size_t kLargePageHeap = size_t{256} << 20;

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


const char kHelpText[] =
    "Usage: quillet [--help] [--version]\n"
    "\n"
    "Quillet! shows, edits and reports on the topics, notes, pictures, sketches and\n"
    "references of a Palm handheld's records (quillet.dat in the Palm Desktop\n"
    "user's folder).\n"
    "\n"
    "Options:\n"
    "  -h, --help     Show this help and exit.\n"
    "  -v, --version  Show the version and exit.\n"
    "\n"
    "The options every Qt program takes work too, e.g. -style Fusion, -reverse,\n"
    "-platform xcb.\n"
    "\n"
    "Settings are kept in $XDG_CONFIG_HOME/quillet/, the editable themes in\n"
    "$XDG_DATA_HOME/quillet/themes/, the log (when switched on) in\n"
    "$XDG_STATE_HOME/quillet/.\n";


// The class's socket is taken: another start of ours runs. It is asked to
// come to the front; true when it answered (or is busy answering someone
// else), false when nobody is there any more.
bool RaiseRunningProgram() {
  uint32_t answer = 0;
  switch (quillet::winmsg::SendMessageToClass(quillet::kMainWindowClass, quillet::kRaiseWindowMessage, 0, 0,
                                              &answer, 5000)) {
    case quillet::winmsg::SendResult::kAnswered: return true;
    case quillet::winmsg::SendResult::kNoAnswer:
      std::fprintf(stderr, "quillet: Quillet! is already running.\n");
      return true;
    case quillet::winmsg::SendResult::kNoWindow: return false;
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace quillet;
  NoteStartMoment("to main (loader and libraries)");
  // The start-up benchmark also gets the phases of the store's load.
  if (const char* quit = std::getenv("QUILLET_QUIT_WHEN_SHOWN"); quit && *quit) SetStoreLoadTiming(true);
  if (const int code = AnswerHelpAndVersion(argc, argv, "quillet", kHelpText, QUILLET_VERSION, stdout,
                                            stderr, /*toolkitOptions=*/true);
      code >= 0)
    return code;

  // The window class's socket: the notifier finds us by it. One main
  // window per user: a second start brings the running one to the front
  // and leaves it (and its log) alone.
  winmsg::MessageWindow messages;
  winmsg::MessageWindow::ListenResult listening = messages.ListenForClass(kMainWindowClass);
  if (listening == winmsg::MessageWindow::ListenResult::kAlreadyRunning) {
    // The launcher's token goes along, so the desktop lets the window up.
    if (const auto token = LaunchToken()) HandOverActivationToken(kMainWindowClass, *token);
    if (RaiseRunningProgram()) return 0;
    // It ended meanwhile: this start takes its place.
    listening = messages.ListenForClass(kMainWindowClass);
    if (listening == winmsg::MessageWindow::ListenResult::kAlreadyRunning) return RaiseRunningProgram() ? 0 : 1;
  }
  // Before Qt and the store take their memory: a store of 100,000 records
  // and its tree take tens of thousands of fresh pages at start-up.
  ReserveLargePageHeap(kLargePageHeap);
  QApplication app(argc, argv);
  QApplication::setApplicationName(kMainWindowTitle);
  QApplication::setApplicationVersion(QUILLET_VERSION);
  QApplication::setDesktopFileName("example.brightfen.Quillet");
  QApplication::setWindowIcon(ApplicationIcon());
  FollowDesktopIconTheme();
  InstallTranslators();
  QApplication::setQuitOnLastWindowClosed(false);

  QtUserInterface ui;
  SetUI(&ui);
  QtDesktop desktop;
  SetDesktop(&desktop);
  QtScreenMetrics screen;
  SetScreenMetrics(&screen);
  // The library's warnings about a damaged picture: one box a picture.
  SetJpegWarningHook(ShowJpegWarningBox);
  // Every window and list of the main window, before it is made.
  RegisterParts();

  if (listening == winmsg::MessageWindow::ListenResult::kFailed) {
    std::string problem;
    qplat::PrivateFolderCheck check;
    if (winmsg::SocketFolder(&problem, &check).empty()) {
      // A folder another user made or can write to: no socket goes there.
      // The person is told why; the program runs on, without HotSync's
      // reload messages, until the folder is put right.
      MessageRequest r;
      r.text = PathForMessage(PrivateFolderSentence(check, MessageFolderPurpose())) + "\n\n" +
               QCoreApplication::translate("main", "Quillet! starts without HotSync notifications.").toStdString();
      r.caption = kCaptionBang;
      r.flags = kMbOk | kMbIconExclamation;
      DebugError("%s", problem.c_str());
      UI().ShowMessage(r);
    } else {
      DebugError("Cannot listen for HotSync messages at %s", messages.path().c_str());
    }
  }

  StartLog();
  SetAutomaticBackupsRoot(DefaultBackupsRoot());
  ConnectStoreBackupHook();
  // A copy may be taken inside a save, under the store's lock: what the
  // person is told about the copies waits for the event loop.
  SetBackupNoticeHook([](const MessageRequest& request) {
    QTimer::singleShot(0, [request] { UI().ShowMessage(request); });
  });
  LogLine("pre OLE Initialize");
  LogLine("post OLE Initialize");
  LogLine("Common Controls Initialized");

  // An account without Palm Desktop data gets it set up for its login user
  // before the configuration pass reads the Palm users.
  PalmSetup palm_setup;
  const bool palm_set_up = SetUpPalmDesktopIfMissing(&palm_setup) == PalmSetupResult::kSetUp;

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
    // Said once, over the window that is already up, so the program
    // answers HotSync and a second start meanwhile.
    if (palm_set_up) {
      QTimer::singleShot(0, &window, [palm_setup] {
        MessageRequest r;
        r.text = PalmSetUpMessage(palm_setup);
        r.caption = kCaptionBang;
        r.flags = kMbOk | kMbIconInformation;
        UI().ShowMessage(r);
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
    // For the start-up benchmark: QUILLET_QUIT_WHEN_SHOWN=1 says "shown" on
    // the standard output once the main window is up and painted with its
    // tree filled, and ends the program; =idle ends it only once the
    // background work (pictures written into the output folder) is done.
    if (const char* quit = std::getenv("QUILLET_QUIT_WHEN_SHOWN"); quit && *quit) {
      const bool idle = std::strcmp(quit, "idle") == 0;
      QTimer::singleShot(0, &window, [&window, idle] {
        NoteStartMoment("until the first paint");
        window.repaint();
        NoteStartMoment("first paint");
        // The steps of the start, from the moment the benchmark started the
        // program (QUILLET_START_NS, its wall clock in nanoseconds).
        const char* begun = std::getenv("QUILLET_START_NS");
        const std::string steps = StartStepsLine(TakeStartMoments(), begun ? std::atoll(begun) : 0);
        std::printf("steps: %s\n", steps.c_str());
        std::printf("load: %s\n", StoreLoadPhasesLine(FirstStoreLoadPhases()).c_str());
        std::printf("shown\n");
        std::fflush(stdout);
        if (!idle) {
          QCoreApplication::exit(0);
          return;
        }
        auto* poll = new QTimer(&window);
        QObject::connect(poll, &QTimer::timeout, [] {
          const auto& pending = RegisteredShellParts().backgroundWork;
          if (!pending || pending() == 0) QCoreApplication::exit(0);
        });
        poll->start(20);
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
