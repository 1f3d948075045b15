// Files made beside their name and renamed into place: planted links are
// replaced, never written through; failures leave the old file; copies stay
// inside the folder they come from.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/files/SafeFiles.h"

namespace quillet {
namespace {

class SafeFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/safefiles.XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    dir_ = std::string(tmpl) + "/";
  }
  void TearDown() override {
    std::string cmd = "rm -rf '" + dir_ + "'";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
  }
  std::string Path(const std::string& name) const { return dir_ + name; }
  std::string Sub(const std::string& name) const {
    ::mkdir(Path(name).c_str(), 0755);
    return Path(name) + "/";
  }
  static void Put(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
  }
  static std::string Get(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  static bool IsLink(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
  }
  // Every entry of a folder (hidden ones too), sorted.
  static std::vector<std::string> Entries(const std::string& folder) {
    std::vector<std::string> names;
    DIR* d = ::opendir(folder.c_str());
    while (dirent* e = d ? ::readdir(d) : nullptr)
      if (std::string(e->d_name) != "." && std::string(e->d_name) != "..") names.push_back(e->d_name);
    if (d) ::closedir(d);
    std::sort(names.begin(), names.end());
    return names;
  }

  std::string dir_;
};

TEST_F(SafeFilesTest, PlantedLinkIsReplacedNotWrittenThrough) {
  const std::string out = Sub("output");
  const std::string victim = Path("victim.txt");
  Put(victim, "precious");
  ASSERT_EQ(::symlink(victim.c_str(), (out + "report.htm").c_str()), 0);
  // A dangling link must not make us create its target either.
  ASSERT_EQ(::symlink(Path("created-elsewhere").c_str(), (out + "pic.jpg").c_str()), 0);

  EXPECT_EQ(ReplaceFileContents(out + "report.htm", "<html>new</html>"), 0);
  EXPECT_EQ(ReplaceFileContents(out + "pic.jpg", "JPEG"), 0);

  EXPECT_EQ(Get(victim), "precious");
  EXPECT_FALSE(IsLink(out + "report.htm"));
  EXPECT_EQ(Get(out + "report.htm"), "<html>new</html>");
  EXPECT_FALSE(IsLink(out + "pic.jpg"));
  EXPECT_EQ(::access(Path("created-elsewhere").c_str(), F_OK), -1);
  EXPECT_EQ(Entries(out), (std::vector<std::string>{"pic.jpg", "report.htm"}));
}

TEST_F(SafeFilesTest, HardLinkedTargetIsNotChanged) {
  const std::string out = Sub("output");
  Put(Path("victim.txt"), "precious");
  ASSERT_EQ(::link(Path("victim.txt").c_str(), (out + "report.htm").c_str()), 0);
  EXPECT_EQ(ReplaceFileContents(out + "report.htm", "new"), 0);
  EXPECT_EQ(Get(Path("victim.txt")), "precious");
  EXPECT_EQ(Get(out + "report.htm"), "new");
}

TEST_F(SafeFilesTest, UnfinishedOrFailedWriteLeavesTheOldFileAndNoTemporary) {
  Put(Path("report.htm"), "old report, long enough to have a tail");
  {
    ReplacingFile file;
    ASSERT_EQ(file.Open(Path("report.htm")), 0);
    EXPECT_EQ(file.temporaryName().front(), '.');
    ASSERT_EQ(file.Write("new"), 0);
    // Dropped without Commit: as a write that failed part way.
  }
  EXPECT_EQ(Get(Path("report.htm")), "old report, long enough to have a tail");
  EXPECT_EQ(Entries(dir_), std::vector<std::string>{"report.htm"});

  // A folder under the name cannot be replaced: an error, nothing left over.
  Sub("taken");
  EXPECT_EQ(ReplaceFileContents(Path("taken"), "x"), EISDIR);
  EXPECT_EQ(Entries(dir_), (std::vector<std::string>{"report.htm", "taken"}));

  // A folder that does not exist.
  EXPECT_EQ(ReplaceFileContents(Path("none/x.htm"), "x"), ENOENT);
  EXPECT_EQ(ReplaceFileContents(dir_, "x"), EINVAL);
}

TEST_F(SafeFilesTest, ReplacedFileKeepsItsPermissions) {
  Put(Path("a.htm"), "old");
  ASSERT_EQ(::chmod(Path("a.htm").c_str(), 0640), 0);
  ASSERT_EQ(ReplaceFileContents(Path("a.htm"), "new"), 0);
  struct stat st;
  ASSERT_EQ(::stat(Path("a.htm").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
}

// Pictures, pages, previews, indexes and exports hold the user's records:
// a new file is the user's alone whatever the umask lets through.
TEST_F(SafeFilesTest, NewFilesAreTheUsersAlone) {
  const mode_t old_mask = ::umask(0);
  EXPECT_EQ(ReplaceFileContents(Path("new.jpg"), "x"), 0);
  EXPECT_EQ(CopyFileWithin(dir_, Path("new.jpg"), Path("copy.jpg")), 0);
  ::umask(old_mask);
  struct stat st;
  for (const char* name : {"new.jpg", "copy.jpg"}) {
    ASSERT_EQ(::stat(Path(name).c_str(), &st), 0) << name;
    EXPECT_EQ(st.st_mode & 0777, 0600u) << name;
  }
}

TEST_F(SafeFilesTest, PrivateFoldersAndTheirCheck) {
  const mode_t old_mask = ::umask(0);
  EXPECT_EQ(MakePrivateFolders(Path("a/b/c")), 0);
  EXPECT_EQ(MakePrivateFolders(Path("a/b/c/")), 0);  // already there
  ::umask(old_mask);
  struct stat st;
  for (const char* name : {"a", "a/b", "a/b/c"}) {
    ASSERT_EQ(::stat(Path(name).c_str(), &st), 0) << name;
    EXPECT_EQ(st.st_mode & 0777, 0700u) << name;
  }
  Put(Path("file"), "x");
  EXPECT_EQ(MakePrivateFolders(Path("file")), ENOTDIR);
  EXPECT_NE(MakePrivateFolders(Path("file/sub")), 0);
  EXPECT_EQ(MakePrivateFolders(""), EINVAL);

  EXPECT_EQ(CheckFolderAccess(Path("a"), true), FolderAccess::kPrivate);
  // The modes folders used to be made with are taken back...
  for (mode_t wide : {0755, 0775}) {
    ASSERT_EQ(::chmod(Path("a/b").c_str(), wide), 0);
    EXPECT_EQ(CheckFolderAccess(Path("a/b"), false), FolderAccess::kOpen);  // only looked at
    EXPECT_EQ(CheckFolderAccess(Path("a/b"), true), FolderAccess::kTightened);
    ASSERT_EQ(::stat(Path("a/b").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0700u);
  }
  // ...a mode the person chose is only reported.
  for (mode_t chosen : {0750, 0711, 0777, 0701}) {
    ASSERT_EQ(::chmod(Path("a/b").c_str(), chosen), 0);
    EXPECT_EQ(CheckFolderAccess(Path("a/b"), true), FolderAccess::kOpen) << std::oct << chosen;
    ASSERT_EQ(::stat(Path("a/b").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, chosen);
  }
  // Missing folders, files and links to folders are none of ours.
  ASSERT_EQ(::symlink(Path("a/b").c_str(), Path("link").c_str()), 0);
  EXPECT_EQ(CheckFolderAccess(Path("link"), true), FolderAccess::kNotOurs);
  EXPECT_EQ(CheckFolderAccess(Path("link/"), true), FolderAccess::kNotOurs);
  EXPECT_EQ(CheckFolderAccess(Path("file"), true), FolderAccess::kNotOurs);
  EXPECT_EQ(CheckFolderAccess(Path("none"), true), FolderAccess::kNotOurs);
  EXPECT_EQ(CheckFolderAccess("", true), FolderAccess::kNotOurs);
  ASSERT_EQ(::chmod(Path("a/b").c_str(), 0700), 0);
}

TEST_F(SafeFilesTest, CommitWithoutReplaceKeepsAnExistingEntry) {
  Put(Path("taken.htm"), "theirs");
  ASSERT_EQ(::symlink(Path("nowhere").c_str(), Path("link.htm").c_str()), 0);
  for (const char* name : {"taken.htm", "link.htm"}) {
    ReplacingFile file;
    ASSERT_EQ(file.Open(Path(name)), 0);
    ASSERT_EQ(file.Write("ours"), 0);
    EXPECT_EQ(file.Commit(false), EEXIST) << name;
  }
  EXPECT_EQ(Get(Path("taken.htm")), "theirs");
  EXPECT_TRUE(IsLink(Path("link.htm")));
  ReplacingFile file;
  ASSERT_EQ(file.Open(Path("free.htm")), 0);
  ASSERT_EQ(file.Write("ours"), 0);
  EXPECT_EQ(file.Commit(false, true), 0);
  EXPECT_EQ(Get(Path("free.htm")), "ours");
  EXPECT_EQ(Entries(dir_), (std::vector<std::string>{"free.htm", "link.htm", "taken.htm"}));
}

TEST_F(SafeFilesTest, CopiesNeverFollowALinkOutOfTheirFolder) {
  const std::string theme = Sub("theme");
  const std::string out = Sub("output");
  const std::string elsewhere = Sub("elsewhere");
  Put(elsewhere + "secret", "SECRET");
  Put(theme + "logo.gif", "GIF");
  ::mkdir((theme + "pics").c_str(), 0755);
  Put(theme + "pics/a.gif", "A");
  ASSERT_EQ(::symlink((elsewhere + "secret").c_str(), (theme + "leak.gif").c_str()), 0);
  ASSERT_EQ(::symlink(elsewhere.c_str(), (theme + "outside").c_str()), 0);
  ASSERT_EQ(::symlink("logo.gif", (theme + "alias.gif").c_str()), 0);  // stays inside

  EXPECT_EQ(CopyFileWithin(theme, theme + "leak.gif", out + "leak.gif"), EACCES);
  EXPECT_EQ(CopyFileWithin(theme, theme + "outside/secret", out + "secret"), EACCES);
  EXPECT_EQ(CopyFileWithin(theme, theme + "../elsewhere/secret", out + "secret"), EACCES);
  EXPECT_EQ(CopyFileWithin(theme, theme + "pics", out + "pics"), EINVAL);
  EXPECT_EQ(CopyFileWithin(theme, theme + "missing.gif", out + "missing.gif"), ENOENT);
  EXPECT_EQ(Entries(out), std::vector<std::string>{});

  EXPECT_EQ(CopyFileWithin(theme, theme + "pics/a.gif", out + "a.gif"), 0);
  EXPECT_EQ(CopyFileWithin(theme, theme + "alias.gif", out + "alias.gif"), 0);
  EXPECT_EQ(Get(out + "a.gif"), "A");
  EXPECT_EQ(Get(out + "alias.gif"), "GIF");
  EXPECT_FALSE(IsLink(out + "alias.gif"));

  // Without a folder to stay in, any regular file may be read.
  std::string bytes;
  EXPECT_EQ(ReadFileWithin("", theme + "leak.gif", &bytes, 1 << 20), 0);
  EXPECT_EQ(bytes, "SECRET");
  EXPECT_EQ(ReadFileWithin(theme, theme + "leak.gif", &bytes, 1 << 20), EACCES);
  EXPECT_TRUE(bytes.empty());
  // Up to the bound and not one byte more, nothing kept past it (a sparse
  // file far larger than memory is refused by its size alone).
  EXPECT_EQ(ReadFileWithin("", theme + "leak.gif", &bytes, 6), 0);
  EXPECT_EQ(bytes, "SECRET");
  EXPECT_EQ(ReadFileWithin("", theme + "leak.gif", &bytes, 5), EFBIG);
  EXPECT_TRUE(bytes.empty());
  const std::string huge = theme + "huge.gif";
  Put(huge, "");
  ASSERT_EQ(::truncate(huge.c_str(), off_t{1} << 40), 0);
  EXPECT_EQ(ReadFileWithin("", huge, &bytes, 1 << 20), EFBIG);
}

TEST_F(SafeFilesTest, CopyOntoItselfOrOverAKeptFileChangesNothing) {
  Put(Path("a.gif"), "A");
  Put(Path("b.gif"), "B");
  EXPECT_EQ(CopyFileWithin(dir_, Path("a.gif"), Path("a.gif")), EINVAL);
  EXPECT_EQ(CopyFileWithin(dir_, Path("a.gif"), Path("b.gif"), false), EEXIST);
  EXPECT_EQ(Get(Path("a.gif")), "A");
  EXPECT_EQ(Get(Path("b.gif")), "B");
  EXPECT_EQ(CopyFileWithin(dir_, Path("a.gif"), Path("b.gif")), 0);
  EXPECT_EQ(Get(Path("b.gif")), "A");
  EXPECT_EQ(Entries(dir_), (std::vector<std::string>{"a.gif", "b.gif"}));
}

TEST_F(SafeFilesTest, PipesAndDevicesAreRefusedWithoutWaiting) {
  ASSERT_EQ(::mkfifo(Path("pipe.gif").c_str(), 0600), 0);
  std::string bytes;
  EXPECT_EQ(ReadFileWithin(dir_, Path("pipe.gif"), &bytes, 1 << 20), EINVAL);
  EXPECT_EQ(CopyFileWithin("", "/dev/zero", Path("zero.gif")), EINVAL);
  EXPECT_FALSE(IsOwnRegularFile(Path("pipe.gif")));
  // Nor is a pipe (or a device) ever replaced by a file.
  EXPECT_EQ(ReplaceFileContents(Path("pipe.gif"), "x"), EINVAL);
  struct stat st;
  ASSERT_EQ(::lstat(Path("pipe.gif").c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
  EXPECT_FALSE(IsOwnRegularFile(Path("zero.gif")));
}

TEST_F(SafeFilesTest, OwnRegularFileIsNotALink) {
  Put(Path("a.jpg"), "A");
  ASSERT_EQ(::symlink(Path("a.jpg").c_str(), Path("b.jpg").c_str()), 0);
  EXPECT_TRUE(IsOwnRegularFile(Path("a.jpg")));
  EXPECT_FALSE(IsOwnRegularFile(Path("b.jpg")));
  EXPECT_FALSE(IsOwnRegularFile(dir_));
  EXPECT_FALSE(IsOwnRegularFile(""));
}

}  // namespace
}  // namespace quillet
