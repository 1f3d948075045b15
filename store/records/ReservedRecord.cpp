#include "store/RecordKinds.h"
#include "store/StoreFile.h"

namespace quillet {

DbResult CReservedRecord::ReadBody(CStoreFile& file) {
  ReadBase(file);
  file.ReadU32(&extraWord);
  return file.Read(reservedBytes.data(), reservedBytes.size());
}

DbResult CReservedRecord::WriteBody(CStoreFile& file) const {
  DbResult rc = WriteBase(file);
  if (rc == DB_OK) rc = file.WriteU32(extraWord);
  if (rc == DB_OK) rc = file.Write(reservedBytes.data(), reservedBytes.size());
  return rc;
}

void CReservedRecord::Assign(const CRecord& other) {
  if (&other == this) return;
  CopyBase(other);
  if (const auto* o = RecordAs<CReservedRecord>(&other)) {
    extraWord = o->extraWord;
    reservedBytes = o->reservedBytes;
  }
}

uint32_t CReservedRecord::Compare(const CRecord& other) const {
  const auto* o = RecordAs<CReservedRecord>(&other);
  if (o == nullptr) return kCompareDiffers;
  return extraWord == o->extraWord && reservedBytes == o->reservedBytes ? kCompareEqual
                                                                        : kCompareDiffers;
}

}  // namespace quillet
