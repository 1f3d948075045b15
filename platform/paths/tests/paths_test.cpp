#include "platform/paths/ProgramPaths.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <map>
#include <optional>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;
using namespace qplat;

namespace {

// Sets or clears environment variables for one test and puts them back.
class Env {
 public:
  void Set(const char* name, const char* value) {
    if (!saved_.count(name)) {
      const char* old = std::getenv(name);
      saved_[name] = old ? std::optional<std::string>(old) : std::nullopt;
    }
    if (value) ::setenv(name, value, 1);
    else ::unsetenv(name);
  }
  ~Env() {
    for (auto& [name, value] : saved_) {
      if (value) ::setenv(name.c_str(), value->c_str(), 1);
      else ::unsetenv(name.c_str());
    }
  }

 private:
  std::map<std::string, std::optional<std::string>> saved_;
};

}  // namespace

TEST(ProgramPaths, TheRealProgramIsTheRunningTestInTheBuildTree) {
  SetProgramFileForTesting("");
  const std::string file = ProgramFile();
  ASSERT_FALSE(file.empty());
  EXPECT_EQ(file[0], '/');
  EXPECT_TRUE(fs::equivalent(file, "/proc/self/exe"));
  EXPECT_EQ(ProgramFolder(), file.substr(0, file.rfind('/') + 1));
}

TEST(ProgramPaths, LibrariesAndDataLieBesideTheProgramsFolder) {
  SetProgramFileForTesting("/opt/q/bin/quillet");
  EXPECT_EQ(ProgramFolder(), "/opt/q/bin/");
  EXPECT_EQ(PrefixFolder(), "/opt/q/");
  EXPECT_EQ(LibraryFolder(), "/opt/q/lib/quillet/");
  EXPECT_EQ(DataFolder(), "/opt/q/share/quillet/");

  // A program at the top of the file system has no prefix above it:
  // nothing is looked for at the root.
  SetProgramFileForTesting("/quillet");
  EXPECT_EQ(ProgramFolder(), "/");
  EXPECT_EQ(LibraryFolder(), "");
  EXPECT_EQ(DataFolder(), "");
  SetProgramFileForTesting("");
}

TEST(ProgramPaths, TheBuildTreeHasTheInstalledLayout) {
  SetProgramFileForTesting(std::string(QUILLET_BIN_DIR) + "/quillet");
  EXPECT_TRUE(fs::equivalent(LibraryFolder(), QUILLET_LIB_DIR));
  EXPECT_TRUE(fs::equivalent(DataFolder(), QUILLET_DATA_DIR));
  SetProgramFileForTesting("");
}

TEST(XdgFolders, AbsoluteSettingsWinRelativeOnesAreIgnored) {
  Env env;
  env.Set("HOME", "/home/ann");
  env.Set("XDG_CONFIG_HOME", "/cfg");
  env.Set("XDG_DATA_HOME", "relative/data");
  env.Set("XDG_STATE_HOME", "");
  env.Set("XDG_CACHE_HOME", nullptr);
  env.Set("XDG_RUNTIME_DIR", "/run/user/1000/");
  EXPECT_EQ(XdgConfigHome(), "/cfg/");
  EXPECT_EQ(XdgDataHome(), "/home/ann/.local/share/");
  EXPECT_EQ(XdgStateHome(), "/home/ann/.local/state/");
  EXPECT_EQ(XdgCacheHome(), "/home/ann/.cache/");
  EXPECT_EQ(XdgRuntimeDir(), "/run/user/1000/");

  env.Set("XDG_RUNTIME_DIR", "run");
  EXPECT_EQ(XdgRuntimeDir(), "");
}

TEST(XdgFolders, WithoutHomeTheAccountsFolderIsUsed) {
  Env env;
  env.Set("HOME", nullptr);
  env.Set("XDG_CACHE_HOME", nullptr);
  const std::string home = HomeFolder();
  ASSERT_FALSE(home.empty());
  EXPECT_EQ(home[0], '/');
  EXPECT_EQ(home.back(), '/');
  EXPECT_EQ(XdgCacheHome(), home + ".cache/");
}

TEST(MakeFolders, MakesEveryMissingLevelPrivateAndKeepsExistingOnes) {
  std::string pattern = (fs::temp_directory_path() / "paths-XXXXXX").string();
  const std::string root = std::string(::mkdtemp(pattern.data())) + "/";
  const std::string deep = root + "a/b/c/";
  ASSERT_TRUE(MakeFolders(deep));
  ASSERT_TRUE(MakeFolders(deep));  // again: no error
  struct stat st;
  ASSERT_EQ(::stat((root + "a").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  ASSERT_EQ(::stat((root + "a/b/c").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);

  // A file in the way is no folder.
  { FILE* f = std::fopen((root + "file").c_str(), "w"); std::fclose(f); }
  EXPECT_FALSE(MakeFolders(root + "file/sub"));
  EXPECT_FALSE(MakeFolders(root + "file"));
  EXPECT_FALSE(MakeFolders(""));
  fs::remove_all(root);
}

TEST(WithSlash, AddsOneSlashOnlyWhereMissing) {
  EXPECT_EQ(WithSlash(""), "");
  EXPECT_EQ(WithSlash("/a"), "/a/");
  EXPECT_EQ(WithSlash("/a/"), "/a/");
}
