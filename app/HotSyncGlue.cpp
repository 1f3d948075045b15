#include "app/HotSyncGlue.h"

#include <QApplication>
#include <QWidget>

#include <algorithm>
#include <cstdio>

#include "app/EditGuard.h"
#include "app/StoreWatcher.h"
#include "app/WndMgr.h"
#include "base/DiagnosticLog.h"
#include "base/Strings.h"
#include "base/UserInterface.h"
#include "desktop/db/PalmUserList.h"
#include "desktop/shell/Commands.h"
#include "desktop/shell/EditPending.h"
#include "desktop/startup/Startup.h"
#include "desktop/users/UserSwitch.h"
#include "store/backup/AutoBackup.h"

namespace quillet {
namespace {

// While HotSync waits for the ping's answer nothing may be asked: whatever
// a save would have said goes to the log, and every question gets its
// cautious answer.
class LoggedOnlyForm : public IUserInterface {
 public:
  int ShowMessage(const MessageRequest& r) override {
    LogPair("HotSync: not shown:", r.text.c_str());
    switch (r.flags & kMbButtonsMask) {
      case kMbYesNo:
      case kMbYesNoCancel: return kIdNo;
      case kMbOkCancel:
      case kMbSaveDiscardCancel: return kIdCancel;
      default: return kIdOk;
    }
  }
  int ShowInfoDialog(int) override { return kIdOk; }
  bool AskPassword(int, std::string*) override { return false; }
  bool ChooseOpenFile(const FileDialogRequest&, std::string*) override { return false; }
  bool ChooseSaveFile(const FileDialogRequest&, std::string*) override { return false; }
  bool ChooseFolder(const std::string&, std::string*) override { return false; }
  bool SetClipboardText(const std::string&) override { return false; }
  bool GetClipboardText(std::string*) override { return false; }
};

// While a dialog is open the queue is looked at again this often.
constexpr int kDialogPollMs = 100;

}  // namespace

CHotSyncGlue::CHotSyncGlue(CWndMgr* manager) : manager_(manager) {
  timer_.setSingleShot(true);
  connect(&timer_, &QTimer::timeout, this, &CHotSyncGlue::Drain);
}

bool CHotSyncGlue::DialogOpen() {
  return QApplication::activeModalWidget() != nullptr || QApplication::activePopupWidget() != nullptr;
}

uint32_t CHotSyncGlue::Arrive(uint32_t wparam, uint32_t lparam) {
  // The conduit comes next, even when the stage itself waits for a dialog:
  // the copy is taken before the answer goes back.
  if (NotifierActionFor(wparam) == NotifierAction::kFilterAllAndStart)
    BackupAllUserStores(BackupReason::kBeforeHotSync);
  const CNotifierQueue::Arrival a = queue_.Arrive(wparam, lparam, DialogOpen());
  if (a.handleNow) Ping();
  if (a.queued) {
    LogValue("HotSync: stage queued", static_cast<int>(wparam));
    if (!timer_.isActive()) timer_.start(0);
  } else if (!a.handleNow) {
    // A stage with nothing of its own to do still retries a switch that
    // failed and looks at the file, after the answer has gone back.
    stage_seen_ = true;
    if (!timer_.isActive()) timer_.start(0);
  }
  return a.answer;
}

void CHotSyncGlue::Drain() {
  if (stage_seen_ && !DialogOpen()) {
    stage_seen_ = false;
    TellWatcherOfStage();
  }
  while (std::optional<NotifierStage> stage = queue_.Next(DialogOpen())) {
    Carry(*stage);
    queue_.Done();
  }
  // A dialog is open (or a stage is still being carried out below us):
  // look again shortly.
  if (!queue_.empty() || stage_seen_) timer_.start(kDialogPollMs);
}

void CHotSyncGlue::Carry(const NotifierStage& stage) {
  // Every stage but the switch itself retries a switch that failed, or
  // picks up the file when the conduit has changed it.
  if (stage.action != NotifierAction::kSwitchUser) TellWatcherOfStage();
  switch (stage.action) {
    case NotifierAction::kPing: Ping(); break;
    case NotifierAction::kSwitchUser: SwitchUser(stage.lparam); break;
    case NotifierAction::kFilterAllAndStart: FilterAllAndStart(); break;
    case NotifierAction::kNothing:
    case NotifierAction::kDefault: break;
  }
}

void CHotSyncGlue::TellWatcherOfStage() {
  if (!manager_->ready()) return;
  if (CStoreWatcher* watcher = manager_->storeWatcher()) watcher->OnHotSyncStage();
}

void CHotSyncGlue::Ping() {
  if (!manager_->ready()) {
    bEditPending = 0;
    return;
  }
  LoggedOnlyForm quiet;
  ScopedUI scope(&quiet);
  manager_->edits().SaveQuietly();
}

void CHotSyncGlue::FilterAllAndStart() {
  if (!manager_->ready()) return;
  const CWndMgr::Place place = manager_->SavePlace();
  if (CTreeObject* tree = manager_->topicTree()) {
    tree->SetFilter(CategoryFilter{});
    tree->Refresh();  // so the tree shows what the filter now says
  }
  if (manager_->edits().EditingWindow() != nullptr) {
    // The window keeps its edits; the list above the tree says what the
    // tree now shows.
    if (CCombo* combo = manager_->topicCombo(); combo && combo->widget() && combo->widget()->isVisible())
      combo->Show(true, 0);
    return;
  }
  bEditPending = 0;
  manager_->ReturnToPlace(place);
}

bool CHotSyncGlue::SwitchOrRetryLater(const std::string& name) {
  // The watcher tells a failure once, after the notifier has its answer,
  // and tries again at the next stage; the open store stays meanwhile.
  if (CStoreWatcher* watcher = manager_->storeWatcher()) return watcher->SwitchUserForHotSync(name);
  return manager_->SwitchUserNow(name);
}

void CHotSyncGlue::SwitchUser(uint32_t palmUserId) {
  if (!manager_->ready()) return;
  std::string name;
  {
    CPalmUserList list;
    list.Build();
    name = list.NameOf(palmUserId);
  }
  // A user added in Palm Desktop since the program started is read in now.
  CUserTable& users = manager_->users();
  auto known = [&users](const std::string& n) {
    return std::any_of(users.entries.begin(), users.entries.end(),
                       [&n](const PalmUserEntry& e) { return e.name == n; });
  };
  if (name.empty() || !known(name)) users.ReadUsersAgain();
  if (name.empty() || !known(name)) {
    LogValue("HotSync: no such Palm user, records not switched:", static_cast<int>(palmUserId));
    if (told_unknown_.insert(palmUserId).second) {
      char text[512];
      std::snprintf(text, sizeof text, UiString(IDS_HOTSYNC_USER_UNKNOWN).c_str(), palmUserId);
      ShowFilledStringMessage(IDS_HOTSYNC_USER_UNKNOWN, text, kMbOk | kMbIconExclamation);
    }
    return;
  }
  CEditGuard& edits = manager_->edits();
  {
    // Typed since the ping: saved as the ping would have.
    LoggedOnlyForm quiet;
    ScopedUI scope(&quiet);
    edits.SaveQuietly();
  }
  if (edits.EditingWindow() == nullptr) {
    SwitchOrRetryLater(name);
    return;
  }
  // The edits belong to the records now open. Only the same user's store,
  // reopened, can take them back.
  if (manager_->archiveOpen() || name != CurrentUserName()) {
    LogPair("HotSync: user not switched while a record window holds unsaved edits:", name.c_str());
    return;
  }
  std::optional<CEditGuard::Carried> carried = edits.Take();
  if (!carried) {
    LogPair("HotSync: store not reopened while a record window holds unsaved edits:", name.c_str());
    return;
  }
  if (!SwitchOrRetryLater(name)) return;  // nothing reopened: the window still has them
  edits.Restore(*carried);
}

}  // namespace quillet
