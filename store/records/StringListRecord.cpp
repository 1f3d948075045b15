#include "store/RecordKinds.h"
#include "store/StoreFile.h"
#include "store/records/RecordText.h"
#include "store/records/CountedList.h"

namespace quillet {

DbResult CStringListRecord::ReadBody(CStoreFile& file) {
  ReadBase(file);
  file.ReadU32(&extraWord);
  uint16_t count = 0;
  file.ReadU16(&count);
  DbResult rc = records::ReadText(file, &listName);
  // A count that was never read stays 0: no list.
  if (count == 0) {
    items.clear();
    return rc;
  }
  return records::ReadCountedList(file, count, 1, &items,
                                  [&](CpText* s) { return records::ReadText(file, s); });
}

DbResult CStringListRecord::WriteBody(CStoreFile& file) const {
  if (items.size() > 0xFFFF) return DB_ERR_WRITE;  // the count is a u16
  DbResult rc = WriteBase(file);
  if (rc == DB_OK) rc = file.WriteU32(extraWord);
  if (rc == DB_OK) rc = file.WriteU16(static_cast<uint16_t>(items.size()));
  if (rc == DB_OK) rc = records::WriteText(file, listName);
  for (const auto& item : items) {
    if (rc != DB_OK) break;
    rc = records::WriteText(file, item);
  }
  return rc;
}

void CStringListRecord::Assign(const CRecord& other) {
  if (&other == this) return;
  CopyBase(other);
  if (const auto* o = RecordAs<CStringListRecord>(&other)) {
    extraWord = o->extraWord;
    listName = o->listName;
    items = o->items;
  }
}

uint32_t CStringListRecord::Compare(const CRecord& other) const {
  const auto* o = RecordAs<CStringListRecord>(&other);
  if (o == nullptr) return kCompareDiffers;
  return extraWord == o->extraWord && itemCount() == o->itemCount() && listName == o->listName
             ? kCompareEqual
             : kCompareDiffers;
}

}  // namespace quillet
