#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "app/core/DiagnosticLog.h"
#include "app/core/RegistryKey.h"
#include "app/core/Strings.h"
#include "app/core/UserInterface.h"
#include "app/core/tests/TempRegistry.h"
#include "store/StoreFile.h"
#include "store/db/CurrentDatabase.h"
#include "store/tests/StoreTestUtil.h"

namespace quillet {
namespace {

namespace fs = std::filesystem;
using testing::ByteBuilder;
using testing::Bytes;
using testing::ReadAll;
using testing::ReadFileBytes;
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

TEST_F(CurrentDatabaseTest, DamagedStoreIsKeptBesideAFreshOne) {
  for (const Bytes& damaged : {Bytes{'J', 'U', 'N', 'K', 1, 0, 0, 0},
                               // Right header, but the one record announced is cut off.
                               ByteBuilder().Header(1).U32(4).Base(0, 5, 0, 0, 0, 0, 0).bytes(),
                               // An unknown kind.
                               ByteBuilder().Header(1).U32(77).bytes()}) {
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
    cat->name = "Work";
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

TEST_F(CurrentDatabaseTest, StoreHeldByTheConduitIsNeitherReplacedNorOpened) {
  ASSERT_TRUE(EnsureStoreFile("Ann/"));
  Bytes before = ReadAll(store_);
  CStoreFile conduit;
  ASSERT_EQ(conduit.OpenForRead(store_), DB_OK);  // holds the lock
  RecordingUI ui;
  ScopedUI scope(&ui);
  EXPECT_FALSE(OpenUserStore("Ann/"));
  EXPECT_EQ(pDB, nullptr);
  EXPECT_EQ(ui.MessageIds(), std::vector<int>{IDS_DB_OPEN_FAILED});
  conduit.Close();
  EXPECT_EQ(ReadAll(store_), before);
  for (const auto& e : fs::directory_iterator(output_))
    EXPECT_EQ(e.path().filename().string().find("damaged"), std::string::npos);
}

TEST_F(CurrentDatabaseTest, NoOutputPathMeansNoStore) {
  RecordingUI ui;
  ScopedUI scope(&ui);
  ASSERT_TRUE(OpenUserStore("Ann/"));
  EXPECT_FALSE(OpenUserStore("Nobody/"));
  EXPECT_EQ(pDB, nullptr);  // the previous store is gone too
  EXPECT_EQ(NextRecordId(), 1u);
  EXPECT_EQ(FindRecord(5), nullptr);
  EXPECT_FALSE(CategoryNameExists("x"));
}

bool g_close_requested = false;
void RecordClose() { g_close_requested = true; }

TEST_F(CurrentDatabaseTest, ArchiveIsQuilletArcInTheChosenFilesFolder) {
  std::string folder = tmp_.MakeDir("archive");
  {
    CRecordStore arc(kArchiveFileName, folder);
    auto note = std::make_unique<CNoteRecord>();
    note->recordId = 42;
    note->text = "archived";
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

  // No readable Quillet.arc: dialog 371, the main window is asked to close.
  std::string empty = tmp_.MakeDir("empty");
  WriteAll(empty + "picked.txt", {'x'});
  EXPECT_FALSE(OpenArchive(empty + "picked.txt"));
  EXPECT_EQ(ui.dialogs, std::vector<int>{kHotsyncDialog});
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
  cat->name = "Work";
  add(std::move(cat));
  auto gone = std::make_unique<CCategoryRecord>();
  gone->recordId = 21;
  gone->name = "Old";
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
  EXPECT_TRUE(CategoryNameExists("work"));
  EXPECT_TRUE(CategoryNameExists("WORK"));
  EXPECT_FALSE(CategoryNameExists("Old"));
  EXPECT_FALSE(CategoryNameExists("Wor"));

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
