// CRecordStore: every record of one store file, held in memory and moved
// between memory and the file all at once.
//
// File layout: u32 formatWord 0x01000000, u32 recordCount, then recordCount
// entries of { u32 kind, body, u32 "DATA" marker }, little-endian, no
// padding. There is no index: identity is the record id in each body, and an
// entry's position is the order it was read or inserted in.
//
// The store owns every record in it. Records obtained by lookup or
// iteration stay owned by the store and remain valid until the next Load, a
// Clear or the store's destruction. Records are never taken out: removing
// is done by flagging (kFlagDeleted), and every save writes every record.
//
// Usage: construct, Load(), then lookups, iterations, AddNew and changes to
// records, each change followed by Save().
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "store/Record.h"
#include "store/ResultCodes.h"
#include "store/StoreFile.h"

namespace quillet {

inline constexpr uint32_t kFormatWord = 0x01000000;
inline constexpr uint32_t kEntryMarker = 0x41544144;  // "DATA" on disk
inline constexpr uint32_t kSlotGrowth = 2000;

class CRecordStore {
 public:
  // path = folder + "/" (unless the folder already ends in '/') + fileName;
  // an empty folder gives fileName alone. Touches no file.
  CRecordStore(const std::string& fileName, const std::string& folder);
  ~CRecordStore();
  CRecordStore(const CRecordStore&) = delete;
  CRecordStore& operator=(const CRecordStore&) = delete;

  // Clears the store and reads the whole file. DB_OK; DB_ERR_OPEN (missing or
  // in use); DB_ERR_NO_HEADER / DB_ERR_BAD_FORMAT (nothing loaded);
  // DB_ERR_EOF / DB_ERR_SHORT_READ when the file ends early, DB_ERR_READ for
  // an unknown kind (records read before stay loaded). Counts and lengths in
  // the file are never trusted beyond the file's size.
  DbResult Load();
  // Writes every record, in position order, to a temporary file and replaces
  // the store file with it. On any failure the old file is untouched and the
  // failing code is returned; the records in memory never change.
  DbResult Save();
  // The same, into another file (a copy or a salvage); path() is unchanged.
  DbResult SaveTo(const std::string& otherPath);

  // Puts `record` at the lowest free position, sets its slotIndex and takes
  // ownership. DB_OK, or DB_ERR_NO_MEMORY (the record is then deleted and
  // the store is unchanged).
  DbResult Insert(std::unique_ptr<CRecord> record);
  // For records the user creates: flags = kFlagNew, syncWordA = syncWordB = 0,
  // then Insert. The caller has already given it a fresh record id.
  DbResult AddNew(std::unique_ptr<CRecord> record);

  // The record at the lowest position with this id, whatever its kind and
  // flags. DB_OK or DB_ERR_NOT_FOUND (*out is then null).
  DbResult FindById(uint32_t id, CRecord** out) const;

  // All records in position order, flagged ones included. DB_OK or
  // DB_ERR_NOT_FOUND at the end.
  DbResult First(CRecord** out);
  DbResult Next(CRecord** out);
  // The records of one kind (0 to 8) in position order; with liveOnly,
  // deleted and archived ones are skipped. Each kind has its own cursor, so
  // iterations over different kinds may be nested, over the same kind not.
  DbResult FirstOfKind(uint32_t kind, CRecord** out, bool liveOnly);
  DbResult NextOfKind(uint32_t kind, CRecord** out, bool liveOnly);

  // Records of `kind` that are neither deleted nor archived.
  uint32_t CountLive(uint32_t kind) const;

  // Deletes every record and the slot array.
  void Clear();

  // Direct access without touching any cursor: the record at `position`
  // (below highWater()), or null for an empty or out-of-range position.
  CRecord* RecordAt(uint32_t position) const;

  const std::string& path() const { return path_; }
  uint32_t liveCount() const { return live_count_; }  // records inserted since the last Clear
  uint32_t capacity() const { return static_cast<uint32_t>(slots_.size()); }
  uint32_t highWater() const { return high_water_; }
  uint32_t formatWord() const { return format_word_; }

 private:
  DbResult LoadEntries(uint32_t recordCount);
  DbResult WriteAll();

  std::string path_;
  CStoreFile file_;
  uint32_t live_count_ = 0;
  std::vector<std::unique_ptr<CRecord>> slots_;  // size() is the capacity
  uint32_t high_water_ = 0;
  uint32_t format_word_ = kFormatWord;
  uint32_t cursor_ = 0;
  uint32_t kind_cursor_[kKindCount] = {};
  uint32_t first_free_hint_ = 0;  // no free position below this one
};

}  // namespace quillet
