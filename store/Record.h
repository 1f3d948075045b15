// CRecord: the part every record kind shares, and the record factory.
//
// A record body on disk starts with seven base words (slotIndex, recordId,
// syncWordA, flags, isPrivate, syncWordB, syncWordC); the kind's own fields
// follow. The kind number itself is written by the store before the body.
// Fields this program does not interpret are kept as read so that a load and
// a save give back what the conduit wrote.
#pragma once

#include <cstdint>
#include <memory>

#include "store/ResultCodes.h"

namespace quillet {

class CStoreFile;

// Record kinds, as stored in the file before each body.
inline constexpr uint32_t kKindSettings = 0;
inline constexpr uint32_t kKindReserved = 1;
inline constexpr uint32_t kKindStringList = 2;
inline constexpr uint32_t kKindCategory = 3;
inline constexpr uint32_t kKindTopic = 4;
inline constexpr uint32_t kKindNote = 5;
inline constexpr uint32_t kKindImage = 6;
inline constexpr uint32_t kKindCustom = 7;
inline constexpr uint32_t kKindTopicLinks = 8;
inline constexpr uint32_t kKindCount = 9;

// Bits of CRecord::flags. Other bits are carried unchanged.
inline constexpr uint32_t kFlagDeleted = 1;
inline constexpr uint32_t kFlagArchived = 2;
inline constexpr uint32_t kFlagModified = 4;  // changed on the desktop
inline constexpr uint32_t kFlagNew = 8;       // created on the desktop

// Results of Compare.
inline constexpr uint32_t kCompareEqual = 0;
inline constexpr uint32_t kCompareDiffers = 2;
inline constexpr uint32_t kCompareMembersDiffer = 4;  // CTopicLinksRecord only

class CRecord {
 public:
  virtual ~CRecord();
  CRecord(const CRecord&) = delete;
  CRecord& operator=(const CRecord&) = delete;

  // Reads the body (base words, then the kind's fields). Read errors are not
  // reported here: the result is that of the last read, and the store asks
  // the file whether the body was cut off.
  virtual DbResult ReadBody(CStoreFile& file);
  // Writes the body in the same order; the first failing write's code.
  virtual DbResult WriteBody(CStoreFile& file) const;
  // The base class copies slotIndex, syncWordA and flags only. Every kind
  // makes a full copy of all base fields (identity included) and its own
  // fields when `other` is of the same kind; from another kind it copies the
  // base fields. Assigning a record to itself does nothing.
  virtual void Assign(const CRecord& other);
  // 0 and no change for every kind but CTopicLinksRecord.
  virtual uint32_t Merge(const CRecord& other);
  // kCompareEqual, or kCompareDiffers when a compared own field differs (or
  // the kinds differ). Base fields are never compared.
  virtual uint32_t Compare(const CRecord& other) const;

  // Neither deleted nor archived.
  bool IsLive() const { return (flags & (kFlagDeleted | kFlagArchived)) == 0; }

  uint32_t recordId = 0;
  const uint32_t kind;
  int32_t slotIndex = -1;
  int32_t syncWordA = -1;
  uint32_t flags = 0;
  uint32_t syncWordC = 0;
  uint32_t syncWordB = 0;
  uint32_t isPrivate = 0;

 protected:
  explicit CRecord(uint32_t kind_number) : kind(kind_number) {}
  DbResult ReadBase(CStoreFile& file);
  DbResult WriteBase(CStoreFile& file) const;
  // Every base field but kind.
  void CopyBase(const CRecord& other);
};

// A new record of `kind` with all defaults; null for a number above 8.
std::unique_ptr<CRecord> CreateRecord(uint32_t kind);

// `record` as its kind's class, or null when it is null or of another kind.
template <class T>
T* RecordAs(CRecord* record) {
  return record != nullptr && record->kind == T::kKind ? static_cast<T*>(record) : nullptr;
}
template <class T>
const T* RecordAs(const CRecord* record) {
  return record != nullptr && record->kind == T::kKind ? static_cast<const T*>(record) : nullptr;
}

}  // namespace quillet
