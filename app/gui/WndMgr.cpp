#include "app/gui/WndMgr.h"

#include <unistd.h>

#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QMainWindow>
#include <QMenu>
#include <QScreen>

#include <cinttypes>

#include "app/core/AppPaths.h"
#include "app/core/DiagnosticLog.h"
#include "app/core/Strings.h"
#include "app/core/UserInterface.h"
#include "app/gui/EditGuard.h"
#include "app/gui/Ansi.h"
#include "app/gui/HotSyncGlue.h"
#include "app/gui/MenuBar.h"
#include "app/gui/PageActions.h"
#include "app/gui/Rebar.h"
#include "app/gui/RestoreBackupDlg.h"
#include "app/gui/Splash.h"
#include "app/gui/Splitter.h"
#include "app/gui/StoreWatcher.h"
#include "app/gui/WebWnd.h"
#include "app/shell/Commands.h"
#include "app/shell/DeleteAll.h"
#include "app/shell/Desktop.h"
#include "app/shell/EditPending.h"
#include "app/shell/Layout.h"
#include "app/shell/NotifierMessage.h"
#include "app/shell/Pages.h"
#include "app/shell/ShownPage.h"
#include "app/shell/UnsavedEdits.h"
#include "imaging/Sketch.h"
#include "reports/ImagingWriter.h"
#include "reports/RegistryReportSettings.h"
#include "reports/ReportBuilder.h"
#include "platform/files/SafeFiles.h"
#include "reports/ReportPaths.h"
#include "reports/StoreReportSource.h"
#include "store/PrivateRecords.h"
#include "store/backup/AutoBackup.h"
#include "store/db/CurrentDatabase.h"
#include "store/db/PalmUserList.h"
#include "store/find/FoundPlaces.h"
#include "store/users/UserSwitch.h"

namespace quillet {
namespace {

uintptr_t Address(const void* p) { return reinterpret_cast<uintptr_t>(p); }

std::string UserString(const char* name) {
  CRegistryKey key;
  key.OpenProgramKey(AppPaths.userFolder);
  std::string value;
  key.ReadValueString(name, &value, kPathBufferSize);
  return value;
}

// The reference kinds of the New drop-down, in the order of their numbers.
int ReferenceKindOf(uint32_t command) {
  switch (command) {
    case CMD_NEW_BOOK: return 1;
    case CMD_NEW_JOURNAL: return 2;
    case CMD_NEW_MAGAZINE: return 3;
    case CMD_NEW_NEWSPAPER: return 4;
    case CMD_NEW_REPORT: return 5;
    case CMD_NEW_INTERNET: return 6;
    default: return 0;
  }
}

}  // namespace

// The windows as user switching and the private-records toggle see them.
class UserWindows : public IUserWindows {
 public:
  explicit UserWindows(CWndMgr* m) : m_(m) {}
  void RefreshTopicWindowCategories() override { m_->ResetCategoryFilters(); }
  void ForgetTreeSelection() override {
    if (CTreeObject* t = m_->topicTree()) t->ForgetSelection();
  }
  void ResetTrees() override {
    for (int i = 1; i <= Trees().Count(); ++i)
      if (CTreeObject* t = Trees().At(i)) t->Refresh();
  }
  void EmptyListViews() override {
    for (int i = 1; i <= ListViews().Count(); ++i)
      if (CListViewObject* l = ListViews().At(i)) l->Clear();
  }
  void RefreshTopicWindow() override { Refresh(RecordWindow::kTopic); }
  void RefreshImageWindow() override { Refresh(RecordWindow::kImage); }
  void RefreshCustomWindow() override { Refresh(RecordWindow::kCustom); }
  void RefreshFindWindow() override { Refresh(RecordWindow::kFind); }
  bool DiscardPending(PendingWindow which) override {
    CChildWnd* w = m_->window(which == PendingWindow::kTopic  ? RecordWindow::kTopic
                              : which == PendingWindow::kNote ? RecordWindow::kNote
                              : which == PendingWindow::kCustom ? RecordWindow::kCustom
                                                                : RecordWindow::kImage);
    return w && w->DiscardPendingRecord();
  }
  void SetPrivateMenuText(const std::string& text) override { m_->menus()->SetText(CMD_PRIVATE, text); }
  void RebuildTree() override { ResetTrees(); }
  void ClearCurrentList() override {
    if (CListViewObject* l = m_->imageList()) l->Clear();
  }
  void SendCommand(uint32_t command) override { m_->OnCommand(command); }

 private:
  void Refresh(RecordWindow which) {
    if (CChildWnd* w = m_->window(which)) w->Refresh();
  }
  CWndMgr* m_;
};

CWndMgr::CWndMgr(QMainWindow* mainWindow, QWidget* client, CMenus* menus, const ShellParts& parts)
    : main_window_(mainWindow), client_(client), menus_(menus) {
  AppPaths.Clear();
  users_.entries.clear();
  mode_ = 0;
  user_windows_ = std::make_unique<UserWindows>(this);
  edits_ = std::make_unique<CEditGuard>(this);
  hotsync_ = std::make_unique<CHotSyncGlue>(this);
  SetUserTable(&users_);
  SetUserWindows(user_windows_.get());
  duplicate_topic_ = parts.duplicateTopic;
  preferences_ = parts.preferences;
  references_ = parts.references;

  report_source_ = std::make_unique<StoreReportSource>(pDB);
  report_images_ = std::make_unique<ImagingWriter>();
  report_settings_ = std::make_unique<RegistryReportSettings>();
  ReportServices services;
  services.source = report_source_.get();
  services.images = report_images_.get();
  services.settings = report_settings_.get();
  services.refillThemeBox = [this] {
    std::string first;
    if (rebar_) rebar_->FillThemeBox(&first);
    return first;
  };
  services.openDocument = [](const std::string& path) { return Desktop().OpenPath(path); };
  report_builder_ = std::make_unique<ReportBuilder>(services);

  splash_ = std::make_unique<CSplashWnd>();
  LogLine("Splash Window Created");

  registry_.OpenProgramKey();
  uint32_t setup = 0;
  registry_.ReadValueDword("Setup", &setup);
  LogValue("Setup Value:", static_cast<int>(setup));
  const bool firstRun = setup != 1;
  if (!users_.PrepareConfiguration(firstRun)) {
    // Without a store there is nothing to build; the main window tells the
    // person why instead of leaving the splash up for good.
    splash_.reset();
    LogLine("Splash Window Destroy Called");
    return;
  }

  std::string folder;
  const uint16_t index = users_.FindCurrentUser(&folder);
  AppPaths.userFolder = FitAppPath(folder);
  std::string name;
  users_.SelectUser(index, &name);
  user_name_ = name;
  main_window_->setWindowTitle(FromAnsi(MainWindowTitle(user_name_)));
  report_source_->set_store(pDB);  // the store just opened, not the one before
  if (firstRun) {
    registry_.OpenProgramKey();
    registry_.WriteValueDword("Setup", 1);
  }
  AppPaths.currentTheme = UserString("LastTemplate");

  if (parts.email) email_ = parts.email();
  if (email_) {
    DebugTrace("NEW pEmail = 0x%08" PRIxPTR, Address(email_.get()));
    LogLine("E-mail object initialized");
  }

  rebar_ = new CRebar(client_, menus_, [this](uint32_t c) { OnCommand(c); });
  DebugTrace("NEW pRebar = 0x%08" PRIxPTR, Address(rebar_.data()));
  rebar_->SetAvailability([this](uint32_t c) { return CommandAvailable(c); });
  rebar_->CreateBands();
  connect(rebar_, &CRebar::themeChosen, this, &CWndMgr::OnThemeChosen);
  LogLine("Rebar created");

  {
    CRegistryKey key;
    key.OpenProgramKey(AppPaths.userFolder);
    uint32_t isPrivate = 0;
    key.ReadValueDword("Private", &isPrivate);
    bShowPrivate = isPrivate != 0 ? 1 : 0;
    menus_->SetText(CMD_PRIVATE, LoadString(bShowPrivate ? IDS_HIDE_PRIVATE : IDS_SHOW_PRIVATE));
  }

  splitter_ = new CSplitter(client_, [this](int) { Layout(); });
  DebugTrace("NEW pVSplit = 0x%08" PRIxPTR, Address(splitter_.data()));
  LogLine("Splitter bar created");

  CreateChildWindows(parts);
  CreateCombosTreesLists(parts);

  web_ = new CWebWnd(client_, client_->rect());
  DebugTrace("NEW pWebWnd = 0x%08" PRIxPTR, Address(web_.data()));
  LogLine("Browser Window created");
  connect(web_, &CWebWnd::commandStateChanged, this,
          [this] { rebar_->SetHistory(web_->backEnabled(), web_->forwardEnabled()); });
  rebar_->raise();
  ready_ = true;

  PlaceWindow();

  splash_->hide();
  splash_.reset();
  LogLine("Splash Window Destroy Called");

  CStoreWatcher::Hooks watch;
  watch.refreshWindows = [this] { RefreshAfterStoreChange(); };
  watch.switchUser = [this](const std::string& name) { return SwitchUserNow(name); };
  store_watcher_ = std::make_unique<CStoreWatcher>(watch);
}

void CWndMgr::CreateChildWindows(const ShellParts& parts) {
  struct Slot {
    const std::function<std::unique_ptr<CChildWnd>()>& factory;
    const char* name;
    const char* line;
    int* index;
  };
  const Slot order[] = {
      {parts.topicWindow, "CTopicWnd", "Topic window created", &topic_wnd_},
      {parts.imageWindow, "CImageWnd", "Image window created", &image_wnd_},
      {parts.sketchWindow, "CSketchWnd", "Sketch window created", &sketch_wnd_},
      {parts.noteWindow, "CNoteWnd", "Note window created", &note_wnd_},
      {parts.customWindow, "CCustomWnd", "Custom window created", &custom_wnd_},
      {parts.findWindow, "CFindWnd", "Find window created", &find_wnd_},
  };
  for (const Slot& slot : order) {
    if (!slot.factory) continue;
    std::unique_ptr<CChildWnd> window = slot.factory();
    if (!window) continue;
    window->SetManager(this);
    const CChildWnd* raw = window.get();
    *slot.index = ChildWindows().Add(std::move(window));
    DebugTrace("NEW %s[%i] = 0x%08" PRIxPTR, slot.name, ChildWindows().Count(), Address(raw));
    LogLine(slot.line);
  }
  for (int i = 1; i <= ChildWindows().Count(); ++i)
    if (CChildWnd* w = ChildWindows().At(i)) w->Create(client_);
}

void CWndMgr::CreateCombosTreesLists(const ShellParts& parts) {
  if (parts.topicCombo) {
    if (std::unique_ptr<CCombo> combo = parts.topicCombo()) {
      combo->SetManager(this);
      topic_combo_ = Combos().Add(std::move(combo));
      LogLine("Topic Combo created");
    }
  }
  if (parts.imageCombo) {
    if (std::unique_ptr<CCombo> combo = parts.imageCombo()) {
      combo->SetManager(this);
      image_combo_ = Combos().Add(std::move(combo));
      LogLine("Image Combo created");
    }
  }
  for (int i = 1; i <= Combos().Count(); ++i) {
    Combos().At(i)->Create(client_);
    Combos().At(i)->Fill();
  }

  if (parts.topicTree) {
    if (std::unique_ptr<CTreeObject> tree = parts.topicTree()) {
      tree->SetManager(this);
      const CTreeObject* raw = tree.get();
      topic_tree_ = Trees().Add(std::move(tree));
      DebugTrace("NEW CTopicTree[%i] = 0x%08" PRIxPTR, Trees().Count(), Address(raw));
      LogValue("Topic Tree created", topic_tree_);
    }
  }
  struct ListSlot {
    const std::function<std::unique_ptr<CListViewObject>()>& factory;
    const char* name;
    const char* line;
    int* index;
  };
  const ListSlot lists[] = {
      {parts.imageList, "CImageList", "Image Listview created", &image_list_},
      {parts.findList, "CFindList", "Find Listview created", &find_list_},
  };
  for (const ListSlot& slot : lists) {
    if (!slot.factory) continue;
    std::unique_ptr<CListViewObject> list = slot.factory();
    if (!list) continue;
    list->SetManager(this);
    const CListViewObject* raw = list.get();
    *slot.index = ListViews().Add(std::move(list));
    DebugTrace("NEW %s[%i] = 0x%08" PRIxPTR, slot.name, ListViews().Count(), Address(raw));
    LogLine(slot.line);
  }
  for (int i = 1; i <= ListViews().Count(); ++i) {
    CListViewObject* list = ListViews().At(i);
    list->Create(client_);
    list->Initialize();
    list->widget()->installEventFilter(this);
    LogValue("Listview Initialized", i);
  }
  for (int i = 1; i <= Trees().Count(); ++i) {
    CTreeObject* tree = Trees().At(i);
    tree->Create(client_);
    tree->Fill();
    tree->widget()->installEventFilter(this);
    LogValue("Treeview Initialized", i);
  }
}

void CWndMgr::PlaceWindow() {
  main_window_->hide();
  CRegistryKey key;
  key.OpenProgramKey(AppPaths.userFolder);
  uint32_t x = 0, y = 0, w = 0, h = 0, maximized = 0;
  key.ReadValueDword("x", &x);
  key.ReadValueDword("y", &y);
  key.ReadValueDword("w", &w);
  key.ReadValueDword("h", &h);
  key.ReadValueDword("Maximized", &maximized);
  LayoutRect area;
  // The screens' usable areas, the primary first: the window opens on one
  // of them and fits it.
  std::vector<LayoutRect> screens;
  if (QScreen* primary = QGuiApplication::primaryScreen()) {
    const QRect a = primary->availableVirtualGeometry();
    area = {a.x(), a.y(), a.width(), a.height()};
    QList<QScreen*> all = QGuiApplication::screens();
    all.removeAll(primary);
    all.prepend(primary);
    for (QScreen* screen : all) {
      const QRect r = screen->availableGeometry();
      screens.push_back({r.x(), r.y(), r.width(), r.height()});
    }
  }
  Placement p = PlacementFromStored(x, y, w, h, area);
  p.maximized = maximized == 1;
  p = FitToScreen(p, screens);
  main_window_->move(p.x, p.y);
  main_window_->resize(p.width, p.height);
  LogValue("Main Window X Pos:", p.x);
  LogValue("Main Window Y Pos:", p.y);
  LogValue("Main Window W:", p.width);
  LogValue("Main Window H:", p.height);
  LogValue("Main Window Maximized Value:", static_cast<int>(maximized));
  if (maximized == 1) main_window_->showMaximized();
  else main_window_->show();
  Layout();
}

CWndMgr::~CWndMgr() {
  store_watcher_.reset();
  DiscardPendingRecords();
  if (ready_) {
    WindowGeometry g;
    g.x = main_window_->x();
    g.y = main_window_->y();
    g.width = main_window_->width();
    g.height = main_window_->height();
    g.minimized = main_window_->isMinimized();
    g.maximized = main_window_->isMaximized();
    // A maximized window keeps the size it had before, so that
    // un-maximising after the next start gives that size back.
    const QRect normal = main_window_->normalGeometry();
    if (g.maximized && normal.isValid()) {
      const QPoint frame = main_window_->geometry().topLeft() - main_window_->pos();
      g.x = normal.x() - frame.x();
      g.y = normal.y() - frame.y();
      g.width = normal.width();
      g.height = normal.height();
    }
    SaveWindowPlacement(g, AppPaths.userFolder);
  }

  if (email_) {
    LogLine("Deleting Email Object");
    DebugTrace("DELETE pEmail = 0x%08" PRIxPTR, Address(email_.get()));
    email_.reset();
  }
  if (rebar_) {
    LogLine("Deleting Rebar Object");
    DebugTrace("DELETE pRebar = 0x%08" PRIxPTR, Address(rebar_.data()));
    delete rebar_.data();
  }
  if (web_) {
    LogLine("Deleting Web Window");
    DebugTrace("DELETE pWebWnd = 0x%08" PRIxPTR, Address(web_.data()));
    delete web_.data();
  }
  if (splitter_) {
    LogLine("Deleting Splitter Class");
    DebugTrace("DELETE pVSplit = 0x%08" PRIxPTR, Address(splitter_.data()));
    delete splitter_.data();
  }

  int n = 0;
  for (int i = 1; i <= ListViews().Count(); ++i) {
    if (!ListViews().At(i)) continue;
    LogValue("Deleting Listview Window: ", ++n);
    DebugTrace("DELETE CListViewObject[%i] = 0x%08" PRIxPTR, i, Address(ListViews().At(i)));
    ListViews().Take(i);
  }
  n = 0;
  for (int i = 1; i <= Trees().Count(); ++i) {
    if (!Trees().At(i)) continue;
    LogValue("Deleting Treeview Window: ", ++n);
    DebugTrace("DELETE CTreeObject[%i] = 0x%08" PRIxPTR, i, Address(Trees().At(i)));
    Trees().Take(i);
  }
  n = 0;
  for (int i = 1; i <= ChildWindows().Count(); ++i) {
    if (!ChildWindows().At(i)) continue;
    LogValue("Deleting Child Window: ", ++n);
    DebugTrace("DELETE CChildWnd[%i] = 0x%08" PRIxPTR, i, Address(ChildWindows().At(i)));
    ChildWindows().Take(i);
  }
  n = 0;
  for (int i = 1; i <= Combos().Count(); ++i) {
    if (!Combos().At(i)) continue;
    LogValue("Deleting Combo Box: ", ++n);
    DebugTrace("DELETE CCombo[%i] = 0x%08" PRIxPTR, i, Address(Combos().At(i)));
    Combos().Take(i);
  }
  ListViews().Clear();
  Trees().Clear();
  ChildWindows().Clear();
  Combos().Clear();

  report_builder_.reset();
  registry_.CloseKey();
  SetUserWindows(nullptr);
  if (RegisteredUserTable() == &users_) SetUserTable(nullptr);
}

CWebWnd* CWndMgr::web() const { return web_.data(); }

ReportBuilder* CWndMgr::reports() const {
  if (report_source_) report_source_->set_store(pDB);
  return report_builder_.get();
}
CRebar* CWndMgr::rebar() const { return rebar_.data(); }
CSplitter* CWndMgr::splitter() const { return splitter_.data(); }

CChildWnd* CWndMgr::window(RecordWindow which) const {
  switch (which) {
    case RecordWindow::kTopic: return ChildWindows().At(topic_wnd_);
    case RecordWindow::kImage: return ChildWindows().At(image_wnd_);
    case RecordWindow::kSketch: return ChildWindows().At(sketch_wnd_);
    case RecordWindow::kNote: return ChildWindows().At(note_wnd_);
    case RecordWindow::kCustom: return ChildWindows().At(custom_wnd_);
    case RecordWindow::kFind: return ChildWindows().At(find_wnd_);
    case RecordWindow::kNone: break;
  }
  return nullptr;
}

bool CWndMgr::MailAvailable() const { return email_ && email_->Available(); }

bool CWndMgr::ModeTargetsExist(const ModeRow& row) const {
  if (row.window != RecordWindow::kNone && !window(row.window)) return false;
  if (row.list == ListShown::kImageList && !imageList()) return false;
  if (row.list == ListShown::kFindList && !findList()) return false;
  return true;
}

bool CWndMgr::CommandAvailable(uint32_t command) const {
  if (auto mode = ModeForCommand(command)) return ModeTargetsExist(RowOf(*mode));
  if (ReferenceKindOf(command) != 0) return window(RecordWindow::kCustom) != nullptr;
  return true;
}

void CWndMgr::Refuse(const char* what) { LogPair("Command refused, not available yet:", what); }

// --- Layout ---------------------------------------------------------------

void CWndMgr::Layout() {
  if (!ready_ || main_window_->isMinimized()) return;
  const int width = client_->width();
  const int height = client_->height();
  const int comboHeight = topicCombo() ? topicCombo()->Height() : 0;
  const ShellLayout l = ComputeLayout(width, height, splitter_->percent(), comboHeight);
  auto rect = [](const LayoutRect& r) { return QRect(r.x, r.y, r.width, r.height); };
  web_->Move(l.browser.x, l.browser.y, l.browser.width, l.browser.height);
  rebar_->Move(client_->rect());
  splitter_->Place(width, height);
  for (int i = 1; i <= ChildWindows().Count(); ++i)
    if (CChildWnd* w = ChildWindows().At(i))
      w->Move(l.recordWindow.x, l.recordWindow.y, l.recordWindow.width, l.recordWindow.height);
  if (CListViewObject* list = findList()) list->Move(rect(l.findList));
  if (CListViewObject* list = imageList()) list->Move(rect(l.treeAndImageList));
  if (CTreeObject* tree = topicTree()) tree->Move(rect(l.treeAndImageList));
  for (int i = 1; i <= Combos().Count(); ++i)
    if (CCombo* c = Combos().At(i)) c->Move(rect(l.combos));
}

// --- Modes ----------------------------------------------------------------

bool CWndMgr::EnterMode(Mode mode, uint32_t /*param*/) {
  if (bEditPending == 1) {
    ShowStringMessage(IDS_EDIT_PENDING, kCaption, kMbOk | kMbIconInformation);
    return false;
  }
  const ModeRow& row = RowOf(mode);
  if (!ModeTargetsExist(row)) {
    LogPair("Mode refused, its window does not exist yet:", row.name);
    return false;
  }
  LogLine((std::string("Entering ") + row.name + " Mode").c_str());
  mode_ = row.number;
  named_mode_ = mode;
  DiscardPendingRecords();
  ShowModeViews(row);
  web_->setVisible(row.browser != BrowserShows::kHidden);
  rebar_->ShowThemeBox(row.themeBoxShown);
  LoadModePage(row);
  ApplyMenuState(row);
  return true;
}

void CWndMgr::ShowModeViews(const ModeRow& row) {
  // The tree that stays shown is not hidden meanwhile: it keeps the
  // keyboard focus a click or a key there gave it.
  for (int i = 1; i <= Trees().Count(); ++i)
    if (CTreeObject* t = Trees().At(i); t && !(row.treeShown && t == topicTree())) t->Show(false);
  for (int i = 1; i <= ListViews().Count(); ++i)
    if (CListViewObject* l = ListViews().At(i)) l->Show(false);
  for (int i = 1; i <= Combos().Count(); ++i)
    if (CCombo* c = Combos().At(i)) c->Show(false);
  for (int i = 1; i <= ChildWindows().Count(); ++i)
    if (CChildWnd* w = ChildWindows().At(i)) w->Show(false);

  LogLine("Show/Hide Treeview Windows");
  CTreeObject* tree = topicTree();
  if (tree && row.treeShown) {
    tree->Show(true, true);
    if (row.treeMarksCleared) tree->ClearSelectionMarks();
    if (row.treeSelectsCurrent) tree->SelectCurrent();
  }

  LogLine("Show/Hide Listview Windows");
  if (row.list == ListShown::kImageList) imageList()->Show(true);
  if (row.list == ListShown::kFindList) findList()->Show(true);

  LogLine("Show/Hide Combobox Windows");
  switch (row.combo) {
    case ComboShown::kTopicTreeFilter:
      if (CCombo* c = topicCombo()) c->Show(true, tree ? tree->Filter().position : 0);
      break;
    case ComboShown::kTopicFirst:
      if (CCombo* c = topicCombo()) c->Show(true, 0);
      break;
    case ComboShown::kImageListFilter:
      if (CCombo* c = imageCombo()) c->Show(true, imageList() ? imageList()->Filter().position : 0);
      break;
    case ComboShown::kNone: break;
  }

  LogLine("Show/Hide Child Windows");
  if (CChildWnd* w = window(row.window)) {
    w->Show(true);
    if (row.load == WindowLoad::kNewRecord) {
      w->ShowRecord(nullptr);
    } else if (row.load == WindowLoad::kSelectedRecord && tree) {
      if (std::optional<TreeItemRef> item = tree->SelectedItem()) w->ShowRecord(&*item);
    }
    if (QWidget* focus = w->FocusTarget()) focus->setFocus();
  }
  LogLine("Show/Hide Menu Buttons");
}

void CWndMgr::LoadModePage(const ModeRow& row) {
  const std::string& install = AppPaths.installFolder;
  switch (row.browser) {
    case BrowserShows::kStartPage: web_->ShowStartPage(); break;
    case BrowserShows::kTopicCenter: web_->Navigate(install + kTopicCenterPage, true); break;
    case BrowserShows::kImageCenter: web_->Navigate(install + kImageCenterPage, true); break;
    case BrowserShows::kTopicReport: ShowTopicReport(); break;
    case BrowserShows::kSelectedImageFile: ShowPreviewImage(); break;
    case BrowserShows::kHidden: break;
  }
}

void CWndMgr::ApplyMenuState(const ModeRow& row) {
  const MenuStateRow& s = RowOf(row.menu);
  rebar_->EnableBack(s.back);
  rebar_->EnableForward(s.forward);
  rebar_->EnableSend(s.send, MailAvailable());
  rebar_->EnablePrintGroup(s.printGroup);
  rebar_->EnableDeleteAll(s.deleteAll);
  rebar_->EnableExpandAll(s.expandCollapse);
  rebar_->EnableCollapseAll(s.expandCollapse);
  rebar_->SetNewDropDown(s.newItems || row.newDropDownOn);
  if (row.mode == Mode::START) {
    rebar_->EnableAll();
    menus_->SetEnabled(CMD_OPEN_ARCHIVE, true);
    menus_->SetEnabled(CMD_CLOSE_ARCHIVE, false);
    rebar_->ResetToolbarChecks();
  } else {
    rebar_->PressButton(row.pressedButton);
  }
}

uint32_t CWndMgr::TopicOfSelection() const {
  CTreeObject* tree = topicTree();
  if (!tree) return 0;
  const TreeItemRef item = tree->SelectedItem().value_or(TreeItemRef{});
  return TopicToShow(item.recordId, item.recordKind, tree->CurrentTopicId());
}

void CWndMgr::ShowTopicReport() {
  // The topic of whatever the tree has selected (a member just added,
  // updated or moved shows its topic), built afresh: never the page that
  // was there before.
  const uint32_t topic = TopicOfSelection();
  if (topic == 0) {
    web_->Navigate(AppPaths.installFolder + kTopicCenterPage, true);
    return;
  }
  report_source_->set_store(pDB);
  report_builder_->make_report(AppPaths.currentTheme, topic);
  const std::string path = report_builder_->report_path(topic);
  if (!path.empty()) web_->Navigate(path, true);
}

void CWndMgr::ShowPreviewImage() {
  CListViewObject* list = imageList();
  const uint32_t id = list ? list->SelectedRecordId() : 0;
  const CImageRecord* image = RecordAs<CImageRecord>(FindRecord(id));
  const std::string output = UserString("OutputPath");
  // A record's file name is used only when it names a file in the output
  // folder; anything else shows the missing page (a folder is no page).
  if (!image || !IsPlainFileName(image->fileName)) {
    web_->Navigate(output, true);
    return;
  }
  const std::string path = output + OutputFileName(image->fileName);
  if (image->format == kImageFormatSketch) {
    write_sketch_file(image->data.data(), image->data.size(), path);
  } else if (image->format == kImageFormatJpeg && !IsOwnRegularFile(path)) {
    report_images_->WriteJpeg(path, image->width, image->height, image->data.data(),
                              image->data.size());
  }
  web_->Navigate(path, true);
}

// --- Commands -------------------------------------------------------------

void CWndMgr::OnCommand(uint32_t command, uint32_t param) {
  if (!ready_) {
    if (command == CMD_EXIT) main_window_->close();
    return;
  }
  if (std::optional<Mode> mode = ModeForCommand(command)) {
    EnterMode(*mode, param);
    return;
  }
  CTreeObject* tree = topicTree();
  // The selected tree item, if any (recordId 0: none).
  const TreeItemRef selected =
      tree ? tree->SelectedItem().value_or(TreeItemRef{}) : TreeItemRef{};
  const bool hasSelected = selected.recordId != 0;
  switch (command) {
    case CMD_PRINT: web_->Print(); break;
    case CMD_PRINT_PREVIEW: web_->PrintPreview(); break;
    case CMD_PAGE_SETUP: web_->PageSetup(); break;
    case CMD_SEND:
      // Without a mail logon the e-mail object itself does nothing.
      if (!email_) Refuse("Send");
      else if (hasSelected) email_->Send(selected.recordId, 2);
      break;
    case CMD_IMPORT_REFERENCES:
    case CMD_EXPORT_REFERENCES:
      if (references_) references_(command);
      else Refuse("References");
      break;
    case CMD_EXIT: main_window_->close(); break;
    case CMD_COPY: web_->CopyAll(); break;
    case CMD_EXPAND_ALL:
    case CMD_COLLAPSE_ALL:
      if (!tree) {
        Refuse("Expand/Collapse All");
        break;
      }
      if (command == CMD_EXPAND_ALL) tree->ExpandAll();
      else tree->CollapseAll();
      tree->widget()->update();
      break;
    case CMD_DELETE_ALL: DeleteAll(); break;
    case CMD_RESTORE_BACKUP: RestoreFromBackupCommand(*this, main_window_); break;
    case CMD_PROPERTIES:
    case CMD_CHANGE_DEFAULT:
      if (preferences_) preferences_(main_window_, command == CMD_PROPERTIES ? 0 : 1);
      else Refuse("Preferences");
      break;
    case CMD_EDIT_DEFAULT_EDITOR: Desktop().EditPath(ThemeFilePath()); break;
    case CMD_EDIT_NOTEPAD: Desktop().EditPlainText(ThemeFilePath()); break;
    case CMD_RESET_ALL:
      if (ShowStringMessage(IDS_RESTORE_THEMES, kCaption, kMbYesNo | kMbIconExclamation) == kIdYes) {
        report_builder_->restore_themes();
        rebar_->FillThemeBox();
        OnCommand(CMD_START);
      }
      break;
    case CMD_OPEN_FOLDER: Desktop().OpenPath(UserString("TemplatePath")); break;
    case CMD_BACK:
    case CMD_FORWARD:
      if (command == CMD_BACK) web_->GoBack();
      else web_->GoForward();
      SelectTopicOfShownPage(*this);
      break;
    case CMD_REFRESH: {
      // Another program's changes first; then the windows from the store.
      const CStoreWatcher::Outcome o = store_watcher_ ? store_watcher_->Check() : CStoreWatcher::Outcome::kNothing;
      if (o == CStoreWatcher::Outcome::kNothing || o == CStoreWatcher::Outcome::kFailed) RefreshAfterStoreChange();
      break;
    }
    case CMD_EXPORT_PDF: ExportShownPageAsPdf(*this); break;
    case CMD_PRIVATE: TogglePrivateRecords(); break;
    case CMD_HELP_CONTENTS:
      mode_ = 0;
      OnCommand(CMD_START);
      web_->Navigate(AppPaths.installFolder + kHelpPage, true);
      break;
    case CMD_FEEDBACK:
      mode_ = 0;
      web_->Navigate(LoadString(IDS_CONTACT_URL), false);
      break;
    case CMD_SUPPORT:
      mode_ = 0;
      web_->Navigate(LoadString(IDS_SUPPORT_URL), false);
      break;
    case CMD_NEW_BOOK:
    case CMD_NEW_JOURNAL:
    case CMD_NEW_MAGAZINE:
    case CMD_NEW_NEWSPAPER:
    case CMD_NEW_REPORT:
    case CMD_NEW_INTERNET:
      if (CChildWnd* custom = window(RecordWindow::kCustom)) custom->SetNewRecordKind(ReferenceKindOf(command));
      OnCommand(CMD_NEW_CUSTOM, command);
      break;
    case CMD_DUPLICATE:
      if (!duplicate_topic_) Refuse("Duplicate");
      else if (hasSelected && selected.recordKind == kKindTopic) duplicate_topic_(selected.recordId);
      break;
    case CMD_DELETE:
      if (tree) tree->DeleteSelectedItem();
      else Refuse("Delete");
      break;
    case CMD_SAVE_AS:
      if (hasSelected)
        if (const uint32_t topic = TopicToShow(selected.recordId, selected.recordKind, 0))
          SaveTopicReportAs(*this, topic);
      break;
    case CMD_OPEN_ARCHIVE: OpenArchiveCommand(); break;
    case CMD_CLOSE_ARCHIVE: CloseArchiveCommand(); break;
    case CMD_IMAGE_EDIT:
    case CMD_IMAGE_VIEW: {
      CChildWnd* image = window(RecordWindow::kImage);
      if (!image || !image->OnCommand(command)) Refuse("Image window command");
      break;
    }
    default: LogValue("Unknown command:", static_cast<int>(command)); break;
  }
}

std::string CWndMgr::ThemeFilePath() const {
  return UserString("TemplatePath") + AppPaths.currentTheme;
}

void CWndMgr::DeleteAll() {
  const std::string output = UserString("OutputPath");
  // The answer counts only for the store and user it was asked about.
  const StoreContext asked = CurrentStoreContext(pDB, AppPaths.userFolder);
  const int answer =
      ShowStringMessage(IDS_DELETE_ALL, kCaption, kMbYesNo | kMbIconExclamation | kMbDefButton2);
  if (answer != kIdYes) return;
  if (!pDB || CurrentStoreContext(pDB, AppPaths.userFolder) != asked) {
    LogLine("Delete All: the records asked about are no longer open; nothing deleted");
    return;
  }
  DeleteAllRecords(*pDB, output);
  if (CTreeObject* tree = topicTree()) tree->Refresh();
  if (CListViewObject* list = imageList()) list->Refill();
  if (pDB->Save() != DB_OK) ShowStringMessage(IDS_SAVE_FAILED, kCaption, kMbIconInformation);
  mode_ = 0;
  OnCommand(CMD_START);
}

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
  report_source_->set_store(pDB);
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
  main_window_->setWindowTitle(FromAnsi(MainWindowTitle(user_name_)));
  archive_open_ = false;
  // The new user has a theme of their own.
  AppPaths.currentTheme = UserString("LastTemplate");
  if (rebar_) rebar_->FillThemeBox();
  report_source_->set_store(pDB);
  return true;
}

void CWndMgr::RefreshAfterStoreChange() {
  if (!ready_) return;
  LogLine("Refresh after database change");
  report_source_->set_store(pDB);
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

bool CWndMgr::ConfirmClose() { return !ready_ || edits_->SettleBeforeLeaving(); }

uint32_t CWndMgr::OnNotifierMessage(uint32_t wparam, uint32_t lparam) {
  return hotsync_->Arrive(wparam, lparam);
}

// --- Notifications of the parts --------------------------------------------

namespace {

CategoryFilter FilterOf(const CCombo& combo) {
  CategoryFilter f;
  f.position = combo.SelectedPosition();
  const int64_t category = combo.SelectedCategory();
  if (category < 0) f.mode = 0;
  else if (category == 0) f.mode = 2;
  else {
    f.mode = 1;
    f.categoryId = static_cast<uint32_t>(category);
  }
  return f;
}

}  // namespace

void CWndMgr::OnTopicComboChanged() {
  CCombo* combo = topicCombo();
  if (!combo) return;
  const CategoryFilter f = FilterOf(*combo);
  if (CTreeObject* tree = topicTree()) {
    tree->SetFilter(f);
    tree->Refresh();
  }
  if (CListViewObject* list = imageList()) {
    list->SetFilter(f);
    list->Refill();
  }
  OnCommand(CMD_TOPIC_CENTER);
}

void CWndMgr::OnImageComboChanged() {
  CCombo* combo = imageCombo();
  if (!combo) return;
  const CategoryFilter f = FilterOf(*combo);
  if (CTreeObject* tree = topicTree()) {
    tree->SetFilter(f);
    tree->Refresh();
  }
  if (CListViewObject* list = imageList()) {
    list->SetFilter(f);
    list->Refill();
  }
  OnCommand(CMD_IMAGE_CENTER);
}

void CWndMgr::OnThemeChosen(int index) {
  const std::string file = rebar_->ThemeFileAt(index);
  if (file.empty() || !ThemeStillThere(*this, file)) return;
  report_settings_->StoreLastTemplate(file);
  AppPaths.currentTheme = FitAppPath(file);
  OnCommand(CMD_VIEW_TOPIC);
}

void CWndMgr::OnImageListClick() {
  if (mode_ != 11) return;
  CListViewObject* list = imageList();
  OnCommand(list && list->SelectedRecordId() ? CMD_PREVIEW_IMAGE : CMD_IMAGE_CENTER);
}

void CWndMgr::OnImageListDoubleClick(uint32_t recordId) {
  const CImageRecord* image = RecordAs<CImageRecord>(FindRecord(recordId));
  if (!image) return;
  if (CTreeObject* tree = topicTree()) {
    if (tree->Filter().mode != 0) {
      tree->SetFilter(CategoryFilter{});
      tree->Refresh();
    }
    tree->SelectRecord(recordId);
  }
  mode_ = 1;
  OnCommand(image->format == kImageFormatSketch ? CMD_SKETCH : CMD_VIEW_IMAGE);
}

void CWndMgr::OnFindListClick(uint32_t recordId) {
  if (mode_ != 14 || !pDB) return;
  const CRecord* record = FindRecord(recordId);
  // Only what the windows can show; a line whose record went away or was
  // hidden since the search opens nothing.
  const FoundPlace place = record ? CFoundPlaces(*pDB).PlaceOf(recordId) : FoundPlace::kNowhere;
  if (place == FoundPlace::kNowhere || place == FoundPlace::kHidden) {
    if (CListViewObject* list = findList()) list->Refill();
    return;
  }
  if (CListViewObject* list = findList()) list->Show(false);
  CTreeObject* tree = topicTree();
  if (tree && place == FoundPlace::kInTree) {
    if (tree->Filter().mode != 0) {
      tree->SetFilter(CategoryFilter{});
      tree->Refresh();
    }
    tree->SelectRecord(recordId);
  } else if (tree) {
    // A member of no topic: its window opens it; no other item may be
    // opened in its place.
    tree->ForgetSelection();
  }
  uint32_t command = 0;
  RecordWindow target = RecordWindow::kNone;
  switch (record->kind) {
    case kKindTopic: command = CMD_EDIT_TOPIC; target = RecordWindow::kTopic; break;
    case kKindNote: command = CMD_NOTE; target = RecordWindow::kNote; break;
    case kKindImage: {
      const bool sketch = RecordAs<CImageRecord>(record)->format == kImageFormatSketch;
      command = sketch ? CMD_SKETCH : CMD_VIEW_IMAGE;
      target = sketch ? RecordWindow::kSketch : RecordWindow::kImage;
      break;
    }
    case kKindCustom: command = CMD_CUSTOM; target = RecordWindow::kCustom; break;
    default: break;
  }
  if (command != 0) {
    OnCommand(command);
    if (place == FoundPlace::kOutsideTree && ModeForCommand(command) == named_mode_)
      if (CChildWnd* w = window(target)) {
        const TreeItemRef item{recordId, record->kind, nullptr};
        w->ShowRecord(&item);
      }
  }
  if (CChildWnd* find = window(RecordWindow::kFind)) find->Refresh();
}

void CWndMgr::ShowContextMenu(QWidget* source, const QPoint& globalPos) {
  std::unique_ptr<QMenu> menu;
  CTreeObject* tree = topicTree();
  CListViewObject* images = imageList();
  if (tree && source == tree->widget()) {
    const std::optional<TreeItemRef> item = tree->SelectedItem();
    if (!item) return;
    if (item->recordKind == kKindTopic) {
      const bool printable = mode_ == 0 || mode_ == 1 || mode_ == 2 || mode_ == 4;
      const bool mail = MailAvailable();
      menu.reset(menus_->BuildMenu(
          323,
          [&](uint32_t c) {
            if (c == CMD_PRINT || c == CMD_PRINT_PREVIEW) return printable;
            if (c == CMD_SEND) return printable && mail;
            return CommandAvailable(c);
          },
          main_window_));
    } else {
      menu.reset(menus_->BuildMenu(320, nullptr, main_window_));
    }
  } else if (images && source == images->widget() && images->SelectedRecordId() != 0) {
    menu.reset(menus_->BuildMenu(556, nullptr, main_window_));
  }
  if (menu) menu->exec(globalPos);
}

bool CWndMgr::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::ContextMenu) {
    ShowContextMenu(qobject_cast<QWidget*>(watched),
                    static_cast<QContextMenuEvent*>(event)->globalPos());
    return true;
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace quillet
