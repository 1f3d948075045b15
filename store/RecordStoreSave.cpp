// CRecordStore: saving, with the merge a changed file asks for, and setting
// a damaged file aside (for the current database's open; a save never does).
#include <sys/stat.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <ctime>

#include "store/RecordKinds.h"
#include "store/RecordStore.h"
#include "store/StoreEvents.h"

namespace quillet {
namespace {

bool FileExists(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0;
}

}  // namespace

std::string KeptDamagedName(const std::string& store_path) {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, ".damaged-%Y%m%d-%H%M", &local);
  std::string base = store_path + stamp;
  std::string name = base;
  for (int n = 2; FileExists(name); ++n) name = base + "-" + std::to_string(n);
  return name;
}

std::string SetAsideDamagedStore(const std::string& path, int locked_fd) {
  // The file a symbolic link names is the one set aside; the link stays
  // and the fresh store is made where it points.
  std::string target = path;
  char resolved[PATH_MAX];
  if (::realpath(path.c_str(), resolved) != nullptr) target = resolved;
  StoreBackupEvent event{path, StoreBackupReason::kSetAsideDamaged, locked_fd};
  CallStoreBackupHook(event);
  const std::string kept = KeptDamagedName(target);
  if (::rename(target.c_str(), kept.c_str()) != 0) {
    StoreLog("Unable to keep damaged database %s", target.c_str());
    return std::string();
  }
  StoreLog("Damaged database kept as %s", kept.c_str());
  return kept;
}

// --- Save -----------------------------------------------------------------------

DbResult CRecordStore::Save() {
  failure_ = Failure::kNone;
  if (path_.empty()) return DB_ERR_NO_NAME;
  const Clock::time_point deadline = Clock::now() + StoreLockWait();
  for (int attempt = 0;; ++attempt) {
    last_errno_ = 0;
    const auto left = std::max<Clock::duration>(deadline - Clock::now(), Clock::duration::zero());
    DbResult rc = file_.Rewrite(path_, std::chrono::duration_cast<std::chrono::milliseconds>(left));
    if (rc != DB_OK) {
      last_errno_ = file_.error();
      return rc;
    }
    if (file_.TargetExisted() && (!has_snapshot_ || file_.TargetStamp() != stamp_)) {
      rc = MergeWithFile(deadline);
      if (rc != DB_OK) {
        file_.Close();
        return rc;
      }
    }
    // A writer that takes no lock may have renamed another file into place
    // while we merged: merge with that one instead of replacing it.
    if (file_.TargetExisted() && attempt < 3) {
      const FileStamp locked = file_.TargetStamp();
      const FileStamp named = StampOfPath(file_.TargetPath());
      if (named.exists && (named.device != locked.device || named.inode != locked.inode)) {
        file_.Close();
        continue;
      }
    }
    std::vector<BaseEntry> written;
    rc = WriteAll(file_, &written);
    if (rc != DB_OK) {
      last_errno_ = file_.error();
      file_.Close();  // discards the temporary file; the old one stays
      return rc;
    }
    rc = file_.Commit();
    if (rc == DB_ERR_OPEN && file_.LostCreateRace() && attempt < 3) continue;
    if (rc != DB_OK) last_errno_ = file_.error();
    // Records in place count as written even when the save could not
    // promise they last (the folder sync failed): the next save must not
    // take our own file for another writer's.
    if (rc == DB_OK || file_.CommittedStamp().exists) {
      RememberWritten(std::move(written), file_.CommittedStamp());
      ++save_count_;
    }
    return rc;
  }
}

DbResult CRecordStore::MergeWithFile(Clock::time_point deadline) {
  const int fd = file_.TargetFd();
  StoreBackupEvent event{path_, StoreBackupReason::kMergingSave, fd};
  CallStoreBackupHook(event);
  CRecordStore theirs(path_, "");
  SettleDigests();
  const std::vector<KnownRecord> known = KnownRecords();
  theirs.known_ = &known;
  DbResult rc = theirs.LoadUntil(fd, deadline);
  if (rc != DB_OK) {
    // Another program is still writing the file, or left it damaged. Either
    // way a save never writes over it nor moves it: it may hold records that
    // exist nowhere else, and a writer that is still at work would go on
    // writing into whatever name the file has then. The records here stay
    // in memory for the next save; opening the store again (OpenUserStore)
    // is what keeps a damaged file aside, and says so.
    failure_ = theirs.failure_ == Failure::kBeingWritten ? Failure::kBeingWritten : Failure::kDamagedNotSaved;
    return rc;
  }
  last_merge_ = MergeFrom(theirs);
  return DB_OK;
}

DbResult CRecordStore::SaveTo(const std::string& otherPath) {
  last_errno_ = 0;
  DbResult rc = file_.Rewrite(otherPath);
  if (rc != DB_OK) {
    last_errno_ = file_.error();
    return rc;
  }
  rc = WriteAll(file_, nullptr);
  if (rc != DB_OK) {
    file_.Close();
    return rc;
  }
  return file_.Commit();
}

DbResult CRecordStore::SaveToMemory(std::vector<uint8_t>* out) {
  DbResult rc = file_.RewriteMemory(out);
  if (rc == DB_OK) rc = WriteAll(file_, nullptr);
  if (rc != DB_OK) {
    file_.Close();
    return rc;
  }
  return file_.Commit();
}

DbResult CRecordStore::WriteAll(CStoreFile& file, std::vector<BaseEntry>* written) {
  DbResult rc = file.WriteU32(format_word_);
  if (rc != DB_OK) return rc;
  rc = file.WriteU32(live_count_);
  if (written) written->assign(high_water_, BaseEntry{});
  if (rc != DB_OK || live_count_ == 0) return rc;
  uint32_t count = 0;
  for (uint32_t pos = 0; pos < high_water_ && count < live_count_; ++pos) {
    const CRecord* record = slots_[pos].get();
    if (record == nullptr) continue;
    if (written) file.BeginDigest();
    rc = file.WriteU32(record->kind);
    if (rc == DB_OK) rc = record->WriteBody(file);
    if (written) (*written)[pos] = BaseEntry{file.EndDigest(), record->recordId, record->kind, true};
    if (rc == DB_OK) rc = file.WriteU32(kEntryMarker);
    if (rc != DB_OK) return rc;
    ++count;
  }
  // Fewer records than the count announced would make a file that lies
  // about its length; never commit one.
  return count == live_count_ ? DB_OK : DB_ERR_NOT_FOUND;
}

void CRecordStore::RememberWritten(std::vector<BaseEntry> written, const FileStamp& stamp) {
  base_ = std::move(written);
  pending_digests_.clear();
  base_members_.clear();
  for (uint32_t pos = 0; pos < high_water_; ++pos)
    if (const auto* links = RecordAs<CTopicLinksRecord>(slots_[pos].get()))
      base_members_[pos] = links->memberIds;
  stamp_ = stamp;
  has_snapshot_ = true;
}

}  // namespace quillet
