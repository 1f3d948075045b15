// The moments the program copies a store by itself: opening a user's store
// once a day, before Delete All, before a HotSync (all users' stores), and
// the store layer's hook for merges and damaged stores; the users' folder
// names; and the restore dialog's logic.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <filesystem>
#include <memory>

#include "base/DiagnosticLog.h"
#include "base/RegistryKey.h"
#include "base/Translate.h"
#include "base/UserInterface.h"
#include "desktop/backup/RestoreBackupForm.h"
#include "desktop/db/CurrentDatabase.h"
#include "desktop/shell/DeleteAll.h"
#include "store/RecordKinds.h"
#include "store/RecordStore.h"
#include "store/StoreEvents.h"
#include "store/backup/AutoBackup.h"
#include "store/tests/StoreTestUtil.h"
#include "testing/RecordingUI.h"
#include "testing/TempRegistry.h"

namespace quillet {
namespace {

namespace fs = std::filesystem;
using testing::Bytes;
using testing::ReadAll;
using testing::ReadFileBytes;
using testing::TempRegistry;

constexpr std::time_t kStart = 1709622489;  // 2024-03-05 07:08:09 UTC

void WriteTopics(const std::string& path, int topics) {
  CRecordStore store(path, "");
  auto settings = std::make_unique<CSettingsRecord>();
  settings->lastRecordId = 50;
  store.AddNew(std::move(settings));
  for (int i = 0; i < topics; ++i) {
    auto t = std::make_unique<CTopicRecord>();
    t->recordId = static_cast<uint32_t>(2 + i);
    t->title = CpText("Topic " + std::to_string(i));
    store.AddNew(std::move(t));
  }
  // Exactly these records, whatever the file held (a save would merge).
  ASSERT_EQ(store.SaveTo(path), DB_OK);
}

std::vector<std::string> Names(const std::string& folder) {
  std::vector<std::string> names;
  if (!fs::exists(folder)) return names;
  for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// Users "Ann/" and "Bob/" with output folders in the temporary folder, the
// log on, automatic copies on into the temporary folder, and a clock.
class AutoBackupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CRegistryKey reg;
    reg.OpenProgramKey();
    reg.WriteValueString("LogPath", tmp_.dir());
    reg.WriteValueDword("Log", 1);
    for (const char* user : {"Ann", "Bob"}) {
      const std::string out = tmp_.MakeDir(std::string("Palm/") + user + "/Quillet");
      reg.OpenProgramKey(std::string(user) + "/");
      reg.WriteValueString("OutputPath", out);
    }
    StartLog();
    ann_ = tmp_.dir() + "Palm/Ann/Quillet/quillet.dat";
    bob_ = tmp_.dir() + "Palm/Bob/Quillet/quillet.dat";
    root_ = tmp_.dir() + "backups/";
    SetAutomaticBackupsRoot(root_);
    SetAutomaticBackupClock([this] { return now_; });
  }
  void TearDown() override {
    SetAutomaticBackupsRoot("");
    SetAutomaticBackupClock({});
    DeleteCurrentStore();
    SetLogEnabled(false);
  }
  std::string Log() { return ReadFileBytes(tmp_.dir() + "log.txt"); }

  TempRegistry tmp_;
  std::string ann_, bob_, root_;
  std::time_t now_ = kStart;
};

TEST_F(AutoBackupTest, UsersStoresAreFiledUnderTheUsersFolderOthersByDigest) {
  EXPECT_EQ(PalmUserFolderOfStore(ann_), "Ann");
  EXPECT_EQ(PalmUserFolderOfStore(tmp_.dir() + "Palm/Bob/Quillet/../Quillet/quillet.dat"), "Bob");
  EXPECT_EQ(PalmUserFolderOfStore(tmp_.dir() + "Palm/Ann/quillet.dat"), "");
  EXPECT_EQ(BackupsOfStore(ann_, root_).folder(), root_ + "Ann");
  const std::string other = tmp_.MakeDir("Elsewhere") + "quillet.dat";
  EXPECT_EQ(BackupsOfStore(other, root_).folder(),
            root_ + BackupFolderName(AbsoluteStorePath(other), ""));
}

TEST_F(AutoBackupTest, NothingIsCopiedWhileAutomaticCopiesAreOff) {
  WriteTopics(ann_, 1);
  SetAutomaticBackupsRoot("");
  EXPECT_FALSE(BackupStoreNow(ann_, BackupReason::kBeforeMerge));
  EXPECT_FALSE(BackupStoreIfStale(ann_));
  EXPECT_EQ(BackupAllUserStores(BackupReason::kBeforeHotSync), 0);
  EXPECT_FALSE(fs::exists(root_));
}

TEST_F(AutoBackupTest, OpeningAUsersStoreCopiesItOnceADay) {
  RecordingUI ui;
  ScopedUI scope(&ui);
  WriteTopics(ann_, 2);
  ASSERT_TRUE(OpenUserStore("Ann/"));
  EXPECT_EQ(Names(root_ + "Ann"), std::vector<std::string>{"quillet-20240305-070809.dat"});
  EXPECT_EQ(ReadAll(root_ + "Ann/quillet-20240305-070809.dat"), ReadAll(ann_));
  EXPECT_NE(Log().find("Backup (daily) written: " + root_ + "Ann/quillet-20240305-070809.dat"),
            std::string::npos);

  // Changed, reopened within the day: no copy.
  WriteTopics(ann_, 3);
  now_ += 23 * 3600;
  ASSERT_TRUE(OpenUserStore("Ann/"));
  EXPECT_EQ(Names(root_ + "Ann").size(), 1u);
  // A day later: a copy of what the store holds now.
  now_ += 2 * 3600;
  ASSERT_TRUE(OpenUserStore("Ann/"));
  const std::string second = root_ + "Ann/" + BackupFileName(now_, 0, false);
  EXPECT_EQ(Names(root_ + "Ann").size(), 2u);
  EXPECT_EQ(ReadAll(second), ReadAll(ann_));
  EXPECT_TRUE(ui.messages.empty());

  // A copy dated a year ahead (a wrong clock once) does not count as
  // fresh: the next day still gets its copy.
  const std::string future = root_ + "Ann/" + BackupFileName(now_ + 365 * 86400, 0, false);
  fs::copy_file(second, future);
  WriteTopics(ann_, 5);
  now_ += 25 * 3600;
  ASSERT_TRUE(OpenUserStore("Ann/"));
  EXPECT_TRUE(fs::exists(root_ + "Ann/" + BackupFileName(now_, 0, false)));
  // Within that day, the copy just taken is the fresh one.
  const size_t copies = Names(root_ + "Ann").size();
  now_ += 3600;
  ASSERT_TRUE(OpenUserStore("Ann/"));
  EXPECT_EQ(Names(root_ + "Ann").size(), copies);
}

TEST_F(AutoBackupTest, DeleteAllCopiesTheStoreBeforeFlaggingItsRecords) {
  WriteTopics(ann_, 4);
  const Bytes before = ReadAll(ann_);
  CRecordStore store(ann_, "");
  ASSERT_EQ(store.Load(), DB_OK);
  const DeleteAllCounts counts = DeleteAllRecords(store, tmp_.dir() + "Palm/Ann/Quillet/");
  ASSERT_EQ(store.Save(), DB_OK);
  EXPECT_TRUE(counts.backedUp);
  EXPECT_EQ(counts.records, 4u);
  const std::vector<std::string> names = Names(root_ + "Ann");
  ASSERT_EQ(names.size(), 1u);
  EXPECT_EQ(ReadAll(root_ + "Ann/" + names[0]), before);
  EXPECT_NE(Log().find("Backup (before Delete All) written:"), std::string::npos);

  // A copy that cannot be made does not stop the command.
  fs::remove_all(root_);
  fs::create_directories(tmp_.dir() + "elsewhere");
  fs::create_directory_symlink(tmp_.dir() + "elsewhere", root_.substr(0, root_.size() - 1));
  WriteTopics(ann_, 2);
  ASSERT_EQ(store.Load(), DB_OK);
  const DeleteAllCounts again = DeleteAllRecords(store, tmp_.dir() + "Palm/Ann/Quillet/");
  EXPECT_FALSE(again.backedUp);
  EXPECT_EQ(again.records, 2u);
  EXPECT_TRUE(Names(tmp_.dir() + "elsewhere").empty());
  EXPECT_NE(Log().find("Backup (before Delete All) failed: the backup folder is a symbolic link"),
            std::string::npos);
}

TEST_F(AutoBackupTest, BeforeAHotSyncEveryUsersExistingStoreIsCopied) {
  WriteTopics(ann_, 1);
  WriteTopics(bob_, 2);
  EXPECT_EQ(BackupAllUserStores(BackupReason::kBeforeHotSync), 2);
  EXPECT_EQ(Names(root_ + "Ann").size(), 1u);
  EXPECT_EQ(Names(root_ + "Bob").size(), 1u);
  // Nothing changed since: no new copies, but both are still backed up.
  now_ += 60;
  EXPECT_EQ(BackupAllUserStores(BackupReason::kBeforeHotSync), 2);
  EXPECT_EQ(Names(root_ + "Ann").size(), 1u);
  // A user without a store file is skipped.
  fs::remove(bob_);
  EXPECT_EQ(BackupAllUserStores(BackupReason::kBeforeHotSync), 1);
}

TEST_F(AutoBackupTest, TheStoreHookMarksADamagedStoresCopyAndReadsALockedStore) {
  // A damaged store about to be set aside: its copy is marked and listed
  // as damaged, and is not the daily copy.
  testing::WriteAll(ann_, {0, 0, 0, 1, 7, 0, 0, 0});
  EXPECT_TRUE(BackupStoreNow(ann_, BackupReason::kDamagedSetAside));
  const std::string marked = root_ + "Ann/quillet-20240305-070809-damaged.dat";
  EXPECT_EQ(ReadAll(marked), ReadAll(ann_));
  std::vector<BackupEntry> list;
  ASSERT_EQ(BackupsOfStore(ann_, root_).List(&list, true), BackupResult::kOk);
  ASSERT_EQ(list.size(), 1u);
  EXPECT_TRUE(list[0].damaged);
  EXPECT_EQ(BackupsOfStore(ann_, root_).NewestTaken(), 0);

  // A save merging another writer's changes holds the store's lock.
  WriteTopics(ann_, 3);
  {
    const int fd = ::open(ann_.c_str(), O_RDONLY);
    ASSERT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
    now_ += 1;
    EXPECT_TRUE(BackupLockedStoreNow(ann_, BackupReason::kBeforeMerge));
    ::close(fd);
  }
  ASSERT_EQ(BackupsOfStore(ann_, root_).List(&list, true), BackupResult::kOk);
  ASSERT_EQ(list.size(), 2u);
  EXPECT_FALSE(list[0].damaged);
  EXPECT_EQ(list[0].counts.topics, 3u);
  EXPECT_NE(Log().find("Backup (before merge) written:"), std::string::npos);
}

TEST_F(AutoBackupTest, TheStoresOwnMergeAndSetAsideTakeTheirCopies) {
  ConnectStoreBackupHook();
  WriteTopics(bob_, 2);
  CRecordStore mine(bob_, "");
  ASSERT_EQ(mine.Load(), DB_OK);
  // Another writer adds a topic; our save then merges and is copied first,
  // with the other writer's file as it was.
  {
    CRecordStore other(bob_, "");
    ASSERT_EQ(other.Load(), DB_OK);
    auto t = std::make_unique<CTopicRecord>();
    t->recordId = 40;
    t->title = "From the conduit"_cp;
    other.AddNew(std::move(t));
    ASSERT_EQ(other.Save(), DB_OK);
  }
  const auto before_merge = ReadAll(bob_);
  auto t = std::make_unique<CTopicRecord>();
  t->recordId = 41;
  t->title = "Typed here"_cp;
  mine.AddNew(std::move(t));
  now_ += 1;
  ASSERT_EQ(mine.Save(), DB_OK);
  std::vector<BackupEntry> list;
  ASSERT_EQ(BackupsOfStore(bob_, root_).List(&list, true), BackupResult::kOk);
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(ReadAll(list[0].path), before_merge);
  EXPECT_EQ(list[0].counts.topics, 3u);
  EXPECT_NE(Log().find("Backup (before merge) written:"), std::string::npos);
  SetStoreBackupHook({});
}

TEST_F(AutoBackupTest, TheRestoreFormListsAsksRestoresAndRefusesDamagedCopies) {
  RecordingUI ui;
  ScopedUI scope(&ui);
  WriteTopics(ann_, 5);
  const Bytes five = ReadAll(ann_);
  ASSERT_TRUE(BackupStoreNow(ann_, BackupReason::kRequested));
  now_ += 3600;
  testing::WriteAll(root_ + "Ann/quillet-20240301-000000.dat", {1, 2, 3});
  WriteTopics(ann_, 0);
  const Bytes empty = ReadAll(ann_);

  CRestoreBackupForm form(BackupsOfStore(ann_, root_, [this] { return now_; }), "Ann");
  form.Load();
  const auto& v = form.view();
  ASSERT_EQ(v.rows.size(), 2u);
  EXPECT_NE(v.intro.find("Ann"), std::string::npos);
  EXPECT_EQ(v.rows[0].takenText, CRestoreBackupForm::LocalTimeText(kStart));
  EXPECT_EQ(v.rows[0].counts[0], "5");
  EXPECT_EQ(v.rows[0].counts[4], "0");
  EXPECT_FALSE(v.rows[0].damaged);
  EXPECT_EQ(v.rows[1].stateText, "Damaged");
  EXPECT_EQ(v.rows[1].counts[0], "");
  EXPECT_EQ(v.rows[1].sizeText, "3 bytes");
  EXPECT_EQ(v.selected, -1);
  EXPECT_FALSE(v.restoreEnabled);

  // The damaged copy cannot be chosen for a restore.
  form.Select(1);
  EXPECT_FALSE(v.restoreEnabled);
  EXPECT_EQ(v.status, "This backup is damaged and cannot be restored.");
  EXPECT_FALSE(form.Restore());
  EXPECT_TRUE(ui.messages.empty());

  // Declined: nothing changes.
  form.Select(0);
  EXPECT_TRUE(v.restoreEnabled);
  ui.messageAnswers = {kIdNo};
  EXPECT_FALSE(form.Restore());
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].flags, kMbYesNo | kMbIconQuestion);
  EXPECT_NE(ui.messages[0].text.find(v.rows[0].takenText), std::string::npos);
  EXPECT_EQ(ReadAll(ann_), empty);

  // Accepted: the store is the copy, the replaced file is kept and listed.
  ui.messageAnswers = {kIdYes};
  EXPECT_TRUE(form.Restore());
  EXPECT_EQ(ReadAll(ann_), five);
  EXPECT_EQ(ReadAll(form.previousCopy()), empty);
  ASSERT_EQ(v.rows.size(), 3u);
  EXPECT_EQ(v.rows[0].path, form.previousCopy());
  EXPECT_EQ(v.rows[0].counts[0], "0");
}

TEST_F(AutoBackupTest, ARestoreThatFailsIsToldAndChangesNothing) {
  RecordingUI ui;
  ScopedUI scope(&ui);
  WriteTopics(ann_, 2);
  ASSERT_TRUE(BackupStoreNow(ann_, BackupReason::kRequested));
  WriteTopics(ann_, 1);
  const Bytes before = ReadAll(ann_);
  CRestoreBackupForm form(BackupsOfStore(ann_, root_), "Ann");
  form.Load();
  form.Select(0);
  ASSERT_TRUE(form.view().restoreEnabled);
  ui.messageAnswers = {kIdYes, kIdOk};
  const int fd = ::open(ann_.c_str(), O_RDONLY);
  ASSERT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
  EXPECT_FALSE(form.Restore());
  ::close(fd);
  ASSERT_EQ(ui.messages.size(), 2u);
  EXPECT_EQ(ui.messages[1].text,
            "The backup could not be restored: the store file is in use by another program or cannot be "
            "written.\n\nThe current records are unchanged.");
  EXPECT_EQ(ReadAll(ann_), before);
  EXPECT_EQ(form.view().rows.size(), 1u);
}

// Another program writing all the time makes a merge every few seconds:
// one copy for the merges of a quarter of an hour. HotSync and Delete All
// keep theirs whatever the time.
TEST_F(AutoBackupTest, MergesAreCopiedAtMostOnceAQuarterOfAnHour) {
  for (int i = 0; i < 19; ++i) {
    WriteTopics(ann_, 1 + i);
    now_ += 3;
    EXPECT_TRUE(BackupStoreNow(ann_, BackupReason::kBeforeMerge));
  }
  EXPECT_EQ(Names(root_ + "Ann"), std::vector<std::string>{BackupFileName(kStart + 3, 0, false)});
  EXPECT_NE(Log().find("Backup (before merge) skipped, the newest copy is recent: 2024-03-05T07:08:12Z"),
            std::string::npos);

  now_ = kStart + 3 + kMergeBackupEvery - 1;
  WriteTopics(ann_, 30);
  EXPECT_TRUE(BackupStoreNow(ann_, BackupReason::kBeforeMerge));
  EXPECT_EQ(Names(root_ + "Ann").size(), 1u);
  now_ += 1;
  EXPECT_TRUE(BackupStoreNow(ann_, BackupReason::kBeforeMerge));
  EXPECT_EQ(Names(root_ + "Ann").size(), 2u);

  WriteTopics(ann_, 31);
  now_ += 1;
  EXPECT_TRUE(BackupStoreNow(ann_, BackupReason::kBeforeHotSync));
  WriteTopics(ann_, 32);
  now_ += 1;
  EXPECT_TRUE(BackupStoreNow(ann_, BackupReason::kBeforeDeleteAll));
  EXPECT_EQ(Names(root_ + "Ann").size(), 4u);
}

// A backups folder that cannot be used is told to the person once, and
// logged every time; the program's hook takes the message when there is one.
TEST_F(AutoBackupTest, AnUnusableBackupFolderIsToldOnceAndLoggedEachTime) {
  RecordingUI ui;
  ScopedUI scope(&ui);
  WriteTopics(ann_, 1);
  fs::create_directories(tmp_.dir() + "elsewhere");
  fs::create_directory_symlink(tmp_.dir() + "elsewhere", root_.substr(0, root_.size() - 1));
  EXPECT_FALSE(BackupStoreNow(ann_, BackupReason::kBeforeHotSync));
  EXPECT_FALSE(BackupStoreNow(ann_, BackupReason::kBeforeDeleteAll));
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].caption, "Quillet!");
  EXPECT_NE(ui.messages[0].text.find("for Quillet!'s backups is a symbolic link"), std::string::npos);
  EXPECT_NE(ui.messages[0].text.find("Quillet! takes no backups of " + ann_), std::string::npos);
  EXPECT_NE(Log().find("Backup (before HotSync) failed: the backup folder is a symbolic link"), std::string::npos);
  EXPECT_NE(Log().find("Backup (before Delete All) failed: the backup folder is a symbolic link"),
            std::string::npos);
  EXPECT_TRUE(Names(tmp_.dir() + "elsewhere").empty());

  // Another problem is told too: a folder others may write to.
  fs::remove(root_.substr(0, root_.size() - 1));
  fs::create_directories(root_);
  fs::permissions(root_, fs::perms::all);
  EXPECT_FALSE(BackupStoreNow(ann_, BackupReason::kBeforeHotSync));
  EXPECT_FALSE(BackupStoreNow(ann_, BackupReason::kBeforeHotSync));
  ASSERT_EQ(ui.messages.size(), 2u);
  EXPECT_NE(ui.messages[1].text.find("is open to other users (mode 0777)"), std::string::npos);
  EXPECT_TRUE(Names(root_).empty());

  // With the program's hook the message goes there, to be shown later.
  std::vector<MessageRequest> posted;
  const BackupNoticeHook previous = SetBackupNoticeHook([&](const MessageRequest& r) { posted.push_back(r); });
  SetAutomaticBackupsRoot(root_);  // told afresh
  EXPECT_FALSE(BackupStoreNow(ann_, BackupReason::kBeforeHotSync));
  SetBackupNoticeHook(previous);
  EXPECT_EQ(posted.size(), 1u);
  EXPECT_EQ(ui.messages.size(), 2u);

  // In the person's language, the folder's problem as well as the rest.
  const TranslateFn english = SetTranslator([](const char* context, const char* source) -> std::string {
    const std::string c = context, s = source;
    if (c == "PrivateFolder" && s == "for Quillet!'s backups") return "f\u00FCr Sicherungen";
    if (c == "PrivateFolder" && s.find("is open to other users") != std::string::npos)
      return "Der Ordner %1 %2 ist offen (Modus %3).";
    if (c == "AutoBackup" && s.find("takes no backups") != std::string::npos) return "%1\n\nKeine Sicherungen von %2.";
    return std::string();
  });
  SetAutomaticBackupsRoot(root_);
  EXPECT_FALSE(BackupStoreNow(ann_, BackupReason::kBeforeHotSync));
  SetTranslator(english);
  ASSERT_EQ(ui.messages.size(), 3u);
  EXPECT_EQ(ui.messages[2].text, "Der Ordner " + root_.substr(0, root_.size() - 1) +
                                     " f\u00FCr Sicherungen ist offen (Modus 0777).\n\nKeine Sicherungen von " + ann_ + ".");
}

// Copies removed to leave free space, or refused for lack of it, are told
// once.
TEST_F(AutoBackupTest, CopiesRefusedForFreeSpaceAreToldOnce) {
  RecordingUI ui;
  ScopedUI scope(&ui);
  uint64_t available = uint64_t{1} << 40;
  const FreeSpaceFunction previous = SetBackupFreeSpaceFunction([&](const std::string&, uint64_t* a) {
    *a = available;
    return true;
  });
  WriteTopics(ann_, 1);
  EXPECT_TRUE(BackupStoreNow(ann_, BackupReason::kBeforeHotSync));
  available = kBackupSpareBytes / 2;
  for (int i = 0; i < 2; ++i) {
    WriteTopics(ann_, 2 + i);
    now_ += 60;
    EXPECT_FALSE(BackupStoreNow(ann_, BackupReason::kBeforeHotSync));
  }
  SetBackupFreeSpaceFunction(previous);
  EXPECT_EQ(Names(root_ + "Ann").size(), 1u);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_NE(ui.messages[0].text.find("is nearly full"), std::string::npos);
  EXPECT_NE(ui.messages[0].text.find("it takes no more backups of " + ann_), std::string::npos);
  EXPECT_NE(Log().find("Backup (before HotSync) failed: there is not enough free disk space for a backup"),
            std::string::npos);
}

}  // namespace
}  // namespace quillet
