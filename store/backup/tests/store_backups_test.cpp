// The copies of one store: names, folders, taking a copy, the keeping rule
// over a month, listing with counts, restoring, and refusing links.
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <set>

#include "store/RecordKinds.h"
#include "store/RecordStore.h"
#include "store/StoreEvents.h"
#include "store/StoreFile.h"
#include "store/backup/StoreBackups.h"
#include "store/tests/StoreTestUtil.h"

namespace quillet {
namespace {

namespace fs = std::filesystem;

using testing::Bytes;
using testing::ReadAll;
using testing::ScratchDir;
using testing::WriteAll;

// Busy stores are held on purpose here: wait a moment for them, not the
// program's full ten seconds. Both test files of this binary share it.
class ShortLockWait : public ::testing::Environment {
 public:
  void SetUp() override { previous_ = SetStoreLockWait(std::chrono::milliseconds(300)); }
  void TearDown() override { SetStoreLockWait(previous_); }

 private:
  std::chrono::milliseconds previous_{};
};
::testing::Environment* const g_short_lock_wait = ::testing::AddGlobalTestEnvironment(new ShortLockWait);

// 2024-03-05 07:08:09 UTC.
constexpr std::time_t kMarch5 = 1709622489;
constexpr std::time_t kDay = 86400;

struct Contents {
  int topics = 0, notes = 0, pictures = 0, sketches = 0, references = 0;
  std::string tag;  // makes otherwise equal stores differ
};

// Writes a store with the given records, one deleted note besides.
void WriteStore(const std::string& path, const Contents& c) {
  CRecordStore store(path, "");
  uint32_t id = 1;
  auto settings = std::make_unique<CSettingsRecord>();
  settings->lastRecordId = 100;
  store.AddNew(std::move(settings));
  for (int i = 0; i < c.topics; ++i) {
    auto t = std::make_unique<CTopicRecord>();
    t->recordId = ++id;
    t->title = CpText("Topic " + std::to_string(i) + c.tag);
    store.AddNew(std::move(t));
  }
  for (int i = 0; i < c.notes; ++i) {
    auto n = std::make_unique<CNoteRecord>();
    n->recordId = ++id;
    n->text = CpText("note " + c.tag);
    store.AddNew(std::move(n));
  }
  auto gone = std::make_unique<CNoteRecord>();
  gone->recordId = ++id;
  store.AddNew(std::move(gone));
  store.RecordAt(store.highWater() - 1)->flags |= kFlagDeleted;
  for (int i = 0; i < c.pictures + c.sketches; ++i) {
    auto image = std::make_unique<CImageRecord>();
    image->recordId = ++id;
    image->format = i < c.pictures ? kImageFormatJpeg : kImageFormatSketch;
    image->data = {1, 2, 3};
    store.AddNew(std::move(image));
  }
  for (int i = 0; i < c.references; ++i) {
    auto r = std::make_unique<CCustomRecord>();
    r->recordId = ++id;
    r->customType = kCustomBook;
    r->fields.assign(static_cast<size_t>(CustomTypeFieldCount(kCustomBook)), "x"_cp);
    store.AddNew(std::move(r));
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

// Holds the store layer's lock on a file, as another reader or writer does.
class HeldLock {
 public:
  explicit HeldLock(const std::string& path) : fd_(::open(path.c_str(), O_RDONLY)) {
    EXPECT_EQ(::flock(fd_, LOCK_EX | LOCK_NB), 0);
  }
  ~HeldLock() { ::close(fd_); }

 private:
  int fd_;
};

TEST(BackupNames, AreTheUtcTimeWithSequenceAndMarkAndParseBack) {
  EXPECT_EQ(BackupFileName(kMarch5, 0, false), "quillet-20240305-070809.dat");
  EXPECT_EQ(BackupFileName(kMarch5, 2, false), "quillet-20240305-070809-2.dat");
  EXPECT_EQ(BackupFileName(kMarch5, 0, true), "quillet-20240305-070809-damaged.dat");
  EXPECT_EQ(BackupFileName(kMarch5, 13, true), "quillet-20240305-070809-13-damaged.dat");
  EXPECT_EQ(FormatUtcTime(kMarch5), "2024-03-05T07:08:09Z");

  for (int seq : {0, 1, 13}) {
    for (bool damaged : {false, true}) {
      std::time_t t = 0;
      int s = -1;
      bool d = !damaged;
      ASSERT_TRUE(ParseBackupFileName(BackupFileName(kMarch5 + seq, seq, damaged), &t, &s, &d));
      EXPECT_EQ(t, kMarch5 + seq);
      EXPECT_EQ(s, seq);
      EXPECT_EQ(d, damaged);
    }
  }
  for (const char* other :
       {"quillet-20240230-000000.dat", "quillet-20241305-000000.dat", "quillet-20240305-250000.dat",
        "quillet-20240305-070809-0.dat", "quillet-20240305-070809-01.dat", "quillet-20240305-070809-x.dat",
        "quillet-20240305-070809.dat.tmp-1-0", ".quillet-20240305-070809.dat.tmp-1-0",
        "quillet-2024030-070809.dat", "quillet-20240305-070809", "quillet-20240305-070809-damaged-1.dat",
        "quillet.dat", "Quillet-20240305-070809.dat"})
    EXPECT_FALSE(ParseBackupFileName(other, nullptr, nullptr, nullptr)) << other;
}

TEST(BackupFolders, UserStoresByUserOtherStoresByFolderAndDigest) {
  EXPECT_EQ(BackupFolderName("/p/Ann/Quillet/quillet.dat", "Ann/"), "Ann");
  EXPECT_EQ(BackupFolderName("/p/Ann/Quillet/quillet.dat", "Ann"), "Ann");
  // A user folder name can never climb out of the backups folder.
  EXPECT_EQ(BackupFolderName("/x/quillet.dat", "../"), "store");
  EXPECT_EQ(BackupFolderName("/x/quillet.dat", "a/b"), "a_b");

  const std::string a = BackupFolderName("/home/a/Stores/quillet.dat", "");
  const std::string b = BackupFolderName("/home/b/Stores/quillet.dat", "");
  ASSERT_EQ(a.size(), std::string("Stores-").size() + 8);
  EXPECT_EQ(a.compare(0, 7, "Stores-"), 0);
  EXPECT_EQ(a.find_first_not_of("0123456789abcdef", 7), std::string::npos);
  EXPECT_EQ(b.compare(0, 7, "Stores-"), 0);
  EXPECT_NE(a, b);
  EXPECT_EQ(a, BackupFolderName("/home/a/Stores/quillet.dat", ""));
  EXPECT_EQ(BackupFolderName("/quillet.dat", "").compare(0, 6, "store-"), 0);

  // The absolute path: relative spellings and links lead to the same name.
  ScratchDir dir;
  fs::create_directories(dir.File("real"));
  fs::create_directory_symlink(dir.File("real"), dir.File("link"));
  WriteAll(dir.File("real/quillet.dat"), {0, 0, 0, 1, 0, 0, 0, 0});
  const std::string real = AbsoluteStorePath(dir.File("real/quillet.dat"));
  EXPECT_EQ(AbsoluteStorePath(dir.File("link/quillet.dat")), real);
  EXPECT_EQ(AbsoluteStorePath(dir.File("real/../real/quillet.dat")), real);
  EXPECT_EQ(AbsoluteStorePath(dir.File("real/new.dat")), fs::path(real).parent_path().string() + "/new.dat");
}

class StoreBackupsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(dir_.File("store"));
    store_ = dir_.File("store/quillet.dat");
    root_ = dir_.File("data/quillet/backups");
    folder_ = root_ + "/Ann";
  }
  CStoreBackups Backups() {
    return CStoreBackups(store_, root_, "Ann", [this] { return now_; });
  }
  std::string Copy(bool damaged = false, bool* written = nullptr) {
    CStoreBackups b = Backups();
    BackupOptions o;
    o.markDamaged = damaged;
    std::string path;
    EXPECT_EQ(b.Create(o, &path, written), BackupResult::kOk);
    return path;
  }

  ScratchDir dir_;
  std::string store_, root_, folder_;
  std::time_t now_ = kMarch5;
};

TEST_F(StoreBackupsTest, ACopyIsTheStoreByteForByteNamedByTheClockAndKeptOnce) {
  WriteStore(store_, {2, 1, 0, 0, 0, "a"});
  bool written = false;
  const std::string first = Copy(false, &written);
  EXPECT_TRUE(written);
  EXPECT_EQ(first, folder_ + "/quillet-20240305-070809.dat");
  EXPECT_EQ(ReadAll(first), ReadAll(store_));
  EXPECT_EQ(fs::status(folder_).permissions() & fs::perms::all, fs::perms::owner_all);

  // Unchanged contents, later: the existing copy stands for it.
  now_ += 3600;
  EXPECT_EQ(Copy(false, &written), first);
  EXPECT_FALSE(written);
  EXPECT_EQ(Names(folder_).size(), 1u);

  // Changed contents in the same second: a digit is added.
  WriteStore(store_, {2, 1, 0, 0, 0, "b"});
  const std::string second = Copy(false, &written);
  EXPECT_TRUE(written);
  EXPECT_EQ(second, folder_ + "/quillet-20240305-080809.dat");
  WriteStore(store_, {2, 1, 0, 0, 0, "c"});
  EXPECT_EQ(Copy(), folder_ + "/quillet-20240305-080809-1.dat");
  EXPECT_EQ(ReadAll(folder_ + "/quillet-20240305-080809-1.dat"), ReadAll(store_));
  // Going back to the first contents needs no new copy either.
  WriteStore(store_, {2, 1, 0, 0, 0, "a"});
  EXPECT_EQ(Copy(false, &written), first);
  EXPECT_FALSE(written);
  // No temporary file is left behind.
  EXPECT_EQ(Names(folder_).size(), 3u);
}

// Stores are compared with the kept copies and copied a chunk at a time:
// a difference anywhere, down to the last byte of the last chunk, or in the
// size alone, makes a new copy; equal bytes never do. The stores are real
// ones (only stores are copied): a picture fills them, and a byte after the
// last record (which the loader leaves alone) makes them longer or shorter.
TEST_F(StoreBackupsTest, CopiesAreComparedChunkByChunkDownToTheLastByte) {
  for (size_t size : {2 * kBackupChunk + kBackupChunk / 2, 2 * kBackupChunk}) {
    SCOPED_TRACE(size);
    fs::remove_all(root_);
    // Settings and one picture whose bytes run across every chunk, `size`
    // bytes with the one after the last record.
    auto store_of = [](size_t picture) {
      CRecordStore store("", "");
      auto settings = std::make_unique<CSettingsRecord>();
      settings->lastRecordId = 10;
      store.AddNew(std::move(settings));
      auto image = std::make_unique<CImageRecord>();
      image->recordId = 2;
      std::vector<uint8_t> data(picture);
      for (size_t i = 0; i < picture; ++i) data[i] = static_cast<uint8_t>(i * 7 + (i >> 12));
      image->data = PictureBytes(std::move(data));
      store.AddNew(std::move(image));
      Bytes out;
      EXPECT_EQ(store.SaveToMemory(&out), DB_OK);
      return out;
    };
    const size_t overhead = store_of(0).size();
    Bytes exact = store_of(size - 1 - overhead);
    Bytes bytes = exact;
    bytes.push_back(0x5A);
    ASSERT_EQ(bytes.size(), size);
    WriteAll(store_, bytes);
    bool written = false;
    const std::string first = Copy(false, &written);
    EXPECT_TRUE(written);
    EXPECT_EQ(ReadAll(first), bytes);

    // Equal in every chunk: the kept copy stands for it.
    now_ += 60;
    EXPECT_EQ(Copy(false, &written), first);
    EXPECT_FALSE(written);

    // The last byte of the last chunk differs.
    Bytes last = bytes;
    last.back() ^= 0x01;
    WriteAll(store_, last);
    now_ += 60;
    const std::string second = Copy(false, &written);
    EXPECT_TRUE(written);
    EXPECT_NE(second, first);
    EXPECT_EQ(ReadAll(second), last);

    // The first byte of the second chunk differs.
    Bytes middle = bytes;
    middle[kBackupChunk] ^= 0x01;
    WriteAll(store_, middle);
    now_ += 60;
    const std::string third = Copy(false, &written);
    EXPECT_TRUE(written);
    EXPECT_EQ(ReadAll(third), middle);

    // Equal as far as the shorter goes, but one byte longer or shorter.
    Bytes longer = bytes;
    longer.push_back(0x5A);
    WriteAll(store_, longer);
    now_ += 60;
    EXPECT_EQ(ReadAll(Copy(false, &written)), longer);
    EXPECT_TRUE(written);
    WriteAll(store_, exact);
    now_ += 60;
    EXPECT_EQ(ReadAll(Copy(false, &written)), exact);
    EXPECT_TRUE(written);

    // Back to the first bytes: found among the five, nothing written.
    WriteAll(store_, bytes);
    now_ += 60;
    EXPECT_EQ(Copy(false, &written), first);
    EXPECT_FALSE(written);
    EXPECT_EQ(Names(folder_).size(), 5u);
  }
}

TEST_F(StoreBackupsTest, AMissingOrBusyStoreIsReportedAndNothingIsWritten) {
  CStoreBackups b = Backups();
  std::string path = "unchanged";
  EXPECT_EQ(b.Create({}, &path), BackupResult::kNoStore);
  EXPECT_EQ(path, "unchanged");
  EXPECT_FALSE(fs::exists(root_));

  WriteStore(store_, {1, 0, 0, 0, 0, ""});
  {
    HeldLock held(store_);
    EXPECT_EQ(b.Create({}, &path), BackupResult::kStoreBusy);
    EXPECT_TRUE(Names(folder_).empty());
    // A caller that holds the lock itself gets its copy.
    BackupOptions o;
    o.callerHoldsLock = true;
    EXPECT_EQ(b.Create(o, &path), BackupResult::kOk);
    EXPECT_EQ(ReadAll(path), ReadAll(store_));
  }
}

TEST(BackupRotation, KeepsTenNewestAndEachDaysNewestUnmarkedCopyForFourteenDays) {
  const std::time_t now = kMarch5;  // day D, 07:08:09
  std::vector<BackupEntry> entries;
  auto add = [&](std::time_t t, int seq = 0, bool marked = false) {
    BackupEntry e;
    e.taken = t;
    e.sequence = seq;
    e.markedDamaged = marked;
    e.name = BackupFileName(t, seq, marked);
    entries.push_back(e);
    return entries.size() - 1;
  };
  // Twelve copies today: the two oldest fall out of the ten newest, and
  // today's newest is one of the ten anyway.
  for (int i = 0; i < 12; ++i) add(now - 60 * (12 - i));
  // Yesterday: a marked copy after the good one; the good one is kept for the day.
  const size_t good_yesterday = add(now - kDay);
  const size_t marked_yesterday = add(now - kDay + 10, 0, true);
  // Thirteen days ago is the last day kept; fourteen days ago is not.
  const size_t day13_old = add(now - 13 * kDay - 50);
  const size_t day13_new = add(now - 13 * kDay, 1);
  const size_t day14 = add(now - 14 * kDay);

  const std::vector<size_t> removed = BackupsToRemove(entries, now);
  const std::set<size_t> got(removed.begin(), removed.end());
  const std::set<size_t> want = {0, 1, marked_yesterday, day13_old, day14};
  EXPECT_EQ(got, want);
  (void)good_yesterday;
  (void)day13_new;
}

TEST_F(StoreBackupsTest, OverASimulatedMonthTheKeepingRuleHolds) {
  // Three changed stores a day for 30 days, each copied at once.
  const std::time_t start = 1706745600;  // 2024-02-01 00:00:00 UTC
  const int hours[] = {8, 12, 18};
  for (int day = 0; day < 30; ++day) {
    for (int h : hours) {
      now_ = start + day * kDay + h * 3600;
      WriteStore(store_, {day % 4 + 1, h, 0, 0, 0, std::to_string(day) + "-" + std::to_string(h)});
      Copy();
      // Never more than the ten newest and one for each of fourteen days.
      ASSERT_LE(Names(folder_).size(), 24u);
    }
  }
  // Expected: day 29's three, day 28's three, day 27's three, day 26 at
  // 18:00 (the ten newest), and 18:00 of each of days 16 to 25.
  std::vector<std::string> want;
  auto name = [&](int day, int h) { return BackupFileName(start + day * kDay + h * 3600, 0, false); };
  for (int day = 16; day <= 26; ++day) want.push_back(name(day, 18));
  for (int day = 27; day <= 29; ++day)
    for (int h : hours) want.push_back(name(day, h));
  std::sort(want.begin(), want.end());
  EXPECT_EQ(Names(folder_), want);
  // What is kept is what was taken: the last copy is the store.
  EXPECT_EQ(ReadAll(folder_ + "/" + name(29, 18)), ReadAll(store_));
}

TEST_F(StoreBackupsTest, ListingIsNewestFirstWithCountsAndDamagedOnesMarked) {
  WriteStore(store_, {2, 3, 1, 2, 4, "x"});
  const std::string good = Copy();
  now_ += 60;
  WriteAll(store_, {0, 0, 0, 2, 0, 0, 0, 0});  // wrong header word
  const std::string marked = Copy(true);
  EXPECT_EQ(marked, folder_ + "/quillet-20240305-070909-damaged.dat");
  // A file that does not load, one that is a link, and stray files.
  const std::string broken = folder_ + "/quillet-20240101-000000.dat";
  WriteAll(broken, {0, 0, 0, 1, 5, 0, 0, 0, 9});
  fs::create_symlink(good, folder_ + "/quillet-20240306-000000.dat");
  WriteAll(folder_ + "/notes.txt", {1});

  std::vector<BackupEntry> list;
  ASSERT_EQ(Backups().List(&list, true), BackupResult::kOk);
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(list[0].path, marked);
  EXPECT_TRUE(list[0].markedDamaged);
  EXPECT_TRUE(list[0].damaged);
  EXPECT_EQ(list[1].path, good);
  EXPECT_FALSE(list[1].damaged);
  EXPECT_EQ(list[1].loadResult, DB_OK);
  EXPECT_EQ(list[1].taken, kMarch5);
  EXPECT_EQ(list[1].size, ReadAll(good).size());
  // Settings, 2 topics, 3 notes, the deleted note, 3 images, 4 references.
  EXPECT_EQ(list[1].counts.records, 14u);
  EXPECT_EQ(list[1].counts.topics, 2u);
  EXPECT_EQ(list[1].counts.notes, 3u);
  EXPECT_EQ(list[1].counts.pictures, 1u);
  EXPECT_EQ(list[1].counts.sketches, 2u);
  EXPECT_EQ(list[1].counts.references, 4u);
  EXPECT_EQ(list[2].path, broken);
  EXPECT_FALSE(list[2].markedDamaged);
  EXPECT_TRUE(list[2].damaged);
  EXPECT_NE(list[2].loadResult, DB_OK);

  // The newest unmarked copy is what the daily copy is judged by.
  EXPECT_EQ(Backups().NewestTaken(), kMarch5);
  // No folder yet: an empty list, not a failure.
  std::vector<BackupEntry> none;
  EXPECT_EQ(CStoreBackups(store_, root_, "Bob").List(&none, true), BackupResult::kOk);
  EXPECT_TRUE(none.empty());
}

TEST_F(StoreBackupsTest, RestoreMakesTheStoreTheCopyAfterCopyingTheCurrentFile) {
  WriteStore(store_, {3, 2, 0, 0, 0, "old"});
  const Bytes old_bytes = ReadAll(store_);
  const std::string chosen = Copy();
  now_ += 3600;
  WriteStore(store_, {0, 0, 0, 0, 0, "wiped"});
  const Bytes wiped = ReadAll(store_);

  CStoreBackups b = Backups();
  std::string previous;
  ASSERT_EQ(b.Restore(chosen, &previous), BackupResult::kOk);
  EXPECT_EQ(ReadAll(store_), old_bytes);
  EXPECT_EQ(previous, folder_ + "/quillet-20240305-080809.dat");
  EXPECT_EQ(ReadAll(previous), wiped);
  EXPECT_TRUE(fs::exists(chosen));
  // The store loads as the copy did, and nothing is left in its folder.
  CRecordStore store(store_, "");
  ASSERT_EQ(store.Load(), DB_OK);
  EXPECT_EQ(store.CountLive(kKindTopic), 3u);
  EXPECT_EQ(Names(dir_.File("store")), std::vector<std::string>{"quillet.dat"});
}

TEST_F(StoreBackupsTest, RestoreKeepsTheChosenCopyThatTheNewCopyWouldPushOut) {
  // Ten copies within one day: the oldest is the tenth newest.
  for (int i = 0; i < 10; ++i) {
    now_ = kMarch5 + i;
    WriteStore(store_, {i + 1, 0, 0, 0, 0, ""});
    Copy();
  }
  const std::string oldest = folder_ + "/" + BackupFileName(kMarch5, 0, false);
  const Bytes oldest_bytes = ReadAll(oldest);
  now_ = kMarch5 + 100;
  WriteStore(store_, {20, 0, 0, 0, 0, ""});
  std::string previous;
  ASSERT_EQ(Backups().Restore(oldest, &previous), BackupResult::kOk);
  EXPECT_EQ(ReadAll(store_), oldest_bytes);
  EXPECT_TRUE(fs::exists(oldest));
  EXPECT_TRUE(fs::exists(previous));
}

TEST_F(StoreBackupsTest, DamagedCopiesAndLinksAreRefusedAndTheStoreStaysAsItWas) {
  WriteStore(store_, {1, 1, 0, 0, 0, "now"});
  const Bytes before = ReadAll(store_);
  fs::create_directories(folder_);
  const std::string broken = folder_ + "/quillet-20240101-000000.dat";
  WriteAll(broken, {0, 0, 0, 1, 2, 0, 0, 0});  // two records promised, none there
  // A copy marked damaged is refused even when it happens to load.
  const std::string marked = folder_ + "/quillet-20240102-000000-damaged.dat";
  WriteAll(marked, before);
  const std::string link = folder_ + "/quillet-20240103-000000.dat";
  WriteAll(dir_.File("elsewhere.dat"), before);
  fs::create_symlink(dir_.File("elsewhere.dat"), link);
  // Cut inside its last record (the marker and two bytes of the body gone):
  // every record is there, the last one shortened, and still it is no copy
  // to go back to. Dated long ago, so it is judged at once.
  const std::string cut = folder_ + "/quillet-20240105-000000.dat";
  WriteAll(cut, Bytes(before.begin(), before.end() - 6));
  const struct timespec long_ago[2] = {{1000000000, 0}, {1000000000, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, cut.c_str(), long_ago, 0), 0);

  CStoreBackups b = Backups();
  std::string previous = "unchanged";
  EXPECT_EQ(b.Restore(broken, &previous), BackupResult::kDamaged);
  EXPECT_EQ(b.Restore(marked, &previous), BackupResult::kDamaged);
  EXPECT_EQ(b.Restore(cut, &previous), BackupResult::kDamaged);
  EXPECT_EQ(b.Restore(link, &previous), BackupResult::kNotABackup);
  EXPECT_EQ(b.Restore(folder_ + "/quillet-20240104-000000.dat", &previous), BackupResult::kNotABackup);
  EXPECT_EQ(b.Restore(folder_, &previous), BackupResult::kNotABackup);
  EXPECT_EQ(previous, "");
  EXPECT_EQ(ReadAll(store_), before);
  EXPECT_EQ(Names(folder_).size(), 4u);  // no copy of the store was taken

  // A store held by another writer is not replaced.
  WriteStore(store_, {5, 0, 0, 0, 0, "good"});
  const std::string good = Copy();
  WriteStore(store_, {1, 1, 0, 0, 0, "now"});
  {
    HeldLock held(store_);
    EXPECT_EQ(b.Restore(good, &previous), BackupResult::kStoreBusy);
  }
  EXPECT_EQ(ReadAll(store_), before);
}

TEST_F(StoreBackupsTest, ABackupFolderThatIsASymbolicLinkIsRefused) {
  WriteStore(store_, {1, 0, 0, 0, 0, ""});
  const std::string elsewhere = dir_.File("elsewhere");
  fs::create_directories(elsewhere);
  fs::create_directories(root_);

  // The store's own folder is a link.
  fs::create_directory_symlink(elsewhere, folder_);
  std::string path;
  CStoreBackups linked = Backups();
  EXPECT_EQ(linked.Create({}, &path), BackupResult::kFolderIsLink);
  EXPECT_NE(linked.folderProblem().find("The folder " + folder_ + " for Quillet!'s backups is a symbolic link"),
            std::string::npos);
  std::vector<BackupEntry> list;
  EXPECT_EQ(Backups().List(&list, true), BackupResult::kFolderIsLink);
  WriteAll(elsewhere + "/quillet-20240101-000000.dat", ReadAll(store_));
  WriteStore(store_, {2, 0, 0, 0, 0, ""});
  const Bytes before = ReadAll(store_);
  EXPECT_EQ(Backups().Restore(folder_ + "/quillet-20240101-000000.dat", &path), BackupResult::kFolderIsLink);
  EXPECT_EQ(ReadAll(store_), before);
  EXPECT_EQ(Names(elsewhere), std::vector<std::string>{"quillet-20240101-000000.dat"});

  // The backups folder itself is a link.
  fs::remove(folder_);
  fs::remove_all(root_);
  fs::create_directory_symlink(elsewhere, root_);
  EXPECT_EQ(Backups().Create({}, &path), BackupResult::kFolderIsLink);
  EXPECT_EQ(Names(elsewhere), std::vector<std::string>{"quillet-20240101-000000.dat"});
}

// A store that does not load can still be replaced by a copy: what it held
// is kept first, as a damaged store's copy.
TEST_F(StoreBackupsTest, RestoreOverAStoreThatDoesNotLoadKeepsItAsADamagedCopy) {
  WriteStore(store_, {4, 0, 0, 0, 0, "good"});
  const std::string good = Copy();
  const Bytes good_bytes = ReadAll(store_);
  const Bytes broken = {0, 0, 0, 1, 7, 0, 0, 0};
  WriteAll(store_, broken);
  now_ += 60;
  CStoreBackups b = Backups();
  std::string previous;
  ASSERT_EQ(b.Restore(good, &previous), BackupResult::kOk);
  EXPECT_EQ(ReadAll(store_), good_bytes);
  EXPECT_EQ(previous, folder_ + "/" + BackupFileName(now_, 0, true));
  EXPECT_EQ(ReadAll(previous), broken);
}

// Only stores are copied: a 2 GB sparse file is refused at its header
// without a byte written, a file that starts like a store but does not load
// leaves no copy behind. A damaged store being set aside is kept as it is.
TEST_F(StoreBackupsTest, OnlyFilesThatLoadAsStoresAreCopied) {
  {
    const int fd = ::open(store_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, off_t{1} << 31), 0);
    ::close(fd);
  }
  CStoreBackups b = Backups();
  std::string path = "unchanged";
  EXPECT_EQ(b.Create({}, &path), BackupResult::kNotAStore);
  EXPECT_EQ(path, "unchanged");
  EXPECT_TRUE(Names(folder_).empty());
  EXPECT_STREQ(BackupResultText(BackupResult::kNotAStore), "the file is not a Quillet! store");

  // A store's header, then an entry of a kind no store has.
  WriteAll(store_, {0, 0, 0, 1, 2, 0, 0, 0, 99, 0, 0, 0, 1, 2, 3, 4});
  EXPECT_EQ(b.Create({}, &path), BackupResult::kNotAStore);
  EXPECT_TRUE(Names(folder_).empty());

  BackupOptions damaged;
  damaged.markDamaged = true;
  ASSERT_EQ(b.Create(damaged, &path), BackupResult::kOk);
  EXPECT_EQ(ReadAll(path), ReadAll(store_));
}

// A copy leaves twice the store's size and the spare free on its disk: the
// oldest copies that are not a damaged store's go first, and when even all
// of them would not make room, none goes and nothing is written.
TEST_F(StoreBackupsTest, ACopyLeavesRoomForTheStoreDroppingTheOldestCopiesFirst) {
  // A disk of `disk` bytes that holds only the copies.
  uint64_t disk = 0;
  int asked = 0;
  const FreeSpaceFunction previous =
      SetBackupFreeSpaceFunction([&](const std::string& folder, uint64_t* available) {
        ++asked;
        EXPECT_EQ(folder, folder_);
        uint64_t used = 0;
        for (const auto& e : fs::directory_iterator(folder)) used += e.file_size();
        *available = used >= disk ? 0 : disk - used;
        return true;
      });
  WriteStore(store_, {3, 2, 0, 0, 0, "d"});
  const uint64_t size = fs::file_size(store_);
  disk = kBackupSpareBytes + 2 * size + 4 * size;  // room for four copies
  const std::string damaged = Copy(true);
  std::vector<std::string> copies;
  for (const char* tag : {"a", "b", "c"}) {
    WriteStore(store_, {3, 2, 0, 0, 0, tag});
    now_ += 60;
    copies.push_back(Copy());
  }
  EXPECT_GT(asked, 0);
  EXPECT_EQ(Names(folder_).size(), 4u);

  // A fifth: the oldest unmarked copy makes room for it.
  WriteStore(store_, {3, 2, 0, 0, 0, "e"});
  now_ += 60;
  CStoreBackups b = Backups();
  std::string path;
  ASSERT_EQ(b.Create({}, &path), BackupResult::kOk);
  EXPECT_EQ(b.droppedForSpace(), std::vector<std::string>{copies[0]});
  EXPECT_FALSE(fs::exists(copies[0]));
  EXPECT_TRUE(fs::exists(damaged));
  EXPECT_TRUE(fs::exists(copies[1]));
  EXPECT_EQ(ReadAll(path), ReadAll(store_));

  // A disk too small even without every unmarked copy: all stay.
  disk = kBackupSpareBytes + 3 * size;
  const std::vector<std::string> before = Names(folder_);
  WriteStore(store_, {3, 2, 0, 0, 0, "f"});
  now_ += 60;
  path = "unchanged";
  EXPECT_EQ(b.Create({}, &path), BackupResult::kNoSpace);
  EXPECT_EQ(path, "unchanged");
  EXPECT_TRUE(b.droppedForSpace().empty());
  EXPECT_EQ(Names(folder_), before);
  // Free space that cannot be told does not stop a copy.
  SetBackupFreeSpaceFunction([](const std::string&, uint64_t*) { return false; });
  EXPECT_EQ(b.Create({}, &path), BackupResult::kOk);
  SetBackupFreeSpaceFunction(previous);
}

// The temporary file of a copy whose writer was killed is removed at the
// next copy; one whose writer still runs stays, unless an hour old.
TEST_F(StoreBackupsTest, LeftoversOfKilledCopiesGoAtTheNextCopy) {
  WriteStore(store_, {1, 0, 0, 0, 0, "a"});
  Copy();
  const pid_t dead = ::fork();
  if (dead == 0) ::_exit(0);
  ASSERT_GT(dead, 0);
  ASSERT_EQ(::waitpid(dead, nullptr, 0), dead);
  const std::string killed = folder_ + "/.quillet-20240305-070809.dat.tmp-" + std::to_string(dead) + "-0";
  const std::string running = folder_ + "/.quillet-20240305-070810.dat.tmp-" + std::to_string(::getppid()) + "-0";
  const std::string old = folder_ + "/.quillet-20240305-070811.dat.tmp-" + std::to_string(::getppid()) + "-1";
  for (const std::string& leftover : {killed, running, old}) WriteAll(leftover, Bytes(4096, 7));
  fs::last_write_time(old, fs::file_time_type::clock::now() - std::chrono::hours(2));

  WriteStore(store_, {2, 0, 0, 0, 0, "b"});
  now_ += 60;
  Copy();
  EXPECT_FALSE(fs::exists(killed));
  EXPECT_TRUE(fs::exists(running));
  EXPECT_FALSE(fs::exists(old));
  EXPECT_EQ(Names(folder_).size(), 3u);  // two copies and the running writer's file
}

// Both folders are made private; a folder that others may write to, or
// that belongs to another user, is not used, and the sentence says why.
TEST_F(StoreBackupsTest, ABackupFolderOfAnotherUserOrWritableByOthersIsRefused) {
  WriteStore(store_, {1, 0, 0, 0, 0, "a"});
  const std::string first = Copy();
  EXPECT_EQ(fs::status(root_).permissions() & fs::perms::all, fs::perms::owner_all);
  EXPECT_EQ(fs::status(folder_).permissions() & fs::perms::all, fs::perms::owner_all);
  WriteStore(store_, {2, 0, 0, 0, 0, "b"});
  const Bytes store = ReadAll(store_);

  CStoreBackups b = Backups();
  std::string path;
  std::vector<BackupEntry> list;
  std::string previous;
  fs::permissions(folder_, fs::perms::owner_all | fs::perms::group_all);
  EXPECT_EQ(b.Create({}, &path), BackupResult::kFolderNotPrivate);
  EXPECT_NE(b.folderProblem().find("The folder " + folder_ + " for Quillet!'s backups is open to other users "
                                   "(mode 0770)"),
            std::string::npos);
  EXPECT_EQ(b.List(&list, false), BackupResult::kFolderNotPrivate);
  EXPECT_EQ(b.Restore(first, &previous), BackupResult::kFolderNotPrivate);
  EXPECT_EQ(ReadAll(store_), store);
  EXPECT_EQ(b.NewestTaken(), 0);
  EXPECT_EQ(Names(folder_).size(), 1u);

  // Readable by others, writable by nobody else: used.
  fs::permissions(folder_, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                               fs::perms::others_read | fs::perms::others_exec);
  EXPECT_EQ(b.Create({}, &path), BackupResult::kOk);
  EXPECT_TRUE(b.folderProblem().empty());

  // The backups folder above it, writable by all.
  fs::permissions(root_, fs::perms::all);
  EXPECT_EQ(b.Create({}, &path), BackupResult::kFolderNotPrivate);
  EXPECT_NE(b.folderProblem().find("The folder " + root_ + " for Quillet!'s backups"), std::string::npos);
  fs::permissions(root_, fs::perms::owner_all);

  // Another user's folder (only the superuser can make one here).
  if (::geteuid() == 0) {
    ASSERT_EQ(::chown(folder_.c_str(), 4321, 4321), 0);
    EXPECT_EQ(b.Create({}, &path), BackupResult::kFolderNotPrivate);
    EXPECT_NE(b.folderProblem().find("belongs to another user (user id 4321)"), std::string::npos);
    ASSERT_EQ(::chown(folder_.c_str(), ::getuid(), ::getgid()), 0);
  }
  WriteStore(store_, {3, 0, 0, 0, 0, "c"});
  EXPECT_EQ(b.Create({}, &path), BackupResult::kOk);
}

// A copy dated ahead of the clock is no recent copy, and the store log says
// so once.
TEST_F(StoreBackupsTest, ACopyDatedInTheFutureIsPassedOverAndLoggedOnce) {
  std::vector<std::string> lines;
  const StoreLogHook previous = SetStoreLogHook([&](const std::string& l) { lines.push_back(l); });
  WriteStore(store_, {1, 0, 0, 0, 0, "a"});
  const std::string taken = Copy();
  const std::string future = folder_ + "/" + BackupFileName(now_ + 365 * kDay, 0, false);
  fs::copy_file(taken, future);
  EXPECT_EQ(Backups().NewestTaken(), now_);
  EXPECT_EQ(Backups().NewestTaken(), now_);
  SetStoreLogHook(previous);
  const std::string said = "Backup " + future + " is dated in the future (2025-03-05T07:08:09Z";
  EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                          [&](const std::string& l) { return l.find(said) != std::string::npos; }),
            1);
}

}  // namespace
}  // namespace quillet
