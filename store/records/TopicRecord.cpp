#include "store/RecordKinds.h"
#include "store/StoreFile.h"
#include "store/records/RecordText.h"

namespace quillet {

DbResult CTopicRecord::ReadBody(CStoreFile& file) {
  ReadBase(file);
  file.ReadU32(&extraWord);
  file.ReadU32(&linksId);
  file.ReadU32(&categoryId);
  records::ReadText(file, &title);
  return file.ReadString(&fileName);
}

DbResult CTopicRecord::WriteBody(CStoreFile& file) const {
  DbResult rc = WriteBase(file);
  if (rc == DB_OK) rc = file.WriteU32(extraWord);
  if (rc == DB_OK) rc = file.WriteU32(linksId);
  if (rc == DB_OK) rc = file.WriteU32(categoryId);
  if (rc == DB_OK) rc = records::WriteText(file, title);
  if (rc == DB_OK) rc = file.WriteString(fileName);
  return rc;
}

void CTopicRecord::Assign(const CRecord& other) {
  if (&other == this) return;
  CopyBase(other);
  if (const auto* o = RecordAs<CTopicRecord>(&other)) {
    extraWord = o->extraWord;
    linksId = o->linksId;
    categoryId = o->categoryId;
    title = o->title;
    fileName = o->fileName;
  }
}

uint32_t CTopicRecord::Compare(const CRecord& other) const {
  const auto* o = RecordAs<CTopicRecord>(&other);
  if (o == nullptr) return kCompareDiffers;
  bool same = extraWord == o->extraWord && linksId == o->linksId &&
              categoryId == o->categoryId && title == o->title && fileName == o->fileName;
  return same ? kCompareEqual : kCompareDiffers;
}

}  // namespace quillet
