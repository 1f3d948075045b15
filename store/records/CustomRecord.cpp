#include "store/RecordKinds.h"
#include "store/StoreFile.h"
#include "store/records/CountedList.h"
#include "store/records/RecordText.h"

namespace quillet {

DbResult CCustomRecord::ReadBody(CStoreFile& file) {
  ReadBase(file);
  file.ReadU32(&extraWord);
  file.ReadI32(&customType);
  uint16_t count = 0;
  DbResult rc = file.ReadU16(&count);
  if (rc != DB_OK || count == 0) {
    fields.clear();
    return rc;
  }
  return records::ReadCountedList(file, count, 1, &fields,
                                  [&](CpText* s) { return records::ReadText(file, s); });
}

DbResult CCustomRecord::WriteBody(CStoreFile& file) const {
  if (fields.size() > 0xFFFF) return DB_ERR_WRITE;  // the count is a u16
  DbResult rc = WriteBase(file);
  if (rc == DB_OK) rc = file.WriteU32(extraWord);
  if (rc == DB_OK) rc = file.WriteI32(customType);
  if (rc == DB_OK) rc = file.WriteU16(static_cast<uint16_t>(fields.size()));
  for (const auto& field : fields) {
    if (rc != DB_OK) break;
    rc = records::WriteText(file, field);
  }
  return rc;
}

void CCustomRecord::Assign(const CRecord& other) {
  if (&other == this) return;
  CopyBase(other);
  if (const auto* o = RecordAs<CCustomRecord>(&other)) {
    extraWord = o->extraWord;
    customType = o->customType;
    fields = o->fields;
  }
}

uint32_t CCustomRecord::Compare(const CRecord& other) const {
  const auto* o = RecordAs<CCustomRecord>(&other);
  if (o == nullptr) return kCompareDiffers;
  return extraWord == o->extraWord && customType == o->customType &&
                 fieldCount() == o->fieldCount()
             ? kCompareEqual
             : kCompareDiffers;
}

}  // namespace quillet
