// CWndMgr: the store changing under the windows: HotSync, another
// program's changes, the archive, and switching Palm users.
#include "app/WndMgr.h"

#include <QMainWindow>

#include "app/EditGuard.h"
#include "app/HotSyncGlue.h"
#include "app/MenuBar.h"
#include "app/Rebar.h"
#include "base/AppPaths.h"
#include "base/DiagnosticLog.h"
#include "base/UserInterface.h"
#include "desktop/db/CurrentDatabase.h"
#include "desktop/db/PalmUserList.h"
#include "desktop/shell/Commands.h"
#include "desktop/shell/ShownPage.h"
#include "desktop/shell/UnsavedEdits.h"
#include "desktop/users/UserSwitch.h"
#include "reports/StoreReportSource.h"
#include "widgets/kit/Ansi.h"

namespace quillet {

void CWndMgr::OpenArchiveCommand() {
  if (!edits_->SettleBeforeLeaving()) return;
  const std::string output = UserString("OutputPath");
  FileDialogRequest request;
  request.title = tr("Open a File").toStdString();
  request.initialFolder = output;
  request.filters = {{tr("Quillet (*.arc)").toStdString(), "*.ARC"}};
  std::string chosen;
  const bool picked = UI().ChooseOpenFile(request, &chosen);
  const bool opened = OpenArchive(picked ? chosen : output);
  NoteStoreReopened();
  if (!opened) return;  // the main window is closing
  archive_open_ = true;
  CPalmUserList list;
  list.Build();
  list.IdFromPath(AppPaths.userFolder);
  // The archive is the store now: every window shows it. Switching to a
  // user here would reopen that user's own store in its place.
  RefreshWindows("Open Archive");
  menus_->SetEnabled(CMD_CLOSE_ARCHIVE, true);
  menus_->SetEnabled(CMD_OPEN_ARCHIVE, false);
}

void CWndMgr::CloseArchiveCommand() {
  if (!edits_->SettleBeforeLeaving()) return;
  // The user's store held or unreadable: the archive stays open, and so do
  // the menus that say so (the person was told why).
  if (!OpenUserStore(AppPaths.userFolder)) return;
  NoteStoreReopened();
  archive_open_ = false;
  RefreshWindows("Close Archive");
  menus_->SetEnabled(CMD_CLOSE_ARCHIVE, false);
  menus_->SetEnabled(CMD_OPEN_ARCHIVE, true);
}

void CWndMgr::RefreshWindows(const char* logPrefix) {
  report_source_->SetStore(pDB);
  ResetCategoryFilters();
  if (CTreeObject* tree = topicTree()) {
    tree->ForgetSelection();
    tree->Refresh();
  }
  for (int i = 1; i <= ListViews().Count(); ++i)
    if (CListViewObject* l = ListViews().At(i)) l->Clear();
  const std::pair<RecordWindow, const char*> windows[] = {
      {RecordWindow::kTopic, "Refresh Topic Window"},
      {RecordWindow::kImage, "Refresh Image Window"},
      {RecordWindow::kCustom, "Refresh Custom Window"},
      {RecordWindow::kFind, "Refresh Find Window"},
  };
  for (const auto& [which, line] : windows) {
    LogLine((std::string(logPrefix) + ": " + line).c_str());
    if (CChildWnd* w = window(which)) w->Refresh();
  }
  OnCommand(CMD_START);
}

void CWndMgr::ResetCategoryFilters() {
  for (int i = 1; i <= Combos().Count(); ++i)
    if (CCombo* c = Combos().At(i)) c->Fill();  // the first entry, "All Categories"
  CategoryFilter all;
  all.position = 0;
  if (CTreeObject* tree = topicTree()) tree->SetFilter(all);
  if (CListViewObject* list = imageList()) list->SetFilter(all);
}

bool CWndMgr::SwitchUser(const std::string& name) {
  if (!edits_->SettleBeforeLeaving()) return false;
  return SwitchUserNow(name);
}

bool CWndMgr::SwitchUserNow(const std::string& name) {
  // The same user's store read again (every HotSync does this): the user
  // stays where they were.
  const bool same = ready_ && !archive_open_ && name == user_name_;
  const Place place = SavePlace();
  if (!quillet::SwitchUser(name)) return false;
  NoteStoreReopened();
  user_name_ = name;
  main_window_->setWindowTitle(FromAnsi(CpText(MainWindowTitle(user_name_))));  // Palm names: code page
  archive_open_ = false;
  // The new user has a theme of their own.
  AppPaths.currentTheme = UserString("LastTemplate");
  if (rebar_) rebar_->FillThemeBox();
  report_source_->SetStore(pDB);
  if (same) ReturnToPlace(place);
  return true;
}

void CWndMgr::RefreshAfterStoreChange() {
  if (!ready_) return;
  LogLine("Refresh after database change");
  const Place place = SavePlace();
  report_source_->SetStore(pDB);
  for (int i = 1; i <= Combos().Count(); ++i)
    if (CCombo* c = Combos().At(i)) c->Fill();
  if (CTreeObject* tree = topicTree()) tree->Refresh();  // keeps the open topics and the selection
  for (int i = 1; i <= ListViews().Count(); ++i)
    if (CListViewObject* l = ListViews().At(i)) l->Refill();
  // The mode is entered again, so its page and record window show the
  // store as it is now; an empty new record's window stays open.
  if (RowOf(place.mode).load == WindowLoad::kNewRecord) {
    EnterMode(place.mode, 0);
    return;
  }
  ReturnToPlace(place);
}

CWndMgr::Place CWndMgr::SavePlace() const {
  Place place;
  place.userFolder = AppPaths.userFolder;
  place.archive = archive_open_;
  place.mode = named_mode_;
  if (CTreeObject* tree = topicTree()) {
    place.openTopics = tree->OpenTopics();
    if (const std::optional<TreeItemRef> item = tree->SelectedItem()) place.selected = item->recordId;
    place.topic = TopicOfSelection();
  }
  return place;
}

void CWndMgr::ReturnToPlace(const Place& place) {
  if (!ready_) return;
  CTreeObject* tree = topicTree();
  if (!tree || place.userFolder != AppPaths.userFolder || place.archive != archive_open_) {
    OnCommand(CMD_START);
    return;
  }
  tree->ReopenTopics(place.openTopics);
  // A refill keeps a record selected while it is shown; after a store read
  // anew it is looked for.
  bool selected = false;
  if (place.selected != 0) {
    const std::optional<TreeItemRef> now = tree->SelectedItem();
    selected = (now && now->recordId == place.selected) ||
               (tree->ShowsRecord(place.selected) && tree->SelectRecord(place.selected));
  }
  const ModeRow& row = RowOf(place.mode);
  // A new record's window was settled before (saved or given up): it is
  // not opened empty again.
  if (row.load == WindowLoad::kNewRecord) {
    OnCommand(CMD_START);
    return;
  }
  const bool needsRecord = row.load == WindowLoad::kSelectedRecord || row.browser == BrowserShows::kTopicReport;
  if (!needsRecord || (selected && (row.browser != BrowserShows::kTopicReport || TopicOfSelection() != 0))) {
    if (!EnterMode(place.mode, 0)) OnCommand(CMD_START);
    return;
  }
  // The record is gone (or hidden): its topic, when that is still shown.
  if (place.topic != 0 && tree->ShowsRecord(place.topic) && tree->SelectRecord(place.topic)) {
    LogValue("Shown record gone, its topic shown:", static_cast<int>(place.topic));
    if (EnterMode(Mode::VIEWTOPIC, 0)) return;
  }
  OnCommand(CMD_START);
}

void CWndMgr::FollowRenumbered(const std::vector<RecordIdChange>& changes) {
  // The store's log already names each change.
  for (int i = 1; i <= ChildWindows().Count(); ++i)
    if (CChildWnd* w = ChildWindows().At(i)) w->FollowRenumbered(changes);
  // The tree's selection is what the shown page and the next refresh go by.
  for (int i = 1; i <= Trees().Count(); ++i)
    if (CTreeObject* t = Trees().At(i)) t->FollowRenumbered(changes);
  for (int i = 1; i <= ListViews().Count(); ++i)
    if (CListViewObject* l = ListViews().At(i)) l->FollowRenumbered(changes);
}

bool CWndMgr::ConfirmClose() { return !ready_ || edits_->SettleBeforeLeaving(); }

uint32_t CWndMgr::OnNotifierMessage(uint32_t wparam, uint32_t lparam) {
  return hotsync_->Arrive(wparam, lparam);
}

}  // namespace quillet
