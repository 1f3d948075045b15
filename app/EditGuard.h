// What the main window does about the edits a record window holds: asks
// before the program ends, switches users or opens or closes the archive;
// saves them without a word when HotSync starts; and carries the ones that
// could not be saved over a reload of the same store, so that nothing
// typed is lost.
#pragma once

#include <cstdint>
#include <optional>

#include "desktop/shell/Modes.h"
#include "widgets/kit/ShellParts.h"

namespace quillet {

class CWndMgr;

class CEditGuard {
 public:
  explicit CEditGuard(CWndMgr* manager) : manager_(manager) {}

  // The record window that holds edits the store does not have; null when
  // none does.
  CChildWnd* EditingWindow() const;

  // "Save changes to ...?" (Save, Discard, Cancel) when a window holds
  // edits. True when the action may go on: nothing pending, saved through
  // the window's own OK, or discarded. False when the person cancelled or
  // the OK failed.
  bool SettleBeforeLeaving();

  // Saves every window's edits that pass its checks, without any dialog
  // and without leaving the window. True when no edits remain unsaved; the
  // unsaved-changes flag is cleared then.
  bool SaveQuietly();

  // Edits that are to outlive a reload of the store.
  struct Carried {
    CChildWnd* window = nullptr;
    TypedEdits edits;
    Mode mode = Mode::START;      // the mode the window was shown in
    uint32_t selected = 0;        // the tree's selected record
    uint32_t currentTopic = 0;    // where new members go
  };
  std::optional<Carried> Take() const;
  // After the reload: selects what was selected if the tree still shows
  // it, shows the window again in its mode (a new record's mode when the
  // record is gone) and puts the edits back, marked unsaved. False, with a
  // log line, when they could not be put back.
  bool Restore(const Carried& carried);

 private:
  CWndMgr* manager_;
};

}  // namespace quillet
