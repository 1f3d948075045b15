// CWndMgr: the store changing under the windows: HotSync, another
// program's changes, the archive, and switching Palm users.
#include "app/gui/WndMgr.h"

#include <QMainWindow>

#include "app/core/AppPaths.h"
#include "app/core/DiagnosticLog.h"
#include "app/core/UserInterface.h"
#include "app/gui/Ansi.h"
#include "app/gui/EditGuard.h"
#include "app/gui/HotSyncGlue.h"
#include "app/gui/MenuBar.h"
#include "app/gui/Rebar.h"
#include "app/shell/Commands.h"
#include "app/shell/ShownPage.h"
#include "app/shell/UnsavedEdits.h"
#include "reports/StoreReportSource.h"
#include "store/db/CurrentDatabase.h"
#include "store/db/PalmUserList.h"
#include "store/users/UserSwitch.h"

namespace quillet {

void CWndMgr::OpenArchiveCommand() {
  if (!edits_->SettleBeforeLeaving()) return;
  const std::string output = UserString("OutputPath");
  FileDialogRequest request;
  request.title = "Open a File";
  request.initialFolder = output;
  request.filters = {{"Quillet (*.arc)", "*.ARC"}};
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
  if (!quillet::SwitchUser(name)) return false;
  NoteStoreReopened();
  user_name_ = name;
  main_window_->setWindowTitle(FromAnsi(CpText(MainWindowTitle(user_name_))));  // Palm names: code page
  archive_open_ = false;
  // The new user has a theme of their own.
  AppPaths.currentTheme = UserString("LastTemplate");
  if (rebar_) rebar_->FillThemeBox();
  report_source_->SetStore(pDB);
  return true;
}

void CWndMgr::RefreshAfterStoreChange() {
  if (!ready_) return;
  LogLine("Refresh after database change");
  report_source_->SetStore(pDB);
  for (int i = 1; i <= Combos().Count(); ++i)
    if (CCombo* c = Combos().At(i)) c->Fill();
  CTreeObject* tree = topicTree();
  if (tree) tree->Refresh();  // keeps the selected record selected while it is shown
  for (int i = 1; i <= ListViews().Count(); ++i)
    if (CListViewObject* l = ListViews().At(i)) l->Refill();
  // The mode is entered again, so its page and record window show the
  // store as it is now; the start page when its record is gone.
  const ModeRow& row = RowOf(named_mode_);
  const bool lost = row.browser == BrowserShows::kTopicReport
                        ? TopicOfSelection() == 0
                        : row.load == WindowLoad::kSelectedRecord && !(tree && tree->SelectedItem());
  if (lost) {
    OnCommand(CMD_START);
    return;
  }
  EnterMode(named_mode_, 0);
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
