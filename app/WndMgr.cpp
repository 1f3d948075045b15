// CWndMgr: building the main window's children in their fixed order, and
// deleting them again (app/WndMgr.h). Layout, modes, commands, store
// changes and the parts' notifications are in the WndMgr*.cpp files beside
// this one.
#include "app/WndMgr.h"

#include <QMainWindow>

#include <cinttypes>

#include "app/EditGuard.h"
#include "app/HotSyncGlue.h"
#include "app/MenuBar.h"
#include "app/Rebar.h"
#include "app/Splash.h"
#include "app/Splitter.h"
#include "app/StoreWatcher.h"
#include "app/WebWnd.h"
#include "base/AppPaths.h"
#include "base/DiagnosticLog.h"
#include "base/StartMoments.h"
#include "base/Strings.h"
#include "desktop/db/CurrentDatabase.h"
#include "desktop/shell/Commands.h"
#include "desktop/shell/Desktop.h"
#include "desktop/shell/ShownPage.h"
#include "desktop/users/UserSwitch.h"
#include "reports/ImagingWriter.h"
#include "reports/RegistryReportSettings.h"
#include "reports/ReportBuilder.h"
#include "reports/StoreReportSource.h"
#include "store/PrivateRecords.h"
#include "widgets/kit/Accessibility.h"
#include "widgets/kit/Ansi.h"
#include "widgets/kit/Translations.h"

namespace quillet {
namespace {

uintptr_t Address(const void* p) { return reinterpret_cast<uintptr_t>(p); }

// One object table as the teardown walks it: what the log calls its
// objects, and the type the debug channel names them by.
struct TableTeardown {
  const char* logText;
  const char* typeName;
  int (*count)();
  const void* (*at)(int index);
  void (*destroy)(int index);
  void (*clear)();
};

template <class T, ObjectTable<T>& (*Table)()>
constexpr TableTeardown TeardownOf(const char* logText, const char* typeName) {
  return {logText,
          typeName,
          [] { return Table().Count(); },
          [](int index) -> const void* { return Table().At(index); },
          [](int index) { Table().Take(index); },
          [] { Table().Clear(); }};
}

// The tables in the order their objects are deleted.
constexpr TableTeardown kTeardownOrder[] = {
    TeardownOf<CListViewObject, ListViews>("Deleting Listview Window: ", "CListViewObject"),
    TeardownOf<CTreeObject, Trees>("Deleting Treeview Window: ", "CTreeObject"),
    TeardownOf<CChildWnd, ChildWindows>("Deleting Child Window: ", "CChildWnd"),
    TeardownOf<CCombo, Combos>("Deleting Combo Box: ", "CCombo"),
};

}  // namespace

std::string CWndMgr::UserString(const char* name) {
  CRegistryKey key;
  key.OpenProgramKey(AppPaths.userFolder);
  std::string value;
  key.ReadValueString(name, &value, kPathBufferSize);
  return value;
}

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
  void SetPrivateMenuText(const std::string& text) override {
    m_->menus()->SetText(CMD_PRIVATE, QString::fromStdString(text));
  }
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
  // Either every step runs and the manager is ready, or the start user's
  // store did not open: then only the configuration pass ran, no window
  // was made, and what the pass found (users(), its failure) is there for
  // the main window to tell the person.
  TakeProcessState(parts);
  MakeReportBuilder(parts);
  if (OpenStartUser()) {
    BuildWindows(parts);
    // Every view's scroll bars are made with it: they are named for screen
    // readers once, the views being there.
    NameScrollBars(main_window_);
    ready_ = true;  // every window is there: commands, layouts and switches are taken from now on
    ShowPlaced();
    WatchTheStore();
  }
}

// The process-wide tables and hooks the parts, the users and the record
// windows reach the manager through.
void CWndMgr::TakeProcessState(const ShellParts& parts) {
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
}

// The report builder over the current store, its pictures and settings.
void CWndMgr::MakeReportBuilder(const ShellParts& parts) {
  report_source_ = std::make_unique<StoreReportSource>(pDB);
  report_images_ = std::make_unique<ImagingWriter>();
  report_settings_ = std::make_unique<RegistryReportSettings>();
  ReportServices services;
  services.source = report_source_.get();
  services.images = parts.reportImages ? parts.reportImages() : report_images_.get();
  services.settings = report_settings_.get();
  services.refillThemeBox = [this] {
    std::string first;
    if (rebar_) rebar_->FillThemeBox(&first);
    return first;
  };
  services.openDocument = [](const std::string& path) { return Desktop().OpenPath(path); };
  report_builder_ = std::make_unique<ReportBuilder>(services);
}

// The splash, the configuration pass and the start user's store. False,
// with the splash gone, when the store does not open.
bool CWndMgr::OpenStartUser() {
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
    return false;
  }

  std::string folder;
  const uint16_t index = users_.FindCurrentUser(&folder);
  AppPaths.userFolder = FitAppPath(folder);
  std::string name;
  users_.SelectUser(index, &name);
  user_name_ = name;
  main_window_->setWindowTitle(FromAnsi(CpText(MainWindowTitle(user_name_))));  // Palm names: code page
  report_source_->SetStore(pDB);  // the store just opened, not the one before
  if (firstRun) {
    registry_.OpenProgramKey();
    registry_.WriteValueDword("Setup", 1);
  }
  AppPaths.currentTheme = UserString("LastTemplate");
  return true;
}

// Every child of the main window in its fixed order.
void CWndMgr::BuildWindows(const ShellParts& parts) {
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
  connect(rebar_, &CRebar::themeInUseGone, this, &CWndMgr::OnThemeInUseGone);
  LogLine("Rebar created");

  {
    LoadPrivateChoice();
    menus_->SetText(CMD_PRIVATE, UiText(bShowPrivate ? IDS_HIDE_PRIVATE : IDS_SHOW_PRIVATE));
  }

  splitter_ = new CSplitter(client_, [this](int) { Layout(); });
  DebugTrace("NEW pVSplit = 0x%08" PRIxPTR, Address(splitter_.data()));
  LogLine("Splitter bar created");

  // The parts reach the manager through their host from before the first
  // of them is made until the last is deleted.
  host_ = parts.host;
  if (host_) host_->Attach(this);
  CreateChildWindows(parts);
  CreateCombosTreesLists(parts);

  web_ = new CWebWnd(client_, client_->rect());
  DebugTrace("NEW pWebWnd = 0x%08" PRIxPTR, Address(web_.data()));
  LogLine("Browser Window created");
  connect(web_, &CWebWnd::commandStateChanged, this,
          [this] { rebar_->SetHistory(web_->backEnabled(), web_->forwardEnabled()); });
  rebar_->raise();
}

// The main window where it opens, and the splash gone.
void CWndMgr::ShowPlaced() {
  PlaceWindow();

  splash_->hide();
  splash_.reset();
  LogLine("Splash Window Destroy Called");
}

// Other programs' changes to the store file, and ids a merge gave records
// added here.
void CWndMgr::WatchTheStore() {
  CStoreWatcher::Hooks watch;
  watch.refreshWindows = [this] { RefreshAfterStoreChange(); };
  watch.switchUser = [this](const std::string& name) { return SwitchUserNow(name); };
  store_watcher_ = std::make_unique<CStoreWatcher>(watch);
  previous_renumber_hook_ = SetStoreRenumberHook([this](const StoreRenumberEvent& event) {
    if (event.store == pDB && pDB != nullptr) FollowRenumbered(event.changes);
  });
  renumber_hook_installed_ = true;
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
  NoteStartMoment("windows and category lists");

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
  NoteStartMoment("picture and find lists");
  for (int i = 1; i <= Trees().Count(); ++i) {
    CTreeObject* tree = Trees().At(i);
    tree->Create(client_);
    tree->Fill();
    tree->widget()->installEventFilter(this);
    LogValue("Treeview Initialized", i);
  }
}

CWndMgr::~CWndMgr() {
  if (renumber_hook_installed_) SetStoreRenumberHook(std::move(previous_renumber_hook_));
  store_watcher_.reset();
  DiscardPendingRecords();
  if (ready_) SavePlacement();

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
  DeleteParts();
  if (host_) host_->Detach(this);

  report_builder_.reset();
  registry_.CloseKey();
  SetUserWindows(nullptr);
  if (RegisteredUserTable() == &users_) SetUserTable(nullptr);
}

void CWndMgr::DeleteParts() {
  // Each object is logged with its count among the objects still there and
  // traced with its slot; the emptied table starts again at 1 for the next
  // main window.
  for (const TableTeardown& table : kTeardownOrder) {
    int n = 0;
    for (int i = 1; i <= table.count(); ++i) {
      const void* object = table.at(i);
      if (!object) continue;
      LogValue(table.logText, ++n);
      DebugTrace("DELETE %s[%i] = 0x%08" PRIxPTR, table.typeName, i, Address(object));
      table.destroy(i);
    }
    table.clear();
  }
}

CWebWnd* CWndMgr::web() const { return web_.data(); }

ReportBuilder* CWndMgr::reports() const {
  if (report_source_) report_source_->SetStore(pDB);
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

}  // namespace quillet
