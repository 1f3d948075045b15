#include "desktop/shell/UnsavedEdits.h"

#include "base/DiagnosticLog.h"
#include "base/Strings.h"
#include "base/UserInterface.h"
#include "platform/codepage/CodePage.h"
#include "store/RecordStore.h"

namespace quillet {
namespace {

uint64_t g_generation = 0;

}  // namespace

std::string SaveChangesQuestion(const std::string& recordName) {
  if (recordName.empty()) return translate("UnsavedEdits", "Save changes to the new record?");
  return FillIn(translate("UnsavedEdits", "Save changes to \"%1\"?"), {recordName});
}

EditsSettled SettleUnsavedEdits(IUnsavedEdits* edits) {
  if (edits == nullptr) return EditsSettled::kNothingPending;
  MessageRequest r;
  r.text = SaveChangesQuestion(edits->EditedRecordName());
  r.caption = kCaption;
  r.flags = kMbSaveDiscardCancel | kMbIconExclamation;
  switch (UI().ShowMessage(r)) {
    case kIdYes:
      if (!edits->SaveEdits()) {
        LogLine("Unsaved edits: saving failed, nothing else done");
        return EditsSettled::kCancelled;
      }
      return EditsSettled::kSaved;
    case kIdNo:
      edits->DiscardEdits();
      LogLine("Unsaved edits discarded");
      return EditsSettled::kDiscarded;
    default: return EditsSettled::kCancelled;
  }
}

StoreContext CurrentStoreContext(const CRecordStore* store, const std::string& userFolder) {
  StoreContext c;
  c.store = store;
  if (store != nullptr) c.storePath = store->path();
  c.userFolder = userFolder;
  c.generation = g_generation;
  return c;
}

void NoteStoreReopened() { ++g_generation; }
uint64_t StoreGeneration() { return g_generation; }

}  // namespace quillet
