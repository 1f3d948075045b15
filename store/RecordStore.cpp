#include "store/RecordStore.h"

#include <new>

namespace quillet {

CRecordStore::CRecordStore(const std::string& fileName, const std::string& folder) {
  if (folder.empty()) {
    path_ = fileName;
  } else {
    path_ = folder;
    if (path_.back() != '/') path_ += '/';
    path_ += fileName;
  }
}

CRecordStore::~CRecordStore() {
  Clear();
  file_.Close();
}

void CRecordStore::Clear() {
  slots_.clear();
  slots_.shrink_to_fit();
  live_count_ = 0;
  high_water_ = 0;
  first_free_hint_ = 0;
}

DbResult CRecordStore::Load() {
  Clear();
  DbResult rc = file_.OpenForRead(path_);
  if (rc != DB_OK) return rc;

  uint32_t format = 0;
  if (file_.ReadU32(&format) != DB_OK) {
    file_.Close();
    return DB_ERR_NO_HEADER;
  }
  if (format != kFormatWord) {
    file_.Close();
    return DB_ERR_BAD_FORMAT;
  }
  uint32_t record_count = 0;
  rc = file_.ReadU32(&record_count);
  if (rc == DB_OK && record_count > 0) rc = LoadEntries(record_count);
  file_.Close();
  return rc;
}

DbResult CRecordStore::LoadEntries(uint32_t record_count) {
  // The count is not trusted: each entry takes at least its kind word, so a
  // count beyond the file's size simply runs into the end of the file.
  for (uint32_t i = 0; i < record_count; ++i) {
    uint32_t kind = 0;
    DbResult rc = file_.ReadU32(&kind);
    if (rc != DB_OK) return rc;
    std::unique_ptr<CRecord> record = CreateRecord(kind);
    if (!record) return DB_ERR_READ;
    record->ReadBody(file_);
    uint32_t marker = 0;
    file_.ReadU32(&marker);  // "DATA" by convention; never examined
    rc = Insert(std::move(record));
    if (rc != DB_OK) return rc;
    // A body or marker cut off by the end of the file keeps the record as
    // far as it was read, but the load is a failure even when this was the
    // last entry the count announced.
    rc = file_.FirstReadError();
    if (rc != DB_OK) return rc;
  }
  return DB_OK;
}

DbResult CRecordStore::Save() { return SaveTo(path_); }

DbResult CRecordStore::SaveTo(const std::string& otherPath) {
  DbResult rc = file_.Rewrite(otherPath);
  if (rc != DB_OK) return rc;
  rc = WriteAll();
  if (rc != DB_OK) {
    file_.Close();  // discards the temporary file; the old one stays
    return rc;
  }
  return file_.Commit();
}

DbResult CRecordStore::WriteAll() {
  DbResult rc = file_.WriteU32(format_word_);
  if (rc != DB_OK) return rc;
  rc = file_.WriteU32(live_count_);
  if (rc != DB_OK || live_count_ == 0) return rc;
  uint32_t written = 0;
  for (uint32_t pos = 0; pos < high_water_ && written < live_count_; ++pos) {
    const CRecord* record = slots_[pos].get();
    if (record == nullptr) continue;
    rc = file_.WriteU32(record->kind);
    if (rc == DB_OK) rc = record->WriteBody(file_);
    if (rc == DB_OK) rc = file_.WriteU32(kEntryMarker);
    if (rc != DB_OK) return rc;
    ++written;
  }
  // Fewer records than the count announced would make a file that lies
  // about its length; never commit one.
  return written == live_count_ ? DB_OK : DB_ERR_NOT_FOUND;
}

DbResult CRecordStore::Insert(std::unique_ptr<CRecord> record) {
  if (!record) return DB_ERR_NO_MEMORY;
  // Positions are only ever emptied all at once (Clear), so every position
  // below the hint is taken and the search can start there.
  uint32_t pos = first_free_hint_;
  while (pos < slots_.size() && slots_[pos] != nullptr) ++pos;
  if (pos == slots_.size()) {
    try {
      slots_.resize(slots_.size() + kSlotGrowth);
    } catch (const std::bad_alloc&) {
      return DB_ERR_NO_MEMORY;
    } catch (const std::length_error&) {
      return DB_ERR_NO_MEMORY;
    }
  }
  record->slotIndex = static_cast<int32_t>(pos);
  slots_[pos] = std::move(record);
  first_free_hint_ = pos + 1;
  ++live_count_;
  if (pos >= high_water_) high_water_ = pos + 1;
  return DB_OK;
}

DbResult CRecordStore::AddNew(std::unique_ptr<CRecord> record) {
  if (!record) return DB_ERR_NO_MEMORY;
  record->flags = 0;
  record->flags = kFlagNew;
  record->syncWordA = 0;
  record->syncWordB = 0;
  return Insert(std::move(record));
}

CRecord* CRecordStore::RecordAt(uint32_t position) const {
  return position < high_water_ ? slots_[position].get() : nullptr;
}

DbResult CRecordStore::FindById(uint32_t id, CRecord** out) const {
  *out = nullptr;
  for (uint32_t pos = 0; pos < high_water_; ++pos) {
    CRecord* record = slots_[pos].get();
    if (record != nullptr && record->recordId == id) {
      *out = record;
      return DB_OK;
    }
  }
  return DB_ERR_NOT_FOUND;
}

DbResult CRecordStore::First(CRecord** out) {
  cursor_ = 0;
  return Next(out);
}

DbResult CRecordStore::Next(CRecord** out) {
  *out = nullptr;
  for (; cursor_ < high_water_; ++cursor_) {
    if (CRecord* record = slots_[cursor_].get()) {
      *out = record;
      ++cursor_;
      return DB_OK;
    }
  }
  return DB_ERR_NOT_FOUND;
}

DbResult CRecordStore::FirstOfKind(uint32_t kind, CRecord** out, bool liveOnly) {
  if (kind >= kKindCount) {
    *out = nullptr;
    return DB_ERR_NOT_FOUND;
  }
  kind_cursor_[kind] = 0;
  return NextOfKind(kind, out, liveOnly);
}

DbResult CRecordStore::NextOfKind(uint32_t kind, CRecord** out, bool liveOnly) {
  *out = nullptr;
  if (kind >= kKindCount) return DB_ERR_NOT_FOUND;
  uint32_t& cursor = kind_cursor_[kind];
  for (; cursor < high_water_; ++cursor) {
    CRecord* record = slots_[cursor].get();
    if (record == nullptr || record->kind != kind) continue;
    if (liveOnly && !record->IsLive()) continue;
    *out = record;
    ++cursor;
    return DB_OK;
  }
  return DB_ERR_NOT_FOUND;
}

uint32_t CRecordStore::CountLive(uint32_t kind) const {
  uint32_t count = 0;
  for (uint32_t pos = 0; pos < high_water_; ++pos) {
    const CRecord* record = slots_[pos].get();
    if (record != nullptr && record->kind == kind && record->IsLive()) ++count;
  }
  return count;
}

}  // namespace quillet
