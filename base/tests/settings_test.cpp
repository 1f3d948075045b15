#include <gtest/gtest.h>

#include <cstring>

#include "base/DiagnosticLog.h"
#include "base/RegistryKey.h"
#include "platform/registry/Registry.h"
#include "testing/TempRegistry.h"

namespace quillet {
namespace {

using testing::ReadFileBytes;
using testing::TempRegistry;

// Logging on, into the temporary folder, so failures can be seen.
void StartLogIn(const std::string& folder) {
  CRegistryKey reg;
  reg.OpenProgramKey();
  reg.WriteValueString("LogPath", folder);
  reg.WriteValueDword("Log", 1);
  StartLog();
}

TEST(RegistryKey, MissingValuesReadAsEmptyOrUnchangedAndLogOneLine) {
  TempRegistry tmp;
  StartLogIn(tmp.dir());
  CRegistryKey reg;
  ASSERT_EQ(reg.OpenProgramKey("Ann/"), 0);
  char buffer[16];
  std::memset(buffer, 'x', sizeof buffer);
  EXPECT_EQ(reg.ReadValueString("Title", buffer, sizeof buffer), 2);
  EXPECT_STREQ(buffer, "");
  EXPECT_EQ(reg.status, 2);
  uint32_t number = 0;
  EXPECT_EQ(reg.ReadValueDword("Private", &number), 2);
  EXPECT_EQ(number, 0u);
  EndLog();
  std::string log = ReadFileBytes(tmp.dir() + "log.txt");
  std::string line = "\r\nRegistry The system cannot find the file specified.\r\n";
  size_t first = log.find(line);
  ASSERT_NE(first, std::string::npos) << log;
  // One line per failed read: two failures, two lines, nothing else.
  size_t second = log.find(line, first + 1);
  ASSERT_NE(second, std::string::npos);
  EXPECT_EQ(log.find(line, second + 1), std::string::npos);
  SetLogEnabled(false);
}

TEST(RegistryKey, StringsAreStoredWithoutZeroAndReadEitherWay) {
  TempRegistry tmp;
  CRegistryKey reg;
  ASSERT_EQ(reg.OpenProgramKey(), 0);
  ASSERT_EQ(reg.WriteValueString("Version", "1.1.0"), 0);
  qplat::DWORD type = 0, size = 0;
  ASSERT_EQ(qplat::RegQueryValue(reg.key, "Version", &type, nullptr, &size), 0);
  EXPECT_EQ(type, qplat::REG_SZ);
  EXPECT_EQ(size, 5u);
  std::string text;
  EXPECT_EQ(reg.ReadValueString("version", &text), 0);
  EXPECT_EQ(text, "1.1.0");

  const uint8_t foreign[] = {'A', 'n', 'n', 0};
  ASSERT_EQ(qplat::RegSetValue(reg.key, "LastUsername", qplat::REG_SZ, foreign, 4), 0);
  EXPECT_EQ(reg.ReadValueString("LastUsername", &text), 0);
  EXPECT_EQ(text, "Ann");
  EXPECT_EQ(text.size(), 3u);

  // Exactly filling the buffer leaves no room for the zero: refused, empty.
  char small[3] = {'q', 'q', 'q'};
  EXPECT_EQ(reg.ReadValueString("LastUsername", small, sizeof small), qplat::ERROR_MORE_DATA);
  EXPECT_STREQ(small, "");
  char fits[4];
  EXPECT_EQ(reg.ReadValueString("LastUsername", fits, sizeof fits), 0);
  EXPECT_STREQ(fits, "Ann");

  // A number is not a string and a string is not a number.
  ASSERT_EQ(reg.WriteValueDword("Log", 1), 0);
  EXPECT_NE(reg.ReadValueString("Log", &text), 0);
  EXPECT_EQ(text, "");
  uint32_t n = 7;
  EXPECT_NE(reg.ReadValueDword("Version", &n), 0);
  EXPECT_EQ(n, 7u);
}

TEST(RegistryKey, ValueNamesIgnoreCaseAndKeysCloseAndReopen) {
  TempRegistry tmp;
  CRegistryKey reg;
  ASSERT_EQ(reg.OpenProgramKey("Ann/"), 0);
  ASSERT_EQ(reg.WriteValueDword("maximized", 1), 0);
  uint32_t v = 0;
  EXPECT_EQ(reg.ReadValueDword("Maximized", &v), 0);
  EXPECT_EQ(v, 1u);
  reg.CloseKey();
  EXPECT_EQ(reg.key, nullptr);
  EXPECT_EQ(reg.WriteValueDword("x", 1), qplat::ERROR_INVALID_HANDLE);

  // The user's key is the program key followed by the folder name.
  EXPECT_EQ(UserKey("Ann/"), "Software\\Brightfen\\Quillet\\Ann/");
  ASSERT_EQ(reg.OpenKey("Software\\Brightfen\\Quillet\\Ann"), 0);
  v = 0;
  EXPECT_EQ(reg.ReadValueDword("MAXIMIZED", &v), 0);
  EXPECT_EQ(v, 1u);
  EXPECT_EQ(reg.OpenExistingKey("Software\\Nobody"), qplat::ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(reg.key, nullptr);
}

TEST(RegistryKey, PalmPathGetsItsSeparatorOnce) {
  TempRegistry tmp;
  CRegistryKey reg;
  std::string path;
  EXPECT_NE(reg.ReadPalmPath(&path), 0);
  EXPECT_EQ(path, "");
  ASSERT_EQ(reg.OpenPalmCoreKey(), 0);
  ASSERT_EQ(reg.WriteValueString("Path", "/home/ann/Palm"), 0);
  EXPECT_EQ(reg.ReadPalmPath(&path), 0);
  EXPECT_EQ(path, "/home/ann/Palm/");
  char buffer[260];
  EXPECT_EQ(reg.ReadPalmPath(buffer, sizeof buffer), 0);
  EXPECT_STREQ(buffer, "/home/ann/Palm/");

  ASSERT_EQ(reg.OpenPalmPreferencesKey(), 0);
  ASSERT_EQ(reg.WriteValueString("LastUserName", "Ann"), 0);
  std::string name;
  EXPECT_EQ(reg.ReadPalmLastUserName(&name), 0);
  EXPECT_EQ(name, "Ann");
}

}  // namespace
}  // namespace quillet
