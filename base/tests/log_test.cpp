#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>

#include "base/AppPaths.h"
#include "base/DiagnosticLog.h"
#include "base/RegistryKey.h"
#include "base/Strings.h"
#include "base/UserInterface.h"
#include "testing/RecordingUI.h"
#include "testing/TempRegistry.h"

namespace quillet {
namespace {

using testing::ReadFileBytes;
using testing::TempRegistry;

void Configure(const std::string& install, const std::string& log_path, uint32_t log) {
  CRegistryKey reg;
  reg.OpenProgramKey();
  reg.WriteValueString("InstallPath", install);
  reg.WriteValueString("LogPath", log_path);
  reg.WriteValueDword("Log", log);
}

std::string Now() {
  std::time_t t = std::time(nullptr);
  std::tm local{};
  localtime_r(&t, &local);
  return FormatLogStartTime(local);
}

// The header as written at `before` or, should the minute turn meanwhile,
// at `after`.
void ExpectStartsWithHeader(const std::string& log, const std::string& before, const std::string& after,
                            size_t* header_length) {
  std::string a = "*** LOG START ***\r\n" + before + "\r\n\r\n";
  std::string b = "*** LOG START ***\r\n" + after + "\r\n\r\n";
  if (log.compare(0, a.size(), a) == 0) {
    *header_length = a.size();
  } else {
    ASSERT_EQ(log.compare(0, b.size(), b), 0) << log;
    *header_length = b.size();
  }
}

TEST(DiagnosticLog, StartTimeHasNoLeadingZerosButTwoMinuteDigits) {
  std::tm t{};
  t.tm_mday = 1;
  t.tm_mon = 2;
  t.tm_year = 126;
  t.tm_hour = 9;
  t.tm_min = 5;
  EXPECT_EQ(FormatLogStartTime(t), "1-3-2026 9:05");
  t.tm_hour = 14;
  t.tm_min = 30;
  EXPECT_EQ(FormatLogStartTime(t), "1-3-2026 14:30");
  t.tm_mday = 7;
  t.tm_mon = 11;
  t.tm_hour = 5;
  t.tm_min = 3;
  EXPECT_EQ(FormatLogStartTime(t), "7-12-2026 5:03");
  t.tm_hour = 0;
  t.tm_min = 0;
  EXPECT_EQ(FormatLogStartTime(t), "7-12-2026 0:00");
}

TEST(DiagnosticLog, EnabledLogHasExactBytesAndEndsWithoutLineBreak) {
  TempRegistry tmp;
  std::string install = tmp.MakeDir("install");
  Configure(install, "", 1);  // empty LogPath: the user's state folder
  std::string before = Now();
  StartLog();
  std::string after = Now();
  const std::string state = tmp.dir() + "state/quillet/";
  EXPECT_EQ(DefaultLogFolder(), state);
  EXPECT_EQ(LogFilePath(), state + "log.txt");
  EXPECT_TRUE(LogEnabled());
  LogLine("pre OLE Initialize");
  LogValue("Setup Value:", 1);
  LogValue("Deleting Listview Window: ", 3);
  LogPair("Registry", "Access is denied.");
  LogLine("two\nlines");
  EndLog();
  SetLogEnabled(false);

  EXPECT_FALSE(std::filesystem::exists(install + "log.txt"));
  std::string log = ReadFileBytes(state + "log.txt");
  size_t header = 0;
  ExpectStartsWithHeader(log, before, after, &header);
  EXPECT_EQ(log.substr(header),
            "pre OLE Initialize\r\n"
            "Setup Value: 1\r\n"
            "Deleting Listview Window:  3\r\n"
            "Registry Access is denied.\r\n"
            "two\r\nlines\r\n"
            "\r\n\r\n*** LOG END ***");
}

TEST(DiagnosticLog, DisabledLogWritesNothingAnywhere) {
  TempRegistry tmp;
  std::string install = tmp.MakeDir("install");
  std::string other = tmp.MakeDir("elsewhere");
  for (const std::string& log_path : {other, std::string()}) {
    SCOPED_TRACE(log_path);
    Configure(install, log_path, 0);
    // A previous run's file is left alone.
    { std::ofstream(other + "log.txt") << "old contents\n"; }
    RecordingUI ui;
    ScopedUI scope(&ui);
    StartLog();
    LogLine("dropped");
    LogValue("dropped", 2);
    EndLog();
    EXPECT_FALSE(LogEnabled());
    EXPECT_EQ(ReadFileBytes(other + "log.txt"), "old contents\n");
    EXPECT_FALSE(std::filesystem::exists(install + "log.txt"));
    EXPECT_FALSE(std::filesystem::exists(tmp.dir() + "state")) << "nothing made while logging is off";
    EXPECT_TRUE(ui.messages.empty());
  }
}

TEST(DiagnosticLog, SwitchingOnAfterAnOffStartBeginsTheFileWithItsHeader) {
  TempRegistry tmp;
  std::string folder = tmp.dir() + "new/logs/";  // not there yet
  Configure(tmp.MakeDir("install"), folder, 0);
  std::string before = Now();
  StartLog();
  LogLine("while off");
  EXPECT_FALSE(std::filesystem::exists(folder));
  SetLogEnabled(true);  // the preferences page applied "Enable Program Logging"
  std::string after = Now();
  LogLine("while on");
  EndLog();
  SetLogEnabled(false);
  std::string log = ReadFileBytes(folder + "log.txt");
  size_t header = 0;
  ExpectStartsWithHeader(log, before, after, &header);
  EXPECT_EQ(log.substr(header), "while on\r\n\r\n\r\n*** LOG END ***");
}

TEST(DiagnosticLog, EnabledLogUsesLogPathAndRestartTruncates) {
  TempRegistry tmp;
  std::string install = tmp.MakeDir("install");
  std::string other = tmp.MakeDir("elsewhere");
  Configure(install, other.substr(0, other.size() - 1), 1);  // typed without its '/'
  StartLog();
  LogLine("first run");
  EXPECT_EQ(LogFilePath(), other + "log.txt");
  StartLog();
  LogLine("second run");
  SetLogEnabled(false);
  std::string log = ReadFileBytes(other + "log.txt");
  EXPECT_EQ(log.find("first run"), std::string::npos);
  EXPECT_NE(log.find("\r\n\r\nsecond run\r\n"), std::string::npos);
  EXPECT_EQ(log.find("*** LOG END ***"), std::string::npos);  // killed, not ended

  // In a folder of the person's choosing the log is still theirs alone; a
  // log file that exists keeps the mode it has.
  struct stat st;
  ASSERT_EQ(::stat((other + "log.txt").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  ASSERT_EQ(::chmod((other + "log.txt").c_str(), 0640), 0);
  StartLog();
  LogLine("third run");
  SetLogEnabled(false);
  ASSERT_EQ(::stat((other + "log.txt").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST(DiagnosticLog, UncreatableFileShowsMessage223AndDropsEntries) {
  TempRegistry tmp;
  // A file where the log's folder should be: no folder can be made there.
  { std::ofstream(tmp.dir() + "taken") << "a file"; }
  Configure(tmp.dir() + "missing/", tmp.dir() + "taken/logs/", 1);
  RecordingUI ui;
  {
    ScopedUI scope(&ui);
    StartLog();
    LogLine("nowhere to go");
    EndLog();
  }
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].stringId, IDS_LOG_CREATE_FAILED);
  EXPECT_EQ(ui.messages[0].caption, "Quillet");
  EXPECT_EQ(ui.messages[0].flags, unsigned(kMbOk | kMbIconInformation));
  EXPECT_EQ(ui.messages[0].text,
            "Unable to open or create the log file.\n\nCheck the log folder on the Logging page of "
            "Edit > Properties... (by default ~/.local/state/quillet/): it must exist and be writable.");
  // "Log" keeps the value read from the settings.
  EXPECT_TRUE(LogEnabled());
  EXPECT_FALSE(std::filesystem::exists(tmp.dir() + "missing/log.txt"));
  EXPECT_EQ(ReadFileBytes(tmp.dir() + "taken"), "a file");
  SetLogEnabled(false);
}

std::string g_debug;
void Collect(const char* piece) { g_debug += piece; }

TEST(DiagnosticLog, DebugLinesAreCutTo255Characters) {
  DebugSink previous = SetDebugSink(Collect);
  g_debug.clear();
  DebugTrace("NEW pDB = 0x%08x", 0x1234u);
  EXPECT_EQ(g_debug, "NEW pDB = 0x00001234\n");
  g_debug.clear();
  std::string long_text(300, 'a');
  DebugTrace("%s", long_text.c_str());
  EXPECT_EQ(g_debug, std::string(255, 'a') + "\n");
  g_debug.clear();
  DebugError("bad %s", "file");
  EXPECT_EQ(g_debug, "*** bad file ***\n");
  SetDebugSink(previous);
}

TEST(DiagnosticLog, ErrorLinesLeaveStandardErrorOnlyWhileSwitchedOn) {
  DebugSink previous = SetDebugSink(Collect);
  g_debug.clear();
  ::testing::internal::CaptureStderr();
  DebugError("first %d", 1);
  const bool was_on = SetDebugErrorsToStderr(false);
  DebugError("second %d", 2);
  EXPECT_FALSE(SetDebugErrorsToStderr(true));
  DebugError("third %d", 3);
  const std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_TRUE(was_on);
  EXPECT_EQ(err, "first 1\nthird 3\n");
  // The sink gets every line either way.
  EXPECT_EQ(g_debug, "*** first 1 ***\n*** second 2 ***\n*** third 3 ***\n");
  SetDebugSink(previous);
}

TEST(DiagnosticLog, TraceLinesAreWantedWhileASinkOrQuilletDebugTakesThem) {
  DebugSink previous = SetDebugSink(nullptr);
  const char* env = std::getenv("QUILLET_DEBUG");
  EXPECT_EQ(DebugTraceWanted(), env != nullptr && *env != '\0');
  SetDebugSink(Collect);
  EXPECT_TRUE(DebugTraceWanted());
  SetDebugSink(previous);
}

}  // namespace
}  // namespace quillet

namespace quillet {
namespace {

TEST(DiagnosticLog, BeforeTheFirstConfigurationTheLogIsInTheStateFolder) {
  TempRegistry tmp;  // no "InstallPath", no "LogPath" yet
  CRegistryKey reg;
  reg.OpenProgramKey();
  reg.WriteValueDword("Log", 1);
  std::string bin = tmp.MakeDir("bin");
  std::string elsewhere = tmp.MakeDir("started-here");
  SetProgramFileForTesting(bin + "quillet");
  char old_cwd[4096];
  ASSERT_NE(getcwd(old_cwd, sizeof old_cwd), nullptr);
  ASSERT_EQ(chdir(elsewhere.c_str()), 0);
  StartLog();
  const std::string state = tmp.dir() + "state/quillet/";
  EXPECT_EQ(LogFilePath(), state + "log.txt");
  EXPECT_FALSE(ReadFileBytes(state + "log.txt").empty());
  EXPECT_FALSE(std::filesystem::exists(bin + "log.txt")) << "a log.txt beside the program";
  EXPECT_FALSE(std::filesystem::exists(elsewhere + "log.txt")) << "a log.txt where the program was started";
  EndLog();
  SetLogEnabled(false);
  EXPECT_EQ(chdir(old_cwd), 0);
  SetProgramFileForTesting("");
}

}  // namespace
}  // namespace quillet
