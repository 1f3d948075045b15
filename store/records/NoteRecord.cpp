#include "store/RecordKinds.h"
#include "store/StoreFile.h"
#include "store/records/RecordText.h"

namespace quillet {

DbResult CNoteRecord::ReadBody(CStoreFile& file) {
  ReadBase(file);
  file.ReadU32(&extraWord);
  return records::ReadText(file, &text);
}

DbResult CNoteRecord::WriteBody(CStoreFile& file) const {
  DbResult rc = WriteBase(file);
  if (rc == DB_OK) rc = file.WriteU32(extraWord);
  if (rc == DB_OK) rc = records::WriteText(file, text);
  return rc;
}

void CNoteRecord::Assign(const CRecord& other) {
  if (&other == this) return;
  CopyBase(other);
  if (const auto* o = RecordAs<CNoteRecord>(&other)) {
    extraWord = o->extraWord;
    text = o->text;
  }
}

uint32_t CNoteRecord::Compare(const CRecord& other) const {
  const auto* o = RecordAs<CNoteRecord>(&other);
  if (o == nullptr) return kCompareDiffers;
  return extraWord == o->extraWord && text == o->text ? kCompareEqual : kCompareDiffers;
}

}  // namespace quillet
