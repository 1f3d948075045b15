// The quillet program itself, run offscreen as a user runs it: it answers
// the notifier on its window's socket, a second start brings the running
// one to the front and ends, SIGTERM and SIGINT close it as its Exit
// command does, and its command line takes only --help and --version.
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <filesystem>

#include "base/RegistryKey.h"
#include "platform/winmsg/WindowMessage.h"
#include "testing/ShellTestSupport.h"

using namespace quillet;
using namespace quillet::test;

namespace {

const std::string kUserKey = std::string(ProgramKey) + "DemoUser/";

bool Ping(uint32_t* answer) {
  return winmsg::SendMessageToClass("QuilletWND", 0x3400, 0, 0, answer, 2000) ==
         winmsg::SendResult::kAnswered;
}

// Starts the program and waits until its window answers the ping.
bool StartProgram(QProcess* program) {
  program->setProgram(QString(QUILLET_BIN_DIR) + "/quillet");
  program->setProcessChannelMode(QProcess::ForwardedErrorChannel);
  program->start();
  if (!program->waitForStarted(10000)) return false;
  for (int i = 0; i < 200; ++i) {
    uint32_t answer = 0;
    if (Ping(&answer)) return answer == 0x3400;
    QTest::qWait(50);
  }
  return false;
}

}  // namespace

class ProgramTest : public QObject {
  Q_OBJECT
 private slots:
  void stopSignalsCloseTheWindowAsExitDoes_data();
  void stopSignalsCloseTheWindowAsExitDoes();
  void aSecondStartRaisesTheRunningProgramAndExits();
  void helpAndVersionTouchNothingAndOtherArgumentsAreRefused();
  void aSocketFolderOpenToOthersIsRefusedAndSaidSo();
};

void ProgramTest::stopSignalsCloseTheWindowAsExitDoes_data() {
  QTest::addColumn<int>("signal");
  QTest::newRow("SIGTERM") << int(SIGTERM);
  QTest::newRow("SIGINT") << int(SIGINT);
}

void ProgramTest::stopSignalsCloseTheWindowAsExitDoes() {
  QFETCH(int, signal);
  Machine m;
  const std::string out = m.Output("DemoUser");
  std::filesystem::create_directories(out);
  QCOMPARE(Machine::Run("quillet-cli demo-store '" + out + "quillet.dat'"), 0);

  // A socket left by a run that crashed: nobody listens on it any more.
  const std::string socket = m.runtime() + "QuilletWND";
  {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr = {};
    addr.sun_family = AF_UNIX;
    std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", socket.c_str());
    QCOMPARE(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ::close(fd);
  }
  QVERIFY(std::filesystem::exists(socket));

  QProcess program;
  QVERIFY(StartProgram(&program));
  QVERIFY(std::filesystem::exists(socket));
  // The stages HotSync sends while the program runs.
  uint32_t answer = 1;
  QCOMPARE(winmsg::SendMessageToClass("QuilletWND", 0x3400, 5, 0, &answer, 5000),
           winmsg::SendResult::kAnswered);
  QCOMPARE(answer, 0u);

  ::kill(static_cast<pid_t>(program.processId()), signal);
  QVERIFY(program.waitForFinished(15000));
  QCOMPARE(program.exitStatus(), QProcess::NormalExit);
  QCOMPARE(program.exitCode(), 0);

  const std::vector<std::string> log = m.LogLines();
  std::string missing;
  QVERIFY2(InOrder(log, {"*** LOG START ***", "pre OLE Initialize", "post OLE Initialize",
                         "Common Controls Initialized", "Splash Window Created",
                         "Main Window Created", "Entering START Mode", "Deleting Database Manager",
                         "Deleting Window Manager", "Deleting Rebar Object",
                         "Deleting Web Window", "Deleting Splitter Class", "*** LOG END ***"},
                   &missing),
           missing.c_str());
  QCOMPARE(log.back(), std::string("*** LOG END ***"));
  QCOMPARE(Machine::Num(kUserKey, "maximized"), 0u);
  QCOMPARE(Machine::Num(ProgramKey, "Setup"), 1u);
  QVERIFY(!std::filesystem::exists(socket));
}

void ProgramTest::aSecondStartRaisesTheRunningProgramAndExits() {
  Machine m;
  const std::string out = m.Output("DemoUser");
  std::filesystem::create_directories(out);
  QCOMPARE(Machine::Run("quillet-cli demo-store '" + out + "quillet.dat'"), 0);
  QProcess first;
  QVERIFY(StartProgram(&first));

  // The second start finds the class taken: it asks the running program to
  // come to the front and ends at once, without a log or a window of its own.
  // The launcher's activation token goes along, for the desktop to let the
  // window up, and is used once.
  QProcess second;
  second.setProgram(QString(QUILLET_BIN_DIR) + "/quillet");
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("XDG_ACTIVATION_TOKEN", "launcher-token-42");
  second.setProcessEnvironment(env);
  second.start();
  QVERIFY(second.waitForFinished(15000));
  QCOMPARE(second.exitStatus(), QProcess::NormalExit);
  QCOMPARE(second.exitCode(), 0);
  std::vector<std::string> log = m.LogLines();
  QCOMPARE(std::count(log.begin(), log.end(), std::string("Main Window Brought To Front")), 1L);
  QCOMPARE(std::count_if(log.begin(), log.end(),
                         [](const std::string& l) {
                           return l.find("Activation Token Taken") != std::string::npos &&
                                  l.find("XDG_ACTIVATION_TOKEN") != std::string::npos;
                         }),
           1L);
  QVERIFY(!std::filesystem::exists(m.runtime() + "QuilletWND.activation"));
  QCOMPARE(std::count(log.begin(), log.end(), std::string("pre OLE Initialize")), 1L);

  // The first one still owns its socket and closes normally.
  uint32_t answer = 0;
  QVERIFY(Ping(&answer));
  QCOMPARE(answer, 0x3400u);
  ::kill(static_cast<pid_t>(first.processId()), SIGTERM);
  QVERIFY(first.waitForFinished(15000));
  QCOMPARE(first.exitCode(), 0);
  QCOMPARE(m.LogLines().back(), std::string("*** LOG END ***"));

  // With the first one gone a start is a first start again.
  QProcess third;
  QVERIFY(StartProgram(&third));
  ::kill(static_cast<pid_t>(third.processId()), SIGTERM);
  QVERIFY(third.waitForFinished(15000));
  QCOMPARE(third.exitCode(), 0);
}

void ProgramTest::helpAndVersionTouchNothingAndOtherArgumentsAreRefused() {
  QTemporaryDir scratch;
  QVERIFY(scratch.isValid());
  const QString registry = scratch.path() + "/registry.db";
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("QUILLET_REGISTRY", registry);
  env.insert("XDG_DATA_HOME", scratch.path() + "/data");
  env.insert("XDG_STATE_HOME", scratch.path() + "/state");
  env.insert("XDG_RUNTIME_DIR", scratch.path());
  // No display at all: the answers need no window system.
  env.insert("QT_QPA_PLATFORM", "no-such-platform");
  struct Case {
    QStringList args;
    int code;
    QString out;  // start of standard output ("": nothing on it)
  };
  const Case cases[] = {
      {{"--help"}, 0, "Usage: quillet"},
      {{"-h"}, 0, "Usage: quillet"},
      {{"--version"}, 0, "quillet 1.1.0\n"},
      {{"--no-such-option"}, 2, ""},
      {{"-x"}, 2, ""},
      {{"file.dat"}, 2, ""},
  };
  for (const Case& c : cases) {
    QProcess p;
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(scratch.path());
    p.start(QString(QUILLET_BIN_DIR) + "/quillet", c.args);
    QVERIFY2(p.waitForFinished(10000), qPrintable(c.args.join(' ')));
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), c.code);
    const QString out = QString::fromUtf8(p.readAllStandardOutput());
    const QString what = c.args.join(" ") + ": " + out;
    if (c.out.isEmpty()) QVERIFY2(out.isEmpty(), qPrintable(what));
    else QVERIFY2(out.startsWith(c.out), qPrintable(what));
    if (c.code != 0) QVERIFY(!QString::fromUtf8(p.readAllStandardError()).isEmpty());
  }
  // Nothing was written: no settings, no log, no socket, no themes.
  QCOMPARE(QDir(scratch.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
}

void ProgramTest::aSocketFolderOpenToOthersIsRefusedAndSaidSo() {
  Machine m;
  const std::string out = m.Output("DemoUser");
  std::filesystem::create_directories(out);
  QCOMPARE(Machine::Run("quillet-cli demo-store '" + out + "quillet.dat'"), 0);
  // Another local user could put a socket of their own in here.
  QCOMPARE(::chmod(m.runtime().c_str(), 0777), 0);

  QProcess program;
  program.setProgram(QString(QUILLET_BIN_DIR) + "/quillet");
  program.setProcessChannelMode(QProcess::SeparateChannels);
  program.start();
  QVERIFY(program.waitForStarted(10000));
  // It tells the person why (a message box, which nobody answers here) and
  // neither listens there nor quits without a word.
  QString errors;
  for (int i = 0; i < 100 && !errors.contains("open to other users"); ++i) {
    program.waitForReadyRead(100);
    errors += QString::fromLocal8Bit(program.readAllStandardError());
  }
  QVERIFY2(errors.contains(QString::fromStdString("The folder " + m.runtime().substr(0, m.runtime().size() - 1) +
                                                  " for Quillet!'s messages is open to other users (mode 0777)")),
           qPrintable(errors));
  QCOMPARE(program.state(), QProcess::Running);
  QVERIFY(!std::filesystem::exists(m.runtime() + "QuilletWND"));
  uint32_t answer = 0;
  QVERIFY(!Ping(&answer));
  program.kill();
  program.waitForFinished(5000);
}

QTEST_MAIN(ProgramTest)
#include "program_test.moc"
