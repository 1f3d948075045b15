#include "store/RecordKinds.h"
#include "store/StoreFile.h"
#include "store/records/RecordText.h"

namespace quillet {

DbResult CImageRecord::ReadBody(CStoreFile& file) {
  ReadBase(file);
  file.ReadU32(&extraWord);
  records::ReadText(file, &title);
  file.ReadString(&fileName);
  file.ReadU32(&format);
  file.ReadU32(&width);
  file.ReadU32(&height);
  uint32_t size = 0;
  DbResult rc = file.ReadU32(&size);
  data.clear();
  if (rc != DB_OK || size == 0) return rc;
  // A size the file cannot hold is a body cut off by the end of the file:
  // read what is there, as a read running into the end of the file would,
  // rather than allocate what was claimed. The load then fails at the next
  // entry's kind.
  if (size > file.Remaining()) {
    const uint64_t left = file.Remaining();
    if (left > 0) file.ReadPicture(static_cast<size_t>(left), &data);
    rc = left == 0 ? DB_ERR_EOF : DB_ERR_SHORT_READ;
    file.NoteReadError(rc);
    return rc;
  }
  return file.ReadPicture(size, &data);
}

DbResult CImageRecord::WriteBody(CStoreFile& file) const {
  DbResult rc = WriteBase(file);
  if (rc == DB_OK) rc = file.WriteU32(extraWord);
  if (rc == DB_OK) rc = records::WriteText(file, title);
  if (rc == DB_OK) rc = file.WriteString(fileName);
  if (rc == DB_OK) rc = file.WriteU32(format);
  if (rc == DB_OK) rc = file.WriteU32(width);
  if (rc == DB_OK) rc = file.WriteU32(height);
  if (rc == DB_OK) rc = file.WriteU32(dataSize());
  if (rc == DB_OK && !data.empty()) rc = file.Write(data.data(), data.size());
  return rc;
}

void CImageRecord::Assign(const CRecord& other) {
  if (&other == this) return;
  CopyBase(other);
  if (const auto* o = RecordAs<CImageRecord>(&other)) {
    extraWord = o->extraWord;
    title = o->title;
    fileName = o->fileName;
    format = o->format;
    width = o->width;
    height = o->height;
    data = o->data;
  }
}

uint32_t CImageRecord::Compare(const CRecord& other) const {
  const auto* o = RecordAs<CImageRecord>(&other);
  if (o == nullptr) return kCompareDiffers;
  bool same = extraWord == o->extraWord && title == o->title && fileName == o->fileName &&
              format == o->format && width == o->width && height == o->height &&
              dataSize() == o->dataSize();
  return same ? kCompareEqual : kCompareDiffers;
}

}  // namespace quillet
