// The texts of record bodies: code-page text in the store file's string
// encoding. The store file moves bytes; the records hold them as CpText.
#pragma once

#include <string>
#include <utility>

#include "platform/codepage/CpText.h"
#include "store/StoreFile.h"

namespace quillet::records {

inline DbResult ReadText(CStoreFile& file, CpText* text) {
  std::string bytes;
  const DbResult rc = file.ReadString(&bytes);
  *text = CpText(std::move(bytes));
  return rc;
}

inline DbResult WriteText(CStoreFile& file, const CpText& text) { return file.WriteString(text.bytes()); }

}  // namespace quillet::records
