#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <memory>

#include "base/DiagnosticLog.h"
#include "base/RegistryKey.h"
#include "base/Strings.h"
#include "base/UserInterface.h"
#include "desktop/db/CurrentDatabase.h"
#include "store/StoreEvents.h"
#include "store/StoreFile.h"
#include "store/tests/StoreTestUtil.h"
#include "testing/RecordingUI.h"
#include "testing/TempRegistry.h"

namespace quillet {
namespace {

namespace fs = std::filesystem;
using testing::ByteBuilder;
using testing::Bytes;
using testing::ReadAll;
using testing::ReadFileBytes;
using testing::ScopedLockWait;
using testing::ScopedSettleDelay;
using testing::TempRegistry;
using testing::WriteAll;

// A user "Ann/" whose output folder is in the temporary folder, with the
// log switched on there so the test can read what was logged.
class CurrentDatabaseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    output_ = tmp_.MakeDir("Palm/Ann/Quillet");
    CRegistryKey reg;
    reg.OpenProgramKey();
    reg.WriteValueString("LogPath", tmp_.dir());
    reg.WriteValueDword("Log", 1);
    reg.OpenProgramKey("Ann/");
    reg.WriteValueString("OutputPath", output_);
    StartLog();
    store_ = output_ + kStoreFileName;
  }
  void TearDown() override {
    DeleteCurrentStore();
    SetLogEnabled(false);
  }
  std::string Log() { return ReadFileBytes(tmp_.dir() + "log.txt"); }

  TempRegistry tmp_;
  std::string output_, store_;
};

// The 66 bytes of a fresh store: header, count 1, kind 0, the settings body
// (flags 8, lastRecordId 1, all else 0) and "DATA".
Bytes FreshStoreBytes() {
  return ByteBuilder()
      .Header(1)
      .U32(0)
      .Base(0, 0, 0, 8, 0, 0, 0)
      .U32(0).U32(1).U32(0).U32(0)
      .Raw(std::string(6, '\0'))
      .Marker()
      .bytes();
}

TEST_F(CurrentDatabaseTest, FirstStartShowsTheHotsyncDialogOnceAndIssuesIdsFrom2) {
  RecordingUI ui;
  ScopedUI scope(&ui);
  ASSERT_TRUE(OpenUserStore("Ann/"));
  EXPECT_EQ(ui.dialogs, std::vector<int>{kHotsyncDialog});
  EXPECT_TRUE(ui.messages.empty());
  Bytes bytes = ReadAll(store_);
  EXPECT_EQ(bytes.size(), 66u);
  EXPECT_EQ(bytes, FreshStoreBytes());
  ASSERT_NE(pDB, nullptr);

  EXPECT_EQ(NextRecordId(), 2u);
  EXPECT_EQ(NextRecordId(), 3u);
  CRecord* settings = nullptr;
  ASSERT_EQ(pDB->FirstOfKind(kKindSettings, &settings, true), DB_OK);
  EXPECT_TRUE(settings->flags & kFlagModified);
  ASSERT_EQ(pDB->Save(), DB_OK);

  // The counter lives in the file; opening again shows no dialog.
  ASSERT_TRUE(OpenUserStore("Ann/"));
  EXPECT_EQ(ui.dialogs.size(), 1u);
  EXPECT_EQ(NextRecordId(), 4u);
  EXPECT_EQ(Log().find("Damaged"), std::string::npos);
}

TEST_F(CurrentDatabaseTest, EnsureStoreFileLeavesAnExistingFileAlone) {
  EXPECT_FALSE(EnsureStoreFile("Nobody/"));  // no OutputPath
  Bytes odd = {1, 2, 3};
  WriteAll(store_, odd);
  EXPECT_TRUE(EnsureStoreFile("Ann/"));
  EXPECT_EQ(ReadAll(store_), odd);
  fs::remove(store_);
  EXPECT_TRUE(EnsureStoreFile("Ann/"));
  EXPECT_EQ(ReadAll(store_), FreshStoreBytes());
}

// The fresh store with a second record, a note whose text of 74 characters
// the file cuts off after 28.
Bytes CutInsideLastRecord() {
  Bytes fresh = FreshStoreBytes();
  fresh[4] = 2;
  return ByteBuilder().Raw(fresh).U32(5).Base(1, 9, 0, 0, 0, 0, 0).U32(0).U8(74).Raw(std::string(28, 'n')).bytes();
}

TEST_F(CurrentDatabaseTest, DamagedStoreIsKeptBesideAFreshOne) {
  ScopedSettleDelay quick(std::chrono::milliseconds(1));
  std::vector<StoreBackupReason> hooked;
  StoreBackupHook previous = SetStoreBackupHook([&](const StoreBackupEvent& e) {
    hooked.push_back(e.reason);
    EXPECT_EQ(e.path, store_);
    char first = 0;
    EXPECT_EQ(::pread(e.fd, &first, 1, 0), 1);  // the damaged file, still in place
  });
  for (const Bytes& damaged : {Bytes{'J', 'U', 'N', 'K', 1, 0, 0, 0},
                               // Right header, but the first of two records is cut off.
                               ByteBuilder().Header(2).U32(4).Base(0, 5, 0, 0, 0, 0, 0).bytes(),
                               // An unknown kind.
                               ByteBuilder().Header(1).U32(77).bytes(),
                               // Cut inside the last record: its note's 74 characters end after 28.
                               CutInsideLastRecord()}) {
    SCOPED_TRACE(damaged.size());
    for (const auto& e : fs::directory_iterator(output_)) fs::remove(e.path());
    WriteAll(store_, damaged);
    RecordingUI ui;
    {
      ScopedUI scope(&ui);
      ASSERT_TRUE(OpenUserStore("Ann/"));
    }
    // The damaged bytes are kept, under a name that says what and when.
    std::vector<fs::path> kept;
    for (const auto& e : fs::directory_iterator(output_))
      if (e.path().filename().string().rfind("quillet.dat.damaged-", 0) == 0) kept.push_back(e.path());
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept[0].filename().string().size(), std::string("quillet.dat.damaged-20261208-0930").size());
    EXPECT_EQ(ReadAll(kept[0].string()), damaged);
    // A fresh store is open, and the user was told once which file was kept.
    EXPECT_EQ(ReadAll(store_), FreshStoreBytes());
    ASSERT_NE(pDB, nullptr);
    EXPECT_EQ(pDB->CountLive(kKindSettings), 1u);
    EXPECT_EQ(ui.MessageIds(), std::vector<int>{IDS_STORE_KEPT_DAMAGED});
    EXPECT_NE(ui.messages[0].text.find(kept[0].string()), std::string::npos);
    EXPECT_TRUE(ui.dialogs.empty());
    EXPECT_NE(Log().find("Damaged database kept as " + kept[0].string() + "\r\n"), std::string::npos);
  }
  SetStoreBackupHook(previous);
  EXPECT_EQ(hooked, std::vector<StoreBackupReason>(4, StoreBackupReason::kSetAsideDamaged));
}

// The entry marker is never examined: a file whose last marker is missing
// or cut is opened as it is, nothing set aside.
TEST_F(CurrentDatabaseTest, MissingLastMarkerIsNoDamage) {
  ScopedSettleDelay quick(std::chrono::milliseconds(1));
  Bytes fresh = FreshStoreBytes();
  fresh[4] = 2;  // two records
  ByteBuilder b;
  b.Raw(fresh).U32(5).Base(1, 9, 0, 0, 0, 0, 0).U32(0).Str("kept note").Raw("DA");
  WriteAll(store_, b.bytes());
  RecordingUI ui;
  ScopedUI scope(&ui);
  ASSERT_TRUE(OpenUserStore("Ann/"));
  EXPECT_TRUE(ui.messages.empty());
  ASSERT_NE(FindRecord(9), nullptr);
  EXPECT_EQ(RecordAs<CNoteRecord>(FindRecord(9))->text, "kept note"_cp);
  for (const auto& e : fs::directory_iterator(output_))
    EXPECT_EQ(e.path().filename().string().find("damaged"), std::string::npos);
}

TEST_F(CurrentDatabaseTest, KeptNamesNeverOverwriteEachOther) {
  WriteAll(store_, {1});
  std::string first = KeptDamagedName(store_);
  WriteAll(first, {2});
  std::string second = KeptDamagedName(store_);
  EXPECT_EQ(second, first + "-2");
}

TEST_F(CurrentDatabaseTest, StoreWithoutSettingsGainsOneAndIsSavedAtOnce) {
  {
    CRecordStore s(kStoreFileName, output_);
    auto cat = std::make_unique<CCategoryRecord>();
    cat->recordId = 7;
    cat->name = "Work"_cp;
    ASSERT_EQ(s.Insert(std::move(cat)), DB_OK);
    ASSERT_EQ(s.Save(), DB_OK);
  }
  RecordingUI ui;
  ScopedUI scope(&ui);
  ASSERT_TRUE(OpenUserStore("Ann/"));
  EXPECT_TRUE(ui.dialogs.empty());
  // Already in the file, before anything else is saved.
  CRecordStore check(kStoreFileName, output_);
  ASSERT_EQ(check.Load(), DB_OK);
  CRecord* r = nullptr;
  ASSERT_EQ(check.FirstOfKind(kKindSettings, &r, true), DB_OK);
  auto* settings = RecordAs<CSettingsRecord>(r);
  EXPECT_EQ(settings->lastRecordId, 1u);
  EXPECT_EQ(settings->flags, kFlagNew);
  EXPECT_EQ(check.CountLive(kKindCategory), 1u);
  EXPECT_EQ(NextRecordId(), 2u);
}

// A second user whose store a child process holds: "Bob/".
class HeldStoreTest : public CurrentDatabaseTest {
 protected:
  void SetUp() override {
    CurrentDatabaseTest::SetUp();
    bob_output_ = tmp_.MakeDir("Palm/Bob/Quillet");
    CRegistryKey reg;
    reg.OpenProgramKey("Bob/");
    reg.WriteValueString("OutputPath", bob_output_);
    bob_store_ = bob_output_ + kStoreFileName;
    ASSERT_TRUE(EnsureStoreFile("Bob/"));
  }
  // A child holds Bob's store locked for `ms` milliseconds, as the conduit
  // does while it writes; returns once the child holds it.
  pid_t HoldBob(int ms) {
    int ready[2];
    EXPECT_EQ(::pipe(ready), 0);
    pid_t child = ::fork();
    if (child == 0) {
      CStoreLock lock;
      char c = lock.Acquire(bob_store_, O_RDONLY) == DB_OK ? 'y' : 'n';
      (void)!::write(ready[1], &c, 1);
      ::usleep(static_cast<useconds_t>(ms) * 1000);
      ::_exit(0);
    }
    char c = 0;
    EXPECT_EQ(::read(ready[0], &c, 1), 1);
    EXPECT_EQ(c, 'y');
    ::close(ready[0]);
    ::close(ready[1]);
    return child;
  }
  std::string bob_output_, bob_store_;
};

// Held beyond the wait: not replaced, not opened; the store that was open
// stays open and usable, and the person is told once why.
TEST_F(HeldStoreTest, StoreHeldBeyondTheWaitKeepsTheOpenStore) {
  ScopedLockWait wait(std::chrono::milliseconds(400));
  Bytes before = ReadAll(bob_store_);
  RecordingUI ui;
  ScopedUI scope(&ui);
  ASSERT_TRUE(OpenUserStore("Ann/"));
  CRecordStore* ann = pDB;
  pid_t child = HoldBob(3000);
  EXPECT_FALSE(OpenUserStore("Bob/"));
  EXPECT_EQ(pDB, ann);
  ASSERT_EQ(ui.MessageIds(), std::vector<int>{IDS_DB_OPEN_FAILED});
  EXPECT_EQ(ui.messages[0].text, LoadString(IDS_DB_OPEN_FAILED).bytes() +
                                     "\n\nquillet.dat is in use by another program (waited 0 seconds).");
  EXPECT_EQ(ReadAll(bob_store_), before);
  // Ann's store still works: a record added now is saved.
  auto note = std::make_unique<CNoteRecord>();
  note->recordId = NextRecordId();
  const uint32_t id = note->recordId;
  ASSERT_EQ(pDB->AddNew(std::move(note)), DB_OK);
  ASSERT_EQ(pDB->Save(), DB_OK);
  CRecordStore check(kStoreFileName, output_);
  ASSERT_EQ(check.Load(), DB_OK);
  CRecord* r = nullptr;
  EXPECT_EQ(check.FindById(id, &r), DB_OK);
  ::kill(child, SIGKILL);
  ::waitpid(child, nullptr, 0);
  for (const auto& e : fs::directory_iterator(bob_output_))
    EXPECT_EQ(e.path().filename().string().find("damaged"), std::string::npos);

  // Without any store open before, none is open after.
  DeleteCurrentStore();
  child = HoldBob(3000);
  EXPECT_FALSE(OpenUserStore("Bob/"));
  EXPECT_EQ(pDB, nullptr);
  ::kill(child, SIGKILL);
  ::waitpid(child, nullptr, 0);
}

// A failed save says what went wrong: held by another program beyond the
// wait (and how long it was waited for), damaged on the disk and so not
// written over; only a user folder that is gone gives string 231 ("Check to
// make sure the user hasn't been deleted").
TEST_F(HeldStoreTest, FailedSavesNameTheirCause) {
  ScopedLockWait wait(std::chrono::milliseconds(300));
  ScopedSettleDelay quick(std::chrono::milliseconds(1));
  RecordingUI ui;
  ScopedUI scope(&ui);
  ASSERT_TRUE(OpenUserStore("Bob/"));
  auto changed = [] {
    CRecord* settings = nullptr;
    pDB->FirstOfKind(kKindSettings, &settings, true);
    settings->flags |= kFlagModified;
  };
  const std::string filled = LoadString(IDS_SAVE_FAILED_BECAUSE).bytes();
  const std::string lead = filled.substr(0, filled.find("%s"));

  pid_t child = HoldBob(3000);
  changed();
  DbResult rc = pDB->Save();
  EXPECT_EQ(rc, DB_ERR_OPEN);
  TellSaveFailed(pDB, rc);
  ::kill(child, SIGKILL);
  ::waitpid(child, nullptr, 0);
  ASSERT_EQ(ui.MessageIds(), std::vector<int>{IDS_SAVE_FAILED_BECAUSE});
  EXPECT_EQ(ui.messages[0].text, lead + "quillet.dat is in use by another program (waited 0 seconds).");

  const Bytes junk = ByteBuilder().Header(2).U32(99).bytes();
  WriteAll(bob_store_, junk);
  const struct timespec long_ago[2] = {{1000000000, 0}, {1000000000, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, bob_store_.c_str(), long_ago, 0), 0);
  ui.messages.clear();
  changed();
  rc = pDB->Save();
  EXPECT_NE(rc, DB_OK);
  TellSaveFailed(pDB, rc);
  ASSERT_EQ(ui.MessageIds(), std::vector<int>{IDS_SAVE_FAILED_BECAUSE});
  EXPECT_NE(ui.messages[0].text.find("quillet.dat on the disk is damaged"), std::string::npos) << ui.messages[0].text;
  EXPECT_EQ(ReadAll(bob_store_), junk);

  fs::remove_all(bob_output_);
  ui.messages.clear();
  changed();
  rc = pDB->Save();
  EXPECT_EQ(rc, DB_ERR_OPEN);
  TellSaveFailed(pDB, rc);
  EXPECT_EQ(ui.MessageIds(), std::vector<int>{IDS_SAVE_FAILED});
}

// Held for two seconds: waited for, without a word.
TEST_F(HeldStoreTest, StoreHeldForTwoSecondsIsWaitedFor) {
  RecordingUI ui;
  ScopedUI scope(&ui);
  pid_t child = HoldBob(2000);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_TRUE(OpenUserStore("Bob/"));
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1500));
  ASSERT_NE(pDB, nullptr);
  EXPECT_EQ(pDB->path(), bob_store_);
  EXPECT_TRUE(ui.messages.empty());
  ::waitpid(child, nullptr, 0);
}

// Opening the store that is open (a HotSync of the current user) brings in
// the other writer's records and keeps the store object and its records.
TEST_F(CurrentDatabaseTest, ReopeningTheOpenStoreMergesIntoIt) {
  RecordingUI ui;
  ScopedUI scope(&ui);
  ASSERT_TRUE(OpenUserStore("Ann/"));
  CRecordStore* before = pDB;
  CRecord* settings = nullptr;
  ASSERT_EQ(pDB->FirstOfKind(kKindSettings, &settings, true), DB_OK);
  {
    CRecordStore conduit(kStoreFileName, output_);
    ASSERT_EQ(conduit.Load(), DB_OK);
    auto note = std::make_unique<CNoteRecord>();
    note->recordId = 77;
    note->text = "synchronised"_cp;
    conduit.Insert(std::move(note));
    ASSERT_EQ(conduit.Save(), DB_OK);
  }
  const uint64_t generation = pDB->generation();
  ASSERT_TRUE(OpenUserStore("Ann/"));
  EXPECT_EQ(pDB, before);
  EXPECT_NE(pDB->generation(), generation);
  CRecord* same = nullptr;
  ASSERT_EQ(pDB->FirstOfKind(kKindSettings, &same, true), DB_OK);
  EXPECT_EQ(same, settings);
  ASSERT_NE(FindRecord(77), nullptr);
  EXPECT_TRUE(ui.messages.empty());
}

// The open store's file was damaged by another writer: it is kept aside and
// the records in memory, the last good ones, are written in its place.
TEST_F(CurrentDatabaseTest, ReopenOfADamagedFileWritesTheOpenStoreBack) {
  ScopedSettleDelay quick(std::chrono::milliseconds(1));
  RecordingUI ui;
  ScopedUI scope(&ui);
  ASSERT_TRUE(OpenUserStore("Ann/"));
  auto note = std::make_unique<CNoteRecord>();
  note->recordId = NextRecordId();
  const uint32_t id = note->recordId;
  pDB->AddNew(std::move(note));
  ASSERT_EQ(pDB->Save(), DB_OK);
  const Bytes junk = {'J', 'U', 'N', 'K'};
  WriteAll(store_, junk);
  ASSERT_TRUE(OpenUserStore("Ann/"));
  EXPECT_EQ(ui.MessageIds(), std::vector<int>{IDS_STORE_KEPT_DAMAGED});
  CRecordStore check(kStoreFileName, output_);
  ASSERT_EQ(check.Load(), DB_OK);
  CRecord* r = nullptr;
  EXPECT_EQ(check.FindById(id, &r), DB_OK);
  int kept = 0;
  for (const auto& e : fs::directory_iterator(output_))
    if (e.path().filename().string().rfind("quillet.dat.damaged-", 0) == 0) {
      ++kept;
      EXPECT_EQ(ReadAll(e.path().string()), junk);
    }
  EXPECT_EQ(kept, 1);
}

// The file is being rewritten in place by a program that takes no lock when
// the user's store is opened: the finished file is opened, nothing is set
// aside.
TEST_F(CurrentDatabaseTest, StoreBeingWrittenAtOpenIsNotDamaged) {
  Bytes finished;
  {
    CRecordStore big(kStoreFileName, output_);
    auto settings = std::make_unique<CSettingsRecord>();
    settings->lastRecordId = 1000;
    big.AddNew(std::move(settings));
    for (uint32_t i = 0; i < 400; ++i) {
      auto note = std::make_unique<CNoteRecord>();
      note->recordId = 10 + i;
      note->text = CpText(std::string(300, 'n'));
      big.AddNew(std::move(note));
    }
    ASSERT_EQ(big.SaveToMemory(&finished), DB_OK);
  }
  ASSERT_TRUE(EnsureStoreFile("Ann/"));
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  pid_t child = ::fork();
  if (child == 0) {
    int fd = ::open(store_.c_str(), O_WRONLY | O_TRUNC);
    char c = 'y';
    (void)!::write(ready[1], &c, 1);
    const size_t piece = finished.size() / 10 + 1;
    for (size_t at = 0; at < finished.size(); at += piece) {
      (void)!::write(fd, finished.data() + at, std::min(piece, finished.size() - at));
      ::usleep(80 * 1000);
    }
    ::_exit(0);
  }
  char c = 0;
  ASSERT_EQ(::read(ready[0], &c, 1), 1);
  ::usleep(120 * 1000);
  RecordingUI ui;
  ScopedUI scope(&ui);
  ASSERT_TRUE(OpenUserStore("Ann/"));
  ::waitpid(child, nullptr, 0);
  ::close(ready[0]);
  ::close(ready[1]);
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(pDB->CountLive(kKindNote), 400u);
  for (const auto& e : fs::directory_iterator(output_))
    EXPECT_EQ(e.path().filename().string().find("damaged"), std::string::npos);
}

// A pipe at the store's path (at start, or put there while the store is
// open) is refused at once with the reason; it is neither waited on, set
// aside nor replaced, and the store that was open stays open.
TEST_F(CurrentDatabaseTest, PipeAtTheStorePathIsRefusedAndLeftAlone) {
  const std::string reason =
      "\n\nquillet.dat is not an ordinary file (a pipe, a device or a socket) and cannot be read.";
  auto is_pipe = [&] {
    struct stat st;
    return ::lstat(store_.c_str(), &st) == 0 && S_ISFIFO(st.st_mode);
  };
  ASSERT_EQ(::mkfifo(store_.c_str(), 0600), 0);
  {
    RecordingUI ui;
    ScopedUI scope(&ui);
    EXPECT_FALSE(OpenUserStore("Ann/"));
    EXPECT_EQ(pDB, nullptr);
    ASSERT_EQ(ui.MessageIds(), std::vector<int>{IDS_DB_OPEN_FAILED});
    EXPECT_EQ(ui.messages[0].text, LoadString(IDS_DB_OPEN_FAILED).bytes() + reason);
    EXPECT_TRUE(ui.dialogs.empty());
    EXPECT_TRUE(is_pipe());
  }
  ASSERT_EQ(::unlink(store_.c_str()), 0);
  RecordingUI ui;
  ScopedUI scope(&ui);
  ASSERT_TRUE(OpenUserStore("Ann/"));
  ui.dialogs.clear();
  CRecordStore* open = pDB;
  ASSERT_EQ(::unlink(store_.c_str()), 0);
  ASSERT_EQ(::mkfifo(store_.c_str(), 0600), 0);
  EXPECT_FALSE(OpenUserStore("Ann/"));
  EXPECT_EQ(pDB, open);
  ASSERT_EQ(ui.MessageIds(), std::vector<int>{IDS_DB_OPEN_FAILED});
  EXPECT_EQ(ui.messages[0].text, LoadString(IDS_DB_OPEN_FAILED).bytes() + reason);
  // A save into it is refused too, and says why.
  EXPECT_EQ(pDB->Save(), DB_ERR_OPEN);
  EXPECT_EQ(pDB->lastErrno(), EINVAL);
  EXPECT_TRUE(is_pipe());
  for (const auto& e : fs::directory_iterator(output_))
    EXPECT_EQ(e.path().filename().string().find("damaged"), std::string::npos);
}

TEST_F(CurrentDatabaseTest, NoOutputPathKeepsTheStoreThatIsOpen) {
  RecordingUI ui;
  ScopedUI scope(&ui);
  EXPECT_FALSE(OpenUserStore("Nobody/"));
  EXPECT_EQ(pDB, nullptr);
  EXPECT_EQ(NextRecordId(), 1u);
  EXPECT_EQ(FindRecord(5), nullptr);
  EXPECT_FALSE(CategoryNameExists("x"_cp));
  ASSERT_TRUE(OpenUserStore("Ann/"));
  CRecordStore* ann = pDB;
  EXPECT_FALSE(OpenUserStore("Nobody/"));
  EXPECT_EQ(pDB, ann);
  EXPECT_EQ(NextRecordId(), 2u);
}

bool g_close_requested = false;
void RecordClose() { g_close_requested = true; }

TEST_F(CurrentDatabaseTest, ArchiveIsQuilletArcInTheChosenFilesFolder) {
  std::string folder = tmp_.MakeDir("archive");
  {
    CRecordStore arc(kArchiveFileName, folder);
    auto note = std::make_unique<CNoteRecord>();
    note->recordId = 42;
    note->text = "archived"_cp;
    ASSERT_EQ(arc.Insert(std::move(note)), DB_OK);
    ASSERT_EQ(arc.Save(), DB_OK);
  }
  WriteAll(folder + "picked.txt", {'x'});
  CloseMainWindowFn previous = SetCloseMainWindowHook(RecordClose);
  RecordingUI ui;
  ScopedUI scope(&ui);

  ASSERT_TRUE(OpenArchive(folder + "picked.txt"));
  ASSERT_NE(FindRecord(42), nullptr);
  EXPECT_EQ(pDB->CountLive(kKindSettings), 0u);  // no settings record is added
  EXPECT_TRUE(ui.messages.empty());

  // A chosen file that does not exist: message 107 first, then the archive opens.
  ASSERT_TRUE(OpenArchive(folder + "gone.arc"));
  EXPECT_EQ(ui.MessageIds(), std::vector<int>{IDS_DB_OPEN_FAILED});
  EXPECT_FALSE(g_close_requested);

  // No readable Quillet.arc: message 107 with the reason (not the "no
  // records yet" dialog), the main window is asked to close.
  std::string empty = tmp_.MakeDir("empty");
  WriteAll(empty + "picked.txt", {'x'});
  ui.messages.clear();
  EXPECT_FALSE(OpenArchive(empty + "picked.txt"));
  EXPECT_TRUE(ui.dialogs.empty());
  ASSERT_EQ(ui.MessageIds(), std::vector<int>{IDS_DB_OPEN_FAILED});
  EXPECT_NE(ui.messages[0].text, LoadString(IDS_DB_OPEN_FAILED).bytes());  // the reason follows
  EXPECT_TRUE(g_close_requested);
  EXPECT_EQ(pDB, nullptr);
  EXPECT_FALSE(fs::exists(empty + kArchiveFileName));
  SetCloseMainWindowHook(previous);
}

TEST_F(CurrentDatabaseTest, LookupsSeeLiveRecordsAndLeaveCursorsAlone) {
  RecordingUI ui;
  ScopedUI scope(&ui);
  ASSERT_TRUE(OpenUserStore("Ann/"));
  auto add = [](std::unique_ptr<CRecord> r) {
    CRecord* raw = r.get();
    EXPECT_EQ(pDB->AddNew(std::move(r)), DB_OK);
    return raw;
  };
  auto topic = [&](uint32_t id, uint32_t links, uint32_t flags) {
    auto t = std::make_unique<CTopicRecord>();
    t->recordId = id;
    t->linksId = links;
    auto* raw = static_cast<CTopicRecord*>(add(std::move(t)));
    raw->flags |= flags;
    return raw;
  };
  auto links = [&](uint32_t id, std::vector<uint32_t> members, uint32_t flags) {
    auto l = std::make_unique<CTopicLinksRecord>();
    l->recordId = id;
    l->memberIds = std::move(members);
    auto* raw = static_cast<CTopicLinksRecord*>(add(std::move(l)));
    raw->flags |= flags;
    return raw;
  };
  CTopicRecord* orphan = topic(9, 0, 0);  // a topic without links record
  CTopicRecord* dead = topic(10, 11, kFlagDeleted);
  links(11, {50}, kFlagDeleted);
  CTopicRecord* live = topic(10, 12, 0);  // same id, later position
  CTopicLinksRecord* live_links = links(12, {50, 51}, 0);
  CTopicRecord* archived_links_topic = topic(13, 14, 0);
  links(14, {52}, kFlagArchived);
  auto cat = std::make_unique<CCategoryRecord>();
  cat->recordId = 20;
  cat->name = "Work"_cp;
  add(std::move(cat));
  auto gone = std::make_unique<CCategoryRecord>();
  gone->recordId = 21;
  gone->name = "Old"_cp;
  add(std::move(gone))->flags |= kFlagDeleted;

  EXPECT_EQ(FindRecord(0), nullptr);  // even though the settings record has id 0
  EXPECT_EQ(FindRecord(10), dead);   // any record, deleted ones included
  EXPECT_EQ(FindTopic(10), live);
  EXPECT_EQ(FindTopic(99), nullptr);
  EXPECT_EQ(FindLinks(11), nullptr);
  EXPECT_EQ(FindLinksOfTopic(live), live_links);
  EXPECT_EQ(FindLinksOfTopic(archived_links_topic), nullptr);
  EXPECT_EQ(FindLinksOfTopic(orphan), nullptr);
  EXPECT_EQ(FindLinksOfTopic(nullptr), nullptr);
  EXPECT_EQ(FindTopicOfMember(51), live);
  EXPECT_EQ(FindTopicOfMember(50), live);  // the deleted links record does not count
  // In no live links record: no topic, not the one that has no links.
  EXPECT_EQ(FindTopicOfMember(52), nullptr);
  EXPECT_EQ(FindTopicOfMember(77), nullptr);
  EXPECT_TRUE(CategoryNameExists("work"_cp));
  EXPECT_TRUE(CategoryNameExists("WORK"_cp));
  EXPECT_FALSE(CategoryNameExists("Old"_cp));
  EXPECT_FALSE(CategoryNameExists("Wor"_cp));

  // A caller walking the topics is not disturbed by lookups in between.
  CRecord* r = nullptr;
  std::vector<uint32_t> walked;
  for (DbResult rc = pDB->FirstOfKind(kKindTopic, &r, true); rc == DB_OK;
       rc = pDB->NextOfKind(kKindTopic, &r, true)) {
    walked.push_back(r->recordId);
    FindTopicOfMember(50);
    FindTopic(13);
  }
  EXPECT_EQ(walked, (std::vector<uint32_t>{9, 10, 13}));
}

}  // namespace
}  // namespace quillet
