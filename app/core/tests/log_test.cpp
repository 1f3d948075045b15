#include <gtest/gtest.h>

#include <unistd.h>

#include <ctime>

#include "app/core/AppPaths.h"
#include "app/core/DiagnosticLog.h"
#include "app/core/RegistryKey.h"
#include "app/core/Strings.h"
#include "app/core/UserInterface.h"
#include "app/core/tests/TempRegistry.h"

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
  Configure(install, "", 1);  // empty LogPath: the install folder
  std::string before = Now();
  StartLog();
  std::string after = Now();
  EXPECT_EQ(LogFilePath(), install + "log.txt");
  EXPECT_TRUE(LogEnabled());
  LogLine("pre OLE Initialize");
  LogValue("Setup Value:", 1);
  LogValue("Deleting Listview Window: ", 3);
  LogPair("Registry", "Access is denied.");
  LogLine("two\nlines");
  EndLog();
  SetLogEnabled(false);

  std::string log = ReadFileBytes(install + "log.txt");
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

TEST(DiagnosticLog, DisabledLogGoesToTheInstallFolderWithHeaderOnly) {
  TempRegistry tmp;
  std::string install = tmp.MakeDir("install");
  std::string other = tmp.MakeDir("elsewhere");
  Configure(install, other, 0);
  // A previous run's file is truncated.
  { std::ofstream(install + "log.txt") << "old contents\n"; }
  std::string before = Now();
  StartLog();
  std::string after = Now();
  LogLine("dropped");
  LogValue("dropped", 2);
  EndLog();
  std::string log = ReadFileBytes(install + "log.txt");
  size_t header = 0;
  ExpectStartsWithHeader(log, before, after, &header);
  EXPECT_EQ(log.size(), header) << log;
  EXPECT_FALSE(std::filesystem::exists(other + "log.txt"));
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
}

TEST(DiagnosticLog, UncreatableFileShowsMessage223AndDropsEntries) {
  TempRegistry tmp;
  Configure(tmp.dir() + "missing/", tmp.dir() + "missing too/", 1);
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
            "Unable to Open/Create logging file.\n\nCheck the Install path in "
            "HKEY_LOCAL_MACHINE\\Software\\Brightfen\\Quillet in your registry.");
  // "Log" keeps the value read from the settings.
  EXPECT_TRUE(LogEnabled());
  EXPECT_FALSE(std::filesystem::exists(tmp.dir() + "missing too/log.txt"));
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

}  // namespace
}  // namespace quillet

namespace quillet {
namespace {

TEST(DiagnosticLog, BeforeTheFirstConfigurationTheLogIsInTheProgramFolder) {
  TempRegistry tmp;  // no "InstallPath", no "LogPath" yet
  std::string bin = tmp.MakeDir("bin");
  std::string elsewhere = tmp.MakeDir("started-here");
  SetProgramFileForTesting(bin + "quillet");
  char old_cwd[4096];
  ASSERT_NE(getcwd(old_cwd, sizeof old_cwd), nullptr);
  ASSERT_EQ(chdir(elsewhere.c_str()), 0);
  StartLog();
  EXPECT_EQ(LogFilePath(), bin + "log.txt");
  EXPECT_FALSE(ReadFileBytes(bin + "log.txt").empty());
  EXPECT_TRUE(ReadFileBytes(elsewhere + "log.txt").empty()) << "a log.txt where the program was started";
  EndLog();
  EXPECT_EQ(chdir(old_cwd), 0);
  SetProgramFileForTesting("");
}

}  // namespace
}  // namespace quillet
