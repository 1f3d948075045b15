// The main window with its manager, run offscreen on a scratch machine:
// start-up and placement, the log, the modes and their menu states, the
// browser pane, the rebar and theme box, the splitter, the commands and
// the notifier's message.
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QScopeGuard>
#include <QTimer>
#include <QLabel>
#include <QMenu>
#include <QProcess>
#include <QSet>
#include <QSignalSpy>
#include <QTest>
#include <QTextBrowser>
#include <QToolButton>
#include <QTranslator>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <thread>

#include "app/MainWindow.h"
#include "app/MenuBar.h"
#include "app/PageActions.h"
#include "app/Rebar.h"
#include "app/Splitter.h"
#include "app/WebWnd.h"
#include "app/WndMgr.h"
#include "base/AppPaths.h"
#include "base/DiagnosticLog.h"
#include "base/RegistryKey.h"
#include "base/Strings.h"
#include "desktop/db/CurrentDatabase.h"
#include "desktop/shell/Commands.h"
#include "desktop/shell/EditPending.h"
#include "platform/codepage/CodePage.h"
#include "platform/winmsg/WindowMessage.h"
#include "store/PrivateRecords.h"
#include "store/RecordKinds.h"
#include "testing/RecordingDesktop.h"
#include "testing/MarkingTranslator.h"
#include "testing/ShellTestSupport.h"
#include "widgets/kit/Ansi.h"
#include "widgets/kit/QtForms.h"
#include "widgets/kit/Translations.h"

using namespace quillet;
using namespace quillet::test;

namespace {

const std::string kUserKey = std::string(ProgramKey) + "DemoUser/";
const char kAddOnKey[] = "Software\\U.S. Robotics\\Pilot Desktop\\Quillet";

std::string Path(CWndMgr* m) { return m->web()->currentPath(); }

bool EndsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

bool MenuOn(CMainWindow& w, uint32_t command) { return w.menus()->IsEnabled(command); }

// The New drop-down's items as they would show now.
bool NewItemsOn(CWndMgr* m) {
  QMenu* menu = m->rebar()->newDropDownMenu();
  emit menu->aboutToShow();
  for (QAction* a : menu->actions())
    if (a->data().toUInt() == CMD_NEW_NOTE) return a->isEnabled();
  return false;
}

// A store with topics for the user, written before the start.
void WriteDemoStore(const Machine& m) {
  const std::string out = m.Output("DemoUser");
  std::filesystem::create_directories(out);
  QCOMPARE(Machine::Run("quillet-cli demo-store '" + out + "quillet.dat'"), 0);
}

std::string Check(const std::vector<std::string>& lines, const std::vector<std::string>& wanted) {
  std::string missing;
  return InOrder(lines, wanted, &missing) ? std::string() : missing;
}

// The lines from the first one starting with `first`, as many as `count`
// (fewer when the lines end before).
std::vector<std::string> RunFrom(const std::vector<std::string>& lines, const std::string& first,
                                 size_t count) {
  auto at = std::find_if(lines.begin(), lines.end(),
                         [&](const std::string& l) { return l.rfind(first, 0) == 0; });
  const size_t left = static_cast<size_t>(lines.end() - at);
  return std::vector<std::string>(at, at + std::min(count, left));
}

// The address a debug line names ("... = 0x..."); "" when it names none.
std::string TracedAddress(const std::vector<std::string>& lines, const std::string& prefix) {
  for (const std::string& l : lines)
    if (l.rfind(prefix, 0) == 0) {
      const size_t at = l.find(" = 0x");
      return at == std::string::npos ? std::string() : l.substr(at + 3);
    }
  return std::string();
}

// The objects still filed in the four object tables.
int PartsFiled() {
  int n = 0;
  for (int i = 1; i <= ChildWindows().Count(); ++i) n += ChildWindows().At(i) != nullptr;
  for (int i = 1; i <= ListViews().Count(); ++i) n += ListViews().At(i) != nullptr;
  for (int i = 1; i <= Trees().Count(); ++i) n += Trees().At(i) != nullptr;
  for (int i = 1; i <= Combos().Count(); ++i) n += Combos().At(i) != nullptr;
  return n;
}

// A parts' host that notes what it is told, with how many parts were filed
// at that moment.
class RecordingLink : public IManagerLink {
 public:
  void Attach(IShell* manager) override {
    attached = manager;
    events.push_back("attach, parts filed: " + std::to_string(PartsFiled()));
  }
  void Detach(IShell* manager) override {
    if (attached == manager) attached = nullptr;
    events.push_back("detach, parts filed: " + std::to_string(PartsFiled()));
  }
  IShell* attached = nullptr;
  std::vector<std::string> events;
};

using quillet::test::MarkingTranslator;

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void firstStartRegistersAndPlacesThenSecondStartKeepsIt();
  void logAndDebugLinesComeInTheirOrder();
  void teardownLogsEveryObjectOfEveryTableInOrder();
  void hostKnowsTheManagerWhileItsPartsExist();
  void storedSmallPlacementOpensAtTheMinimum();
  void editPendingRefusesModesUntilThePing();
  void notifierMessagesAreAnsweredThroughTheSocket();
  void raiseMessageBringsTheWindowBack();
  void splitterStopsAtOneAndNinetyNinePercent();
  void menuStatesFollowTheMode();
  void newDropDownOnlyWhileViewingOrEditingATopic();
  void modesWithoutTheirWindowAreRefused();
  void missingPageShowsNotFoundAndLogsOnce();
  void pageSetupTextsAreBlankWhileRunningAndRestoredAtExit();
  void themeBoxListsInNameOrderAndSelectsLastTemplate();
  void commandsReachTheirTargets();
  void deleteAllAsksAndFlagsEverything();
  void privateRecordsAskForThePasswordOnlyWhenShowing();
  void aPasswordUserStartsWithPrivateRecordsHidden();
  void archiveCommandsOpenTheArchiveAndGoBack();
  void exitClosesSavesThePlacementAndEndsTheRun();
  void windowsDrawWhatTheyHold();
  void withoutAPalmUserTheWindowSaysWhyAndExits();
  void titleNamesThePalmUser();
  void keysReachTheCommandsAndIconButtonsHaveNames();
  void buttonTipsAndTheThemeBoxNameAreTranslated();
  void themeBoxFollowsTheFolderAndAGoneThemeIsTold();
  void placementFitsItsScreenAndUnmaximizingGivesTheSavedSize();
  void inGermanTheMenusADialogAndAMessageBoxAreGerman();
};

void MainWindowTest::firstStartRegistersAndPlacesThenSecondStartKeepsIt() {
  Machine m;
  Recorders r;
  QCOMPARE(Machine::Num(ProgramKey, "Setup"), 0xDEADBEEFu);
  {
    CMainWindow w{ShellParts{}};
    QVERIFY(w.manager()->ready());
    // The add-on entry Palm Desktop had is filled in.
    QCOMPARE(Machine::Num(kAddOnKey, "Integrate"), 1u);
    QCOMPARE(Machine::Str(kAddOnKey, "Name"), std::string("Quillet!"));
    QCOMPARE(Machine::Str(kAddOnKey, "Module"), m.prefix() + "bin/quillet");
    QCOMPARE(Machine::Num(ProgramKey, "Setup"), 1u);
    // 80 % of the 1024 x 740 full-screen client area, centred.
    QCOMPARE(Machine::Num(kUserKey, "x"), 102u);
    QCOMPARE(Machine::Num(kUserKey, "y"), 74u);
    QCOMPARE(Machine::Num(kUserKey, "w"), 819u);
    QCOMPARE(Machine::Num(kUserKey, "h"), 592u);
    QCOMPARE(w.size(), QSize(819, 592));
    // The user had no store yet: asked to HotSync once, got a fresh one.
    QCOMPARE(std::count(r.ui.dialogs.begin(), r.ui.dialogs.end(), 371), 1L);
    QVERIFY(std::filesystem::exists(m.Output("DemoUser") + "quillet.dat"));
    QCOMPARE(w.manager()->mode(), 0u);
    QVERIFY(EndsWith(Path(w.manager()), "components/main.htm"));
    w.resize(900, 640);
    w.close();
  }
  QCOMPARE(Machine::Num(kUserKey, "w"), 900u);
  QCOMPARE(Machine::Num(kUserKey, "maximized"), 0u);
  QVERIFY(CountLines(m.LogLines(), "Setup Value: 0") == 1);

  StartLog();
  {
    CMainWindow w{ShellParts{}};
    QCOMPARE(w.size(), QSize(900, 640));  // kept, not the default again
    w.close();
  }
  QCOMPARE(CountLines(m.LogLines(), "Setup Value: 1"), 1u);
  QCOMPARE(std::count(r.ui.dialogs.begin(), r.ui.dialogs.end(), 371), 1L);
}

void MainWindowTest::logAndDebugLinesComeInTheirOrder() {
  Machine m;
  Recorders r;
  DebugLines debug;
  FakeParts fakes;
  {
    CMainWindow w(fakes.parts);
    w.close();
  }
  const std::vector<std::string> log = m.LogLines();
  QCOMPARE(Check(log, {"*** LOG START ***", "Splash Window Created", "Setup Value: 0",
                       "E-mail object initialized"}),
           std::string("E-mail object initialized"));  // no e-mail object yet
  QCOMPARE(Check(log, {"*** LOG START ***",
                       "Splash Window Created",
                       "Setup Value: 0",
                       "Extended Common Controls Initialized",
                       "Rebar Window Created",
                       "Rebar Font Created",
                       "Rebar Toolbar Created",
                       "Rebar Template Combobox Created",
                       "Rebar created",
                       "Splitter bar created",
                       "Topic window created",
                       "Image window created",
                       "Sketch window created",
                       "Note window created",
                       "Custom window created",
                       "Find window created",
                       "Topic Combo created",
                       "Image Combo created",
                       "Topic Tree created 1",
                       "Image Listview created",
                       "Find Listview created",
                       "Listview Initialized 1",
                       "Listview Initialized 2",
                       "Treeview Initialized 1",
                       "Browser Window created",
                       "Main Window X Pos: 102",
                       "Main Window Y Pos: 74",
                       "Main Window W: 819",
                       "Main Window H: 592",
                       "Main Window Maximized Value: 0",
                       "Splash Window Destroy Called",
                       "Entering START Mode",
                       "Unused Record Clean Up",
                       "Show/Hide Treeview Windows",
                       "Show/Hide Listview Windows",
                       "Show/Hide Combobox Windows",
                       "Show/Hide Child Windows",
                       "Show/Hide Menu Buttons",
                       "Toolbar buttons reset",
                       "Deleting Database Manager",
                       "Deleting Window Manager",
                       "Unused Record Clean Up",
                       "Deleting Rebar Object",
                       "Deleting Web Window",
                       "Deleting Splitter Class",
                       "Deleting Listview Window:  1",
                       "Deleting Listview Window:  2",
                       "Deleting Treeview Window:  1",
                       "Deleting Child Window:  1",
                       "Deleting Child Window:  6",
                       "Deleting Combo Box:  1",
                       "Deleting Combo Box:  2"}),
           std::string());
  QCOMPARE(Check(debug.lines(), {"NEW pDB = 0x", "NEW pRebar = 0x", "NEW pVSplit = 0x",
                                 "NEW CTopicWnd[1] = 0x", "NEW CImageWnd[2] = 0x",
                                 "NEW CSketchWnd[3] = 0x", "NEW CNoteWnd[4] = 0x",
                                 "NEW CCustomWnd[5] = 0x", "NEW CFindWnd[6] = 0x",
                                 "NEW CTopicTree[1] = 0x", "NEW CImageList[1] = 0x",
                                 "NEW CFindList[2] = 0x", "NEW pWebWnd = 0x", "NEW pWndMgr = 0x",
                                 "DELETE pDB = 0x", "DELETE pWndMgr = 0x", "DELETE pRebar = 0x",
                                 "DELETE pWebWnd = 0x", "DELETE pVSplit = 0x",
                                 "DELETE CListViewObject[1] = 0x", "DELETE CTreeObject[1] = 0x",
                                 "DELETE CChildWnd[1] = 0x", "DELETE CCombo[2] = 0x"}),
           std::string());
  // The tables are empty again for the next main window.
  QCOMPARE(ChildWindows().Count() + ListViews().Count() + Trees().Count() + Combos().Count(), 0);
}

// The teardown deletes table by table (lists, trees, record windows,
// combos), each object logged with its count among those still filed and
// traced with its slot and the address it was made at; a slot emptied
// before is skipped and not counted.
void MainWindowTest::teardownLogsEveryObjectOfEveryTableInOrder() {
  Machine m;
  Recorders r;
  DebugLines debug;
  FakeParts fakes;
  {
    CMainWindow w(fakes.parts);
    QVERIFY(w.manager()->ready());
    QVERIFY(ChildWindows().Take(3) != nullptr);  // the sketch window, gone early
    w.close();
  }
  const std::vector<std::string> wanted = {
      "Deleting Listview Window:  1", "Deleting Listview Window:  2", "Deleting Treeview Window:  1",
      "Deleting Child Window:  1",    "Deleting Child Window:  2",    "Deleting Child Window:  3",
      "Deleting Child Window:  4",    "Deleting Child Window:  5",    "Deleting Combo Box:  1",
      "Deleting Combo Box:  2"};
  const std::vector<std::string> log = m.LogLines();
  QCOMPARE(RunFrom(log, "Deleting Listview Window:", wanted.size()), wanted);
  // And none of them a second time.
  QCOMPARE(CountLines(log, "Deleting Listview Window:") + CountLines(log, "Deleting Treeview Window:") +
               CountLines(log, "Deleting Child Window:") + CountLines(log, "Deleting Combo Box:"),
           wanted.size());

  const std::vector<std::string> traced = {
      "DELETE CListViewObject[1] = 0x", "DELETE CListViewObject[2] = 0x", "DELETE CTreeObject[1] = 0x",
      "DELETE CChildWnd[1] = 0x",       "DELETE CChildWnd[2] = 0x",       "DELETE CChildWnd[4] = 0x",
      "DELETE CChildWnd[5] = 0x",       "DELETE CChildWnd[6] = 0x",       "DELETE CCombo[1] = 0x",
      "DELETE CCombo[2] = 0x"};
  const std::vector<std::string> lines = debug.lines();
  const std::vector<std::string> run = RunFrom(lines, "DELETE CListViewObject[", traced.size());
  QCOMPARE(run.size(), traced.size());
  for (size_t i = 0; i < traced.size(); ++i)
    QVERIFY2(run[i].rfind(traced[i], 0) == 0, run[i].c_str());
  QCOMPARE(CountLines(lines, "DELETE CListViewObject[") + CountLines(lines, "DELETE CTreeObject[") +
               CountLines(lines, "DELETE CChildWnd[") + CountLines(lines, "DELETE CCombo["),
           traced.size());
  // Each object as it was made.
  const std::pair<const char*, const char*> made[] = {
      {"NEW CImageList[1]", "DELETE CListViewObject[1]"}, {"NEW CFindList[2]", "DELETE CListViewObject[2]"},
      {"NEW CTopicTree[1]", "DELETE CTreeObject[1]"},     {"NEW CTopicWnd[1]", "DELETE CChildWnd[1]"},
      {"NEW CImageWnd[2]", "DELETE CChildWnd[2]"},        {"NEW CFindWnd[6]", "DELETE CChildWnd[6]"}};
  for (const auto& [born, gone] : made) {
    QVERIFY2(!TracedAddress(lines, born).empty(), born);
    QCOMPARE(TracedAddress(lines, gone), TracedAddress(lines, born));
  }
  QCOMPARE(ChildWindows().Count() + ListViews().Count() + Trees().Count() + Combos().Count(), 0);
}

// The parts' host is handed the manager just before the first part is
// made and is told it is gone only once every part is deleted; a manager
// whose store did not open made no parts and never attaches.
void MainWindowTest::hostKnowsTheManagerWhileItsPartsExist() {
  RecordingLink link;
  {
    Machine m;
    Recorders r;
    FakeParts fakes;
    fakes.parts.host = &link;
    CMainWindow w(fakes.parts);
    QVERIFY(w.manager()->ready());
    QCOMPARE(link.attached, static_cast<IShell*>(w.manager()));
    QCOMPARE(link.events, std::vector<std::string>{"attach, parts filed: 0"});
    w.close();
  }
  QVERIFY(link.attached == nullptr);
  QCOMPARE(link.events, (std::vector<std::string>{"attach, parts filed: 0", "detach, parts filed: 0"}));

  link.events.clear();
  {
    Machine m(std::vector<std::string>{});
    Recorders r;
    FakeParts fakes;
    fakes.parts.host = &link;
    CMainWindow w(fakes.parts);
    QVERIFY(!w.manager()->ready());
    QVERIFY(link.attached == nullptr);
    w.close();
  }
  QVERIFY(link.attached == nullptr);
  QVERIFY(link.events.empty());
}

void MainWindowTest::storedSmallPlacementOpensAtTheMinimum() {
  Machine m;
  Recorders r;
  Machine::SetNum(ProgramKey, "Setup", 1);
  Machine::SetNum(kUserKey, "x", 30);
  Machine::SetNum(kUserKey, "y", 40);
  Machine::SetNum(kUserKey, "w", 500);
  Machine::SetNum(kUserKey, "h", 400);
  CMainWindow w{ShellParts{}};
  QCOMPARE(w.size(), QSize(730, 570));
  QCOMPARE(w.pos(), QPoint(30, 40));
  QVERIFY(CountLines(m.LogLines(), "Main Window W: 730") == 1);
  // Nothing the person does makes it smaller.
  w.resize(600, 400);
  QCOMPARE(w.size(), QSize(730, 570));
}

void MainWindowTest::editPendingRefusesModesUntilThePing() {
  Machine m;
  Recorders r;
  CMainWindow w{ShellParts{}};
  w.SendCommand(CMD_TOPIC_CENTER);
  QCOMPARE(w.manager()->mode(), 1u);
  bEditPending = 1;
  w.SendCommand(CMD_START);
  QCOMPARE(w.manager()->mode(), 1u);
  QCOMPARE(r.ui.MessageIds(), std::vector<int>{IDS_EDIT_PENDING});
  QCOMPARE(r.ui.messages[0].caption, std::string("Quillet"));
  QCOMPARE(r.ui.messages[0].flags, unsigned(kMbIconInformation));
  // The pressed button stays that of the mode that stayed.
  QCOMPARE(w.manager()->rebar()->pressedButton(), uint32_t(CMD_TOPIC_CENTER));

  QCOMPARE(w.HandleMessage(kNotifierMessage, 0, 0), kNotifierMessage);
  QCOMPARE(bEditPending, uint8_t(0));
  w.SendCommand(CMD_START);
  QCOMPARE(w.manager()->mode(), 0u);
  QCOMPARE(r.ui.messages.size(), size_t(1));
}

void MainWindowTest::raiseMessageBringsTheWindowBack() {
  Machine m;
  Recorders r;
  CMainWindow w{ShellParts{}};
  w.show();
  w.showMinimized();
  QVERIFY(w.isMinimized());
  const uint32_t mode = w.manager()->mode();
  QCOMPARE(w.HandleMessage(kRaiseWindowMessage, 0, 0), kRaiseWindowMessage);
  QVERIFY(!w.isMinimized());
  QVERIFY(w.isVisible());
  QCOMPARE(w.manager()->mode(), mode);  // nothing else changes
  std::vector<std::string> log = m.LogLines();
  QCOMPARE(std::count(log.begin(), log.end(), std::string("Main Window Brought To Front")), 1L);
  // A hidden window (closing) is not brought back.
  w.close();
  QCOMPARE(w.HandleMessage(kRaiseWindowMessage, 0, 0), kRaiseWindowMessage);
  QVERIFY(!w.isVisible());
  QVERIFY(r.ui.messages.empty());
}

void MainWindowTest::notifierMessagesAreAnsweredThroughTheSocket() {
  Machine m({"Demo User", "Second User"});
  Recorders r;
  winmsg::MessageWindow listener;
  QCOMPARE(listener.ListenForClass(kMainWindowClass), winmsg::MessageWindow::ListenResult::kListening);
  CMainWindow w{ShellParts{}};
  w.AttachMessageWindow(&listener);
  QCOMPARE(AppPaths.userFolder, std::string("DemoUser/"));

  // A peer in another thread sends and waits, as the notifier does.
  struct Exchange {
    uint32_t wparam, lparam, answer = 0xFFFFFFFF;
  };
  std::vector<Exchange> exchanges = {{0, 0}, {4, 0}, {1, 7}, {3, 7}, {6, 7}, {5, 0}, {2, 2}};
  std::atomic<bool> done{false};
  bEditPending = 1;
  std::thread peer([&] {
    for (Exchange& e : exchanges)
      winmsg::SendMessageToClass(kMainWindowClass, kNotifierMessage, e.wparam, e.lparam, &e.answer, 5000);
    done = true;
  });
  QTRY_VERIFY_WITH_TIMEOUT(done.load(), 20000);
  peer.join();
  QCOMPARE(exchanges[0].answer, kNotifierMessage);  // the ping
  for (size_t i = 1; i < exchanges.size(); ++i) QCOMPARE(exchanges[i].answer, 0u);
  QCOMPARE(bEditPending, uint8_t(0));
  // Stage 2 with the second user's id switched to that user and went to
  // START, once it was its turn (the answer is sent first).
  QTRY_COMPARE(AppPaths.userFolder, std::string("SecondUser/"));
  QCOMPARE(Machine::Str(ProgramKey, "LastUsername"), std::string("Second User"));
  QVERIFY(EndsWith(pDB->path(), "SecondUser/Quillet/quillet.dat"));
  const std::vector<std::string> log = m.LogLines();
  QCOMPARE(Check(log, {"Entering START Mode", "Switch Users...", "Switch Users: Refresh Topic Window",
                       "Switch Users: Refresh Find Window", "Entering START Mode"}),
           std::string());

  // HotSync itself, through the notifier library, over the real socket.
  QProcess hotsync;
  hotsync.start(QString(QUILLET_BIN_DIR) + "/quillet-hotsync",
                {"--notifier", QString(QUILLET_LIB_DIR) + "/libQuilletNotify10.so", "--user-id", "1",
                 "--stage", "0", "--stage", "2"});
  QTRY_VERIFY_WITH_TIMEOUT(hotsync.state() == QProcess::NotRunning, 20000);
  QCOMPARE(hotsync.exitCode(), 0);
  const QString out = hotsync.readAllStandardOutput();
  QVERIFY2(out.contains("HS_Notify(0, 1) -> 1") && out.contains("HS_Notify(2, 1) -> 1"),
           qPrintable(out));
  QTRY_COMPARE(AppPaths.userFolder, std::string("DemoUser/"));  // stage 2 for user 1
}

void MainWindowTest::splitterStopsAtOneAndNinetyNinePercent() {
  Machine m;
  Recorders r;
  CMainWindow w{ShellParts{}};
  QVERIFY(QTest::qWaitForWindowExposed(&w));
  CSplitter* s = w.manager()->splitter();
  const int width = w.client()->width();
  QCOMPARE(s->x(), width * 20 / 100);
  QCOMPARE(s->width(), 5);

  auto drag = [&](int toX) {
    QTest::mousePress(s, Qt::LeftButton, {}, QPoint(2, 50));
    QTest::mouseMove(s, s->mapFromParent(QPoint(toX, s->y() + 50)));
    QTest::mouseRelease(s, Qt::LeftButton, {}, s->mapFromParent(QPoint(toX, s->y() + 50)));
  };
  drag(-30);
  QCOMPARE(s->percent(), 1);
  QCOMPARE(s->x(), width * 1 / 100);
  QCOMPARE(w.manager()->web()->x(), static_cast<int>(width * 0.01) + 5);
  drag(width + 100);
  QCOMPARE(s->percent(), 99);
  QCOMPARE(s->x(), width * 99 / 100);
  drag(width / 2);
  QCOMPARE(s->percent(), width / 2 * 100 / width);  // whole percents, as dragged
  const int percent = s->percent();
  // The percentage holds when the window grows.
  w.resize(w.width() + 200, w.height());
  QTRY_COMPARE(s->x(), w.client()->width() * percent / 100);
}

void MainWindowTest::menuStatesFollowTheMode() {
  Machine m;
  Recorders r;
  WriteDemoStore(m);
  FakeParts fakes;
  CMainWindow w(fakes.parts);
  CWndMgr* mgr = w.manager();
  CRebar* bar = mgr->rebar();
  auto printGroup = [&] {
    int on = 0;
    for (uint32_t c : {CMD_PRINT, CMD_PRINT_PREVIEW, CMD_COPY, CMD_EDIT_NOTEPAD,
                       CMD_EDIT_DEFAULT_EDITOR, CMD_PAGE_SETUP})
      on += MenuOn(w, c);
    return on;
  };

  // START: start set, all buttons, none pressed; of the print group only
  // the theme editing items, which START enables again.
  QCOMPARE(mgr->mode(), 0u);
  QCOMPARE(printGroup(), 2);
  QVERIFY(MenuOn(w, CMD_EDIT_NOTEPAD) && MenuOn(w, CMD_EDIT_DEFAULT_EDITOR));
  QVERIFY(!MenuOn(w, CMD_SEND) && !MenuOn(w, CMD_DELETE_ALL));
  QVERIFY(MenuOn(w, CMD_EXPAND_ALL) && MenuOn(w, CMD_COLLAPSE_ALL));
  QVERIFY(MenuOn(w, CMD_OPEN_ARCHIVE) && !MenuOn(w, CMD_CLOSE_ARCHIVE));
  QCOMPARE(bar->pressedButton(), 0u);
  for (uint32_t c : {CMD_NEW_TOPIC, CMD_START, CMD_FIND, CMD_TOPIC_CENTER, CMD_IMAGE_CENTER})
    QVERIFY2(bar->ButtonEnabled(c), qPrintable(QString::number(c)));
  QVERIFY(!bar->themeBox()->isVisible());
  QVERIFY(mgr->web()->isVisible());
  QVERIFY(!bar->ButtonEnabled(CMD_BACK));  // nowhere to go back to yet

  // TOPIC: edit set.
  w.SendCommand(CMD_TOPIC_CENTER);
  QVERIFY(EndsWith(Path(mgr), "components/topiccenter.htm"));
  QVERIFY(!MenuOn(w, CMD_BACK) && !MenuOn(w, CMD_FORWARD) && !bar->ButtonEnabled(CMD_BACK));
  QCOMPARE(printGroup(), 0);
  QVERIFY(MenuOn(w, CMD_EXPAND_ALL));
  QCOMPARE(bar->pressedButton(), uint32_t(CMD_TOPIC_CENTER));
  QVERIFY(bar->button(CMD_TOPIC_CENTER)->isChecked() && !bar->button(CMD_FIND)->isChecked());

  // VIEWTOPIC with a topic selected: its report is built and shown.
  fakes.tree->selected = TreeItemRef{4, kKindTopic, nullptr};  // "Weekend in Lisbon"
  w.SendCommand(CMD_VIEW_TOPIC);
  QCOMPARE(mgr->mode(), 2u);
  QCOMPARE(printGroup(), 6);
  QVERIFY(MenuOn(w, CMD_DELETE_ALL));
  QVERIFY(!MenuOn(w, CMD_SEND));  // no e-mail
  QVERIFY(bar->themeBox()->isVisibleTo(&w));
  QVERIFY(MenuOn(w, CMD_BACK) && bar->ButtonEnabled(CMD_BACK));  // topic centre behind us
  const std::string report = Path(mgr);
  QVERIFY2(EndsWith(report, ".htm") && report.rfind(m.Output("DemoUser"), 0) == 0, report.c_str());
  QVERIFY(mgr->web()->browser()->toPlainText().contains("Weekend in Lisbon"));
  QCOMPARE(mgr->web()->title(), QString("Weekend in Lisbon"));

  // EDITTOPIC: the topic window with the selected record, no pane.
  w.SendCommand(CMD_EDIT_TOPIC);
  QCOMPARE(mgr->mode(), 4u);
  QVERIFY(!mgr->web()->isVisible() && !bar->themeBox()->isVisibleTo(&w));
  QVERIFY(fakes.topic->host()->isVisibleTo(&w));
  QCOMPARE(fakes.log.calls.back(), std::string("Topic Window:show 4"));
  QCOMPARE(printGroup(), 0);

  // NEWTOPIC loads a new record; leaving the mode throws it away.
  w.SendCommand(CMD_NEW_TOPIC);
  QCOMPARE(fakes.log.calls.back(), std::string("Topic Window:show new"));
  w.SendCommand(CMD_FIND);
  QCOMPARE(mgr->mode(), 14u);
  QVERIFY(std::find(fakes.log.calls.begin(), fakes.log.calls.end(), "Topic Window:discard") !=
          fakes.log.calls.end());
  QVERIFY(!MenuOn(w, CMD_EXPAND_ALL));  // all off
  QCOMPARE(bar->pressedButton(), uint32_t(CMD_FIND));
  QVERIFY(fakes.find->host()->isVisibleTo(&w));

  // Back to START: everything enabled again and the checks released.
  w.SendCommand(CMD_START);
  QCOMPARE(bar->pressedButton(), 0u);
  QVERIFY(!bar->button(CMD_FIND)->isChecked());
  QCOMPARE(fakes.topicCombo->shownAt, -1);  // the tree's filter: all categories
}

void MainWindowTest::newDropDownOnlyWhileViewingOrEditingATopic() {
  Machine m;
  Recorders r;
  FakeParts fakes;
  CMainWindow w(fakes.parts);
  CWndMgr* mgr = w.manager();
  for (int i = 0; i < kModeCount; ++i) {
    const ModeRow& row = RowOf(static_cast<Mode>(i));
    w.SendCommand(row.command);
    QCOMPARE(mgr->namedMode(), row.mode);
    const bool expected = row.mode == Mode::VIEWTOPIC || row.mode == Mode::EDITTOPIC;
    QVERIFY2(NewItemsOn(mgr) == expected, row.name);
  }
}

void MainWindowTest::modesWithoutTheirWindowAreRefused() {
  Machine m;
  Recorders r;
  CMainWindow w{ShellParts{}};
  CWndMgr* mgr = w.manager();
  w.SendCommand(CMD_TOPIC_CENTER);
  for (uint32_t c : {CMD_NEW_TOPIC, CMD_IMAGE_CENTER, CMD_FIND, CMD_NOTE, CMD_NEW_BOOK}) {
    w.SendCommand(c);
    QCOMPARE(mgr->mode(), 1u);
  }
  const std::vector<std::string> log = m.LogLines();
  QCOMPARE(CountLines(log, "Mode refused, its window does not exist yet: NEWTOPIC"), 1u);
  QCOMPARE(CountLines(log, "Mode refused, its window does not exist yet: IMAGE"), 1u);
  QCOMPARE(CountLines(log, "Mode refused, its window does not exist yet: FIND"), 1u);
  QCOMPARE(CountLines(log, "Mode refused, its window does not exist yet: NOTE"), 1u);
  QCOMPARE(CountLines(log, "Mode refused, its window does not exist yet: NEWCUSTOM"), 1u);
  // Their buttons and items say so, the others work.
  w.SendCommand(CMD_START);
  QVERIFY(!mgr->rebar()->ButtonEnabled(CMD_NEW_TOPIC));
  QVERIFY(!mgr->rebar()->ButtonEnabled(CMD_IMAGE_CENTER) && !MenuOn(w, CMD_IMAGE_CENTER));
  QVERIFY(!mgr->rebar()->ButtonEnabled(CMD_FIND));
  QVERIFY(mgr->rebar()->ButtonEnabled(CMD_START) && mgr->rebar()->ButtonEnabled(CMD_TOPIC_CENTER));
  w.SendCommand(CMD_VIEW_TOPIC);
  QVERIFY(!NewItemsOn(mgr));
}

void MainWindowTest::missingPageShowsNotFoundAndLogsOnce() {
  Machine m;
  Recorders r;
  CMainWindow w{ShellParts{}};
  CWebWnd* web = w.manager()->web();
  const std::string gone = m.Output("DemoUser") + "812202612345.htm";
  m.WriteFile(m.Output("DemoUser") + "here.htm", "<html><head><title>Here</title></head><body>x</body></html>");
  web->Navigate(m.Output("DemoUser") + "here.htm", true);
  QCOMPARE(web->title(), QString("Here"));
  web->Navigate(gone, true);
  QVERIFY(EndsWith(web->currentPath(), "components/notfound.htm"));
  const std::vector<std::string> log = m.LogLines();
  QCOMPARE(CountLines(log, "File not found:"), 1u);
  QCOMPARE(CountLines(log, "File not found: " + gone), 1u);
  // Without the check the file is asked for as it is (and nothing logged).
  web->Navigate(m.Output("DemoUser") + "here.htm", false);
  QCOMPARE(CountLines(m.LogLines(), "File not found:"), 1u);
  // Back and forward walk the history.
  web->GoBack();
  QVERIFY(EndsWith(web->currentPath(), "notfound.htm"));
  QVERIFY(web->forwardEnabled());
  web->GoForward();
  QVERIFY(EndsWith(web->currentPath(), "here.htm"));
}

void MainWindowTest::pageSetupTextsAreBlankWhileRunningAndRestoredAtExit() {
  Machine m;
  Recorders r;
  Machine::SetStr(kPageSetupKey, "header", "&w&bPage &p of &P");
  Machine::SetStr(kPageSetupKey, "footer", "&u&b&d");
  {
    CMainWindow w{ShellParts{}};
    QCOMPARE(Machine::Str(kPageSetupKey, "header"), std::string(" "));
    QCOMPARE(Machine::Str(kPageSetupKey, "footer"), std::string(" "));
    // Printing works, to a PDF file, without header or footer text.
    const std::string pdf = m.root() + "page.pdf";
    QVERIFY(w.manager()->web()->PrintToPdf(pdf));
    std::ifstream in(pdf, std::ios::binary);
    char magic[5] = {};
    in.read(magic, 4);
    QCOMPARE(std::string(magic), std::string("%PDF"));
    w.close();
  }
  QCOMPARE(Machine::Str(kPageSetupKey, "header"), std::string("&w&bPage &p of &P"));
  QCOMPARE(Machine::Str(kPageSetupKey, "footer"), std::string("&u&b&d"));
}

void MainWindowTest::themeBoxListsInNameOrderAndSelectsLastTemplate() {
  Machine m({"Demo User"}, false);
  Recorders r;
  for (const char* name : {"gamma.HTM", "Beta.htm", "alpha.htm", "notes.txt", "Delta.html"})
    m.WriteFile(m.themes() + name, "<html><body>{TITLE}</body></html>");
  std::filesystem::create_directory(m.themes() + "zeta.htm");
  Machine::SetStr(kUserKey, "LastTemplate", "BETA.htm");
  CMainWindow w{ShellParts{}};
  CRebar* bar = w.manager()->rebar();
  QComboBox* box = bar->themeBox();
  QStringList shown;
  for (int i = 0; i < box->count(); ++i) shown << box->itemText(i);
  QCOMPARE(shown, (QStringList{"alpha", "Beta", "gamma"}));
  QCOMPARE(box->currentText(), QString("Beta"));
  QCOMPARE(bar->ThemeFileAt(2), std::string("gamma.HTM"));
  QCOMPARE(bar->ThemeFileAt(3), std::string());

  Machine::SetStr(kUserKey, "LastTemplate", "Gone.htm");
  std::string first;
  bar->FillThemeBox(&first);
  QCOMPARE(box->currentIndex(), 0);
  QCOMPARE(first, std::string("alpha.htm"));

  // Picking a theme makes it the user's and shows the topic with it.
  emit bar->themeChosen(2);
  QCOMPARE(Machine::Str(kUserKey, "LastTemplate"), std::string("gamma.HTM"));
  QCOMPARE(AppPaths.currentTheme, std::string("gamma.HTM"));
  QCOMPARE(w.manager()->namedMode(), Mode::VIEWTOPIC);

  // The start page follows the VELA theme.
  m.WriteFile(m.themes() + "VELA Contacts.htm", "<html></html>");
  w.SendCommand(CMD_START);
  QVERIFY(EndsWith(Path(w.manager()), "components/velamain.htm"));

  // An empty theme folder leaves the box empty.
  for (const char* name : {"gamma.HTM", "Beta.htm", "alpha.htm", "VELA Contacts.htm"})
    std::filesystem::remove(m.themes() + name);
  bar->FillThemeBox();
  QCOMPARE(box->count(), 0);
  QCOMPARE(bar->ThemeFileAt(0), std::string());
}

void MainWindowTest::commandsReachTheirTargets() {
  Machine m;
  Recorders r;
  FakeParts fakes;
  CMainWindow w(fakes.parts);
  CWndMgr* mgr = w.manager();

  w.SendCommand(CMD_COPY);
  const QString copied = QString::fromStdString(r.ui.clipboard);
  QVERIFY(copied.contains("Welcome to Quillet!"));
  // Plain text without the stand-ins for the page's pictures, and the page
  // as HTML beside it, pictures included.
  QVERIFY(!copied.contains(QChar(0xFFFC)));
  const QString html = QString::fromStdString(r.ui.clipboardHtml);
  QVERIFY(html.contains("Welcome to Quillet!"));
  QVERIFY(html.contains("<img"));
  QVERIFY(!mgr->web()->browser()->textCursor().hasSelection());

  w.SendCommand(CMD_TOPIC_CENTER);
  w.SendCommand(CMD_HELP_CONTENTS);
  QCOMPARE(mgr->mode(), 0u);
  QVERIFY(EndsWith(Path(mgr), "help/index.html"));

  w.SendCommand(CMD_FEEDBACK);
  w.SendCommand(CMD_SUPPORT);
  w.SendCommand(CMD_EDIT_DEFAULT_EDITOR);
  w.SendCommand(CMD_EDIT_NOTEPAD);
  w.SendCommand(CMD_OPEN_FOLDER);
  const std::string theme = m.themes() + "Show Everything.htm";
  QCOMPARE(r.desktop.requests,
           (std::vector<RecordingDesktop::Request>{{"address", ToUtf8(LoadString(IDS_CONTACT_URL))},
                                                   {"address", ToUtf8(LoadString(IDS_SUPPORT_URL))},
                                                   {"edit", theme},
                                                   {"plain", theme},
                                                   {"open", m.themes()}}));

  w.SendCommand(CMD_EXPAND_ALL);
  w.SendCommand(CMD_COLLAPSE_ALL);
  QCOMPARE(fakes.log.calls.back(), std::string("tree:collapse"));

  // Reset All asks first; No leaves a changed theme as it is.
  m.WriteFile(theme, "changed");
  r.ui.messageAnswers = {kIdNo};
  w.SendCommand(CMD_RESET_ALL);
  QCOMPARE(r.ui.messages.back().stringId, IDS_RESTORE_THEMES);
  // No is the default answer, as for Delete All: Return keeps the themes.
  QCOMPARE(r.ui.messages.back().flags & kMbDefaultMask, unsigned(kMbDefButton2));
  std::ifstream changed(theme);
  std::string text((std::istreambuf_iterator<char>(changed)), {});
  QCOMPARE(text, std::string("changed"));
  r.ui.messageAnswers = {kIdYes};
  w.SendCommand(CMD_RESET_ALL);
  QVERIFY(std::filesystem::file_size(theme) > 100);
  QCOMPARE(mgr->mode(), 0u);
}

void MainWindowTest::deleteAllAsksAndFlagsEverything() {
  Machine m;
  Recorders r;
  WriteDemoStore(m);
  CMainWindow w{ShellParts{}};
  const uint32_t topics = pDB->CountLive(kKindTopic);
  QVERIFY(topics >= 4);
  r.ui.messageAnswers = {kIdNo};
  w.SendCommand(CMD_DELETE_ALL);
  QCOMPARE(r.ui.messages.back().stringId, IDS_DELETE_ALL);
  QCOMPARE(r.ui.messages.back().flags, unsigned(kMbYesNo | kMbIconExclamation | kMbDefButton2));
  QCOMPARE(pDB->CountLive(kKindTopic), topics);

  r.ui.messageAnswers = {kIdYes};
  w.SendCommand(CMD_TOPIC_CENTER);
  w.SendCommand(CMD_DELETE_ALL);
  QCOMPARE(w.manager()->mode(), 0u);
  // Saved: the file holds no live topic, note, picture or reference.
  CRecordStore reread("quillet.dat", m.Output("DemoUser"));
  QCOMPARE(reread.Load(), DB_OK);
  for (uint32_t kind : {kKindTopic, kKindNote, kKindImage, kKindCustom, kKindTopicLinks})
    QCOMPARE(reread.CountLive(kind), 0u);
  QCOMPARE(reread.CountLive(kKindCategory), 2u);
}

void MainWindowTest::privateRecordsAskForThePasswordOnlyWhenShowing() {
  Machine m;
  Recorders r;
  CMainWindow w{ShellParts{}};
  QCOMPARE(w.menus()->Text(CMD_PRIVATE), UiText(IDS_SHOW_PRIVATE));
  w.SendCommand(CMD_PRIVATE);  // no password: no dialog
  QCOMPARE(bShowPrivate, uint8_t(1));
  QCOMPARE(Machine::Num(kUserKey, "Private"), 1u);
  QCOMPARE(w.menus()->Text(CMD_PRIVATE), UiText(IDS_HIDE_PRIVATE));
  QVERIFY(r.ui.dialogs.empty() || r.ui.dialogs == std::vector<int>{371});
  w.SendCommand(CMD_PRIVATE);
  QCOMPARE(bShowPrivate, uint8_t(0));
  QCOMPARE(Machine::Num(kUserKey, "Private"), 0u);

  QCOMPARE(Machine::Run("quillet-palm-desktop user password 'Demo User' secret"), 0);
  r.ui.passwords = {"wrong", "secret"};
  w.SendCommand(CMD_PRIVATE);
  QCOMPARE(bShowPrivate, uint8_t(1));
  QCOMPARE(std::count(r.ui.dialogs.begin(), r.ui.dialogs.end(), 543), 2L);
  QCOMPARE(r.ui.messages.back().stringId, IDS_BAD_PASSWORD);
  QCOMPARE(r.ui.messages.back().caption, std::string("Quillet!"));
  // Hiding never asks; cancelling the dialog changes nothing.
  w.SendCommand(CMD_PRIVATE);
  QCOMPARE(bShowPrivate, uint8_t(0));
  QCOMPARE(std::count(r.ui.dialogs.begin(), r.ui.dialogs.end(), 543), 2L);
  w.SendCommand(CMD_PRIVATE);
  QCOMPARE(bShowPrivate, uint8_t(0));
  QCOMPARE(Machine::Num(kUserKey, "Private"), 0u);
}

// The owner unlocked once and left the program with private records shown:
// whoever starts it next sees them only after the password. Without a
// password the stored choice still holds.
void MainWindowTest::aPasswordUserStartsWithPrivateRecordsHidden() {
  Machine m;
  Recorders r;
  {
    CMainWindow w{ShellParts{}};
    w.SendCommand(CMD_PRIVATE);  // no password yet
    QCOMPARE(Machine::Num(kUserKey, "Private"), 1u);
  }
  {
    CMainWindow w{ShellParts{}};
    QCOMPARE(bShowPrivate, uint8_t(1));
    QCOMPARE(w.menus()->Text(CMD_PRIVATE), UiText(IDS_HIDE_PRIVATE));
  }
  QCOMPARE(Machine::Run("quillet-palm-desktop user password 'Demo User' secret"), 0);
  {
    CMainWindow w{ShellParts{}};
    QCOMPARE(bShowPrivate, uint8_t(0));
    QCOMPARE(w.menus()->Text(CMD_PRIVATE), UiText(IDS_SHOW_PRIVATE));
    QCOMPARE(std::count(r.ui.dialogs.begin(), r.ui.dialogs.end(), 543), 0L);  // nothing asked at start
  }
  bShowPrivate = 0;
}

void MainWindowTest::archiveCommandsOpenTheArchiveAndGoBack() {
  Machine m;
  Recorders r;
  WriteDemoStore(m);
  const std::string out = m.Output("DemoUser");
  std::filesystem::copy_file(out + "quillet.dat", out + "Quillet.arc");
  FakeParts fakes;
  CMainWindow w(fakes.parts);
  r.ui.filePaths = {out + "whatever-name.arc"};
  w.SendCommand(CMD_OPEN_ARCHIVE);
  QVERIFY(EndsWith(pDB->path(), "Quillet/Quillet.arc"));
  QVERIFY(pDB->CountLive(kKindTopic) >= 4);
  QVERIFY(MenuOn(w, CMD_CLOSE_ARCHIVE) && !MenuOn(w, CMD_OPEN_ARCHIVE));
  QVERIFY(std::find(fakes.log.calls.begin(), fakes.log.calls.end(), "tree:refresh") !=
          fakes.log.calls.end());
  QCOMPARE(w.manager()->mode(), 0u);
  w.SendCommand(CMD_CLOSE_ARCHIVE);
  QVERIFY(EndsWith(pDB->path(), "Quillet/quillet.dat"));
  QVERIFY(!MenuOn(w, CMD_CLOSE_ARCHIVE) && MenuOn(w, CMD_OPEN_ARCHIVE));
}

void MainWindowTest::exitClosesSavesThePlacementAndEndsTheRun() {
  Machine m;
  Recorders r;
  CMainWindow w{ShellParts{}};
  QSignalSpy closed(&w, &CMainWindow::closed);
  w.move(60, 70);
  w.resize(1000, 700);
  w.SendCommand(CMD_EXIT);
  QCOMPARE(closed.count(), 1);
  QVERIFY(w.manager() == nullptr);
  QVERIFY(pDB == nullptr);
  QCOMPARE(Machine::Num(kUserKey, "w"), 1000u);
  QCOMPARE(Machine::Num(kUserKey, "h"), 700u);
  QCOMPARE(Machine::Num(kUserKey, "maximized"), 0u);
  EndLog();
  const std::string log = m.LogText();
  QVERIFY(EndsWith(log, "*** LOG END ***"));
}

// Pictures of the windows as drawn; with QUILLET_SNAPSHOT_DIR set they are
// kept there to be looked at.
void MainWindowTest::windowsDrawWhatTheyHold() {
  Machine m;
  Recorders r;
  WriteDemoStore(m);
  FakeParts fakes;
  CMainWindow w(fakes.parts);
  w.resize(1000, 680);
  QVERIFY(QTest::qWaitForWindowExposed(&w));
  const QString dir = qEnvironmentVariable("QUILLET_SNAPSHOT_DIR");
  auto keep = [&](const QImage& image, const char* name) {
    if (!dir.isEmpty()) image.save(dir + "/" + name + ".png");
  };
  // Distinct colours: a window that drew nothing is one flat colour.
  auto colours = [](const QImage& image) {
    QSet<QRgb> seen;
    for (int y = 0; y < image.height(); y += 7)
      for (int x = 0; x < image.width(); x += 7) seen.insert(image.pixel(x, y));
    return seen.size();
  };

  QImage start = w.grab().toImage();
  QCOMPARE(start.size(), w.size() * start.devicePixelRatio());
  QVERIFY(colours(start) > 50);
  keep(start, "start");

  fakes.tree->selected = TreeItemRef{4, kKindTopic, nullptr};
  w.SendCommand(CMD_VIEW_TOPIC);
  QImage view = w.grab().toImage();
  QVERIFY(colours(view) > 50);
  QVERIFY(view != start);
  keep(view, "viewtopic");
  // The topic's page printed: several pages of it, in a PDF file.
  const std::string pdf = (dir.isEmpty() ? QString::fromStdString(m.root()) : dir + "/").toStdString() +
                          "viewtopic.pdf";
  QVERIFY(w.manager()->web()->PrintToPdf(pdf));
  QVERIFY(std::filesystem::file_size(pdf) > 10000);
  // Print and Print Preview name the document after the topic, as the PDF
  // export does (a PDF printed to file gets it as its title).
  {
    CRecord* shown = nullptr;
    QCOMPARE(pDB->FindById(4, &shown), DB_OK);
    auto* topic = dynamic_cast<CTopicRecord*>(shown);
    QVERIFY(topic != nullptr && !topic->title.empty());
    QCOMPARE(ShownPageTitle(*w.manager()), FromAnsi(topic->title));
  }

  // The toolbar: the check button of the mode pressed, text beside icons.
  QImage band = w.manager()->rebar()->grab().toImage();
  QCOMPARE(band.height(), 38 * int(band.devicePixelRatio()));
  keep(band, "rebar");

  QMenu* drop = w.manager()->rebar()->newDropDownMenu();
  emit drop->aboutToShow();
  drop->popup(w.mapToGlobal(QPoint(10, 40)));
  QVERIFY(QTest::qWaitForWindowExposed(drop));
  QImage dropImage = drop->grab().toImage();
  QVERIFY(colours(dropImage) > 3);
  keep(dropImage, "newdropdown");
  drop->hide();

  QMenu* themes = w.menus()->Action(CMD_RESET_ALL)->associatedObjects().isEmpty()
                      ? nullptr
                      : qobject_cast<QMenu*>(w.menus()->Action(CMD_RESET_ALL)->associatedObjects().first());
  QVERIFY(themes != nullptr);
  themes->popup(w.mapToGlobal(QPoint(80, 20)));
  QVERIFY(QTest::qWaitForWindowExposed(themes));
  keep(themes->grab().toImage(), "thememenu");
  themes->hide();
}

void MainWindowTest::withoutAPalmUserTheWindowSaysWhyAndExits() {
  Machine m(std::vector<std::string>{});
  Recorders r;
  CMainWindow w{ShellParts{}};
  QVERIFY(!w.manager()->ready());
  QVERIFY(w.isVisible());  // not an invisible program behind a splash
  const QList<QLabel*> labels = w.client()->findChildren<QLabel*>();
  QVERIFY(!labels.isEmpty() && labels[0]->text().contains("quillet-palm-desktop user add"));
  QVERIFY(w.manager()->web() == nullptr);
  QVERIFY(CountLines(m.LogLines(), "Splash Window Destroy Called") == 1);
  QSignalSpy closed(&w, &CMainWindow::closed);
  w.SendCommand(CMD_START);  // nothing to show, nothing happens
  w.SendCommand(CMD_EXIT);
  QCOMPARE(closed.count(), 1);
}

void MainWindowTest::titleNamesThePalmUser() {
  Machine m({"Demo User", "Ann Smith"});
  Recorders r;
  CMainWindow w{ShellParts{}};
  QCOMPARE(w.windowTitle(), QString("Quillet! - Demo User"));
  QVERIFY(w.manager()->SwitchUser("Ann Smith"));
  QCOMPARE(w.windowTitle(), QString("Quillet! - Ann Smith"));
  // A name no user has changes nothing.
  QVERIFY(!w.manager()->SwitchUser("Nobody"));
  QCOMPARE(w.windowTitle(), QString("Quillet! - Ann Smith"));
}

void MainWindowTest::keysReachTheCommandsAndIconButtonsHaveNames() {
  Machine m;
  Recorders r;
  FakeParts fakes;
  CMainWindow w(fakes.parts);
  CWndMgr* mgr = w.manager();
  w.show();
  w.activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(&w));

  // The menu items carry their keys.
  const std::pair<uint32_t, const char*> keys[] = {
      {CMD_PRINT, "Ctrl+P"},   {CMD_PRINT_PREVIEW, "Ctrl+Shift+P"}, {CMD_SAVE_AS, "Ctrl+Shift+S"},
      {CMD_SEND, "Ctrl+E"},    {CMD_EXIT, "Ctrl+Q"},                {CMD_HELP_CONTENTS, "F1"},
      {CMD_REFRESH, "F5"},     {CMD_BACK, "Alt+Left"},              {CMD_FORWARD, "Alt+Right"},
      {CMD_COPY, "Ctrl+C"}};
  for (const auto& [command, key] : keys) {
    QAction* item = w.menus()->Action(command);
    QVERIFY2(item, key);
    QVERIFY2(item->shortcuts().contains(QKeySequence(key)), key);
  }

  // Pressed: Ctrl+F finds, Ctrl+N makes a topic, F1 shows help, Alt+Left
  // and Alt+Right go through the pages.
  QTest::keyClick(&w, Qt::Key_F, Qt::ControlModifier);
  QCOMPARE(mgr->namedMode(), Mode::FIND);
  QTest::keyClick(&w, Qt::Key_N, Qt::ControlModifier);
  QCOMPARE(mgr->namedMode(), Mode::NEWTOPIC);
  w.SendCommand(CMD_START);
  QTest::keyClick(&w, Qt::Key_F1);
  QVERIFY(EndsWith(Path(mgr), "help/index.html"));
  QTest::keyClick(&w, Qt::Key_Left, Qt::AltModifier);
  QVERIFY(EndsWith(Path(mgr), "components/main.htm"));
  QTest::keyClick(&w, Qt::Key_Right, Qt::AltModifier);
  QVERIFY(EndsWith(Path(mgr), "help/index.html"));
  // A command greyed in the mode is not reached by its key either.
  w.SendCommand(CMD_TOPIC_CENTER);
  QVERIFY(!w.menus()->IsEnabled(CMD_PRINT));
  r.ui.messages.clear();
  QTest::keyClick(&w, Qt::Key_P, Qt::ControlModifier);
  QCOMPARE(mgr->namedMode(), Mode::TOPIC);

  // The buttons that show only a picture are named for screen readers, and
  // every tip names the key.
  CRebar* bar = mgr->rebar();
  QCOMPARE(bar->button(CMD_FORWARD)->accessibleName(), QString("Forward"));
  QCOMPARE(bar->button(CMD_FIND)->accessibleName(), QString("Find"));
  QCOMPARE(bar->button(CMD_NEW_TOPIC)->toolTip(), QString("New Topic (Ctrl+N)"));
  QVERIFY(!bar->themeBox()->accessibleName().isEmpty());

  QSignalSpy closed(&w, &CMainWindow::closed);
  QTest::keyClick(&w, Qt::Key_Q, Qt::ControlModifier);
  QCOMPARE(closed.count(), 1);
}

void MainWindowTest::buttonTipsAndTheThemeBoxNameAreTranslated() {
  Machine m;
  Recorders r;
  MarkingTranslator marking;
  QCoreApplication::installTranslator(&marking);
  FakeParts fakes;
  CMainWindow w(fakes.parts);
  QCoreApplication::removeTranslator(&marking);
  CRebar* bar = w.manager()->rebar();
  QVERIFY(bar);
  // The tip's form comes from the catalogue (a language may put the key
  // elsewhere); the button's own text is the string table's.
  QCOMPARE(bar->button(CMD_NEW_TOPIC)->toolTip(), QString("[Shortcuts] New Topic (Ctrl+N)"));
  QCOMPARE(bar->themeBox()->accessibleName(), QString("[Shortcuts] Theme"));
  QCOMPARE(bar->themeBox()->toolTip(), QString("[quillet::CRebar] Theme of the topic page"));
}

void MainWindowTest::themeBoxFollowsTheFolderAndAGoneThemeIsTold() {
  Machine m({"Demo User"}, false);
  Recorders r;
  for (const char* name : {"alpha.htm", "beta.htm", "gamma.htm"})
    m.WriteFile(m.themes() + name, "<html><body>{TITLE}</body></html>");
  Machine::SetStr(kUserKey, "LastTemplate", "alpha.htm");
  CMainWindow w{ShellParts{}};
  CWndMgr* mgr = w.manager();
  CRebar* bar = mgr->rebar();
  QComboBox* box = bar->themeBox();
  QCOMPARE(box->count(), 3);

  // Removed behind the box's back, then picked: said so, nothing else
  // chosen, and the box lists what is there now.
  std::filesystem::remove(m.themes() + "beta.htm");
  w.SendCommand(CMD_TOPIC_CENTER);
  emit bar->themeChosen(1);
  QCOMPARE(r.ui.messages.size(), size_t{1});
  QVERIFY(r.ui.messages[0].text.find("\"beta\"") != std::string::npos);
  QVERIFY(r.ui.messages[0].text.find("Reset All") != std::string::npos);
  QCOMPARE(Machine::Str(kUserKey, "LastTemplate"), std::string("alpha.htm"));
  QCOMPARE(AppPaths.currentTheme, std::string("alpha.htm"));
  QCOMPARE(mgr->namedMode(), Mode::TOPIC);
  QCOMPARE(box->count(), 2);
  // The entry now at that place is the file it names.
  emit bar->themeChosen(1);
  QCOMPARE(AppPaths.currentTheme, std::string("gamma.htm"));
  QCOMPARE(mgr->namedMode(), Mode::VIEWTOPIC);

  // A theme added to the folder shows up by itself.
  m.WriteFile(m.themes() + "delta.htm", "<html></html>");
  QTRY_COMPARE(box->count(), 3);
  QCOMPARE(box->currentText(), QString("gamma"));
  std::filesystem::remove(m.themes() + "alpha.htm");
  QTRY_COMPARE(box->count(), 2);

  // The theme in use (gamma, its page on screen) removed by another
  // program: the box, the setting and the page move to one that is there,
  // and the person is told which.
  QCOMPARE(mgr->namedMode(), Mode::VIEWTOPIC);
  r.ui.messages.clear();
  std::filesystem::remove(m.themes() + "gamma.htm");
  QTRY_COMPARE(box->count(), 1);
  QCOMPARE(box->currentText(), QString("delta"));
  QCOMPARE(Machine::Str(kUserKey, "LastTemplate"), std::string("delta.htm"));
  QCOMPARE(AppPaths.currentTheme, std::string("delta.htm"));
  QCOMPARE(mgr->namedMode(), Mode::VIEWTOPIC);
  QCOMPARE(r.ui.messages.size(), size_t{1});
  QCOMPARE(r.ui.messages[0].text,
           std::string("The theme \"gamma\" was removed from the theme folder. Topic pages now use \"delta\"."));
  // The last one gone: said, with the way back.
  r.ui.messages.clear();
  std::filesystem::remove(m.themes() + "delta.htm");
  QTRY_COMPARE(box->count(), 0);
  QTRY_COMPARE(r.ui.messages.size(), size_t{1});
  QVERIFY(r.ui.messages[0].text.find("no theme is left") != std::string::npos);
  QVERIFY(r.ui.messages[0].text.find("Reset All") != std::string::npos);
}

void MainWindowTest::placementFitsItsScreenAndUnmaximizingGivesTheSavedSize() {
  // The tests' screens: 1024 x 768 (primary) and 1280 x 1024 right of it.
  QCOMPARE(QGuiApplication::screens().size(), 2);
  Machine m;
  Recorders r;
  Machine::SetNum(ProgramKey, "Setup", 1);
  // Saved on a larger screen, mostly over the second one: fits that one.
  Machine::SetNum(kUserKey, "x", 1100);
  Machine::SetNum(kUserKey, "y", 300);
  Machine::SetNum(kUserKey, "w", 1600);
  Machine::SetNum(kUserKey, "h", 1200);
  {
    CMainWindow w{ShellParts{}};
    QCOMPARE(w.size(), QSize(1280, 1024));
    QCOMPARE(w.pos(), QPoint(1024, 0));
    w.close();
  }
  // Partly off the primary screen's bottom: moved up into it.
  Machine::SetNum(kUserKey, "x", 100);
  Machine::SetNum(kUserKey, "y", 600);
  Machine::SetNum(kUserKey, "w", 800);
  Machine::SetNum(kUserKey, "h", 600);
  Machine::SetNum(kUserKey, "maximized", 0);
  {
    CMainWindow w{ShellParts{}};
    QCOMPARE(w.size(), QSize(800, 600));
    QCOMPARE(w.pos(), QPoint(100, 168));
    // Maximized at exit: the size from before is what is kept.
    w.showMaximized();
    QTRY_VERIFY(w.isMaximized());
    w.close();
  }
  QCOMPARE(Machine::Num(kUserKey, "maximized"), 1u);
  QCOMPARE(Machine::Num(kUserKey, "w"), 800u);
  QCOMPARE(Machine::Num(kUserKey, "h"), 600u);
  {
    CMainWindow w{ShellParts{}};
    QVERIFY(w.isMaximized());
    w.showNormal();
    QTRY_VERIFY(!w.isMaximized());
    QCOMPARE(w.size(), QSize(800, 600));
    w.close();
  }
  // Saved by an older version while maximized (the screen's size): the
  // normal size is smaller than the screen.
  Machine::SetNum(kUserKey, "x", 0);
  Machine::SetNum(kUserKey, "y", 0);
  Machine::SetNum(kUserKey, "w", 1024);
  Machine::SetNum(kUserKey, "h", 768);
  Machine::SetNum(kUserKey, "maximized", 1);
  {
    CMainWindow w{ShellParts{}};
    w.showNormal();
    QTRY_VERIFY(!w.isMaximized());
    QCOMPARE(w.size(), QSize(819, 614));
    w.close();
  }
}

// Under a German locale the program speaks German: its menus, its dialogs
// and its messages, with Qt's own buttons in German too.
void MainWindowTest::inGermanTheMenusADialogAndAMessageBoxAreGerman() {
  Machine m;
  WriteDemoStore(m);
  QCOMPARE(Machine::Run("quillet-palm-desktop user password 'Demo User' secret"), 0);
  QVERIFY(InstallTranslators({"de_DE"}, QUILLET_DATA_DIR "/translations/").qts == "de");
  const auto english = qScopeGuard([] { RemoveTranslators(); });
  QtUserInterface forms;  // the real boxes and dialogs
  ScopedUI scope(&forms);
  CMainWindow w{ShellParts{}};
  w.show();

  QStringList menus;
  for (QAction* a : w.menuBar()->actions()) menus << a->text();
  QCOMPARE(menus, QStringList({"&Datei", "&Bearbeiten", "De&signs", "Ben&utzer", "&Ansicht", "&Hilfe"}));
  QCOMPARE(w.menus()->Text(CMD_EXIT), QString("&Beenden"));
  QCOMPARE(w.menus()->Text(CMD_IMPORT_REFERENCES), QString("Literaturangaben &importieren..."));
  QCOMPARE(w.menus()->Text(CMD_PRIVATE), QString::fromUtf8("Private Datens\u00E4tze anzeigen"));

  // The pane's own pages too: the start page, the Topic Center, the help
  // and the start page again (the Image Center wants the picture list,
  // which this window lacks; web_links_tests follows its links).
  QVERIFY2(EndsWith(Path(w.manager()), "components/de/main.htm"), Path(w.manager()).c_str());
  QVERIFY(w.manager()->web()->browser()->toPlainText().contains("Willkommen bei Quillet!"));
  const std::pair<uint32_t, const char*> pages[] = {{CMD_TOPIC_CENTER, "components/de/topiccenter.htm"},
                                                    {CMD_HELP_CONTENTS, "help/de/index.html"},
                                                    {CMD_START, "components/de/main.htm"}};
  for (const auto& [command, page] : pages) {
    w.SendCommand(command);
    QVERIFY2(EndsWith(Path(w.manager()), page), Path(w.manager()).c_str());
  }
  QCOMPARE(w.manager()->web()->title(), QString("Quillet! - Start"));

  // What a modal window shows, read when it is up, then closed with `answer`.
  struct Seen {
    QString title, text;
    QStringList buttons, labels;
  } seen;
  auto readAndClose = [&seen](QMessageBox::StandardButton answer) {
    QTimer::singleShot(0, [&seen, answer] {
      QWidget* modal = QApplication::activeModalWidget();
      if (modal == nullptr) return;
      seen.title = modal->windowTitle();
      for (QAbstractButton* b : modal->findChildren<QAbstractButton*>()) seen.buttons << b->text();
      for (QLabel* l : modal->findChildren<QLabel*>()) seen.labels << l->text();
      if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        seen.text = box->text();
        box->button(answer)->click();
      } else if (auto* dialog = qobject_cast<QDialog*>(modal)) {
        dialog->reject();
      }
    });
  };

  // A message box: Delete All asks first; No keeps everything.
  const uint32_t topics = pDB->CountLive(kKindTopic);
  readAndClose(QMessageBox::No);
  w.SendCommand(CMD_DELETE_ALL);
  QCOMPARE(seen.text, QString::fromUtf8("M\u00F6chten Sie alle Ihre Themen und deren Inhalte l\u00F6schen?\n\n"
                                        "Dies kann nicht r\u00FCckg\u00E4ngig gemacht werden."));
  QVERIFY2(seen.buttons.contains("&Ja") && seen.buttons.contains("&Nein"), qPrintable(seen.buttons.join('|')));
  QCOMPARE(pDB->CountLive(kKindTopic), topics);

  // A dialog: the password for the private records, cancelled.
  seen = Seen{};
  readAndClose(QMessageBox::Cancel);
  w.SendCommand(CMD_PRIVATE);
  QCOMPARE(seen.title, QString::fromUtf8("Private Datens\u00E4tze anzeigen"));
  QVERIFY2(seen.labels.contains("Kennwort:"), qPrintable(seen.labels.join('|')));
  QVERIFY2(seen.buttons.contains("&Abbrechen") || seen.buttons.contains("Abbrechen"),
           qPrintable(seen.buttons.join('|')));
  QCOMPARE(bShowPrivate, uint8_t(0));
}

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
