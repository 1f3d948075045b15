// The order every record window's OK and Cancel follow, so that each window
// only supplies its own parts: take the private flag, read and cut the
// texts, add or update the record and its tree item, save the store, tell
// the main window, clear the dialog, refresh the image lists.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace quillet {

class CRecord;

// A typed text made ready for the store: longer than `limit` characters
// gives string 209 naming the field (string `fieldStringId`) and the limit
// and is cut to it; carriage returns are removed.
std::string TakeTypedText(const std::string& typed, size_t limit, int fieldStringId);

// The store's line feeds as an edit control shows them: each written as
// carriage return + line feed; the result cut to `limit` characters.
std::string ShownText(const std::string& stored, size_t limit);

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
};

}  // namespace quillet
