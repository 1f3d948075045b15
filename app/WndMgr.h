// CWndMgr: the window manager of the main window (pWndMgr in the log).
//
// It owns every child of the main window (the rebar, the browser pane, the
// splitter, the e-mail object, the topic tree and the category combos, the
// image and find lists and the record windows), lays them out, and is the
// one command dispatcher: menus, toolbar, record windows, lists and tests
// all send command numbers to OnCommand. A command that enters a mode
// applies that mode's row of the mode table (desktop/shell/Modes.h); a mode
// whose window does not exist yet is refused with a log line.
//
// Written in several files by what each part of it does: WndMgr.cpp
// (building and deleting the children), WndMgrLayout.cpp (placement and
// layout), WndMgrCommands.cpp (the dispatcher), WndMgrModes.cpp (entering
// a mode), WndMgrStore.cpp (HotSync, store changes, the archive and user
// switches) and WndMgrEvents.cpp (the parts' notifications).
#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <cstdint>
#include <memory>
#include <string>

#include "base/RegistryKey.h"
#include "desktop/shell/Modes.h"
#include "desktop/startup/Startup.h"
#include "widgets/kit/ShellParts.h"

class QMainWindow;

namespace quillet {

class CEditGuard;
class CHotSyncGlue;
class CMenus;
class CRebar;
class CSplashWnd;
class CSplitter;
class CStoreWatcher;
class CWebWnd;
class ImagingWriter;
class RegistryReportSettings;
class ReportBuilder;
class StoreReportSource;
class UserWindows;

class CWndMgr : public QObject, public IShell {
  Q_OBJECT
 public:
  // `client` is the main window's client area, `menus` its main menu.
  // Construction builds everything in its fixed order (its named steps are
  // below). When the start user's store does not open it stops after the
  // configuration pass, before any window is made, and ready() stays
  // false; users() then holds what the pass found.
  CWndMgr(QMainWindow* mainWindow, QWidget* client, CMenus* menus, const ShellParts& parts);
  ~CWndMgr() override;

  bool ready() const { return ready_; }

  // The dispatcher. `param` is the command's second parameter (the menu
  // command a reference kind came from).
  void OnCommand(uint32_t command, uint32_t param = 0) override;
  // Message 0x3400 from the HotSync notifier; returns the answer, which is
  // sent at once: the stages are carried out when no dialog is open
  // (app/HotSyncGlue.h).
  uint32_t OnNotifierMessage(uint32_t wparam, uint32_t lparam);
  // The program is about to end: asks about unsaved edits. False when the
  // person cancelled or the edits could not be saved.
  bool ConfirmClose();
  // Places every child for the client area's size (skipped when minimized).
  void Layout();

  // Switches to the Palm user of that name (desktop/users): reopens the
  // store, refreshes every window and enters START. Asks first about edits
  // a record window holds. False, changing nothing, when the person
  // cancelled, for an unknown name or a store that does not open.
  bool SwitchUser(const std::string& name) override;
  // The same without asking (HotSync, after the edits were taken care of).
  bool SwitchUserNow(const std::string& name);
  CEditGuard& edits() { return *edits_; }
  const CHotSyncGlue& hotsync() const { return *hotsync_; }
  // After another store was opened: both category lists are filled again
  // and start at "All Categories", and the tree and the image list show
  // every category.
  void ResetCategoryFilters();
  // Whether the archive is the current store.
  bool archiveOpen() const { return archive_open_; }
  // The Palm user whose records are open.
  const std::string& userName() const { return user_name_; }

  // Notifications of the parts.
  void OnTopicComboChanged() override;
  void OnImageComboChanged() override;
  void OnThemeChosen(int index);
  // The theme in use was removed from the folder by another program.
  void OnThemeInUseGone(const QString& name);
  void OnImageListClick() override;
  void OnImageListDoubleClick(uint32_t recordId) override;
  void OnFindListClick(uint32_t recordId) override;
  // Context menu of the topic tree or the image list at a screen position.
  void ShowContextMenu(QWidget* source, const QPoint& globalPos) override;

  // The current mode number (0 START ... 14 FIND) and the named mode that
  // set it.
  uint32_t mode() const override { return mode_; }
  Mode namedMode() const { return named_mode_; }
  bool MailAvailable() const;

  CWebWnd* web() const;
  CRebar* rebar() const;
  CSplitter* splitter() const;
  CUserTable& users() override { return users_; }
  // The report builder, reading the current store (which a reload may have
  // replaced since the last report).
  ReportBuilder* reports() const override;
  CTreeObject* topicTree() const override { return Trees().At(topic_tree_); }
  CListViewObject* imageList() const override { return ListViews().At(image_list_); }
  CListViewObject* findList() const { return ListViews().At(find_list_); }
  CCombo* topicCombo() const override { return Combos().At(topic_combo_); }
  CCombo* imageCombo() const { return Combos().At(image_combo_); }
  CChildWnd* window(RecordWindow which) const override;
  CMenus* menus() const { return menus_; }
  // Keeps the windows in step with the store file (app/StoreWatcher.h).
  CStoreWatcher* storeWatcher() const { return store_watcher_.get(); }
  // The store's records changed under the windows (another program's
  // changes merged in): refreshes the tree, lists and the shown page.
  void RefreshAfterStoreChange();
  // Where the user is: the open topics, the selected record and its topic,
  // and the mode. Taken before the store is read again (a reload, a
  // HotSync, private records shown or hidden) and returned to after it.
  struct Place {
    std::string userFolder;
    bool archive = false;
    std::vector<uint32_t> openTopics;
    uint32_t selected = 0;
    uint32_t topic = 0;
    Mode mode = Mode::START;
  };
  Place SavePlace() const;
  // Back to `place` as far as the store still allows it: a record that is
  // gone leaves its topic shown, a topic that is gone the start page.
  // Another user's or the archive's store starts at the start page.
  void ReturnToPlace(const Place& place);
  // A merge of the current store gave records added here fresh ids: every
  // record window, the tree and its selection follow them (the store's
  // renumber hook, installed while the manager exists).
  void FollowRenumbered(const std::vector<RecordIdChange>& changes);
  QWidget* client() const { return client_; }
  // Whether a command can be carried out: false for a mode (or a New
  // item) whose window does not exist yet.
  bool CommandAvailable(uint32_t command) const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void ApplyComboFilter(CCombo* combo, uint32_t centerCommand);
  bool EnterMode(Mode mode, uint32_t param);
  bool ModeTargetsExist(const ModeRow& row) const;
  void ShowModeViews(const ModeRow& row);
  void LoadModePage(const ModeRow& row);
  void ApplyMenuState(const ModeRow& row);
  void ShowPreviewImage();
  void ShowTopicReport();
  // The topic whose report the topic view shows (0 for none).
  uint32_t TopicOfSelection() const;
  std::string ThemeFilePath() const;
  void DeleteAll();
  void OpenArchiveCommand();
  void CloseArchiveCommand();
  void RefreshWindows(const char* logPrefix);
  void Refuse(const char* what);
  void PlaceWindow();
  // Writes where the main window stands, for the next start.
  void SavePlacement() const;
  // The constructor's steps, in their order.
  void TakeProcessState(const ShellParts& parts);
  void MakeReportBuilder(const ShellParts& parts);
  bool OpenStartUser();
  void BuildWindows(const ShellParts& parts);
  void ShowPlaced();
  void WatchTheStore();
  void CreateChildWindows(const ShellParts& parts);
  void CreateCombosTreesLists(const ShellParts& parts);
  // Deletes every object of the four object tables, table by table, and
  // empties the tables.
  void DeleteParts();
  // A string value of the current user's settings; "" when there is none.
  static std::string UserString(const char* name);

  // In the order the manager's state was always declared.
  bool ready_ = false;
  std::unique_ptr<CSplashWnd> splash_;
  QPointer<CWebWnd> web_;
  QPointer<CRebar> rebar_;
  QPointer<CSplitter> splitter_;
  std::unique_ptr<CEmail> email_;
  int topic_tree_ = 0;
  int topic_wnd_ = 0, note_wnd_ = 0, image_wnd_ = 0, sketch_wnd_ = 0, custom_wnd_ = 0,
      find_wnd_ = 0;
  int image_list_ = 0, find_list_ = 0;
  uint32_t mode_ = 0;
  int topic_combo_ = 0, image_combo_ = 0;
  QMainWindow* main_window_;
  CRegistryKey registry_;
  std::unique_ptr<StoreReportSource> report_source_;
  std::unique_ptr<ImagingWriter> report_images_;
  std::unique_ptr<RegistryReportSettings> report_settings_;
  std::unique_ptr<ReportBuilder> report_builder_;

  Mode named_mode_ = Mode::START;
  QWidget* client_;
  CMenus* menus_;
  CUserTable users_;
  // What user switching and the private-records toggle act on.
  std::unique_ptr<UserWindows> user_windows_;
  std::unique_ptr<CEditGuard> edits_;
  std::unique_ptr<CHotSyncGlue> hotsync_;
  bool archive_open_ = false;
  std::function<void(uint32_t)> duplicate_topic_;
  std::function<void(QWidget*, int)> preferences_;
  std::function<void(uint32_t)> references_;
  std::unique_ptr<CStoreWatcher> store_watcher_;
  StoreRenumberHook previous_renumber_hook_;
  bool renumber_hook_installed_ = false;
  std::string user_name_;  // the open Palm user, named in the title
  IManagerLink* host_ = nullptr;  // attached to while the parts exist
};

}  // namespace quillet
