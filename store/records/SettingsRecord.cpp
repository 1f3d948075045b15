#include "store/RecordKinds.h"
#include "store/StoreFile.h"

namespace quillet {

DbResult CSettingsRecord::ReadBody(CStoreFile& file) {
  ReadBase(file);
  file.ReadU32(&extraWord);
  file.ReadU32(&lastRecordId);
  file.ReadU32(&reservedWord);
  file.ReadU32(&extraWord2);
  return file.Read(reservedBytes.data(), reservedBytes.size());
}

DbResult CSettingsRecord::WriteBody(CStoreFile& file) const {
  DbResult rc = WriteBase(file);
  if (rc == DB_OK) rc = file.WriteU32(extraWord);
  if (rc == DB_OK) rc = file.WriteU32(lastRecordId);
  if (rc == DB_OK) rc = file.WriteU32(reservedWord);
  if (rc == DB_OK) rc = file.WriteU32(extraWord2);
  if (rc == DB_OK) rc = file.Write(reservedBytes.data(), reservedBytes.size());
  return rc;
}

void CSettingsRecord::Assign(const CRecord& other) {
  if (&other == this) return;
  CopyBase(other);
  if (const auto* o = RecordAs<CSettingsRecord>(&other)) {
    extraWord = o->extraWord;
    lastRecordId = o->lastRecordId;
    reservedWord = o->reservedWord;
    extraWord2 = o->extraWord2;
    reservedBytes = o->reservedBytes;
  }
}

uint32_t CSettingsRecord::Compare(const CRecord& other) const {
  const auto* o = RecordAs<CSettingsRecord>(&other);
  if (o == nullptr) return kCompareDiffers;
  bool same = extraWord == o->extraWord && lastRecordId == o->lastRecordId &&
              reservedWord == o->reservedWord && extraWord2 == o->extraWord2 &&
              reservedBytes == o->reservedBytes;
  return same ? kCompareEqual : kCompareDiffers;
}

}  // namespace quillet
