// The main window's side of a HotSync: message 0x3400 from the notifier,
// answered at once (desktop/shell/NotifierQueue.h), and its stages carried out
// from the main window's event loop when no dialog, message box or menu is
// open.
//
// - The ping saves what the record windows hold, without any dialog, so
//   that the conduit takes it to the handheld.
// - Stage 5 (HotSync starts) shows every category and returns to where the
//   user was (CWndMgr::ReturnToPlace), unless a window still holds edits.
// - Stage 2 (a user was synchronised) reopens that user's store; a user
//   added in Palm Desktop since the program started is read in first, and
//   one that Palm Desktop does not list is told once. Edits that
//   could not be saved are shown again over the reloaded records; while a
//   window holds such edits for another user's (or the archive's) records,
//   the program stays with them instead of switching.
#pragma once

#include <QObject>
#include <QTimer>

#include <cstdint>
#include <set>
#include <string>

#include "desktop/shell/NotifierQueue.h"

namespace quillet {

class CWndMgr;

class CHotSyncGlue : public QObject {
  Q_OBJECT
 public:
  explicit CHotSyncGlue(CWndMgr* manager);

  // A message arrived; returns the answer to send back now.
  uint32_t Arrive(uint32_t wparam, uint32_t lparam);
  // Whether a dialog, message box or menu of the program is open.
  static bool DialogOpen();
  const CNotifierQueue& queue() const { return queue_; }

 private:
  void Drain();
  void Carry(const NotifierStage& stage);
  void Ping();
  // A stage went by: retry a failed switch, or look at the file again.
  void TellWatcherOfStage();
  void SwitchUser(uint32_t palmUserId);
  // Switches for the notifier; a failure is told once, afterwards, and
  // tried again at the next stage.
  bool SwitchOrRetryLater(const std::string& name);
  void FilterAllAndStart();

  CWndMgr* manager_;
  CNotifierQueue queue_;
  QTimer timer_;
  bool stage_seen_ = false;  // a stage not queued still wants OnHotSyncStage
  std::set<uint32_t> told_unknown_;  // Palm user ids a HotSync named that could not be found
};

}  // namespace quillet
