#include "store/RecordKinds.h"
#include "store/StoreFile.h"
#include "store/records/RecordText.h"

namespace quillet {

DbResult CCategoryRecord::ReadBody(CStoreFile& file) {
  ReadBase(file);
  file.ReadU32(&extraWord);
  return records::ReadText(file, &name);
}

DbResult CCategoryRecord::WriteBody(CStoreFile& file) const {
  DbResult rc = WriteBase(file);
  if (rc == DB_OK) rc = file.WriteU32(extraWord);
  if (rc == DB_OK) rc = records::WriteText(file, name);
  return rc;
}

void CCategoryRecord::Assign(const CRecord& other) {
  if (&other == this) return;
  CopyBase(other);
  if (const auto* o = RecordAs<CCategoryRecord>(&other)) {
    extraWord = o->extraWord;
    name = o->name;
  }
}

uint32_t CCategoryRecord::Compare(const CRecord& other) const {
  const auto* o = RecordAs<CCategoryRecord>(&other);
  if (o == nullptr) return kCompareDiffers;
  return extraWord == o->extraWord && name == o->name ? kCompareEqual : kCompareDiffers;
}

}  // namespace quillet
