#include <dlfcn.h>
#include <sys/stat.h>

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "QuilletVersion.h"
#include "platform/palm/PalmUsers.h"
#include "platform/palm/UserData.h"
#include "platform/registry/Registry.h"

namespace qplat::palm {
namespace {

namespace fs = std::filesystem;

// The library as the program loads it: by path, functions by name.
struct Library {
  void* handle = nullptr;
  UmGetUserCountFn count = nullptr;
  UmGetUserIDFn id = nullptr;
  UmGetUserNameFn name = nullptr;
  UmGetUserDirectoryFn directory = nullptr;
  UmGetIDFromPathFn from_path = nullptr;
  UmGetUserPasswordFn password = nullptr;

  Library() {
    handle = dlopen((std::string(QUILLET_LIB_DIR) + "/" + kUserDataLibrary).c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) return;
    count = reinterpret_cast<UmGetUserCountFn>(dlsym(handle, "UmGetUserCount"));
    id = reinterpret_cast<UmGetUserIDFn>(dlsym(handle, "UmGetUserID"));
    name = reinterpret_cast<UmGetUserNameFn>(dlsym(handle, "UmGetUserName"));
    directory = reinterpret_cast<UmGetUserDirectoryFn>(dlsym(handle, "UmGetUserDirectory"));
    from_path = reinterpret_cast<UmGetIDFromPathFn>(dlsym(handle, "UmGetIDFromPath"));
    password = reinterpret_cast<UmGetUserPasswordFn>(dlsym(handle, "UmGetUserPassword"));
  }
  ~Library() {
    if (handle) dlclose(handle);
  }
};

class PalmTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/qpalm-XXXXXX";
    dir_ = mkdtemp(tmpl);
    setenv("QUILLET_REGISTRY", (dir_ + "/registry.db").c_str(), 1);
  }
  void TearDown() override {
    unsetenv("QUILLET_REGISTRY");
    fs::remove_all(dir_);
  }
  int Run(const std::string& args, std::string* out = nullptr) {
    std::string cmd = std::string(QUILLET_BIN_DIR) + "/quillet-palm-desktop " + args + " 2>/dev/null";
    FILE* p = popen(cmd.c_str(), "r");
    std::string text;
    char buf[512];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) text.append(buf, n);
    int status = pclose(p);
    if (out) *out = text;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  std::string ReadSz(const char* key, const char* name) {
    HKEY k = nullptr;
    if (RegOpenKey(HKEY_CURRENT_USER, key, &k)) return "<no key>";
    DWORD type;
    std::vector<uint8_t> data;
    LONG st = RegGetValue(k, name, &type, &data);
    RegCloseKey(k);
    return st ? "<no value>" : std::string(data.begin(), data.end());
  }
  std::string dir_;
};

TEST_F(PalmTest, LibraryExportsTheUserFunctionsByName) {
  Library lib;
  ASSERT_NE(lib.handle, nullptr) << dlerror();
  EXPECT_TRUE(lib.count && lib.id && lib.name && lib.directory && lib.from_path && lib.password);
}

TEST_F(PalmTest, NamesAreTypedInUtf8AndKeptInTheCodePage) {
  ASSERT_EQ(Run("init --path " + dir_ + "/Palm"), 0);
  std::string out;
  ASSERT_EQ(Run("user add 'J\xC3\xB6rg M\xC3\xBCller'", &out), 0);
  PalmUser u;
  ASSERT_EQ(FindUserByName("J\xF6rg M\xFCller", &u), 0);
  EXPECT_EQ(u.folder, "JorgMuller");  // a file name: ASCII only
  EXPECT_TRUE(fs::is_directory(dir_ + "/Palm/JorgMuller"));
  EXPECT_EQ(ReadSz(kPreferencesKey, "LastUserName"), "J\xF6rg M\xFCller");
  ASSERT_EQ(Run("user list", &out), 0);
  EXPECT_EQ(out, "1\tJ\xC3\xB6rg M\xC3\xBCller\tJorgMuller\t-\n");
  ASSERT_EQ(Run("user password 'J\xC3\xB6rg M\xC3\xBCller' pw"), 0);
  ASSERT_EQ(Run("user remove 'J\xC3\xB6rg M\xC3\xBCller'"), 0);
  // A character the code page cannot hold, and bytes that are not UTF-8,
  // are refused rather than changed.
  EXPECT_EQ(Run("user add '\xE6\x9D\x8E'"), 2);
  EXPECT_EQ(Run("user add \"$(printf '\\366rg')\""), 2);
  std::vector<PalmUser> users;
  ASSERT_EQ(ListUsers(&users), 0);
  EXPECT_TRUE(users.empty());
}

TEST_F(PalmTest, HelpAndVersionAnswerWithoutTouchingTheStore) {
  std::string out;
  ASSERT_EQ(Run("--version", &out), 0);
  EXPECT_EQ(out, std::string("quillet-palm-desktop ") + QUILLET_VERSION + "\n");
  ASSERT_EQ(Run("--help", &out), 0);
  EXPECT_EQ(out.rfind("usage: quillet-palm-desktop", 0), 0u);
  EXPECT_EQ(Run("--no-such-option"), 2);
  EXPECT_FALSE(fs::exists(dir_ + "/registry.db"));
}

TEST_F(PalmTest, InitAndUsersThroughTheCommandAndTheLibrary) {
  Library lib;
  ASSERT_NE(lib.handle, nullptr) << dlerror();
  EXPECT_EQ(lib.count(), 0);
  // No data folder yet: adding a user is refused.
  EXPECT_EQ(Run("user add Ann"), 1);

  std::string data = dir_ + "/Palm";
  ASSERT_EQ(Run("init --path " + data), 0);
  EXPECT_EQ(ReadSz(kCoreKey, "Path"), data);
  EXPECT_EQ(ReadSz(kCoreKey, "HotSyncPath"), std::string(QUILLET_LIB_DIR) + "/HotSync");
  HKEY addon = nullptr;
  ASSERT_EQ(RegOpenKey(HKEY_CURRENT_USER, kQuilletAddOnKey, &addon), 0);
  DWORD type;
  std::vector<uint8_t> creator;
  ASSERT_EQ(RegGetValue(addon, "creator", &type, &creator), 0);
  EXPECT_EQ(creator, (std::vector<uint8_t>{'N', 'T', 'L', 'Q'}));  // 'QLTN' as a little-endian dword
  RegCloseKey(addon);

  std::string out;
  ASSERT_EQ(Run("user add 'Ann Smith' --password secret", &out), 0);
  ASSERT_EQ(Run("user add Bob --folder bobs", &out), 0);
  EXPECT_EQ(Run("user add Bob"), 1);                   // name taken
  EXPECT_EQ(Run("user add Carl --folder bobs"), 1);    // folder taken
  EXPECT_EQ(Run("user add Eve --folder ../x"), 2);     // not a plain folder name
  EXPECT_EQ(Run("user add Eve --password " + std::string(32, 'p')), 2);
  EXPECT_TRUE(fs::is_directory(data + "/AnnSmith"));
  EXPECT_TRUE(fs::is_directory(data + "/bobs"));
  // The data folder and each user's folder are the user's alone.
  for (const std::string& folder : {data, data + "/AnnSmith", data + "/bobs"}) {
    struct stat st;
    ASSERT_EQ(::stat(folder.c_str(), &st), 0) << folder;
    EXPECT_EQ(st.st_mode & 0777, 0700u) << folder;
  }
  EXPECT_EQ(ReadSz(kPreferencesKey, "LastUserName"), "Ann Smith");  // the first user

  ASSERT_EQ(Run("user list", &out), 0);
  EXPECT_EQ(out, "1\tAnn Smith\tAnnSmith\tpassword\n2\tBob\tbobs\t-\n");

  ASSERT_EQ(lib.count(), 2);
  uint32_t ids[2] = {0, 0};
  ASSERT_EQ(lib.id(0, &ids[0]), kUmOk);
  ASSERT_EQ(lib.id(1, &ids[1]), kUmOk);
  uint32_t none = 0;
  EXPECT_EQ(lib.id(2, &none), kUmNotFound);
  char buffer[8192];
  int32_t size = sizeof buffer;
  ASSERT_EQ(lib.name(ids[0], buffer, &size), kUmOk);
  EXPECT_STREQ(buffer, "Ann Smith");
  size = 260;
  ASSERT_EQ(lib.directory(ids[1], buffer, &size), kUmOk);
  EXPECT_STREQ(buffer, "bobs");
  size = 4;  // "bobs" and its zero need 5
  EXPECT_EQ(lib.directory(ids[1], buffer, &size), kUmBufferTooSmall);
  EXPECT_EQ(size, 5);
  EXPECT_STREQ(buffer, "");
  size = sizeof buffer;
  EXPECT_EQ(lib.name(999, buffer, &size), kUmNotFound);

  uint32_t found = 0;
  EXPECT_EQ(lib.from_path((data + "/bobs/").c_str(), &found), kUmOk);
  EXPECT_EQ(found, ids[1]);
  EXPECT_EQ(lib.from_path("nobody", nullptr), kUmNotFound);

  uint8_t pw[260];
  size = 260;
  ASSERT_NE(lib.password(ids[0], pw, &size), 0);
  EXPECT_EQ(size, 16);
  Digest d = PasswordDigest("secret");
  EXPECT_EQ(std::memcmp(pw, d.data(), 16), 0);
  size = 260;
  EXPECT_EQ(lib.password(ids[1], pw, &size), 0);

  // Changing and removing passwords and users.
  ASSERT_EQ(Run("user password Bob hunter2"), 0);
  size = 260;
  ASSERT_NE(lib.password(ids[1], pw, &size), 0);
  d = PasswordDigest("hunter2");
  EXPECT_EQ(std::memcmp(pw, d.data(), 16), 0);
  ASSERT_EQ(Run("user password Bob ''"), 0);
  size = 260;
  EXPECT_EQ(lib.password(ids[1], pw, &size), 0);
  EXPECT_EQ(Run("user password Nobody x"), 1);
  // The terminal's UTF-8 is stored as the code-page bytes the password
  // check hashes; a character the code page cannot hold is refused.
  ASSERT_EQ(Run("user password Bob 'p\xC3\xA9'"), 0);
  size = 260;
  ASSERT_NE(lib.password(ids[1], pw, &size), 0);
  d = PasswordDigest("p\xE9");
  EXPECT_EQ(std::memcmp(pw, d.data(), 16), 0);
  EXPECT_EQ(Run("user password Bob 'p\xC4\x80'"), 2);   // U+0100
  EXPECT_EQ(Run("user password Bob 'p\xE9'"), 2);        // not UTF-8 at all
  EXPECT_EQ(Run("user add Erin --password '\xE2\x82\xAC" + std::string(30, 'x') + "'"), 0);  // 31 code-page bytes
  EXPECT_EQ(Run("user remove Erin"), 0);
  size = 260;
  ASSERT_NE(lib.password(ids[1], pw, &size), 0);
  EXPECT_EQ(std::memcmp(pw, d.data(), 16), 0);  // the refused ones changed nothing
  // An unknown user is never "without a password".
  size = 260;
  EXPECT_EQ(lib.password(999, pw, &size), kUmNotFound);
  EXPECT_EQ(lib.password(0, pw, &size), kUmNotFound);
  ASSERT_EQ(Run("user remove 'Ann Smith'"), 0);
  EXPECT_EQ(Run("user remove 'Ann Smith'"), 1);
  EXPECT_EQ(lib.count(), 1);
  EXPECT_TRUE(fs::is_directory(data + "/AnnSmith"));  // files are left alone
  // Ids are not reused while a later user exists.
  ASSERT_EQ(Run("user add Dora", &out), 0);
  EXPECT_EQ(out.substr(0, 2), "3\t");
}

TEST(PalmDigest, KnownMd5Values) {
  // RFC 1321 test suite.
  Digest empty = PasswordDigest("");
  const uint8_t expected_empty[16] = {0xd4, 0x1d, 0x8c, 0xd9, 0x8f, 0x00, 0xb2, 0x04,
                                      0xe9, 0x80, 0x09, 0x98, 0xec, 0xf8, 0x42, 0x7e};
  EXPECT_EQ(std::memcmp(empty.data(), expected_empty, 16), 0);
  Digest abc = PasswordDigest("abc");
  const uint8_t expected_abc[16] = {0x90, 0x01, 0x50, 0x98, 0x3c, 0xd2, 0x4f, 0xb0,
                                    0xd6, 0x96, 0x3f, 0x7d, 0x28, 0xe1, 0x7f, 0x72};
  EXPECT_EQ(std::memcmp(abc.data(), expected_abc, 16), 0);
}

TEST(PalmNames, FoldersFromNames) {
  EXPECT_EQ(FolderForName("Ann Smith", {}), "AnnSmith");
  EXPECT_EQ(FolderForName("../..", {}), "User");
  // Code-page letters keep their plain letters; signs are left out.
  EXPECT_EQ(FolderForName("Jardin \xC9t\xE9 M\xFCller", {}), "JardinEteMuller");
  EXPECT_EQ(FolderForName("\xC6sa \xD8rsted-Stra\xDF" "e \x8A\x9C\xFE", {}), "AEsaOrsted-StrasseSoeth");
  EXPECT_EQ(FolderForName("\xA9\xAE\xB0\xD7\xF7", {}), "User");
  // The 32-byte bound holds when a letter becomes two.
  EXPECT_EQ(FolderForName(std::string(31, 'a') + "\xDF" + "b", {}), std::string(31, 'a') + "b");
  PalmUser taken;
  taken.folder = "Ann";
  EXPECT_EQ(FolderForName("Ann", {taken}), "Ann2");
  EXPECT_FALSE(IsValidFolderName(".."));
  EXPECT_FALSE(IsValidFolderName("a/b"));
  EXPECT_FALSE(IsValidFolderName("a\\b"));
  EXPECT_TRUE(IsValidFolderName("Ann"));
  EXPECT_FALSE(IsValidUserName(""));
  EXPECT_FALSE(IsValidUserName("tab\there"));
}

}  // namespace
}  // namespace qplat::palm
