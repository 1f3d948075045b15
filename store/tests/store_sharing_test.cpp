// One store file, several writers: merging on save and reload, files being
// written while we read them, owners, modes and links kept, leftovers of
// interrupted saves, the backup hook. Two store objects on one file stand in
// for two processes; real processes where the lock or timing matters.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "store/RecordKinds.h"
#include "store/RecordStore.h"
#include "store/StoreEvents.h"
#include "store/StoreFile.h"
#include "store/tests/StoreTestUtil.h"

namespace quillet {
namespace {

using testing::ByteBuilder;
using testing::Bytes;
using testing::ReadAll;
using testing::ScopedLockWait;
using testing::ScopedSettleDelay;
using testing::ScopedStoreSync;
using testing::ScratchDir;
using testing::StepWatch;
using testing::WriteAll;

// --- Building stores the way the program does -----------------------------------

CSettingsRecord* Settings(CRecordStore& s) {
  for (uint32_t i = 0; i < s.highWater(); ++i)
    if (auto* settings = RecordAs<CSettingsRecord>(s.RecordAt(i))) return settings;
  return nullptr;
}

// NextRecordId as the current database issues it.
uint32_t NextId(CRecordStore& s) {
  CSettingsRecord* settings = Settings(s);
  settings->flags |= kFlagModified;
  return ++settings->lastRecordId;
}

template <class T>
T* Find(CRecordStore& s, uint32_t id) {
  CRecord* r = nullptr;
  return s.FindById(id, &r) == DB_OK ? RecordAs<T>(r) : nullptr;
}

CTopicLinksRecord* LinksOf(CRecordStore& s, uint32_t topic) {
  CTopicRecord* t = Find<CTopicRecord>(s, topic);
  return t ? Find<CTopicLinksRecord>(s, t->linksId) : nullptr;
}

uint32_t AddTopic(CRecordStore& s, const std::string& title) {
  auto t = std::make_unique<CTopicRecord>();
  auto l = std::make_unique<CTopicLinksRecord>();
  t->recordId = NextId(s);
  l->recordId = NextId(s);
  t->linksId = l->recordId;
  l->topicId = t->recordId;
  t->title = CpText(title);
  const uint32_t id = t->recordId;
  s.AddNew(std::move(t));
  s.AddNew(std::move(l));
  return id;
}

uint32_t AddNote(CRecordStore& s, uint32_t topic, const std::string& text) {
  auto n = std::make_unique<CNoteRecord>();
  n->recordId = NextId(s);
  n->text = CpText(text);
  const uint32_t id = n->recordId;
  s.AddNew(std::move(n));
  CTopicLinksRecord* links = LinksOf(s, topic);
  links->memberIds.push_back(id);
  links->flags |= kFlagModified;
  return id;
}

std::string TextOf(CRecordStore& s, uint32_t id) {
  const CNoteRecord* n = Find<CNoteRecord>(s, id);
  return n ? n->text.bytes() : "<none>";
}

// A saved store: settings, topics "One" and "Two", notes a and b in One, c in
// Two. Ids: One 2 (links 3), Two 4 (links 5), a 6, b 7, c 8.
struct Shared {
  ScratchDir dir;
  uint32_t one = 0, two = 0, a = 0, b = 0, c = 0;
  Shared() {
    CRecordStore s("quillet.dat", dir.path());
    auto settings = std::make_unique<CSettingsRecord>();
    settings->lastRecordId = 1;
    s.AddNew(std::move(settings));
    one = AddTopic(s, "One");
    two = AddTopic(s, "Two");
    a = AddNote(s, one, "a");
    b = AddNote(s, one, "b");
    c = AddNote(s, two, "c");
    EXPECT_EQ(s.Save(), DB_OK);
  }
  std::unique_ptr<CRecordStore> Open() const {
    auto s = std::make_unique<CRecordStore>("quillet.dat", dir.path());
    EXPECT_EQ(s->Load(), DB_OK);
    return s;
  }
  std::string path() const { return dir.File("quillet.dat"); }
};

// The store's log lines, for one scope.
struct LogCapture {
  std::vector<std::string> lines;
  StoreLogHook previous;
  LogCapture() : previous(SetStoreLogHook([this](const std::string& l) { lines.push_back(l); })) {}
  ~LogCapture() { SetStoreLogHook(previous); }
  bool Has(const std::string& part) const {
    return std::any_of(lines.begin(), lines.end(),
                       [&](const std::string& l) { return l.find(part) != std::string::npos; });
  }
};

// --- The faults as they were found ------------------------------------------------

// Another process adds a note while we have the file open; we then add a
// topic. Nothing of the other note is lost, and our topic, whose id the
// other process had already used, gets an id of its own.
// Rules M2, M6, M7, M13.
TEST(StoreMerge, AnotherWritersNoteSurvivesOurTopic) {
  Shared f;
  auto ours = f.Open();
  auto theirs = f.Open();
  const uint32_t their_note = AddNote(*theirs, f.two, "written by the conduit");
  ASSERT_EQ(theirs->Save(), DB_OK);

  LogCapture log;
  // Whoever holds the old id hears of the new one, once the merged records
  // are the store: the record is found under the new id already.
  std::vector<StoreRenumberEvent> told;
  std::string title_under_new_id;
  const StoreRenumberHook previous = SetStoreRenumberHook([&](const StoreRenumberEvent& e) {
    told.push_back(e);
    if (!e.changes.empty())
      if (const CTopicRecord* t = Find<CTopicRecord>(*ours, e.changes[0].to)) title_under_new_id = t->title.bytes();
  });
  const uint64_t generation = ours->generation();
  const uint32_t topic = AddTopic(*ours, "Holidays");
  ASSERT_EQ(topic, their_note);  // the same number from the same counter
  ASSERT_EQ(ours->Save(), DB_OK);
  SetStoreRenumberHook(previous);

  // In memory: the other note is there, and our topic moved to a fresh id
  // that its links record follows.
  EXPECT_EQ(TextOf(*ours, their_note), "written by the conduit");
  EXPECT_NE(ours->generation(), generation);
  EXPECT_EQ(ours->lastMerge().newIds, 1u);
  EXPECT_EQ(ours->lastMerge().fromOther, 2u);  // the note and the links record it joined
  CRecord* r = nullptr;
  uint32_t fresh = 0;
  for (DbResult rc = ours->FirstOfKind(kKindTopic, &r, true); rc == DB_OK;
       rc = ours->NextOfKind(kKindTopic, &r, true))
    if (RecordAs<CTopicRecord>(r)->title == "Holidays"_cp) fresh = r->recordId;
  ASSERT_NE(fresh, 0u);
  EXPECT_NE(fresh, their_note);
  ASSERT_NE(LinksOf(*ours, fresh), nullptr);
  EXPECT_EQ(LinksOf(*ours, fresh)->topicId, fresh);
  EXPECT_GE(Settings(*ours)->lastRecordId, fresh);
  EXPECT_TRUE(log.Has("Merged " + f.path() + " with another program's changes"));
  // Only the topic collided (its links record's id was free): one change.
  ASSERT_EQ(ours->lastMerge().renumbered.size(), 1u);
  EXPECT_EQ(ours->lastMerge().renumbered[0].from, topic);
  EXPECT_EQ(ours->lastMerge().renumbered[0].to, fresh);
  ASSERT_EQ(told.size(), 1u);
  EXPECT_EQ(told[0].store, ours.get());
  EXPECT_EQ(told[0].path, f.path());
  ASSERT_EQ(told[0].changes.size(), 1u);
  EXPECT_EQ(told[0].changes[0].from, topic);
  EXPECT_EQ(told[0].changes[0].to, fresh);
  EXPECT_EQ(title_under_new_id, "Holidays");
  EXPECT_EQ(RenumberedId(told[0].changes, topic), fresh);
  EXPECT_EQ(RenumberedId(told[0].changes, f.one), f.one);
  EXPECT_EQ(RenumberedId(told[0].changes, 0), 0u);
  EXPECT_TRUE(log.Has("Record " + std::to_string(topic) + " added here now has id " + std::to_string(fresh)));

  // On disk: the same.
  auto check = f.Open();
  EXPECT_EQ(TextOf(*check, their_note), "written by the conduit");
  ASSERT_NE(Find<CTopicRecord>(*check, fresh), nullptr);
  EXPECT_EQ(Find<CTopicRecord>(*check, fresh)->title, "Holidays"_cp);
  EXPECT_TRUE(LinksOf(*check, f.two)->HasMember(their_note));
  EXPECT_EQ(Settings(*check)->lastRecordId, Settings(*ours)->lastRecordId);
}

// The disk added and changed records; we added records: both sides' work is
// in the file, the file's records first in the file's order, ours after,
// and every record object we held is the same object afterwards.
// Rules M2, M3, M5, M6, M10, M11.
TEST(StoreMerge, DiskAndDesktopAdditionsAndChangesAllArrive) {
  Shared f;
  auto ours = f.Open();
  auto theirs = f.Open();
  CNoteRecord* our_a = Find<CNoteRecord>(*ours, f.a);
  CTopicRecord* our_one = Find<CTopicRecord>(*ours, f.one);
  Find<CNoteRecord>(*theirs, f.a)->text = "a, edited on the handheld"_cp;
  Find<CNoteRecord>(*theirs, f.a)->flags |= kFlagModified;
  // The other writer's ids start well above ours, as a conduit's may.
  Settings(*theirs)->lastRecordId = 100;
  const uint32_t t1 = AddNote(*theirs, f.one, "handheld 1");
  const uint32_t t2 = AddNote(*theirs, f.two, "handheld 2");
  ASSERT_EQ(theirs->Save(), DB_OK);

  const uint32_t d1 = AddNote(*ours, f.two, "desktop 1");
  const uint32_t d2 = AddNote(*ours, f.two, "desktop 2");
  ASSERT_EQ(ours->Save(), DB_OK);
  EXPECT_EQ(ours->lastMerge().newIds, 0u);
  EXPECT_TRUE(ours->lastMerge().renumbered.empty());
  EXPECT_EQ(ours->lastMerge().changedByBoth, 1u);  // the links record of Two

  EXPECT_EQ(Find<CNoteRecord>(*ours, f.a), our_a);
  EXPECT_EQ(Find<CTopicRecord>(*ours, f.one), our_one);
  EXPECT_EQ(our_a->text, "a, edited on the handheld"_cp);
  auto check = f.Open();
  EXPECT_EQ(TextOf(*check, f.a), "a, edited on the handheld");
  EXPECT_EQ(TextOf(*check, t1), "handheld 1");
  EXPECT_EQ(TextOf(*check, t2), "handheld 2");
  EXPECT_EQ(TextOf(*check, d1), "desktop 1");
  EXPECT_EQ(TextOf(*check, d2), "desktop 2");
  EXPECT_EQ(LinksOf(*check, f.one)->memberIds, (std::vector<uint32_t>{f.a, f.b, t1}));
  EXPECT_EQ(LinksOf(*check, f.two)->memberIds, (std::vector<uint32_t>{f.c, t2, d1, d2}));
  EXPECT_EQ(Settings(*check)->lastRecordId, 102u);
  // The file's entries: its own in its order, then the two added here.
  std::vector<uint32_t> order;
  for (uint32_t i = 0; i < check->highWater(); ++i) order.push_back(check->RecordAt(i)->recordId);
  EXPECT_EQ(order, (std::vector<uint32_t>{0, f.one, f.one + 1, f.two, f.two + 1, f.a, f.b, f.c, t1, t2, d1, d2}));
}

// Both sides added a note under the same id, into different topics: the
// other writer's keeps its id; ours gets a fresh one, in its topic too.
// Rules M7, M9 (One's links, changed only here, follow the fresh id), M6.
TEST(StoreMerge, CollidingIdsOfBothSidesAdditions) {
  Shared f;
  auto ours = f.Open();
  auto theirs = f.Open();
  const uint32_t theirs_id = AddNote(*theirs, f.two, "theirs");
  ASSERT_EQ(theirs->Save(), DB_OK);
  const uint32_t ours_id = AddNote(*ours, f.one, "ours");
  ASSERT_EQ(ours_id, theirs_id);
  ASSERT_EQ(ours->Save(), DB_OK);

  auto check = f.Open();
  EXPECT_EQ(TextOf(*check, theirs_id), "theirs");
  EXPECT_TRUE(LinksOf(*check, f.two)->HasMember(theirs_id));
  EXPECT_FALSE(LinksOf(*check, f.one)->HasMember(theirs_id));
  const std::vector<uint32_t>& one = LinksOf(*check, f.one)->memberIds;
  ASSERT_EQ(one.size(), 3u);
  const uint32_t fresh = one.back();
  EXPECT_NE(fresh, theirs_id);
  EXPECT_EQ(TextOf(*check, fresh), "ours");
  EXPECT_GE(Settings(*check)->lastRecordId, fresh);
  // Issuing goes on above both.
  EXPECT_GT(NextId(*ours), std::max(fresh, theirs_id));
}

// We moved note b from One to Two while the other writer added a note to
// each: b is only in Two, after Two's members on disk; One keeps the other
// writer's addition. Rule M5.
TEST(StoreMerge, MovedMemberWhileTheOtherWriterAddedToBothTopics) {
  Shared f;
  auto ours = f.Open();
  auto theirs = f.Open();
  const uint32_t x = AddNote(*theirs, f.one, "x");
  const uint32_t y = AddNote(*theirs, f.two, "y");
  ASSERT_EQ(theirs->Save(), DB_OK);

  CTopicLinksRecord* one = LinksOf(*ours, f.one);
  CTopicLinksRecord* two = LinksOf(*ours, f.two);
  one->RemoveMember(f.b);
  one->flags |= kFlagModified;
  two->memberIds.push_back(f.b);
  two->flags |= kFlagModified;
  LogCapture log;
  ASSERT_EQ(ours->Save(), DB_OK);

  EXPECT_EQ(LinksOf(*ours, f.one)->memberIds, (std::vector<uint32_t>{f.a, x}));
  EXPECT_EQ(LinksOf(*ours, f.two)->memberIds, (std::vector<uint32_t>{f.c, y, f.b}));
  auto check = f.Open();
  EXPECT_EQ(LinksOf(*check, f.one)->memberIds, (std::vector<uint32_t>{f.a, x}));
  EXPECT_EQ(LinksOf(*check, f.two)->memberIds, (std::vector<uint32_t>{f.c, y, f.b}));
  EXPECT_TRUE(log.Has("Record " + std::to_string(f.one + 1) + " (topic links)"));
}

// A second merge compares against what the first one (a reload, so nothing
// was written in between) left: a member removed here after the first merge
// stays removed, though the other writer changed the same topic again, and
// what it added stays. Rules M12, M5, M9.
TEST(StoreMerge, SecondMergeWorksFromWhatTheFirstLeft) {
  Shared f;
  auto ours = f.Open();
  {
    auto theirs = f.Open();
    AddNote(*theirs, f.one, "x");
    ASSERT_EQ(theirs->Save(), DB_OK);
  }
  Find<CNoteRecord>(*ours, f.a)->text = "a here"_cp;
  ASSERT_EQ(ours->Reload(), DB_OK);  // first merge: Two's links were unchanged
  uint32_t y = 0;
  {
    auto theirs = f.Open();
    Settings(*theirs)->lastRecordId = 50;
    y = AddNote(*theirs, f.two, "y");
    ASSERT_EQ(theirs->Save(), DB_OK);
  }
  CTopicLinksRecord* two = LinksOf(*ours, f.two);
  two->RemoveMember(f.c);
  two->flags |= kFlagModified;
  ASSERT_EQ(ours->Save(), DB_OK);  // second merge: Two changed on both sides
  EXPECT_EQ(LinksOf(*ours, f.two)->memberIds, (std::vector<uint32_t>{y}));
  EXPECT_EQ(LinksOf(*f.Open(), f.two)->memberIds, (std::vector<uint32_t>{y}));
  EXPECT_EQ(TextOf(*f.Open(), f.a), "a here");
}

// Both changed note a: ours wins, and the log names the record. Rules M4, M3.
TEST(StoreMerge, BothChangedOneRecordThisProcessWins) {
  Shared f;
  auto ours = f.Open();
  auto theirs = f.Open();
  Find<CNoteRecord>(*theirs, f.a)->text = "theirs"_cp;
  Find<CNoteRecord>(*theirs, f.b)->text = "b theirs"_cp;
  ASSERT_EQ(theirs->Save(), DB_OK);
  Find<CNoteRecord>(*ours, f.a)->text = "ours"_cp;
  LogCapture log;
  ASSERT_EQ(ours->Save(), DB_OK);
  EXPECT_EQ(ours->lastMerge().changedByBoth, 1u);
  EXPECT_TRUE(log.Has("Record " + std::to_string(f.a) + " (note) was changed here and by another program"));
  auto check = f.Open();
  EXPECT_EQ(TextOf(*check, f.a), "ours");
  EXPECT_EQ(TextOf(*check, f.b), "b theirs");
}

// A file rewritten without some records (the conduit purges what was
// deleted and synchronised): those we did not touch are gone here too,
// those we changed stay. Rules M8, M11.
TEST(StoreMerge, RecordsTheOtherWriterRemovedAreDroppedUnlessChangedHere) {
  Shared f;
  auto ours = f.Open();
  {
    auto full = f.Open();
    CRecordStore purged("quillet.dat", f.dir.path());
    for (uint32_t i = 0; i < full->highWater(); ++i) {
      CRecord* r = full->RecordAt(i);
      if (r->recordId == f.b || r->recordId == f.c) continue;
      auto copy = CreateRecord(r->kind);
      copy->Assign(*r);
      purged.Insert(std::move(copy));
    }
    ASSERT_EQ(purged.SaveTo(f.path()), DB_OK);
  }
  CNoteRecord* b = Find<CNoteRecord>(*ours, f.b);
  Find<CNoteRecord>(*ours, f.c)->text = "c, still wanted"_cp;
  ASSERT_EQ(ours->Save(), DB_OK);
  EXPECT_EQ(ours->lastMerge().removed, 1u);
  EXPECT_EQ(Find<CNoteRecord>(*ours, f.b), nullptr);
  EXPECT_EQ(b->recordId, f.b);  // the object itself stays valid until the next merge
  auto check = f.Open();
  EXPECT_EQ(TextOf(*check, f.b), "<none>");
  EXPECT_EQ(TextOf(*check, f.c), "c, still wanted");
}

// What a load notes of each record (to tell at a merge what changed here)
// must stand for the record exactly, wherever its bytes fell in the reads:
// across the read buffer's edges, in texts read past the buffer, beside
// pictures read straight into their place. Another writer changes every
// record; our save of one unrelated change must take all of theirs.
TEST(StoreMerge, EveryRecordLoadedCountsAsUnchangedWhereverItsBytesFell) {
  Shared f;
  std::vector<uint32_t> notes, pictures;
  {
    auto s = f.Open();
    for (int i = 0; i < 1500; ++i) {
      // 1 to 400 bytes, now and then 9 to 40 KB (past the buffer).
      const size_t length = i % 97 == 5 ? 9000 + static_cast<size_t>(i) * 20 : 1 + (static_cast<size_t>(i) * 37) % 400;
      notes.push_back(AddNote(*s, f.one, std::string(length, static_cast<char>('a' + i % 26))));
      if (i % 150 == 7) {
        auto p = std::make_unique<CImageRecord>();
        p->recordId = NextId(*s);
        p->title = CpText("picture " + std::to_string(i));
        p->data = std::vector<uint8_t>(3000 + static_cast<size_t>(i) * 13, static_cast<uint8_t>(i));
        pictures.push_back(p->recordId);
        s->AddNew(std::move(p));
      }
    }
    ASSERT_EQ(s->Save(), DB_OK);
  }
  ASSERT_GT(ReadAll(f.path()).size(), 5u * 64 * 1024);
  auto ours = f.Open();
  {
    auto theirs = f.Open();
    for (uint32_t id : notes) {
      CNoteRecord* n = Find<CNoteRecord>(*theirs, id);
      n->text = CpText(n->text.bytes() + "!");
      n->flags |= kFlagModified;
    }
    for (uint32_t id : pictures) {
      CImageRecord* p = Find<CImageRecord>(*theirs, id);
      p->title = CpText(p->title.bytes() + " (theirs)");
      p->flags |= kFlagModified;
    }
    ASSERT_EQ(theirs->Save(), DB_OK);
  }
  Find<CNoteRecord>(*ours, f.a)->text = "ours"_cp;
  ASSERT_EQ(ours->Save(), DB_OK);
  auto check = f.Open();
  EXPECT_EQ(TextOf(*check, f.a), "ours");
  size_t taken = 0;
  for (uint32_t id : notes) {
    const std::string text = TextOf(*check, id);
    if (!text.empty() && text.back() == '!') ++taken;
  }
  EXPECT_EQ(taken, notes.size());
  for (uint32_t id : pictures) {
    const CImageRecord* p = Find<CImageRecord>(*check, id);
    ASSERT_NE(p, nullptr);
    EXPECT_NE(p->title.bytes().find("(theirs)"), std::string::npos) << id;
  }
  // After the merge, the records of each kind are found by kind as they
  // are by position.
  for (uint32_t kind : {kKindSettings, kKindTopic, kKindTopicLinks, kKindNote, kKindImage}) {
    std::vector<const CRecord*> by_position, by_kind;
    for (uint32_t pos = 0; pos < ours->highWater(); ++pos)
      if (const CRecord* r = ours->RecordAt(pos); r && r->kind == kind) by_position.push_back(r);
    ours->ForEachOfKind(kind, [&](CRecord& r) { by_kind.push_back(&r); });
    EXPECT_EQ(by_kind, by_position) << kind;
    EXPECT_FALSE(by_kind.empty()) << kind;
  }
}

// A save that finds the file as it left it merges nothing; one that never
// loaded the file takes what is there and adds its records to it, its own
// settings record giving way to the file's (rule M6).
TEST(StoreMerge, UnchangedFileIsSimplyReplacedAndANewStoreJoinsAnExistingFile) {
  Shared f;
  auto ours = f.Open();
  const FileStamp before = StampOfPath(f.path());
  Find<CNoteRecord>(*ours, f.a)->text = "edited"_cp;
  const uint64_t generation = ours->generation();
  ASSERT_EQ(ours->Save(), DB_OK);
  EXPECT_EQ(ours->generation(), generation);
  EXPECT_NE(StampOfPath(f.path()), before);
  EXPECT_FALSE(ours->ChangedOnDisk());

  // EnsureStoreFile racing the conduit: a fresh store with only its
  // settings record, saved over a file that appeared meanwhile.
  CRecordStore fresh("quillet.dat", f.dir.path());
  auto settings = std::make_unique<CSettingsRecord>();
  settings->lastRecordId = 1;
  fresh.AddNew(std::move(settings));
  ASSERT_EQ(fresh.Save(), DB_OK);
  auto check = f.Open();
  EXPECT_EQ(check->CountLive(kKindSettings), 1u);
  EXPECT_EQ(Settings(*check)->lastRecordId, f.c);
  EXPECT_EQ(TextOf(*check, f.a), "edited");
}

// Reload brings the other writer's records in without writing, and keeps
// what was changed here but not saved (after a failed save) for the next
// save. Rules M2, M9.
TEST(StoreMerge, ReloadBringsChangesInAndKeepsUnsavedOnes) {
  Shared f;
  auto ours = f.Open();
  auto theirs = f.Open();
  bool changed = true;
  ASSERT_EQ(ours->Reload(&changed), DB_OK);
  EXPECT_FALSE(changed);
  const uint32_t t = AddNote(*theirs, f.two, "theirs");
  ASSERT_EQ(theirs->Save(), DB_OK);
  EXPECT_TRUE(ours->ChangedOnDisk());
  Find<CNoteRecord>(*ours, f.a)->text = "unsaved"_cp;
  const FileStamp on_disk = StampOfPath(f.path());
  ASSERT_EQ(ours->Reload(&changed), DB_OK);
  EXPECT_TRUE(changed);
  EXPECT_FALSE(ours->ChangedOnDisk());
  EXPECT_EQ(StampOfPath(f.path()), on_disk);  // nothing written
  EXPECT_EQ(TextOf(*ours, t), "theirs");
  EXPECT_EQ(TextOf(*ours, f.a), "unsaved");
  ASSERT_EQ(ours->Save(), DB_OK);
  auto check = f.Open();
  EXPECT_EQ(TextOf(*check, f.a), "unsaved");
  EXPECT_EQ(TextOf(*check, t), "theirs");
}

// A reload that cannot read the file leaves the store as it was.
TEST(StoreMerge, FailedReloadChangesNothing) {
  Shared f;
  ScopedSettleDelay quick(std::chrono::milliseconds(1));
  auto ours = f.Open();
  const uint32_t live = ours->liveCount();
  WriteAll(f.path(), ByteBuilder().Header(3).U32(77).bytes());
  bool changed = true;
  EXPECT_EQ(ours->Reload(&changed), DB_ERR_READ);
  EXPECT_FALSE(changed);
  EXPECT_EQ(ours->liveCount(), live);
  EXPECT_EQ(TextOf(*ours, f.a), "a");
  EXPECT_NE(ours->FailureReason(DB_ERR_READ).find("quillet.dat is damaged"), std::string::npos);

  ::unlink(f.path().c_str());
  EXPECT_EQ(ours->Reload(&changed), DB_ERR_OPEN);
  EXPECT_EQ(ours->FailureReason(DB_ERR_OPEN), "quillet.dat does not exist.");
  EXPECT_EQ(ours->liveCount(), live);
  // Saving brings the file back from memory.
  ASSERT_EQ(ours->Save(), DB_OK);
  EXPECT_EQ(TextOf(*f.Open(), f.a), "a");
}

// Another writer left a file that cannot be read: our save refuses to write
// over it or move it (after the backup hook saw it), says why, and keeps
// our records in memory for a save once the file is sound again.
TEST(StoreMerge, DamagedFileFoundBySaveIsLeftInPlaceAndTheSaveRefused) {
  Shared f;
  ScopedSettleDelay quick(std::chrono::milliseconds(1));
  auto ours = f.Open();
  const Bytes junk = ByteBuilder().Header(2).U32(99).Raw("junk").bytes();
  WriteAll(f.path(), junk);
  std::vector<StoreBackupReason> reasons;
  std::vector<Bytes> seen;
  StoreBackupHook previous = SetStoreBackupHook([&](const StoreBackupEvent& e) {
    reasons.push_back(e.reason);
    Bytes b(64);
    const ssize_t n = ::pread(e.fd, b.data(), b.size(), 0);
    b.resize(n > 0 ? static_cast<size_t>(n) : 0);
    seen.push_back(b);
  });
  Find<CNoteRecord>(*ours, f.a)->text = "kept safe"_cp;
  EXPECT_EQ(ours->Save(), DB_ERR_READ);
  SetStoreBackupHook(previous);
  EXPECT_EQ(reasons, (std::vector<StoreBackupReason>{StoreBackupReason::kMergingSave}));
  EXPECT_EQ(seen[0], junk);
  EXPECT_TRUE(ours->saveRefusedDamagedFile());
  EXPECT_FALSE(ours->failedWhileBeingWritten());
  EXPECT_EQ(ours->FailureReason(DB_ERR_READ),
            "quillet.dat on the disk is damaged (result 4376), so it was not written over; "
            "your changes are kept until it can be saved.");
  EXPECT_EQ(f.dir.Entries(), std::vector<std::string>{"quillet.dat"});
  EXPECT_EQ(ReadAll(f.path()), junk);
  EXPECT_EQ(TextOf(*ours, f.a), "kept safe");
  // Once the file is gone (set aside by whoever opens the store), the
  // records in memory are saved.
  ::unlink(f.path().c_str());
  ASSERT_EQ(ours->Save(), DB_OK);
  EXPECT_FALSE(ours->saveRefusedDamagedFile());
  EXPECT_EQ(TextOf(*f.Open(), f.a), "kept safe");
}

// The hook is called before a merging save, with the other writer's file
// still in place, and not before a plain save.
TEST(StoreMerge, BackupHookSeesTheOtherWritersFileBeforeTheMerge) {
  Shared f;
  auto ours = f.Open();
  int calls = 0;
  Bytes seen;
  StoreBackupHook previous = SetStoreBackupHook([&](const StoreBackupEvent& e) {
    ++calls;
    EXPECT_EQ(e.path, f.path());
    EXPECT_EQ(e.reason, StoreBackupReason::kMergingSave);
    struct stat st;
    ASSERT_EQ(::fstat(e.fd, &st), 0);
    seen.resize(static_cast<size_t>(st.st_size));
    EXPECT_EQ(::pread(e.fd, seen.data(), seen.size(), 0), st.st_size);
  });
  ASSERT_EQ(ours->Save(), DB_OK);
  EXPECT_EQ(calls, 0);
  auto theirs = f.Open();
  AddNote(*theirs, f.one, "theirs");
  ASSERT_EQ(theirs->Save(), DB_OK);
  const Bytes theirs_bytes = ReadAll(f.path());
  AddNote(*ours, f.one, "ours");
  ASSERT_EQ(ours->Save(), DB_OK);
  SetStoreBackupHook(previous);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(seen, theirs_bytes);
}

// In memory, without files: what a save writes, a load reads back. Rule M7.
TEST(StoreMerge, MemoryLoadSaveAndMergeMatchTheFiles) {
  Shared f;
  auto ours = f.Open();
  std::vector<uint8_t> bytes;
  ASSERT_EQ(ours->SaveToMemory(&bytes), DB_OK);
  EXPECT_EQ(bytes, ReadAll(f.path()));
  auto theirs = f.Open();
  const uint32_t t = AddNote(*theirs, f.two, "theirs");
  std::vector<uint8_t> their_bytes;
  ASSERT_EQ(theirs->SaveToMemory(&their_bytes), DB_OK);
  CRecordStore loaded("", "");
  ASSERT_EQ(loaded.LoadFromMemory(their_bytes.data(), their_bytes.size()), DB_OK);
  AddNote(*ours, f.one, "ours");
  MergeCounts counts = ours->MergeFrom(loaded);
  EXPECT_EQ(counts.newIds, 1u);
  EXPECT_EQ(TextOf(*ours, t), "theirs");
  EXPECT_EQ(loaded.liveCount(), 0u);
}

// A file with repeated ids (left so by a damaged sync): records sharing a
// kind and an id are paired in the order they come, and a record of
// another kind under the same id is not paired with them. Rule M1.
TEST(StoreMerge, RepeatedIdsArePairedInTheOrderTheyComeAndOnlyWithinAKind) {
  CRecordStore base("quillet.dat", "");
  auto settings = std::make_unique<CSettingsRecord>();
  settings->lastRecordId = 10;
  ASSERT_EQ(base.Insert(std::move(settings)), DB_OK);
  for (const char* text : {"first", "second"}) {
    auto n = std::make_unique<CNoteRecord>();
    n->recordId = 5;
    n->text = CpText(text);
    ASSERT_EQ(base.Insert(std::move(n)), DB_OK);
  }
  std::vector<uint8_t> base_bytes;
  ASSERT_EQ(base.SaveToMemory(&base_bytes), DB_OK);
  CRecordStore ours("quillet.dat", "");
  ASSERT_EQ(ours.LoadFromMemory(base_bytes.data(), base_bytes.size()), DB_OK);
  CRecordStore theirs("quillet.dat", "");
  ASSERT_EQ(theirs.LoadFromMemory(base_bytes.data(), base_bytes.size()), DB_OK);

  RecordAs<CNoteRecord>(ours.RecordAt(1))->text = "first, ours"_cp;
  RecordAs<CNoteRecord>(theirs.RecordAt(2))->text = "second, theirs"_cp;
  auto category = std::make_unique<CCategoryRecord>();
  category->recordId = 5;
  category->name = "five"_cp;
  ASSERT_EQ(theirs.Insert(std::move(category)), DB_OK);
  std::vector<uint8_t> their_bytes;
  ASSERT_EQ(theirs.SaveToMemory(&their_bytes), DB_OK);
  CRecordStore loaded("", "");
  ASSERT_EQ(loaded.LoadFromMemory(their_bytes.data(), their_bytes.size()), DB_OK);

  const MergeCounts counts = ours.MergeFrom(loaded);
  EXPECT_EQ(counts.fromOther, 2u);  // the second note and the category
  EXPECT_EQ(counts.changedByBoth, 0u);
  EXPECT_EQ(counts.removed, 0u);
  EXPECT_EQ(counts.newIds, 0u);
  ASSERT_EQ(ours.highWater(), 4u);
  EXPECT_EQ(RecordAs<CNoteRecord>(ours.RecordAt(1))->text, "first, ours"_cp);
  EXPECT_EQ(RecordAs<CNoteRecord>(ours.RecordAt(2))->text, "second, theirs"_cp);
  ASSERT_NE(RecordAs<CCategoryRecord>(ours.RecordAt(3)), nullptr);
  EXPECT_EQ(RecordAs<CCategoryRecord>(ours.RecordAt(3))->name, "five"_cp);
}

TEST(StoreDigestTest, SameWhateverThePiecesAndDifferentForOtherBytes) {
  std::string text(1000, 'x');
  for (size_t i = 0; i < text.size(); ++i) text[i] = static_cast<char>(i * 31 + 7);
  StoreDigest whole;
  whole.Update(text.data(), text.size());
  for (size_t step : {1u, 3u, 7u, 8u, 9u, 64u, 999u}) {
    StoreDigest pieces;
    for (size_t at = 0; at < text.size(); at += step)
      pieces.Update(text.data() + at, std::min(step, text.size() - at));
    EXPECT_EQ(pieces.Final(), whole.Final()) << step;
  }
  std::string other = text;
  other[500] ^= 1;
  StoreDigest changed;
  changed.Update(other.data(), other.size());
  EXPECT_NE(changed.Final(), whole.Final());
  StoreDigest shorter;
  shorter.Update(text.data(), text.size() - 1);
  EXPECT_NE(shorter.Final(), whole.Final());
  // Every byte counts, in the four lanes of whole stripes and in the tail,
  // and so does the length of runs of zeros.
  for (size_t length : {1u, 7u, 8u, 31u, 32u, 33u, 63u, 64u, 100u}) {
    const std::string base = text.substr(0, length);
    StoreDigest reference;
    reference.Update(base.data(), base.size());
    for (size_t at = 0; at < length; ++at) {
      std::string flipped = base;
      flipped[at] ^= 0x40;
      StoreDigest d;
      d.Update(flipped.data(), flipped.size());
      EXPECT_NE(d.Final(), reference.Final()) << length << " at " << at;
    }
    StoreDigest zeros, more_zeros;
    const std::string z(length, '\0');
    zeros.Update(z.data(), z.size());
    more_zeros.Update((z + '\0').data(), z.size() + 1);
    EXPECT_NE(zeros.Final(), more_zeros.Final()) << length;
  }
  // A record's position is not part of its digest; its contents are.
  CNoteRecord n1, n2;
  n1.text = n2.text = "same"_cp;
  n1.slotIndex = 1;
  n2.slotIndex = 9;
  EXPECT_EQ(RecordDigest(n1), RecordDigest(n2));
  n2.flags = kFlagDeleted;
  EXPECT_NE(RecordDigest(n1), RecordDigest(n2));
}

// --- Files being written -------------------------------------------------------------

// A writer that takes no lock rewrites the file in place, slowly. A load
// (and a reload) started in the middle of it ends up with the finished file,
// and nothing is called damaged.
TEST(StoreBeingWritten, LoadAndReloadDuringASlowInPlaceWriterGetTheFinishedFile) {
  for (bool reload : {false, true}) {
    SCOPED_TRACE(reload ? "reload" : "load");
    Shared f;
    auto ours = f.Open();
    // The finished file: the shared store and 300 more notes.
    Bytes finished;
    {
      auto bigger = f.Open();
      for (int i = 0; i < 300; ++i) AddNote(*bigger, f.two, "note " + std::to_string(i) + std::string(200, '.'));
      ASSERT_EQ(bigger->SaveToMemory(&finished), DB_OK);
    }
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      int fd = ::open(f.path().c_str(), O_WRONLY | O_TRUNC);
      if (fd < 0) ::_exit(1);
      char c = 'y';
      (void)!::write(ready[1], &c, 1);
      const size_t piece = finished.size() / 12 + 1;
      for (size_t at = 0; at < finished.size(); at += piece) {
        (void)!::write(fd, finished.data() + at, std::min(piece, finished.size() - at));
        ::usleep(60 * 1000);
      }
      ::close(fd);
      ::_exit(0);
    }
    char c = 0;
    ASSERT_EQ(::read(ready[0], &c, 1), 1);
    ::usleep(100 * 1000);  // well into the writing
    if (reload) {
      bool changed = false;
      EXPECT_EQ(ours->Reload(&changed), DB_OK);
      EXPECT_TRUE(changed);
    } else {
      EXPECT_EQ(ours->Load(), DB_OK);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ::close(ready[0]);
    ::close(ready[1]);
    EXPECT_EQ(ours->CountLive(kKindNote), 303u);
    EXPECT_EQ(f.dir.Entries(), std::vector<std::string>{"quillet.dat"});
  }
}

// A program that takes no lock rewrites `path` in place: it cuts the file to
// nothing, then writes `bytes` in `pieces` pieces, pausing `pause_ms`
// between them. Returns once the first piece is in the file.
pid_t RewriteWithoutLock(const std::string& path, const Bytes& bytes, int pieces, int pause_ms) {
  int ready[2];
  EXPECT_EQ(::pipe(ready), 0);
  const pid_t child = ::fork();
  if (child == 0) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC);
    if (fd < 0) ::_exit(1);
    const size_t piece = bytes.size() / static_cast<size_t>(pieces) + 1;
    for (size_t at = 0; at < bytes.size(); at += piece) {
      (void)!::write(fd, bytes.data() + at, std::min(piece, bytes.size() - at));
      if (at == 0) (void)!::write(ready[1], "y", 1);
      if (at + piece < bytes.size()) ::usleep(static_cast<useconds_t>(pause_ms) * 1000);
    }
    ::close(fd);
    ::_exit(0);
  }
  char c = 0;
  EXPECT_EQ(::read(ready[0], &c, 1), 1);
  ::close(ready[0]);
  ::close(ready[1]);
  return child;
}

// The writer stops half-way for a second and a half, longer than a file
// takes to look settled to a quick judge: a save (and a reload) waits for
// it to finish and merges with the finished file. Nothing is set aside, and
// the writer's record is in the file, not in a copy nobody reads.
TEST(StoreBeingWritten, SaveAndReloadWaitForAWriterThatPausesHalfWay) {
  for (bool reload : {false, true}) {
    SCOPED_TRACE(reload ? "reload" : "save");
    Shared f;
    auto ours = f.Open();
    Bytes finished;
    uint32_t theirs_id = 0;
    {
      auto theirs = f.Open();
      theirs_id = AddNote(*theirs, f.two, "written without the lock");
      ASSERT_EQ(theirs->SaveToMemory(&finished), DB_OK);
    }
    Find<CNoteRecord>(*ours, f.a)->text = "ours"_cp;
    const pid_t child = RewriteWithoutLock(f.path(), finished, 2, 1500);
    if (reload) {
      bool changed = false;
      EXPECT_EQ(ours->Reload(&changed), DB_OK);
      EXPECT_TRUE(changed);
      EXPECT_EQ(TextOf(*ours, theirs_id), "written without the lock");
    } else {
      EXPECT_EQ(ours->Save(), DB_OK);
    }
    ::waitpid(child, nullptr, 0);
    EXPECT_FALSE(ours->failedWhileBeingWritten());
    EXPECT_EQ(f.dir.Entries(), std::vector<std::string>{"quillet.dat"});
    if (!reload) {
      auto check = f.Open();
      EXPECT_EQ(TextOf(*check, theirs_id), "written without the lock");
      EXPECT_EQ(TextOf(*check, f.a), "ours");
    }
  }
}

// A writer still at work when the lock wait ends: the save is refused with
// a reason that says so (not "damaged"), the file is neither written over
// nor moved, and the writer's file is whole once it is done; the next save
// merges with it.
TEST(StoreBeingWritten, WriterStillAtWorkWhenTheWaitEndsRefusesTheSave) {
  ScopedLockWait wait(std::chrono::milliseconds(700));
  Shared f;
  auto ours = f.Open();
  Bytes finished;
  uint32_t theirs_id = 0;
  {
    auto theirs = f.Open();
    for (int i = 0; i < 40; ++i) theirs_id = AddNote(*theirs, f.two, "slow " + std::string(100, 'x'));
    ASSERT_EQ(theirs->SaveToMemory(&finished), DB_OK);
  }
  Find<CNoteRecord>(*ours, f.a)->text = "ours"_cp;
  const pid_t child = RewriteWithoutLock(f.path(), finished, 20, 120);
  const DbResult rc = ours->Save();
  EXPECT_NE(rc, DB_OK);
  EXPECT_NE(rc, DB_ERR_OPEN);
  EXPECT_TRUE(ours->failedWhileBeingWritten());
  EXPECT_FALSE(ours->saveRefusedDamagedFile());
  EXPECT_NE(ours->FailureReason(rc).find("quillet.dat is being written by another program"), std::string::npos)
      << ours->FailureReason(rc);
  EXPECT_EQ(ours->FailureReason(rc).find("damaged"), std::string::npos);
  int status = 0;
  ::waitpid(child, &status, 0);
  EXPECT_EQ(f.dir.Entries(), std::vector<std::string>{"quillet.dat"});
  EXPECT_EQ(ReadAll(f.path()), finished);
  ASSERT_EQ(ours->Save(), DB_OK);
  auto check = f.Open();
  EXPECT_EQ(TextOf(*check, theirs_id), "slow " + std::string(100, 'x'));
  EXPECT_EQ(TextOf(*check, f.a), "ours");
}

// A damaged file that nobody writes to any more is judged damaged after
// reading it twice, not after waiting for the whole lock wait: with a wait
// of an hour, a load that waited would not come back.
TEST(StoreBeingWritten, QuietDamagedFileFailsQuickly) {
  ScopedLockWait wait(std::chrono::hours(1));
  ScratchDir dir;
  WriteAll(dir.File("quillet.dat"), ByteBuilder().Header(2).U32(4).Base(0, 5, 0, 0, 0, 0, 0).bytes());
  struct timespec old_times[2] = {{1000000000, 0}, {1000000000, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, dir.File("quillet.dat").c_str(), old_times, 0), 0);
  CRecordStore s("quillet.dat", dir.path());
  EXPECT_EQ(s.Load(), DB_ERR_EOF);
  EXPECT_FALSE(s.failedWhileBeingWritten());
  EXPECT_NE(s.FailureReason(DB_ERR_EOF).find("quillet.dat is damaged"), std::string::npos);
  EXPECT_EQ(s.liveCount(), 1u);
}

// --- Owners, modes, links ---------------------------------------------------------

TEST(StoreFilesKept, OwnerGroupAndModeSurviveASave) {
  if (::geteuid() != 0) GTEST_SKIP() << "changing a file's owner needs root";
  Shared f;
  ASSERT_EQ(::chown(f.path().c_str(), 4321, 4322), 0);
  ASSERT_EQ(::chmod(f.path().c_str(), 0640), 0);
  auto ours = f.Open();
  AddNote(*ours, f.one, "saved by root");
  ASSERT_EQ(ours->Save(), DB_OK);
  struct stat st;
  ASSERT_EQ(::stat(f.path().c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, 4321u);
  EXPECT_EQ(st.st_gid, 4322u);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
}

// An ordinary user saves a store of another account that it may write
// through the store's group, one it belongs to besides its own: the owner
// cannot be kept (the new file is the saver's), the group and the mode are.
// Setting up another account's file needs root, so the save is made by a
// child that has become nobody.
TEST(StoreFilesKept, OrdinaryUsersSaveKeepsGroupAndMode) {
  if (::geteuid() != 0) GTEST_SKIP() << "giving a file to another account needs root";
  const struct passwd* nobody = ::getpwnam("nobody");
  ASSERT_NE(nobody, nullptr);
  const uid_t uid = nobody->pw_uid;
  const gid_t gid = nobody->pw_gid;
  const gid_t shared_group = 4322;
  ASSERT_NE(shared_group, gid);
  Shared f;
  ASSERT_EQ(::chown(f.dir.path().c_str(), uid, gid), 0);
  ASSERT_EQ(::chown(f.path().c_str(), 0, shared_group), 0);
  ASSERT_EQ(::chmod(f.path().c_str(), 0660), 0);
  uint32_t id = 0;
  {
    auto probe = f.Open();
    id = Settings(*probe)->lastRecordId + 1;
  }
  pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (::setgroups(1, &shared_group) != 0 || ::setgid(gid) != 0 || ::setuid(uid) != 0) ::_exit(10);
    CRecordStore s("quillet.dat", f.dir.path());
    if (s.Load() != DB_OK) ::_exit(11);
    if (AddNote(s, f.one, "saved by nobody") != id) ::_exit(12);
    ::_exit(s.Save() == DB_OK ? 0 : 13);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  ASSERT_EQ(WEXITSTATUS(status), 0);
  struct stat st;
  ASSERT_EQ(::stat(f.path().c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, uid);
  EXPECT_EQ(st.st_gid, shared_group);
  EXPECT_EQ(st.st_mode & 07777, 0660u);
  EXPECT_EQ(TextOf(*f.Open(), id), "saved by nobody");
}

// A store with a second name stays one file: the save writes over it in
// place, and no kept copy is left.
TEST(StoreFilesKept, HardLinkedStoreStaysOneFile) {
  Shared f;
  const std::string other = f.dir.File("other-name.dat");
  ASSERT_EQ(::link(f.path().c_str(), other.c_str()), 0);
  struct stat before;
  ASSERT_EQ(::stat(f.path().c_str(), &before), 0);
  auto ours = f.Open();
  const uint32_t id = AddNote(*ours, f.one, "through the first name");
  ASSERT_EQ(ours->Save(), DB_OK);
  struct stat a, b;
  ASSERT_EQ(::stat(f.path().c_str(), &a), 0);
  ASSERT_EQ(::stat(other.c_str(), &b), 0);
  EXPECT_EQ(a.st_ino, before.st_ino);
  EXPECT_EQ(a.st_ino, b.st_ino);
  EXPECT_EQ(a.st_nlink, 2u);
  CRecordStore via_other("other-name.dat", f.dir.path());
  ASSERT_EQ(via_other.Load(), DB_OK);
  EXPECT_EQ(TextOf(via_other, id), "through the first name");
  // Saved through the other name, shorter than before: cut to length.
  Find<CNoteRecord>(via_other, id)->text = "x"_cp;
  ASSERT_EQ(via_other.Save(), DB_OK);
  EXPECT_EQ(ReadAll(f.path()), ReadAll(other));
  EXPECT_EQ(TextOf(*f.Open(), id), "x");
  std::vector<std::string> names = f.dir.Entries();
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"other-name.dat", "quillet.dat"}));
}

TEST(StoreFilesKept, SymbolicLinkStaysALinkAndADanglingOneGetsItsFile) {
  Shared f;
  const std::string real_dir = f.dir.File("elsewhere");
  ASSERT_EQ(::mkdir(real_dir.c_str(), 0755), 0);
  ASSERT_EQ(::rename(f.path().c_str(), (real_dir + "/store.dat").c_str()), 0);
  ASSERT_EQ(::symlink("elsewhere/store.dat", f.path().c_str()), 0);
  auto ours = f.Open();
  const uint32_t id = AddNote(*ours, f.one, "through the link");
  ASSERT_EQ(ours->Save(), DB_OK);
  struct stat st;
  ASSERT_EQ(::lstat(f.path().c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  CRecordStore real("store.dat", real_dir);
  ASSERT_EQ(real.Load(), DB_OK);
  EXPECT_EQ(TextOf(real, id), "through the link");

  ::unlink((real_dir + "/store.dat").c_str());
  ASSERT_EQ(ours->Save(), DB_OK);
  ASSERT_EQ(::lstat(f.path().c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(ReadAll(real_dir + "/store.dat"), ReadAll(f.path()));
}

// --- Leftovers of interrupted saves ----------------------------------------------

// Children that die in the middle of a save leave their temporary files;
// the next save or load removes them, so they never pile up. A live
// writer's temporary file is left alone.
TEST(StoreLeftovers, InterruptedSavesAreCleanedUpOnOpenAndOnSave) {
  Shared f;
  auto interrupted_saves = [&](int count) {
    for (int i = 0; i < count; ++i) {
      pid_t child = ::fork();
      ASSERT_GE(child, 0);
      if (child == 0) {
        auto* file = new CStoreFile;  // never destroyed: the process just ends
        if (file->Rewrite(f.path()) != DB_OK) ::_exit(1);
        file->Write(std::string(5000, 'z').data(), 5000);
        file->WriteU32(0);
        ::kill(::getpid(), SIGKILL);
      }
      int status = 0;
      ::waitpid(child, &status, 0);
    }
  };
  auto temp_count = [&] {
    int n = 0;
    for (const std::string& name : f.dir.Entries()) n += name.rfind(".quillet.dat.tmp-", 0) == 0;
    return n;
  };
  for (int i = 0; i < 20; ++i) {
    interrupted_saves(1);
    ASSERT_EQ(temp_count(), 1) << i;  // each save removed the one before
  }
  LogCapture log;
  auto ours = f.Open();
  EXPECT_EQ(temp_count(), 0);
  EXPECT_TRUE(log.Has("Removed 1 leftover file(s) of interrupted saves of " + f.path()));
  interrupted_saves(1);
  ASSERT_EQ(temp_count(), 1);
  ASSERT_EQ(ours->Save(), DB_OK);
  EXPECT_EQ(temp_count(), 0);

  // One of this process's own saves in progress is no leftover.
  CStoreFile writing;
  ASSERT_EQ(writing.Rewrite(f.dir.File("quillet.dat")), DB_OK);
  ASSERT_EQ(temp_count(), 1);
  EXPECT_EQ(RemoveStoreLeftovers(f.path()), 0);
  EXPECT_EQ(temp_count(), 1);
  writing.Close();
  EXPECT_EQ(temp_count(), 0);
}

// --- In-place rewrites cut off ----------------------------------------------------

// A valid store of about `notes` KB, its notes all made of `letter`.
Bytes StoreBytes(uint32_t notes, char letter) {
  CRecordStore s("unused.dat", "");
  auto settings = std::make_unique<CSettingsRecord>();
  settings->lastRecordId = notes + 1;
  s.AddNew(std::move(settings));
  for (uint32_t i = 0; i < notes; ++i) {
    auto n = std::make_unique<CNoteRecord>();
    n->recordId = i + 2;
    n->text = CpText(std::string(1000, letter));
    s.AddNew(std::move(n));
  }
  Bytes out;
  EXPECT_EQ(s.SaveToMemory(&out), DB_OK);
  return out;
}

// Puts `bytes` into the file by writing over it, so it keeps its inode and
// its names.
void WriteOver(const std::string& path, const Bytes& bytes) {
  int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  ::close(fd);
}

// Replaces `path` with `bytes` as a save does (Rewrite, Write, Commit).
DbResult SaveBytes(const std::string& path, const Bytes& bytes) {
  CStoreFile file;
  DbResult rc = file.Rewrite(path);
  if (rc == DB_OK) rc = file.Write(bytes.data(), bytes.size());
  if (rc == DB_OK) rc = file.Commit();
  return rc;
}

std::vector<std::string> SortedEntries(const ScratchDir& dir) {
  std::vector<std::string> names = dir.Entries();
  std::sort(names.begin(), names.end());
  return names;
}

// A pid that belonged to a process that has ended.
pid_t GonePid() {
  pid_t gone = ::fork();
  if (gone == 0) ::_exit(0);
  ::waitpid(gone, nullptr, 0);
  return gone;
}

// A store with a second name, of several megabytes so that every copy takes
// several pieces.
struct LinkedStore {
  ScratchDir dir;
  Bytes old_bytes = StoreBytes(2300, 'o');
  explicit LinkedStore(bool linked = true) {
    WriteAll(path(), old_bytes);
    if (linked) {
      EXPECT_EQ(::link(path().c_str(), second().c_str()), 0);
    }
  }
  std::string path() const { return dir.File("quillet.dat"); }
  std::string second() const { return dir.File("second.dat"); }
  uint64_t inode() const {
    struct stat st;
    return ::stat(path().c_str(), &st) == 0 ? static_cast<uint64_t>(st.st_ino) : 0;
  }
  // Saves `new_bytes` in a child that is killed just before step `k`; false
  // when the child was not killed.
  bool SaveKilledAt(int k, const Bytes& new_bytes, StepWatch& watch) {
    watch.Clear();
    watch.KillAt(k);
    pid_t child = ::fork();
    if (child == 0) {
      SaveBytes(path(), new_bytes);
      ::_exit(3);
    }
    watch.KillAt(-1);
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
  }
  std::vector<std::string> Leftovers() const {
    std::vector<std::string> names;
    for (const std::string& n : SortedEntries(dir))
      if (n != "quillet.dat" && n != "second.dat") names.push_back(n);
    return names;
  }
};

// The saving process killed before each step of an in-place rewrite in
// turn, with a new version longer and one shorter than the old: the next
// open finds the file, under both names, byte for byte the old version or
// the new one, never cut, and no leftover stays. The old version up to the
// last piece written over the file; the new one from there (a longer new
// version is whole once its last piece is written, a shorter one once it
// is cut to length). An ordinary save, renamed into place, likewise: the
// old version until the rename, the new one after.
TEST(StoreInPlaceRewrite, KilledAtEveryStepLeavesTheOldOrTheNewBytes) {
  ScopedStoreSync no_sync(false);
  enum class Kind { kLonger, kShorter, kRenamed };
  for (const Kind kind : {Kind::kLonger, Kind::kShorter, Kind::kRenamed}) {
    const bool linked = kind != Kind::kRenamed;
    SCOPED_TRACE(kind == Kind::kLonger    ? "in place, new version longer"
                 : kind == Kind::kShorter ? "in place, new version shorter"
                                          : "renamed");
    LinkedStore f(linked);
    const uint64_t inode = f.inode();
    const Bytes new_bytes = StoreBytes(kind == Kind::kShorter ? 1200 : 3300, 'n');
    StepWatch watch;
    // One whole save first, to learn its steps.
    ASSERT_EQ(SaveBytes(f.path(), new_bytes), DB_OK);
    ASSERT_EQ(ReadAll(f.path()), new_bytes);
    const std::vector<StoreStep> steps = watch.steps();
    // The last step before which a kill leaves the old version.
    std::ptrdiff_t last_old;
    if (linked) {
      const auto first_over = std::find(steps.begin(), steps.end(), StoreStep::kOverwrite) - steps.begin();
      const auto cut = std::find(steps.begin(), steps.end(), StoreStep::kCutToLength) - steps.begin();
      ASSERT_LT(first_over + 1, cut) << "the new bytes must take more than one piece";
      ASSERT_EQ(std::count(steps.begin(), steps.end(), StoreStep::kCopyKeep), 3);
      last_old = kind == Kind::kLonger ? cut - 1 : cut;
    } else {
      last_old = std::find(steps.begin(), steps.end(), StoreStep::kPutInPlace) - steps.begin();
      ASSERT_LT(last_old, static_cast<std::ptrdiff_t>(steps.size()));
    }

    int olds = 0, news = 0;
    for (int k = 0; k < static_cast<int>(steps.size()); ++k) {
      SCOPED_TRACE("killed before step " + std::to_string(k) + ", " + StoreStepName(steps[k]));
      if (linked) WriteOver(f.path(), f.old_bytes);
      else WriteAll(f.path(), f.old_bytes);
      ASSERT_TRUE(f.SaveKilledAt(k, new_bytes, watch));
      ASSERT_EQ(watch.steps().size(), 0u);  // the child's steps stay in the child

      if (linked) {
        // Opened through the other name first: a mixture is sorted out by
        // whichever name opens the file.
        CRecordStore reader("second.dat", f.dir.path());
        EXPECT_EQ(reader.Load(), DB_OK);
      }
      CRecordStore owner("quillet.dat", f.dir.path());
      EXPECT_EQ(owner.Load(), DB_OK);
      const Bytes now = ReadAll(f.path());
      const Bytes& expected = k > last_old ? new_bytes : f.old_bytes;
      EXPECT_EQ(now.size(), expected.size());
      EXPECT_TRUE(now == expected);
      if (linked) {
        EXPECT_EQ(ReadAll(f.second()), now);
        EXPECT_EQ(f.inode(), inode);
      }
      EXPECT_EQ(f.Leftovers(), std::vector<std::string>{});
      (now == new_bytes ? news : olds)++;
    }
    EXPECT_EQ(olds, static_cast<int>(last_old) + 1);
    EXPECT_EQ(news, static_cast<int>(steps.size()) - olds);
  }
}

// The open that puts the old bytes back is itself killed, before each
// piece it copies: the note is still there, so the next open starts again
// and finishes the job.
TEST(StoreInPlaceRewrite, KilledWhilePuttingBackTheNextOpenFinishes) {
  ScopedStoreSync no_sync(false);
  LinkedStore f;
  const Bytes new_bytes = StoreBytes(3300, 'n');
  StepWatch watch;
  ASSERT_EQ(SaveBytes(f.path(), new_bytes), DB_OK);
  const std::vector<StoreStep> steps = watch.steps();
  const int second_piece =
      static_cast<int>(std::find(steps.begin(), steps.end(), StoreStep::kOverwrite) - steps.begin()) + 1;
  auto cut_off = [&] {
    WriteOver(f.path(), f.old_bytes);
    ASSERT_TRUE(f.SaveKilledAt(second_piece, new_bytes, watch));
    ASSERT_EQ(f.Leftovers().size(), 3u);
  };
  cut_off();
  watch.Clear();
  EXPECT_EQ(RemoveStoreLeftovers(f.path()), 3);
  EXPECT_EQ(watch.steps(), std::vector<StoreStep>(3, StoreStep::kPutBack));
  EXPECT_TRUE(ReadAll(f.path()) == f.old_bytes);
  for (int k = 0; k < 3; ++k) {
    SCOPED_TRACE("open killed before piece " + std::to_string(k));
    cut_off();
    watch.Clear();
    watch.KillAt(k);
    pid_t child = ::fork();
    if (child == 0) {
      RemoveStoreLeftovers(f.path());
      ::_exit(3);
    }
    watch.KillAt(-1);
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
    EXPECT_EQ(f.Leftovers().size(), 3u);
    CRecordStore s("quillet.dat", f.dir.path());
    EXPECT_EQ(s.Load(), DB_OK);
    EXPECT_TRUE(ReadAll(f.second()) == f.old_bytes);
    EXPECT_EQ(f.Leftovers(), std::vector<std::string>{});
  }
}

// The fault as found: a saver died while copying the old bytes aside, so
// only a piece of them is kept, and its finished temporary file holds other
// bytes. The store was never touched and stays whole under both names; the
// leftovers go.
TEST(StoreInPlaceRewrite, PartlyKeptCopyWithoutNoteLeavesTheStoreWhole) {
  ScopedStoreSync no_sync(false);
  LinkedStore f;
  const std::string owner = std::to_string(GonePid());
  Bytes piece(f.old_bytes.begin(), f.old_bytes.begin() + (1 << 20));
  WriteAll(f.dir.File(".quillet.dat.keep-" + owner + "-" + std::to_string(f.inode())), piece);
  WriteAll(f.dir.File(".quillet.dat.tmp-" + owner + "-0"), StoreBytes(100, 'x'));
  CRecordStore s("quillet.dat", f.dir.path());
  EXPECT_EQ(s.Load(), DB_OK);
  EXPECT_EQ(s.liveCount(), 2301u);
  EXPECT_EQ(ReadAll(f.path()), f.old_bytes);
  EXPECT_EQ(ReadAll(f.second()), f.old_bytes);
  EXPECT_EQ(f.Leftovers(), std::vector<std::string>{});
}

// A save cut off half-way through writing over the file: the kept copy
// puts the old bytes back. When the kept copy is damaged the finished
// temporary file completes the save instead; when both are damaged nothing
// is removed or changed, and a later open can still finish it.
TEST(StoreLeftovers, InterruptedInPlaceRewriteIsUndone) {
  ScopedStoreSync no_sync(false);
  LinkedStore f;
  const Bytes new_bytes = StoreBytes(3300, 'n');
  StepWatch watch;
  ASSERT_EQ(SaveBytes(f.path(), new_bytes), DB_OK);
  const std::vector<StoreStep> steps = watch.steps();
  const int second_piece =
      static_cast<int>(std::find(steps.begin(), steps.end(), StoreStep::kOverwrite) - steps.begin()) + 1;
  ASSERT_EQ(steps[second_piece], StoreStep::kOverwrite);
  auto leftover = [&](const char* kind) {
    for (const std::string& n : f.Leftovers())
      if (n.find(kind) != std::string::npos) return f.dir.File(n);
    return std::string();
  };
  auto cut_off = [&] {
    WriteOver(f.path(), f.old_bytes);
    ASSERT_TRUE(f.SaveKilledAt(second_piece, new_bytes, watch));
    ASSERT_EQ(f.Leftovers().size(), 3u);  // note, kept copy, temporary file
    ASSERT_NE(ReadAll(f.path()), f.old_bytes);
    ASSERT_NE(ReadAll(f.path()), new_bytes);
  };

  {
    cut_off();
    LogCapture log;
    CRecordStore s("quillet.dat", f.dir.path());
    EXPECT_EQ(s.Load(), DB_OK);
    EXPECT_EQ(ReadAll(f.second()), f.old_bytes);
    EXPECT_TRUE(log.Has("Interrupted save of " + f.path() + " undone from"));
    EXPECT_EQ(f.Leftovers(), std::vector<std::string>{});
  }
  {
    cut_off();
    ASSERT_EQ(::truncate(leftover(".keep-").c_str(), 1000), 0);
    LogCapture log;
    EXPECT_EQ(RemoveStoreLeftovers(f.path()), 3);
    EXPECT_EQ(ReadAll(f.second()), new_bytes);
    EXPECT_TRUE(log.Has("Interrupted save of " + f.path() + " finished from"));
    EXPECT_EQ(f.Leftovers(), std::vector<std::string>{});
  }
  {
    cut_off();
    const Bytes mixture = ReadAll(f.path());
    const std::string keep = leftover(".keep-");
    const std::string temp = leftover(".tmp-");
    const Bytes kept = ReadAll(keep);
    ASSERT_EQ(::truncate(keep.c_str(), 1000), 0);
    ASSERT_EQ(::truncate(temp.c_str(), 1000), 0);
    const std::vector<std::string> files = f.Leftovers();
    LogCapture log;
    EXPECT_EQ(RemoveStoreLeftovers(f.path()), 0);
    EXPECT_TRUE(log.Has("cannot be finished yet"));
    EXPECT_EQ(ReadAll(f.path()), mixture);
    EXPECT_EQ(f.Leftovers(), files);
    // No saver writes over it meanwhile.
    EXPECT_EQ(SaveBytes(f.path(), new_bytes), DB_ERR_WRITE);
    EXPECT_EQ(ReadAll(f.path()), mixture);
    // Once the kept copy is whole again, the next open undoes the mixture.
    WriteAll(keep, kept);
    EXPECT_EQ(RemoveStoreLeftovers(f.path()), 3);
    EXPECT_EQ(ReadAll(f.second()), f.old_bytes);
    EXPECT_EQ(f.Leftovers(), std::vector<std::string>{});
  }
}

// Notes that say nothing about the file: one cut off while being written,
// one for a file since replaced (another inode). They go with their kept
// copies, and the file is not touched.
TEST(StoreInPlaceRewrite, NoteCutOffOrOfAnotherFileIsOnlyRemoved) {
  LinkedStore f;
  const std::string gone = std::to_string(GonePid());
  const std::string inode = std::to_string(f.inode());
  Bytes mixture = f.old_bytes;
  std::fill(mixture.begin() + 20, mixture.end(), 0xEE);
  WriteOver(f.path(), mixture);  // whatever the file holds, these notes do not touch it
  WriteAll(f.dir.File(".quillet.dat.inplace-" + gone + "-" + inode), Bytes{'q', 'u', 'i', 'l'});
  WriteAll(f.dir.File(".quillet.dat.keep-" + gone + "-" + inode), f.old_bytes);
  WriteAll(f.dir.File(".quillet.dat.inplace-" + gone + "-1"),
           ByteBuilder()
               .Raw("quillet in-place rewrite\ninode 1\nold 3 0000000000000001\nnew 3 0000000000000002\n"
                    "temp .quillet.dat.tmp-" + gone + "-0\nend\n")
               .bytes());
  WriteAll(f.dir.File(".quillet.dat.keep-" + gone + "-1"), Bytes{1, 2, 3});
  EXPECT_EQ(RemoveStoreLeftovers(f.path()), 4);
  EXPECT_EQ(ReadAll(f.path()), mixture);
  EXPECT_EQ(f.Leftovers(), std::vector<std::string>{});
}

// The steps of an in-place rewrite, in order: the old bytes kept and
// synced, the note written and synced with the folder, only then the file
// written over, cut and synced; the note goes before the kept copy.
TEST(StoreInPlaceRewrite, StepsComeInTheirOrder) {
  LinkedStore f;
  WriteOver(f.path(), Bytes{1, 2, 3});
  StepWatch watch;
  ASSERT_EQ(SaveBytes(f.path(), Bytes{4, 5}), DB_OK);
  EXPECT_EQ(watch.steps(), (std::vector<StoreStep>{
                               StoreStep::kNewFileCreated, StoreStep::kSyncNewFile, StoreStep::kCopyKeep,
                               StoreStep::kSyncKeep, StoreStep::kWriteMark, StoreStep::kSyncMark,
                               StoreStep::kSyncFolder, StoreStep::kOverwrite, StoreStep::kCutToLength,
                               StoreStep::kSyncStore, StoreStep::kRemoveMark, StoreStep::kRemoveKeep,
                               StoreStep::kRemoveTemp}));
  EXPECT_EQ(ReadAll(f.second()), (Bytes{4, 5}));
  EXPECT_EQ(f.Leftovers(), std::vector<std::string>{});
}

// Any step of an in-place rewrite up to the sync of the file failing:
// DB_ERR_WRITE, the old bytes under both names byte for byte, nothing left
// beside them. Removing the note or the kept copy failing: the save is
// done, and the next open tidies up without touching the new bytes.
TEST(StoreInPlaceRewrite, FailedStepKeepsTheOldBytesOrOnlyLeavesFilesToTidy) {
  ScopedStoreSync no_sync(false);
  LinkedStore f;
  const Bytes new_bytes = StoreBytes(1200, 'n');
  const std::vector<std::pair<StoreStep, int>> failing = {
      {StoreStep::kSyncNewFile, 0}, {StoreStep::kCopyKeep, 0},  {StoreStep::kCopyKeep, 2},
      {StoreStep::kSyncKeep, 0},    {StoreStep::kWriteMark, 0}, {StoreStep::kSyncMark, 0},
      {StoreStep::kSyncFolder, 0},  {StoreStep::kOverwrite, 0}, {StoreStep::kOverwrite, 1},
      {StoreStep::kCutToLength, 0}, {StoreStep::kSyncStore, 0}};
  for (const auto& [step, occurrence] : failing) {
    SCOPED_TRACE(std::string(StoreStepName(step)) + " #" + std::to_string(occurrence));
    WriteOver(f.path(), f.old_bytes);
    StepWatch watch;
    watch.FailAt(step, occurrence);
    EXPECT_EQ(SaveBytes(f.path(), new_bytes), DB_ERR_WRITE);
    EXPECT_TRUE(ReadAll(f.path()) == f.old_bytes);
    EXPECT_TRUE(ReadAll(f.second()) == f.old_bytes);
    EXPECT_EQ(f.Leftovers(), std::vector<std::string>{});
  }
  for (const StoreStep step : {StoreStep::kRemoveMark, StoreStep::kRemoveKeep, StoreStep::kRemoveTemp}) {
    SCOPED_TRACE(StoreStepName(step));
    WriteOver(f.path(), f.old_bytes);
    {
      StepWatch watch;
      watch.FailAt(step);
      EXPECT_EQ(SaveBytes(f.path(), new_bytes), DB_OK);
    }
    EXPECT_EQ(f.Leftovers().size(), 1u);  // the one file not removed
    EXPECT_TRUE(ReadAll(f.second()) == new_bytes);
    CRecordStore s("quillet.dat", f.dir.path());
    EXPECT_EQ(s.Load(), DB_OK);
    EXPECT_EQ(s.liveCount(), 1201u);
    EXPECT_TRUE(ReadAll(f.second()) == new_bytes);
    EXPECT_EQ(f.Leftovers(), std::vector<std::string>{});
  }
}

// Two processes creating the same new store file at once: the second does
// not replace the first one's file.
TEST(StoreLeftovers, CreatingAFileSomeoneElseJustCreatedFails) {
  ScratchDir dir;
  const std::string path = dir.File("quillet.dat");
  CStoreFile late;
  ASSERT_EQ(late.Rewrite(path), DB_OK);
  ASSERT_EQ(late.WriteU32(kFormatWord), DB_OK);
  ASSERT_EQ(late.WriteU32(0), DB_OK);
  WriteAll(path, ByteBuilder().Header(0).bytes());
  const Bytes first = ReadAll(path);
  EXPECT_EQ(late.Commit(), DB_ERR_OPEN);
  EXPECT_TRUE(late.LostCreateRace());
  EXPECT_EQ(ReadAll(path), first);
  EXPECT_EQ(dir.Entries(), std::vector<std::string>{"quillet.dat"});
}

}  // namespace
}  // namespace quillet
