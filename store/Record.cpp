#include "store/Record.h"

#include "store/RecordKinds.h"
#include "store/StoreFile.h"

namespace quillet {

CRecord::~CRecord() = default;

DbResult CRecord::ReadBase(CStoreFile& file) {
  file.ReadI32(&slotIndex);
  file.ReadU32(&recordId);
  file.ReadI32(&syncWordA);
  file.ReadU32(&flags);
  file.ReadU32(&isPrivate);
  file.ReadU32(&syncWordB);
  return file.ReadU32(&syncWordC);
}

DbResult CRecord::WriteBase(CStoreFile& file) const {
  DbResult rc = file.WriteI32(slotIndex);
  if (rc == DB_OK) rc = file.WriteU32(recordId);
  if (rc == DB_OK) rc = file.WriteI32(syncWordA);
  if (rc == DB_OK) rc = file.WriteU32(flags);
  if (rc == DB_OK) rc = file.WriteU32(isPrivate);
  if (rc == DB_OK) rc = file.WriteU32(syncWordB);
  if (rc == DB_OK) rc = file.WriteU32(syncWordC);
  return rc;
}

void CRecord::CopyBase(const CRecord& other) {
  recordId = other.recordId;
  slotIndex = other.slotIndex;
  syncWordA = other.syncWordA;
  flags = other.flags;
  syncWordC = other.syncWordC;
  syncWordB = other.syncWordB;
  isPrivate = other.isPrivate;
}

DbResult CRecord::ReadBody(CStoreFile& file) { return ReadBase(file); }

DbResult CRecord::WriteBody(CStoreFile& file) const { return WriteBase(file); }

void CRecord::Assign(const CRecord& other) {
  if (&other == this) return;
  slotIndex = other.slotIndex;
  syncWordA = other.syncWordA;
  flags = other.flags;
}

uint32_t CRecord::Merge(const CRecord&) { return 0; }

uint32_t CRecord::Compare(const CRecord& other) const {
  return other.kind == kind ? kCompareEqual : kCompareDiffers;
}

std::unique_ptr<CRecord> CreateRecord(uint32_t kind) {
  switch (kind) {
    case kKindSettings: return std::make_unique<CSettingsRecord>();
    case kKindReserved: return std::make_unique<CReservedRecord>();
    case kKindStringList: return std::make_unique<CStringListRecord>();
    case kKindCategory: return std::make_unique<CCategoryRecord>();
    case kKindTopic: return std::make_unique<CTopicRecord>();
    case kKindNote: return std::make_unique<CNoteRecord>();
    case kKindImage: return std::make_unique<CImageRecord>();
    case kKindCustom: return std::make_unique<CCustomRecord>();
    case kKindTopicLinks: return std::make_unique<CTopicLinksRecord>();
  }
  return nullptr;
}

}  // namespace quillet
