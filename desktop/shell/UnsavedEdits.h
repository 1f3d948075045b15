// Typed text is never thrown away without asking.
//
// Before the program ends, switches users or opens or closes the archive
// while a record window holds edits the store does not have, the person is
// asked "Save changes to "<name>"?" with Save, Discard and Cancel: Save runs
// the window's own OK, Discard gives the edits up, Cancel stops the action.
// When the OK fails (the store could not be saved, say), nothing closes or
// switches.
//
// A question answered in a dialog may concern a store that is no longer
// the current one by the time the answer comes (the HotSync notifier may
// reopen the store meanwhile). StoreContext names what a question was about
// so that the action can check it again after the answer.
#pragma once

#include <cstdint>
#include <string>

#include "platform/codepage/CpText.h"

namespace quillet {

class CRecordStore;

// What a record window with unsaved edits offers the main window.
class IUnsavedEdits {
 public:
  virtual ~IUnsavedEdits() = default;
  // The record the edits belong to, as the person knows it (its title, or
  // the first line of a note), UTF-8: what was typed shows as it was typed.
  // Empty for a new record that has nothing typed that could name it.
  virtual std::string EditedRecordName() const = 0;
  // The window's OK: true when the edits are in the store now.
  virtual bool SaveEdits() = 0;
  // The window shows what the store holds again; nothing is saved.
  virtual void DiscardEdits() = 0;
};

// "Save changes to "<name>"?"; a record without a name is "the new record".
std::string SaveChangesQuestion(const std::string& recordName);

enum class EditsSettled : uint8_t {
  kNothingPending,  // no edits: go on
  kSaved,           // saved: go on
  kDiscarded,       // given up: go on
  kCancelled,       // the person cancelled, or the save failed: stop
};

// Asks about the edits of `edits` (null: there are none) through the
// user-interface form, caption "Quillet", Save being the default.
EditsSettled SettleUnsavedEdits(IUnsavedEdits* edits);
inline bool MayGoOn(EditsSettled s) { return s != EditsSettled::kCancelled; }

// The store and the user a question is about.
struct StoreContext {
  const CRecordStore* store = nullptr;
  std::string storePath;
  std::string userFolder;
  uint64_t generation = 0;
  bool operator==(const StoreContext&) const = default;
};

// The current store and user folder, with the number of times the program
// has reopened its store so far.
StoreContext CurrentStoreContext(const CRecordStore* store, const std::string& userFolder);
// Called whenever the current store is closed and another (or the same
// file again) opened: contexts taken before no longer match.
void NoteStoreReopened();
uint64_t StoreGeneration();

}  // namespace quillet
