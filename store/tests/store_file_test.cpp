// CStoreFile: read results, the replace-in-one-step save, the lock against
// other processes, and the generated file names.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <set>

#include "store/FileNames.h"
#include "store/RecordKinds.h"
#include "store/RecordStore.h"
#include "store/StoreFile.h"
#include "store/tests/StoreTestUtil.h"

namespace quillet {
namespace {

using testing::Bytes;
using testing::ReadAll;
using testing::ScopedLockWait;
using testing::ScopedStoreSync;
using testing::ScratchDir;
using testing::StepWatch;
using testing::WriteAll;

TEST(StoreFileRead, ReportsEofShortReadAndWrongMode) {
  ScratchDir dir;
  WriteAll(dir.File("f"), Bytes{1, 2, 3, 4, 5, 6});
  CStoreFile file;
  EXPECT_EQ(file.OpenForRead(""), DB_ERR_NO_NAME);
  EXPECT_EQ(file.OpenForRead(dir.File("missing")), DB_ERR_OPEN);
  ASSERT_EQ(file.OpenForRead(dir.File("f")), DB_OK);
  uint32_t v = 0;
  EXPECT_EQ(file.ReadU32(&v), DB_OK);
  EXPECT_EQ(v, 0x04030201u);
  EXPECT_EQ(file.Remaining(), 2u);
  EXPECT_EQ(file.FirstReadError(), DB_OK);
  v = 77;
  EXPECT_EQ(file.ReadU32(&v), DB_ERR_SHORT_READ);
  EXPECT_EQ(v, 77u);  // a failed read leaves the value alone
  EXPECT_EQ(file.ReadU32(&v), DB_ERR_EOF);
  EXPECT_EQ(file.FirstReadError(), DB_ERR_SHORT_READ);
  EXPECT_EQ(file.Write("x", 1), DB_ERR_WRITE);  // opened for reading only
  file.Close();
  EXPECT_EQ(file.ReadU32(&v), DB_ERR_READ);
}

TEST(StoreFileRead, StringLengthBeyondTheFileReadsOnlyWhatIsThere) {
  ScratchDir dir;
  WriteAll(dir.File("f"), Bytes{0xFF, 0xE8, 0x03, 'a', 'b', 'c'});  // claims 1000 bytes
  CStoreFile file;
  ASSERT_EQ(file.OpenForRead(dir.File("f")), DB_OK);
  std::string text = "old";
  EXPECT_EQ(file.ReadString(&text), DB_ERR_SHORT_READ);
  EXPECT_EQ(text, "abc");
  EXPECT_EQ(file.FirstReadError(), DB_ERR_SHORT_READ);
}

TEST(StoreFileRead, ReadsAcrossBufferBoundaries) {
  ScratchDir dir;
  Bytes big(200 * 1024 + 3);
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<uint8_t>(i * 7);
  WriteAll(dir.File("f"), big);
  CStoreFile file;
  ASSERT_EQ(file.OpenForRead(dir.File("f")), DB_OK);
  Bytes got(big.size());
  size_t at = 0;
  for (size_t step : {1u, 65535u, 2u, 70000u, 13u}) {
    ASSERT_EQ(file.Read(got.data() + at, step), DB_OK);
    at += step;
  }
  ASSERT_EQ(file.Read(got.data() + at, big.size() - at), DB_OK);
  EXPECT_EQ(got, big);
}

TEST(StoreFileWrite, NothingReachesTheFileBeforeCommitAndCloseDiscards) {
  ScratchDir dir;
  WriteAll(dir.File("f"), Bytes{9, 9});
  CStoreFile file;
  ASSERT_EQ(file.Rewrite(dir.File("f")), DB_OK);
  ASSERT_EQ(file.WriteU32(0x01020304), DB_OK);
  EXPECT_EQ(ReadAll(dir.File("f")), (Bytes{9, 9}));
  file.Close();
  EXPECT_EQ(ReadAll(dir.File("f")), (Bytes{9, 9}));
  EXPECT_EQ(dir.Entries(), std::vector<std::string>{"f"});

  ASSERT_EQ(file.Rewrite(dir.File("f")), DB_OK);
  ASSERT_EQ(file.WriteU32(0x01020304), DB_OK);
  ASSERT_EQ(file.WriteString("hi"), DB_OK);
  ASSERT_EQ(file.Commit(), DB_OK);
  EXPECT_EQ(ReadAll(dir.File("f")), (Bytes{4, 3, 2, 1, 2, 'h', 'i'}));
  EXPECT_EQ(dir.Entries(), std::vector<std::string>{"f"});
  EXPECT_FALSE(file.IsOpen());
}

// Bytes copied from another file land exactly as Write would put them:
// file to file, into memory, under a running digest, and between writes.
TEST(StoreFileWrite, WriteFromFileCopiesTheSourceExactlyOrFailsTheRewrite) {
  ScratchDir dir;
  Bytes source(300000);
  for (size_t i = 0; i < source.size(); ++i) source[i] = static_cast<uint8_t>(i * 13 + (i >> 9));
  WriteAll(dir.File("source"), source);
  const int fd = ::open(dir.File("source").c_str(), O_RDONLY);
  ASSERT_GE(fd, 0);
  Bytes expected = {1, 2, 3};
  expected.insert(expected.end(), source.begin() + 1000, source.end());
  expected.push_back(9);

  CStoreFile file;
  ASSERT_EQ(file.Rewrite(dir.File("copy")), DB_OK);
  const uint8_t head[] = {1, 2, 3};
  ASSERT_EQ(file.Write(head, 3), DB_OK);  // still in the buffer when the copy starts
  ASSERT_EQ(file.WriteFromFile(fd, 1000, source.size() - 1000), DB_OK);
  ASSERT_EQ(file.WriteU8(9), DB_OK);
  ASSERT_EQ(file.Commit(), DB_OK);
  EXPECT_EQ(ReadAll(dir.File("copy")), expected);

  Bytes memory;
  ASSERT_EQ(file.RewriteMemory(&memory), DB_OK);
  file.Write(head, 3);
  file.BeginDigest();
  ASSERT_EQ(file.WriteFromFile(fd, 1000, source.size() - 1000), DB_OK);
  const uint64_t digest = file.EndDigest();
  file.WriteU8(9);
  ASSERT_EQ(file.Commit(), DB_OK);
  EXPECT_EQ(memory, expected);
  StoreDigest same;
  same.Update(source.data() + 1000, 4);
  const uint8_t zeros[4] = {};
  same.Update(zeros, 4);  // bytes 4 to 7 of a digest count as zeros
  same.Update(source.data() + 1008, source.size() - 1008);
  EXPECT_EQ(digest, same.Final());

  // A source that ends early fails the copy, and nothing is committed.
  WriteAll(dir.File("copy"), Bytes{7});
  ASSERT_EQ(file.Rewrite(dir.File("copy")), DB_OK);
  EXPECT_EQ(file.WriteFromFile(fd, 0, source.size() + 1), DB_ERR_READ);
  EXPECT_EQ(file.Commit(), DB_ERR_WRITE);
  EXPECT_EQ(ReadAll(dir.File("copy")), Bytes{7});
  ::close(fd);
}

TEST(StoreFileWrite, KeepsPermissionsAndWritesThroughSymbolicLinks) {
  ScratchDir dir;
  WriteAll(dir.File("real.dat"), Bytes{1});
  ASSERT_EQ(::chmod(dir.File("real.dat").c_str(), 0640), 0);
  ASSERT_EQ(::symlink("real.dat", dir.File("link.dat").c_str()), 0);
  CStoreFile file;
  ASSERT_EQ(file.Rewrite(dir.File("link.dat")), DB_OK);
  ASSERT_EQ(file.WriteU8(2), DB_OK);
  ASSERT_EQ(file.Commit(), DB_OK);
  struct stat st;
  ASSERT_EQ(::lstat(dir.File("link.dat").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  ASSERT_EQ(::stat(dir.File("real.dat").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  EXPECT_EQ(ReadAll(dir.File("real.dat")), Bytes{2});
}

// Replaces `path` with `bytes` as a save does (Rewrite, Write, Commit).
DbResult SaveBytes(const std::string& path, const Bytes& bytes) {
  CStoreFile file;
  DbResult rc = file.Rewrite(path);
  if (rc == DB_OK) rc = file.Write(bytes.data(), bytes.size());
  if (rc == DB_OK) rc = file.Commit();
  return rc;
}

mode_t ModeOf(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 07777;
}

// The mode of the one file in `dir` whose name holds `part`.
mode_t ModeOfFileNamed(const ScratchDir& dir, const std::string& part) {
  mode_t mode = 07777;
  int found = 0;
  for (const std::string& name : dir.Entries())
    if (name.find(part) != std::string::npos) {
      mode = ModeOf(dir.File(name));
      ++found;
    }
  return found == 1 ? mode : 07777;
}

// The new bytes of a store are the store's: the temporary file (and the
// kept copy of an in-place rewrite) are 0600 from the moment they exist,
// narrower when the store is, even with a umask that lets anything through;
// only then does the temporary file get the store's mode. A new store is
// 0600.
TEST(StoreFileWrite, TemporaryAndKeptFilesArePrivateFromTheStart) {
  ScratchDir dir;
  const std::string path = dir.File("quillet.dat");
  const mode_t old_mask = ::umask(0);
  std::vector<mode_t> modes = {0644, 0640, 0660, 0600};
  if (::geteuid() == 0) modes.push_back(0400);  // only root may write a file it may not write
  for (const bool linked : {false, true}) {
    for (const mode_t mode : modes) {
      SCOPED_TRACE((linked ? "in place, mode " : "renamed, mode ") + std::to_string(mode));
      ::unlink(path.c_str());
      ::unlink(dir.File("second.dat").c_str());
      WriteAll(path, Bytes{1});
      ASSERT_EQ(::chmod(path.c_str(), mode), 0);
      if (linked) {
        ASSERT_EQ(::link(path.c_str(), dir.File("second.dat").c_str()), 0);
      }
      mode_t temp_at_birth = 07777, temp_at_sync = 07777, kept = 07777;
      StepWatch watch;
      watch.OnStep([&](StoreStep step) {
        if (step == StoreStep::kNewFileCreated) temp_at_birth = ModeOfFileNamed(dir, ".tmp-");
        if (step == StoreStep::kSyncNewFile) temp_at_sync = ModeOfFileNamed(dir, ".tmp-");
        if (step == StoreStep::kSyncKeep) kept = ModeOfFileNamed(dir, ".keep-");
      });
      ASSERT_EQ(SaveBytes(path, Bytes{2, 3}), DB_OK);
      EXPECT_EQ(temp_at_birth, mode & 0600);
      EXPECT_EQ(temp_at_sync, mode);
      EXPECT_EQ(kept, linked ? (mode & 0600) : 07777);
      EXPECT_EQ(ModeOf(path), mode);
      EXPECT_EQ(ReadAll(path), (Bytes{2, 3}));
    }
  }
  ::unlink(path.c_str());
  ::unlink(dir.File("second.dat").c_str());
  CRecordStore fresh("quillet.dat", dir.path());
  EXPECT_EQ(fresh.Save(), DB_OK);
  EXPECT_EQ(ModeOf(path), 0600u);
  ::umask(old_mask);
}

// --- Durability -------------------------------------------------------------------

// The new bytes are synced before a name leads to them, the folder after
// the rename (or the link that makes a new file).
TEST(StoreSaveSteps, NewFileSyncedBeforeItTakesThePlaceFolderAfter) {
  ScratchDir dir;
  const std::string path = dir.File("quillet.dat");
  const std::vector<StoreStep> expected = {StoreStep::kNewFileCreated, StoreStep::kSyncNewFile,
                                           StoreStep::kPutInPlace, StoreStep::kSyncFolder,
                                           StoreStep::kRemoveTemp};
  StepWatch watch;
  ASSERT_EQ(SaveBytes(path, Bytes{1}), DB_OK);  // new
  EXPECT_EQ(watch.steps(), expected);
  watch.Clear();
  ASSERT_EQ(SaveBytes(path, Bytes{2}), DB_OK);  // replaced
  EXPECT_EQ(watch.steps(), expected);
  EXPECT_EQ(ReadAll(path), Bytes{2});
}

// A failed sync of the new file or a failed rename: DB_ERR_WRITE, the old
// file byte for byte as it was (or still none), no temporary file left.
TEST(StoreSaveSteps, FailedSyncOrRenameKeepsTheOldFile) {
  ScratchDir dir;
  const std::string path = dir.File("quillet.dat");
  const Bytes old_bytes = {0, 0, 0, 1, 0, 0, 0, 0};
  for (const StoreStep step : {StoreStep::kSyncNewFile, StoreStep::kPutInPlace}) {
    SCOPED_TRACE(StoreStepName(step));
    StepWatch watch;
    watch.FailAt(step);
    EXPECT_EQ(SaveBytes(path, Bytes{9, 9}), DB_ERR_WRITE);
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{});

    WriteAll(path, old_bytes);
    watch.FailAt(step);
    CRecordStore store("quillet.dat", dir.path());
    auto note = std::make_unique<CNoteRecord>();
    note->recordId = 2;
    ASSERT_EQ(store.AddNew(std::move(note)), DB_OK);
    EXPECT_EQ(store.Save(), DB_ERR_WRITE);
    EXPECT_EQ(ReadAll(path), old_bytes);
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"quillet.dat"});
    ASSERT_EQ(::unlink(path.c_str()), 0);
  }
}

// A failed sync of the folder after the rename: the save cannot promise
// that the new name lasts and says so; the new bytes are in place, and the
// next save goes through with nothing lost or doubled.
TEST(StoreSaveSteps, FailedFolderSyncIsReportedAndTheNextSaveCompletes) {
  ScratchDir dir;
  CRecordStore store("quillet.dat", dir.path());
  auto settings = std::make_unique<CSettingsRecord>();
  settings->lastRecordId = 3;
  ASSERT_EQ(store.AddNew(std::move(settings)), DB_OK);
  ASSERT_EQ(store.Save(), DB_OK);
  auto note = std::make_unique<CNoteRecord>();
  note->recordId = 2;
  note->text = CpText("kept once");
  ASSERT_EQ(store.AddNew(std::move(note)), DB_OK);
  {
    StepWatch watch;
    watch.FailAt(StoreStep::kSyncFolder);
    EXPECT_EQ(store.Save(), DB_ERR_WRITE);
    EXPECT_EQ(watch.steps().back(), StoreStep::kRemoveTemp);
  }
  EXPECT_EQ(dir.Entries(), std::vector<std::string>{"quillet.dat"});
  ASSERT_EQ(store.Save(), DB_OK);
  CRecordStore reloaded("quillet.dat", dir.path());
  ASSERT_EQ(reloaded.Load(), DB_OK);
  EXPECT_EQ(reloaded.liveCount(), 2u);
  CRecord* found = nullptr;
  ASSERT_EQ(reloaded.FindById(2, &found), DB_OK);
  ASSERT_NE(RecordAs<CNoteRecord>(found), nullptr);
  EXPECT_EQ(RecordAs<CNoteRecord>(found)->text, CpText("kept once"));
}

TEST(StoreFileWrite, MissingFolderFailsToOpen) {
  ScratchDir dir;
  CRecordStore store("quillet.dat", dir.File("no/such/folder"));
  EXPECT_EQ(store.Save(), DB_ERR_OPEN);
  CStoreFile file;
  EXPECT_EQ(file.Rewrite(""), DB_ERR_NO_NAME);
  EXPECT_EQ(file.Rewrite(dir.path()), DB_ERR_OPEN);  // a folder is not a store file
}

// A pipe, a folder or a device where the store should be: every open is
// refused at once with the reason (a pipe nobody writes to would otherwise
// hold a reading open forever), and nothing is put in its place. The pipe
// has no writer here, so an open that waited for one would never return.
TEST(StoreFileOpen, PipesFoldersAndDevicesAreRefusedWithoutWaiting) {
  ScratchDir dir;
  ASSERT_EQ(::mkfifo(dir.File("quillet.dat").c_str(), 0600), 0);
  ASSERT_EQ(::mkdir(dir.File("folder.dat").c_str(), 0700), 0);
  struct Case {
    std::string path;
    int error;
    std::string reason;
  };
  const Case cases[] = {
      {dir.File("quillet.dat"), EINVAL,
       "quillet.dat is not an ordinary file (a pipe, a device or a socket) and cannot be read."},
      {dir.File("folder.dat"), EISDIR, "folder.dat is a folder, not a file."},
      {"/dev/null", EINVAL, "null is not an ordinary file (a pipe, a device or a socket) and cannot be read."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    CStoreLock lock;
    EXPECT_EQ(lock.Acquire(c.path, O_RDONLY), DB_ERR_OPEN);
    EXPECT_EQ(lock.error(), c.error);
    EXPECT_FALSE(lock.held());
    CStoreFile file;
    EXPECT_EQ(file.OpenForRead(c.path), DB_ERR_OPEN);
    EXPECT_EQ(file.error(), c.error);
    EXPECT_EQ(file.Rewrite(c.path), DB_ERR_OPEN);
    EXPECT_EQ(file.error(), c.error);
    CRecordStore store(c.path, "");
    EXPECT_EQ(store.Load(), DB_ERR_OPEN);
    EXPECT_EQ(store.FailureReason(DB_ERR_OPEN), c.reason);
    EXPECT_EQ(store.Reload(), DB_ERR_OPEN);
    EXPECT_EQ(store.Save(), DB_ERR_OPEN);
    EXPECT_EQ(store.lastErrno(), c.error);
  }
  struct stat st;
  ASSERT_EQ(::lstat(dir.File("quillet.dat").c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
  // A regular file opened the same way reads normally: the descriptor is
  // back to blocking once it is known to be a file.
  CRecordStore fresh("real.dat", dir.path());
  ASSERT_EQ(fresh.Save(), DB_OK);
  CStoreLock lock;
  ASSERT_EQ(lock.Acquire(fresh.path(), O_RDONLY), DB_OK);
  EXPECT_EQ(::fcntl(lock.fd(), F_GETFL) & O_NONBLOCK, 0);
}

// A store big enough that its save needs many writes.
std::unique_ptr<CRecordStore> BigStore(const std::string& folder, uint32_t notes) {
  auto store = std::make_unique<CRecordStore>("quillet.dat", folder);
  for (uint32_t i = 0; i < notes; ++i) {
    auto note = std::make_unique<CNoteRecord>();
    note->recordId = i + 2;
    note->text = CpText(std::string(1000, static_cast<char>('a' + i % 26)));
    EXPECT_EQ(store->AddNew(std::move(note)), DB_OK);
  }
  return store;
}

// A real write failure part-way: the file-size limit makes write() fail with
// EFBIG once the new file passes 100 KB. Done in a child so the limit stays
// there.
TEST(StoreSave, WriteFailurePartWayKeepsTheOldFileIntact) {
  ScratchDir dir;
  auto small = BigStore(dir.path(), 3);
  ASSERT_EQ(small->Save(), DB_OK);
  const Bytes before = ReadAll(small->path());

  pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit = {100 * 1024, 100 * 1024};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    auto big = BigStore(dir.path(), 1000);  // about 1 MB
    if (big->Save() != DB_ERR_WRITE) ::_exit(1);
    // The reason names what the system said, not a guess.
    ::_exit(big->lastErrno() == EFBIG &&
                    big->FailureReason(DB_ERR_WRITE) == "quillet.dat could not be written: File too large."
                ? 0
                : 2);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_NE(WEXITSTATUS(status), 1) << "the save did not report DB_ERR_WRITE";
  EXPECT_EQ(WEXITSTATUS(status), 0) << "the write's errno was not kept for the reason";

  EXPECT_EQ(ReadAll(small->path()), before);
  EXPECT_EQ(dir.Entries(), std::vector<std::string>{"quillet.dat"});
  CRecordStore reloaded("quillet.dat", dir.path());
  EXPECT_EQ(reloaded.Load(), DB_OK);
  EXPECT_EQ(reloaded.liveCount(), 3u);
}

// A child holds the file open (as inside a Load or Save) until told to let
// go; meanwhile this process waits for it as long as it may, then fails
// with DB_ERR_OPEN and says why, the file untouched.
TEST(StoreLock, HolderBeyondTheWaitMakesLoadAndSaveFailWithOpen) {
  ScratchDir dir;
  ScopedLockWait wait(std::chrono::milliseconds(300));
  auto store = BigStore(dir.path(), 2);
  ASSERT_EQ(store->Save(), DB_OK);
  const Bytes before = ReadAll(store->path());

  for (bool child_writes : {false, true}) {
    int ready[2], release[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(release), 0);
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      CStoreFile file;
      DbResult rc = child_writes ? file.Rewrite(store->path()) : file.OpenForRead(store->path());
      char c = rc == DB_OK ? 'y' : 'n';
      (void)!::write(ready[1], &c, 1);
      (void)!::read(release[0], &c, 1);
      if (child_writes) {
        file.WriteU32(0);  // not a store: the parent must never see this
        file.Close();
      }
      ::_exit(0);
    }
    char c = 0;
    ASSERT_EQ(::read(ready[0], &c, 1), 1);
    ASSERT_EQ(c, 'y');

    CRecordStore other("quillet.dat", dir.path());
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(other.Load(), DB_ERR_OPEN) << child_writes;
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(290));
    EXPECT_NE(other.FailureReason(DB_ERR_OPEN).find("in use by another program"), std::string::npos)
        << other.FailureReason(DB_ERR_OPEN);
    EXPECT_EQ(store->Save(), DB_ERR_OPEN) << child_writes;
    EXPECT_EQ(ReadAll(store->path()), before);

    (void)!::write(release[1], &c, 1);
    int status = 0;
    ::waitpid(child, &status, 0);
    for (int fd : {ready[0], ready[1], release[0], release[1]}) ::close(fd);

    EXPECT_EQ(other.Load(), DB_OK);
    EXPECT_EQ(store->Save(), DB_OK);
  }
  EXPECT_EQ(dir.Entries(), std::vector<std::string>{"quillet.dat"});
}

// Another process holds the file for 2 seconds (the conduit writing it):
// a save waits for it, with no failure, and then merges with what it wrote.
TEST(StoreLock, SaveWaitsForAHolderOfTwoSeconds) {
  ScratchDir dir;
  auto store = BigStore(dir.path(), 2);
  ASSERT_EQ(store->Save(), DB_OK);
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // Load, add a note, save, holding the file throughout like a conduit.
    CRecordStore mine("quillet.dat", dir.path());
    CStoreLock hold;
    if (mine.Load() != DB_OK || hold.Acquire(mine.path(), O_RDONLY) != DB_OK) ::_exit(1);
    char c = 'y';
    (void)!::write(ready[1], &c, 1);
    ::usleep(2000 * 1000);
    auto note = std::make_unique<CNoteRecord>();
    note->recordId = 500;
    note->text = "from the conduit"_cp;
    mine.AddNew(std::move(note));
    hold.Release();
    ::_exit(mine.Save() == DB_OK ? 0 : 2);
  }
  char c = 0;
  ASSERT_EQ(::read(ready[0], &c, 1), 1);
  auto note = std::make_unique<CNoteRecord>();
  note->recordId = 600;
  note->text = "typed here"_cp;
  ASSERT_EQ(store->AddNew(std::move(note)), DB_OK);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(store->Save(), DB_OK);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1500));
  int status = 0;
  ::waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  ::close(ready[0]);
  ::close(ready[1]);
  // Whichever saved last, both notes are in the file.
  CRecordStore check("quillet.dat", dir.path());
  ASSERT_EQ(check.Load(), DB_OK);
  CRecord* r = nullptr;
  EXPECT_EQ(check.FindById(600, &r), DB_OK);
  EXPECT_EQ(check.FindById(500, &r), DB_OK);
  EXPECT_EQ(check.CountLive(kKindNote), 4u);
}

// Two processes adding records as fast as they can, each through its own
// store, ids from the same counter: every save succeeds, every load sees a
// whole file, and at the end the file holds every record both added, each
// under an id of its own.
TEST(StoreLock, ConcurrentWritersLoseNothing) {
  ScratchDir dir;
  const std::string path = dir.File("quillet.dat");
  {
    CRecordStore fresh("quillet.dat", dir.path());
    auto settings = std::make_unique<CSettingsRecord>();
    settings->lastRecordId = 1;
    fresh.AddNew(std::move(settings));
    ASSERT_EQ(fresh.Save(), DB_OK);
  }
  constexpr int kEach = 40;
  pid_t kids[2];
  for (int k = 0; k < 2; ++k) {
    kids[k] = ::fork();
    ASSERT_GE(kids[k], 0);
    if (kids[k] == 0) {
      CRecordStore s("quillet.dat", dir.path());
      if (s.Load() != DB_OK) ::_exit(3);
      int bad = 0;
      for (int i = 0; i < kEach; ++i) {
        CRecord* settings = nullptr;
        s.FirstOfKind(kKindSettings, &settings, true);
        auto* counter = RecordAs<CSettingsRecord>(settings);
        auto note = std::make_unique<CNoteRecord>();
        note->recordId = ++counter->lastRecordId;
        counter->flags |= kFlagModified;
        note->text = CpText(std::string(k == 0 ? "left " : "right ") + std::to_string(i));
        s.AddNew(std::move(note));
        if (s.Save() != DB_OK) ++bad;
      }
      ::_exit(bad == 0 ? 0 : 1);
    }
  }
  bool running[2] = {true, true};
  int status[2] = {0, 0};
  while (running[0] || running[1]) {
    CRecordStore reader("quillet.dat", dir.path());
    ASSERT_EQ(reader.Load(), DB_OK);
    for (int k = 0; k < 2; ++k)
      if (running[k] && ::waitpid(kids[k], &status[k], WNOHANG) == kids[k]) running[k] = false;
  }
  for (int k = 0; k < 2; ++k) EXPECT_TRUE(WIFEXITED(status[k]) && WEXITSTATUS(status[k]) == 0);
  CRecordStore last("quillet.dat", dir.path());
  ASSERT_EQ(last.Load(), DB_OK);
  EXPECT_EQ(last.CountLive(kKindNote), 2u * kEach);
  std::set<std::string> texts;
  std::set<uint32_t> ids;
  CRecord* r = nullptr;
  for (DbResult rc = last.FirstOfKind(kKindNote, &r, true); rc == DB_OK;
       rc = last.NextOfKind(kKindNote, &r, true)) {
    texts.insert(RecordAs<CNoteRecord>(r)->text.bytes());
    ids.insert(r->recordId);
  }
  EXPECT_EQ(texts.size(), 2u * kEach);
  EXPECT_EQ(ids.size(), 2u * kEach);
  CRecord* settings = nullptr;
  ASSERT_EQ(last.FirstOfKind(kKindSettings, &settings, true), DB_OK);
  EXPECT_GE(RecordAs<CSettingsRecord>(settings)->lastRecordId, *ids.rbegin());
  EXPECT_EQ(dir.Entries(), std::vector<std::string>{"quillet.dat"});
}

std::chrono::system_clock::time_point FixedTime() {
  // 8 December 2026 09:30:05.042 UTC
  std::tm t{};
  t.tm_year = 2026 - 1900;
  t.tm_mon = 11;
  t.tm_mday = 8;
  t.tm_hour = 9;
  t.tm_min = 30;
  t.tm_sec = 5;
  return std::chrono::system_clock::from_time_t(::timegm(&t)) + std::chrono::milliseconds(42);
}

TEST(FileNames, DayMonthYearMillisecondsAndOneDraw) {
  // Worked by hand: 1 * 214013 + 2531011 = 2745024, bits 16-30 give 41.
  EXPECT_EQ(LcgDraw(1), 41u);
  EXPECT_EQ(LcgDraw(0), 38u);
  const auto now = FixedTime();
  const uint32_t seconds = static_cast<uint32_t>(std::chrono::system_clock::to_time_t(now));
  const std::string draw = std::to_string(LcgDraw(seconds));
  EXPECT_LE(LcgDraw(seconds), 32767u);

  WallClock previous = SetFileNameClock(&FixedTime);
  EXPECT_EQ(GenerateTopicFileName(), "8122026" "42" + draw + ".htm");
  EXPECT_EQ(GenerateImageFileName(), "8122026" "42" + draw + ".jpg");
  SetFileNameClock(previous);

  // No padding anywhere: 1 January 2027 at 0 ms.
  std::tm t{};
  t.tm_year = 2027 - 1900;
  t.tm_mday = 1;
  const auto jan = std::chrono::system_clock::from_time_t(::timegm(&t));
  const std::string name = MakeFileName(jan, ".jpg");
  EXPECT_EQ(name.rfind("1120270", 0), 0u) << name;
  EXPECT_EQ(name, "1120270" + std::to_string(LcgDraw(static_cast<uint32_t>(::timegm(&t)))) + ".jpg");
}

}  // namespace
}  // namespace quillet
