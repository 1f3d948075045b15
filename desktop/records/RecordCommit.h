// The order every record window's OK and Cancel follow, so that each window
// only supplies its own parts: take the private flag, read and cut the
// texts, add or update the record and its tree item, save the store, tell
// the main window, clear the dialog, refresh the image lists.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/codepage/CpText.h"
#include "store/StoreEvents.h"

namespace quillet {

class CRecord;

// Limits count characters as the store keeps them: line feeds only, so a
// carriage return the edit control adds is not counted.
size_t StoredLength(const CpText& typed);
bool TypedTextFits(const CpText& typed, size_t limit);

// A typed text made ready for the store: carriage returns are removed; a
// text still longer than `limit` characters gives string 209 naming the
// field (string `fieldStringId`) and the limit and is cut to it.
CpText TakeTypedText(const CpText& typed, size_t limit, int fieldStringId);

// The store's line feeds as an edit control shows them: each written as
// carriage return + line feed. Nothing is cut: a stored text over its limit
// (the handheld may write one) is shown whole, and only OK cuts it, saying
// so.
CpText ShownText(const CpText& stored);

class CRecordCommit {
 public:
  virtual ~CRecordCommit() = default;

  // OK: the common order. False (and the window keeps its contents) when
  // the window had nothing to save or the store could not be saved; the
  // person was told.
  bool RunOk();
  // Cancel: the window's pending new record is deleted unsaved, the
  // unsaved-changes flag cleared and the window's cancel command sent.
  void RunCancel();
  // OK without a word, for the HotSync notifier, which must not be kept
  // waiting: saves only when every typed text fits its limit and the store
  // saves. Then the window shows the saved record and no command is sent.
  // False otherwise, nothing told; texts that did not fit leave the record
  // untouched.
  bool RunOkQuietly();
  // A merge gave records added here fresh ids (another program had used
  // theirs): the window follows its record to its new id, so that a second
  // OK after a failed save updates that record and no other.
  virtual void FollowRenumbered(const std::vector<RecordIdChange>& /*changes*/) {}

 protected:
  // Sets the record's isPrivate; a record that turns private while private
  // records are hidden loses its tree item (a new one never had one).
  static void ApplyPrivateFlag(CRecord& record, bool checked, bool isNew);

  virtual void TakePrivateFlag() {}
  virtual void ReadTexts() = 0;
  // Adds the new record (and its tree item) or updates the shown one.
  // False when there is nothing to save (the record is gone).
  virtual bool AddOrUpdate() = 0;
  // Between the save and the command (the topic window selects its topic).
  virtual void AfterSave() {}
  virtual void ClearWindow() = 0;
  virtual void DeletePending() = 0;
  // 3072 after OK for every window; Cancel sends 3072 but from the topic
  // window, which sends 3058.
  virtual uint32_t CancelCommand() const;
  // For RunOkQuietly: whether what OK was given fits the limits.
  virtual bool TypedTextsFit() const = 0;
  // For RunOkQuietly: shows the record just saved (the window's view then
  // matches the store).
  virtual void ShowSaved() = 0;
};

}  // namespace quillet
