#include <gtest/gtest.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/registry/Registry.h"
#include "platform/registry/RegistryExport.h"

namespace qplat {
namespace {

namespace fs = std::filesystem;

class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/qreg-XXXXXX";
    dir_ = mkdtemp(tmpl);
    file_ = dir_ + "/registry.db";
    setenv("QUILLET_REGISTRY", file_.c_str(), 1);
  }
  void TearDown() override {
    unsetenv("QUILLET_REGISTRY");
    fs::remove_all(dir_);
  }
  HKEY Create(const std::string& path) {
    HKEY k = nullptr;
    EXPECT_EQ(RegCreateKey(HKEY_CURRENT_USER, path, &k), ERROR_SUCCESS);
    return k;
  }
  std::string dir_, file_;
};

TEST_F(RegistryTest, KeysAreCreatedOnOpenAndSeparatorsAndCaseDoNotMatter) {
  HKEY missing = reinterpret_cast<HKEY>(1);
  EXPECT_EQ(RegOpenKey(HKEY_CURRENT_USER, "Software\\Brightfen", &missing), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(missing, nullptr);

  bool created = false;
  HKEY a = nullptr;
  ASSERT_EQ(RegCreateKey(HKEY_CURRENT_USER, "Software\\Brightfen\\Quillet\\Ann\\", &a, &created), 0);
  EXPECT_TRUE(created);
  ASSERT_EQ(RegSetString(a, "OutputPath", "/data/Ann/Quillet/"), 0);
  RegCloseKey(a);

  HKEY b = nullptr;
  ASSERT_EQ(RegCreateKey(HKEY_CURRENT_USER, "software/BRIGHTFEN//quillet/ann", &b, &created), 0);
  EXPECT_FALSE(created);
  std::vector<uint8_t> data;
  DWORD type = 0;
  ASSERT_EQ(RegGetValue(b, "outputpath", &type, &data), 0);
  EXPECT_EQ(type, REG_SZ);
  EXPECT_EQ(std::string(data.begin(), data.end()), "/data/Ann/Quillet/");
  RegCloseKey(b);

  // The first spelling is the one shown.
  HKEY q = nullptr;
  ASSERT_EQ(RegOpenKey(HKEY_CURRENT_USER, "Software/Brightfen/Quillet", &q), 0);
  std::string name;
  ASSERT_EQ(RegEnumKey(q, 0, &name), 0);
  EXPECT_EQ(name, "Ann");
  EXPECT_EQ(RegEnumKey(q, 1, &name), ERROR_NO_MORE_ITEMS);
  RegCloseKey(q);

  // The hives are separate trees.
  EXPECT_EQ(RegOpenKey(HKEY_LOCAL_MACHINE, "Software\\Brightfen", &q), ERROR_FILE_NOT_FOUND);
  // The store file went where QUILLET_REGISTRY said, and it holds password
  // digests: nobody else may read it.
  EXPECT_TRUE(fs::exists(file_));
  EXPECT_EQ(RegStoreFile(), file_);
  EXPECT_EQ(fs::status(file_).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
}

TEST_F(RegistryTest, ValuesKeepTheirBytesTypesAndCaseInsensitiveNames) {
  HKEY k = Create("Software\\Test");
  DWORD type = 0, size = 0;
  EXPECT_EQ(RegQueryValue(k, "nothing", &type, nullptr, &size), ERROR_FILE_NOT_FOUND);

  // Written without a zero: exactly the text's bytes are stored.
  ASSERT_EQ(RegSetString(k, "Author", "Ann"), 0);
  ASSERT_EQ(RegQueryValue(k, "AUTHOR", &type, nullptr, &size), 0);
  EXPECT_EQ(size, 3u);
  // Another program's string with its zero comes back with it.
  const uint8_t with_zero[] = {'B', 'o', 'b', 0};
  ASSERT_EQ(RegSetValue(k, "Other", REG_SZ, with_zero, 4), 0);
  std::vector<uint8_t> data;
  ASSERT_EQ(RegGetValue(k, "other", &type, &data), 0);
  EXPECT_EQ(data.size(), 4u);

  // Too small a buffer copies nothing and tells the size.
  uint8_t small[2] = {7, 7};
  size = 2;
  EXPECT_EQ(RegQueryValue(k, "Author", &type, small, &size), ERROR_MORE_DATA);
  EXPECT_EQ(size, 3u);
  EXPECT_EQ(small[0], 7);

  ASSERT_EQ(RegSetDword(k, "Maximized", 1), 0);
  ASSERT_EQ(RegSetDword(k, "maximized", 0x01020304), 0);  // same value
  ASSERT_EQ(RegGetValue(k, "MAXIMIZED", &type, &data), 0);
  EXPECT_EQ(type, REG_DWORD);
  EXPECT_EQ(data, (std::vector<uint8_t>{4, 3, 2, 1}));
  const uint8_t bad[2] = {1, 2};
  EXPECT_EQ(RegSetValue(k, "Short", REG_DWORD, bad, 2), ERROR_INVALID_PARAMETER);

  const uint8_t bin[] = {0, 0xff, 0x10};
  ASSERT_EQ(RegSetValue(k, "Blob", REG_BINARY, bin, 3), 0);
  ASSERT_EQ(RegSetValue(k, "Empty", REG_SZ, nullptr, 0), 0);
  ASSERT_EQ(RegGetValue(k, "Empty", &type, &data), 0);
  EXPECT_TRUE(data.empty());

  EXPECT_EQ(RegDeleteValue(k, "BLOB"), 0);
  EXPECT_EQ(RegDeleteValue(k, "Blob"), ERROR_FILE_NOT_FOUND);
  RegCloseKey(k);
}

TEST_F(RegistryTest, EnumerationOrderIsStable) {
  HKEY k = Create("Software\\Order");
  for (const char* sub : {"zeta", "Alpha", "beta"}) {
    HKEY s = nullptr;
    ASSERT_EQ(RegCreateKey(k, sub, &s), 0);
    RegCloseKey(s);
  }
  for (const char* v : {"y", "x", "w"}) ASSERT_EQ(RegSetDword(k, v, 1), 0);
  ASSERT_EQ(RegSetDword(k, "X", 2), 0);  // rewriting keeps the place

  std::vector<std::string> keys, values;
  std::string name;
  for (DWORD i = 0; RegEnumKey(k, i, &name) == 0; ++i) keys.push_back(name);
  for (DWORD i = 0; RegEnumValue(k, i, &name, nullptr, nullptr) == 0; ++i) values.push_back(name);
  EXPECT_EQ(keys, (std::vector<std::string>{"Alpha", "beta", "zeta"}));
  EXPECT_EQ(values, (std::vector<std::string>{"y", "x", "w"}));
  RegCloseKey(k);
}

TEST_F(RegistryTest, DeletedKeysAndStaleHandlesAreReported) {
  HKEY parent = Create("Software\\Del");
  HKEY child = Create("Software\\Del\\Child\\Grand");
  ASSERT_EQ(RegSetDword(child, "v", 1), 0);
  ASSERT_EQ(RegDeleteTree(parent, "child"), 0);
  EXPECT_EQ(RegSetDword(child, "v", 2), ERROR_KEY_DELETED);
  HKEY again = nullptr;
  EXPECT_EQ(RegOpenKey(HKEY_CURRENT_USER, "Software\\Del\\Child", &again), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegDeleteTree(parent, "child"), ERROR_FILE_NOT_FOUND);
  RegCloseKey(child);

  // Pointing the store elsewhere makes old handles invalid, not silently
  // writing into the new file.
  std::string other = dir_ + "/other.db";
  setenv("QUILLET_REGISTRY", other.c_str(), 1);
  HKEY fresh = nullptr;
  ASSERT_EQ(RegOpenKey(HKEY_CURRENT_USER, "", &fresh), 0);
  EXPECT_EQ(RegSetDword(parent, "v", 3), ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegOpenKey(HKEY_CURRENT_USER, "Software\\Del", &again), ERROR_FILE_NOT_FOUND);
  RegCloseKey(fresh);
  RegCloseKey(parent);
  EXPECT_EQ(RegCloseKey(nullptr), ERROR_INVALID_HANDLE);
}

TEST_F(RegistryTest, DamagedFileGivesBadDbNotACrash) {
  std::string junk = dir_ + "/junk.db";
  {
    std::ofstream f(junk, std::ios::binary);
    f << std::string(4096, 'x');
  }
  setenv("QUILLET_REGISTRY", junk.c_str(), 1);
  HKEY k = nullptr;
  EXPECT_EQ(RegCreateKey(HKEY_CURRENT_USER, "Software", &k), ERROR_BADDB);
  EXPECT_EQ(k, nullptr);
}

// A store file the user may only read: its values are read, every write is
// refused with ERROR_ACCESS_DENIED. Root may write any file, so when the
// tests run as root the reading and writing is done by a child process that
// has become "nobody"; either way there is one outcome.
TEST_F(RegistryTest, ReadOnlyStoreReadsButRefusesWrites) {
  setenv("QUILLET_REGISTRY", file_.c_str(), 1);
  HKEY w = Create("Software\\RO");
  ASSERT_EQ(RegSetDword(w, "v", 5), 0);
  RegCloseKey(w);
  std::string ro = dir_ + "/ro";
  fs::create_directory(ro);
  fs::copy_file(file_, ro + "/registry.db");
  for (const char* part : {"-wal", "-shm"})
    if (fs::exists(file_ + part)) fs::copy_file(file_ + part, ro + "/registry.db" + part);
  ASSERT_EQ(chmod(dir_.c_str(), 0755), 0);
  ASSERT_EQ(chmod((ro + "/registry.db").c_str(), 0444), 0);
  for (const char* part : {"-wal", "-shm"}) {
    if (fs::exists(ro + "/registry.db" + part)) {
      ASSERT_EQ(chmod((ro + "/registry.db" + part).c_str(), 0444), 0);
    }
  }
  ASSERT_EQ(chmod(ro.c_str(), 0555), 0);
  setenv("QUILLET_REGISTRY", (ro + "/registry.db").c_str(), 1);

  enum : int { kNoDrop = 1, kNoOpen = 2, kNoRead = 4, kWriteNotRefused = 8, kChanged = 16 };
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    int failed = 0;
    if (geteuid() == 0) {
      const struct passwd* nobody = getpwnam("nobody");
      if (nobody == nullptr || setgroups(0, nullptr) != 0 || setgid(nobody->pw_gid) != 0 ||
          setuid(nobody->pw_uid) != 0 || geteuid() == 0)
        _exit(kNoDrop);
    }
    auto value = [] {
      HKEY k = nullptr;
      std::vector<uint8_t> data;
      DWORD type = 0;
      if (RegOpenKey(HKEY_CURRENT_USER, "Software\\RO", &k) != ERROR_SUCCESS) return -1;
      const LONG st = RegGetValue(k, "v", &type, &data);
      RegCloseKey(k);
      return st == ERROR_SUCCESS && data.size() == 4 ? static_cast<int>(data[0]) : -1;
    };
    HKEY r = nullptr;
    if (RegOpenKey(HKEY_CURRENT_USER, "Software\\RO", &r) != ERROR_SUCCESS) {
      failed |= kNoOpen;
    } else {
      if (RegSetDword(r, "v", 6) != ERROR_ACCESS_DENIED) failed |= kWriteNotRefused;
      RegCloseKey(r);
    }
    HKEY made = nullptr;
    if (RegCreateKey(HKEY_CURRENT_USER, "Software\\RO\\New", &made) != ERROR_ACCESS_DENIED) failed |= kWriteNotRefused;
    const int v = value();
    if (v == -1) {
      failed |= kNoRead;
    } else if (v != 5) {
      failed |= kChanged;
    }
    _exit(failed);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  const int failed = WEXITSTATUS(status);
  EXPECT_FALSE(failed & kNoDrop) << "could not become nobody";
  EXPECT_FALSE(failed & kNoOpen) << "the read-only store could not be opened";
  EXPECT_FALSE(failed & kNoRead) << "the value could not be read";
  EXPECT_FALSE(failed & kWriteNotRefused) << "a write was not refused with ERROR_ACCESS_DENIED";
  EXPECT_FALSE(failed & kChanged) << "the value changed";
  chmod(ro.c_str(), 0755);
}

TEST_F(RegistryTest, SeveralProcessesWritingAtOnceLoseNothing) {
  constexpr int kChildren = 4, kWrites = 150;
  HKEY k = Create("Software\\Shared");
  RegCloseKey(k);
  for (int c = 0; c < kChildren; ++c) {
    if (fork() == 0) {
      int failures = 0;
      for (int i = 0; i < kWrites; ++i) {
        HKEY h = nullptr;
        std::string sub = "Software\\Shared\\P" + std::to_string(c);
        if (RegCreateKey(HKEY_CURRENT_USER, sub, &h) != 0) { ++failures; continue; }
        if (RegSetDword(h, "v" + std::to_string(i), i) != 0) ++failures;
        RegCloseKey(h);
      }
      _exit(failures ? 1 : 0);
    }
  }
  for (int c = 0; c < kChildren; ++c) {
    int status = 0;
    wait(&status);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  for (int c = 0; c < kChildren; ++c) {
    HKEY h = nullptr;
    ASSERT_EQ(RegOpenKey(HKEY_CURRENT_USER, "Software\\Shared\\P" + std::to_string(c), &h), 0);
    DWORD n = 0;
    std::string name;
    while (RegEnumValue(h, n, &name, nullptr, nullptr) == 0) ++n;
    EXPECT_EQ(n, static_cast<DWORD>(kWrites));
    RegCloseKey(h);
  }
}

TEST_F(RegistryTest, ExportUsesTheEditorForm) {
  HKEY k = Create("Software\\Brightfen\\Quillet");
  ASSERT_EQ(RegSetString(k, "InstallPath", "C:\\Q\\"), 0);
  ASSERT_EQ(RegSetString(k, "Quote", "say \"hi\""), 0);
  ASSERT_EQ(RegSetDword(k, "Log", 0x1a), 0);
  const uint8_t bin[] = {0x01, 0xff};
  ASSERT_EQ(RegSetValue(k, "Bin", REG_BINARY, bin, 2), 0);
  const uint8_t zero_ended[] = {'A', 0};
  ASSERT_EQ(RegSetValue(k, "Z", REG_SZ, zero_ended, 2), 0);
  ASSERT_EQ(RegSetString(k, "", "default"), 0);
  ASSERT_EQ(RegSetString(k, "Blank", ""), 0);
  ASSERT_EQ(RegSetValue(k, "Other", 7, bin, 2), 0);
  HKEY sub = Create("Software\\Brightfen\\Quillet\\Ann\\");
  ASSERT_EQ(RegSetDword(sub, "x", 102), 0);
  RegCloseKey(sub);
  RegCloseKey(k);

  std::string out;
  EXPECT_EQ(ExportKey(HKEY_CURRENT_USER, "Software/Brightfen/", &out), 0);
  EXPECT_EQ(out,
            "\n[HKEY_CURRENT_USER\\Software\\Brightfen]\n"
            "\n[HKEY_CURRENT_USER\\Software\\Brightfen\\Quillet]\n"
            "\"InstallPath\"=\"C:\\\\Q\\\\\"\n"
            "\"Quote\"=\"say \"hi\"\"\n"
            "\"Log\"=dword:0000001a\n"
            "\"Bin\"=hex:01,ff\n"
            "\"Z\"=\"A\"\n"
            "@=\"default\"\n"
            "\"Blank\"=\n"
            "\"Other\"=\n"
            "\n[HKEY_CURRENT_USER\\Software\\Brightfen\\Quillet\\Ann]\n"
            "\"x\"=dword:00000066\n");

  // A missing key still gets its header.
  out.clear();
  EXPECT_EQ(ExportKey(HKEY_LOCAL_MACHINE, "Software\\Brightfen", &out), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(out, "\n[HKEY_LOCAL_MACHINE\\Software\\Brightfen]\n");
}

TEST_F(RegistryTest, ExportWithReportLimitsSkipsTheRestOfAnOversizedKey) {
  HKEY k = Create("Software\\Big");
  ASSERT_EQ(RegSetDword(k, "first", 1), 0);
  std::string big(3000, 'a');
  ASSERT_EQ(RegSetString(k, "big", big), 0);
  ASSERT_EQ(RegSetDword(k, "after", 2), 0);
  HKEY sub = Create("Software\\Big\\Sub");
  RegCloseKey(sub);
  RegCloseKey(k);
  std::string out;
  ExportKey(HKEY_CURRENT_USER, "Software\\Big", &out, kSupportReportLimits);
  EXPECT_EQ(out, "\n[HKEY_CURRENT_USER\\Software\\Big]\n\"first\"=dword:00000001\n");
  out.clear();
  ExportKey(HKEY_CURRENT_USER, "Software\\Big", &out);
  EXPECT_NE(out.find("\"after\"=dword:00000002"), std::string::npos);
  EXPECT_NE(out.find("[HKEY_CURRENT_USER\\Software\\Big\\Sub]"), std::string::npos);
}

TEST_F(RegistryTest, ExportCanRemoveEveryPasswordValue) {
  HKEY k = Create("Software\\Users\\Alice");
  const uint8_t digest[16] = {0x5f, 0x4d, 0xcc, 0x3b, 0x5a, 0xa7, 0x65, 0xd6,
                              0x1d, 0x83, 0x27, 0xde, 0xb8, 0x82, 0xcf, 0x99};
  ASSERT_EQ(RegSetValue(k, "Password", REG_BINARY, digest, 16), 0);
  ASSERT_EQ(RegSetString(k, "SMTPPASSWORD", "hunter2"), 0);
  ASSERT_EQ(RegSetDword(k, "PasswordHint", 7), 0);
  ASSERT_EQ(RegSetString(k, "Name", "Alice"), 0);
  ASSERT_EQ(RegSetString(k, "Passwort", "kept"), 0);  // not the word
  RegCloseKey(k);
  ExportLimits limits;
  limits.removePasswords = true;
  std::string out;
  ExportKey(HKEY_CURRENT_USER, "Software\\Users", &out, limits);
  EXPECT_NE(out.find("\"Password\"=\"<removed>\"\n"), std::string::npos) << out;
  EXPECT_NE(out.find("\"SMTPPASSWORD\"=\"<removed>\"\n"), std::string::npos) << out;
  EXPECT_NE(out.find("\"PasswordHint\"=\"<removed>\"\n"), std::string::npos) << out;
  EXPECT_NE(out.find("\"Name\"=\"Alice\"\n"), std::string::npos) << out;
  EXPECT_NE(out.find("\"Passwort\"=\"kept\"\n"), std::string::npos) << out;
  EXPECT_EQ(out.find("hex:5f"), std::string::npos);
  EXPECT_EQ(out.find("hunter2"), std::string::npos);
  // The plain export (quillet-reg) still shows everything.
  out.clear();
  ExportKey(HKEY_CURRENT_USER, "Software\\Users", &out);
  EXPECT_NE(out.find("\"Password\"=hex:5f,4d,cc"), std::string::npos) << out;
  EXPECT_TRUE(kSupportReportLimits.removePasswords);
}

TEST(RegistryStatus, MessagesAndPaths) {
  EXPECT_EQ(RegStatusMessage(2), "The system cannot find the file specified.");
  EXPECT_EQ(RegStatusMessage(5), "Access is denied.");
  EXPECT_EQ(RegStatusMessage(4242), "Unknown error 4242.");
  HKEY hive = nullptr;
  std::string sub;
  ASSERT_TRUE(RegSplitPath("HKCU\\Software\\X", &hive, &sub));
  EXPECT_EQ(hive, HKEY_CURRENT_USER);
  EXPECT_EQ(sub, "Software\\X");
  ASSERT_TRUE(RegSplitPath("hkey_local_machine", &hive, &sub));
  EXPECT_EQ(hive, HKEY_LOCAL_MACHINE);
  EXPECT_EQ(sub, "");
  EXPECT_FALSE(RegSplitPath("Software\\X", &hive, &sub));
}

TEST(RegistryDefaultFile, FollowsXdgConfigHome) {
  unsetenv("QUILLET_REGISTRY");
  const char* old = std::getenv("XDG_CONFIG_HOME");
  std::string saved = old ? old : "";
  setenv("XDG_CONFIG_HOME", "/tmp/xdg-test", 1);
  EXPECT_EQ(RegStoreFile(), "/tmp/xdg-test/quillet/registry.db");
  if (old) setenv("XDG_CONFIG_HOME", saved.c_str(), 1); else unsetenv("XDG_CONFIG_HOME");
}

}  // namespace
}  // namespace qplat
