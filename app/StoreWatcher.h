// CStoreWatcher: keeps the main window in step with the store file, which
// the HotSync conduit, copies and sync tools may change at any time.
//
// While the program is idle it looks at the file (when the folder changes,
// and once a second): when another program replaced or rewrote it and no
// record window holds unsaved edits (bEditPending), the current store
// reloads it, merging (CRecordStore::Reload), and the window manager
// refreshes the tree, the lists and the shown page. With edits pending it
// waits until they are saved (the save merges) or cancelled. A save that
// merged another program's records refreshes the windows the same way.
//
// A reload or a HotSync user switch that fails leaves the store that is open
// as it was; the person is told once (string 107 and the reason), and the
// next HotSync stage, or the next look at the file, tries again. A file
// another program holds locked is simply tried again later, without a word.
//
// Owned by the window manager; everything runs on the user-interface thread.
#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <string>

#include "store/StoreFile.h"

namespace quillet {

class CRecordStore;

class CStoreWatcher : public QObject {
  Q_OBJECT
 public:
  struct Hooks {
    // Refreshes the tree, the lists and the shown page from the store.
    std::function<void()> refreshWindows;
    // Switches to the Palm user of that name (reopening the store and
    // refreshing every window); false when it could not.
    std::function<bool(const std::string&)> switchUser;
  };

  explicit CStoreWatcher(Hooks hooks, QObject* parent = nullptr);
  ~CStoreWatcher() override;

  enum class Outcome {
    kNothing,    // the file and the store are as the windows show them
    kRefreshed,  // the store had changed (a merging save): windows refreshed
    kReloaded,   // another program's changes were loaded, windows refreshed
    kWaiting,    // edits are pending, or the file is held: later
    kFailed,     // the file could not be read; the open store stays
  };
  // Looks at the file and the store now (the timer and the folder watch
  // call this).
  Outcome Check();

  // The HotSync notifier's user switch (message 0x3400, first parameter 2).
  // Messages the switch shows are shown after the notifier has its answer;
  // a failed switch is tried again at the next HotSync stage.
  bool SwitchUserForHotSync(const std::string& name);
  // Any HotSync stage: tries a failed switch again (without telling the
  // person a second time), or the file when it changed.
  void OnHotSyncStage();

  // The user switch waiting to be tried again ("" when none).
  const std::string& pendingSwitch() const { return pending_switch_; }
  void setInterval(int ms) { timer_.setInterval(ms); }

 private:
  void Watch(const std::string& path);
  void Schedule(int ms);
  void Tell(const std::string& reason);

  Hooks hooks_;
  QTimer timer_;
  QTimer soon_;
  QFileSystemWatcher folder_watch_;
  const CRecordStore* store_seen_ = nullptr;
  uint64_t generation_seen_ = 0;
  std::string watched_folder_;
  std::string pending_switch_;
  bool told_ = false;
  FileStamp failed_stamp_;  // the file as it was when it last failed to read
  bool checking_ = false;
};

// Holds back the message boxes shown while it lives (answering each with
// OK) and shows them from the event loop once it is gone, so that a caller
// waiting for an answer (the HotSync notifier) is not kept waiting by them.
// Other questions pass through. With `drop`, held messages are never shown.
class DeferredMessages {
 public:
  explicit DeferredMessages(bool drop = false);
  ~DeferredMessages();
  DeferredMessages(const DeferredMessages&) = delete;
  DeferredMessages& operator=(const DeferredMessages&) = delete;
  size_t held() const;

 private:
  class Form;
  Form* form_;
};

}  // namespace quillet
