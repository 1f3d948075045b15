#include "desktop/records/RecordCommit.h"

#include <cstdio>
#include <utility>

#include "base/Strings.h"
#include "base/UserInterface.h"
#include "desktop/db/CurrentDatabase.h"
#include "desktop/records/WindowHost.h"
#include "desktop/shell/Commands.h"
#include "desktop/shell/EditPending.h"
#include "store/PrivateRecords.h"
#include "store/Record.h"

namespace quillet {

size_t StoredLength(const CpText& typed) {
  size_t n = 0;
  for (char c : typed.view()) n += c != '\r';
  return n;
}

bool TypedTextFits(const CpText& typed, size_t limit) { return StoredLength(typed) <= limit; }

CpText TakeTypedText(const CpText& typed, size_t limit, int fieldStringId) {
  std::string text;
  text.reserve(typed.size());
  for (char c : typed.view())
    if (c != '\r') text += c;
  if (text.size() > limit) {
    char message[512];
    std::snprintf(message, sizeof message, UiString(IDS_TEXT_TOO_LONG).c_str(),
                  UiString(fieldStringId).c_str(), static_cast<int>(limit));
    ShowFilledStringMessage(IDS_TEXT_TOO_LONG, message, kMbOk | kMbIconInformation);
    text.resize(limit);
  }
  return CpText(std::move(text));
}

CpText ShownText(const CpText& stored) {
  std::string out;
  out.reserve(stored.size() + stored.size() / 16);
  for (char c : stored.view()) {
    if (c == '\r') continue;  // a stray one would double up
    if (c == '\n') out += '\r';
    out += c;
  }
  return CpText(std::move(out));
}

void CRecordCommit::ApplyPrivateFlag(CRecord& record, bool checked, bool isNew) {
  record.isPrivate = checked ? 1 : 0;
  if (HiddenPrivate(record) && !isNew)
    if (ITopicTreeOps* tree = WindowHost().Tree()) tree->RemoveItem(record.recordId);
}

uint32_t CRecordCommit::CancelCommand() const { return CMD_VIEW_TOPIC; }

bool CRecordCommit::RunOk() {
  TakePrivateFlag();
  ReadTexts();
  if (!AddOrUpdate()) return false;
  if (!SaveStoreOrTell()) return false;
  AfterSave();
  // The edits are in the store now; the mode change must not be refused.
  bEditPending = 0;
  WindowHost().SendCommand(CMD_VIEW_TOPIC);
  ClearWindow();
  WindowHost().RefreshImageLists();
  return true;
}

bool CRecordCommit::RunOkQuietly() {
  if (!TypedTextsFit()) return false;
  TakePrivateFlag();
  ReadTexts();  // everything fits: no message
  if (!AddOrUpdate()) return false;
  if (pDB == nullptr || pDB->Save() != DB_OK) return false;
  AfterSave();
  bEditPending = 0;
  ShowSaved();
  return true;
}

void CRecordCommit::RunCancel() {
  DeletePending();
  bEditPending = 0;
  WindowHost().SendCommand(CancelCommand());
}

}  // namespace quillet
