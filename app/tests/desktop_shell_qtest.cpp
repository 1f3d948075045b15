// The main window as a desktop user drives it, with the real tree and
// record windows: the keyboard in the tree, the page after every kind of
// change, Back and Forward, Save As and Export as PDF.
#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <QTextBrowser>
#include <QTreeWidget>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/MainWindow.h"
#include "app/MenuBar.h"
#include "app/PageActions.h"
#include "app/WebWnd.h"
#include "app/WndMgr.h"
#include "base/AppPaths.h"
#include "base/Strings.h"
#include "desktop/db/CurrentDatabase.h"
#include "desktop/records/PropertyPages.h"
#include "desktop/records/TreeEdits.h"
#include "desktop/shell/Commands.h"
#include "desktop/users/UserSwitch.h"
#include "reports/ReportPaths.h"
#include "testing/ShellTestSupport.h"
#include "widgets/records/CustomWnd.h"
#include "widgets/records/NoteWnd.h"
#include "widgets/records/Parts.h"
#include "widgets/records/PropertiesSheet.h"
#include "widgets/records/TopicTree.h"

using namespace quillet;
using quillet::test::AddTopic;
using quillet::test::AddNote;
using quillet::test::Machine;
using quillet::test::Recorders;

namespace {

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

// The main window on a scratch machine with two topics, shown and active.
struct Desk {
  Machine m;
  Recorders r;
  CMainWindow w{RegisteredShellParts()};
  CWndMgr* mgr = w.manager();
  CTopicTree* tree = dynamic_cast<CTopicTree*>(mgr->topicTree());
  CNoteWnd* noteWnd = dynamic_cast<CNoteWnd*>(mgr->window(RecordWindow::kNote));
  CCustomWnd* customWnd = dynamic_cast<CCustomWnd*>(mgr->window(RecordWindow::kCustom));
  uint32_t garden = 0, office = 0, tomatoes = 0, boxes = 0;

  Desk() {
    garden = AddTopic("Garden plans");
    office = AddTopic("Office move");
    tomatoes = AddNote(garden, "Plant the tomatoes");
    boxes = AddNote(office, "Order boxes");
    pDB->Save();
    tree->Refresh();
    tree->ExpandAll();
    w.resize(900, 600);
    w.show();
    w.activateWindow();
  }
  QTreeWidget* view() const { return tree->view(); }
  void Click(uint32_t record) {
    const QRect at = view()->visualItemRect(tree->FindItem(record));
    QTest::mouseClick(view()->viewport(), Qt::LeftButton, {}, QPoint(at.left() + 12, at.center().y()));
  }
  // The report of `topic` is the page shown.
  bool Shows(uint32_t topic) const {
    const CTopicRecord* t = FindTopic(topic);
    return t && mgr->web()->isVisible() &&
           mgr->web()->currentPath() == m.Output("DemoUser") + OutputFileName(t->fileName);
  }
  QString Page() const { return mgr->web()->browser()->toPlainText(); }
  uint32_t Selected() const {
    const std::optional<TreeItemRef> item = tree->SelectedItem();
    return item ? item->recordId : 0;
  }
};

}  // namespace

class DesktopShellTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    RegisterWindowsParts();
    SetDeleteConfirm(nullptr);  // the recording form answers instead
    SetPasswordPrompt(nullptr);
  }

  void keyboardDrivesTheTree() {
    Desk d;
    QVERIFY(QTest::qWaitForWindowActive(&d.w));
    // A click on a note opens it, and the keyboard stays in the tree.
    d.Click(d.tomatoes);
    QCOMPARE(d.mgr->namedMode(), Mode::NOTE);
    QVERIFY(d.view()->hasFocus());
    // Up reaches the topic above it and shows its report.
    QTest::keyClick(d.view(), Qt::Key_Up);
    QCOMPARE(d.Selected(), d.garden);
    QCOMPARE(d.mgr->namedMode(), Mode::VIEWTOPIC);
    QVERIFY(d.Shows(d.garden));
    QVERIFY(d.view()->hasFocus());
    // Down twice: the note again, then the next topic.
    QTest::keyClick(d.view(), Qt::Key_Down);
    QCOMPARE(d.Selected(), d.tomatoes);
    QCOMPARE(d.mgr->namedMode(), Mode::NOTE);
    QCOMPARE(d.noteWnd->noteEdit()->toPlainText(), QString("Plant the tomatoes"));
    QTest::keyClick(d.view(), Qt::Key_Down);
    QCOMPARE(d.Selected(), d.office);
    QVERIFY(d.Shows(d.office));
    // Left closes the topic, Right opens it again; Enter opens the item.
    QTest::keyClick(d.view(), Qt::Key_Left);
    QVERIFY(!d.tree->FindItem(d.office)->isExpanded());
    QTest::keyClick(d.view(), Qt::Key_Right);
    QVERIFY(d.tree->FindItem(d.office)->isExpanded());
    QTest::keyClick(d.view(), Qt::Key_Down);
    QCOMPARE(d.Selected(), d.boxes);
    QCOMPARE(d.mgr->namedMode(), Mode::NOTE);
    d.mgr->OnCommand(CMD_TOPIC_CENTER);
    d.view()->setFocus();
    QTest::keyClick(d.view(), Qt::Key_Return);
    QCOMPARE(d.mgr->namedMode(), Mode::NOTE);

    // Delete asks the question first; No keeps the note.
    d.r.ui.messageAnswers = {kIdCancel};
    QTest::keyClick(d.view(), Qt::Key_Delete);
    QCOMPARE(d.r.ui.MessageIds().back(), IDS_DELETE_ITEMS);
    QVERIFY(d.tree->FindItem(d.boxes));
    // Yes: gone, and its topic is shown without it, the keyboard still here.
    QTest::keyClick(d.view(), Qt::Key_Delete);
    QVERIFY(!d.tree->FindItem(d.boxes));
    QVERIFY(!FindRecord(d.boxes)->IsLive());
    QCOMPARE(d.Selected(), d.office);
    QVERIFY(d.Shows(d.office));
    QVERIFY(!d.Page().contains("Order boxes"));
    QVERIFY(d.view()->hasFocus());

    // The window's own keys reach the commands without a menu item too.
    QTest::keyClick(&d.w, Qt::Key_N, Qt::ControlModifier);
    QCOMPARE(d.mgr->namedMode(), Mode::NEWTOPIC);
    d.w.close();
  }

  void thePageFollowsEveryChange() {
    Desk d;
    d.Click(d.garden);
    QVERIFY(d.Shows(d.garden));

    // A new note: its topic's report, built again, with the note in it.
    d.w.SendCommand(CMD_NEW_NOTE);
    QCOMPARE(d.mgr->namedMode(), Mode::NEWNOTE);
    QTest::keyClicks(d.noteWnd->noteEdit(), "Water the beans");
    QTest::mouseClick(d.noteWnd->okButton(), Qt::LeftButton);
    QCOMPARE(d.mgr->namedMode(), Mode::VIEWTOPIC);
    QVERIFY(d.Shows(d.garden));
    QVERIFY(d.Page().contains("Water the beans"));
    const uint32_t beans = d.Selected();
    QVERIFY(beans != d.garden && beans != 0);

    // An updated note.
    d.Click(d.tomatoes);
    QTest::keyClick(d.noteWnd->noteEdit(), Qt::Key_End, Qt::ControlModifier);
    QTest::keyClicks(d.noteWnd->noteEdit(), " in May");
    QTest::mouseClick(d.noteWnd->okButton(), Qt::LeftButton);
    QVERIFY(d.Shows(d.garden));
    QVERIFY(d.Page().contains("Plant the tomatoes in May"));

    // A new reference, then the same reference updated.
    d.w.SendCommand(CMD_NEW_BOOK);
    auto* title = qobject_cast<QLineEdit*>(d.customWnd->fieldEdit(0));
    QVERIFY(title);
    QTest::keyClicks(title, "Vegetable growing");
    QTest::mouseClick(d.customWnd->okButton(), Qt::LeftButton);
    QVERIFY(d.Shows(d.garden));
    QVERIFY(d.Page().contains("Vegetable growing"));
    const uint32_t book = d.Selected();
    d.Click(book);
    QCOMPARE(d.mgr->namedMode(), Mode::CUSTOM);
    title = qobject_cast<QLineEdit*>(d.customWnd->fieldEdit(0));
    title->selectAll();
    QTest::keyClicks(title, "Growing vegetables");
    QTest::mouseClick(d.customWnd->okButton(), Qt::LeftButton);
    QVERIFY(d.Shows(d.garden));
    QVERIFY(d.Page().contains("Growing vegetables"));
    QVERIFY(!d.Page().contains("Vegetable growing"));
    QCOMPARE(d.tree->FindItem(book)->text(0), QString("Growing vegetables"));

    // Marked private while private records are hidden: the item goes, its
    // topic is selected and shown without it.
    d.Click(beans);
    d.noteWnd->privateBox()->setChecked(true);
    QTest::mouseClick(d.noteWnd->okButton(), Qt::LeftButton);
    QVERIFY(!d.tree->FindItem(beans));
    QCOMPARE(d.Selected(), d.garden);
    QCOMPARE(d.mgr->namedMode(), Mode::VIEWTOPIC);
    QVERIFY(d.Shows(d.garden));
    QVERIFY(!d.Page().contains("Water the beans"));

    // Dragged into the other topic: that topic is shown, with the note.
    QVERIFY(d.tree->BeginDrag(d.tree->FindItem(d.tomatoes),
                              d.view()->visualItemRect(d.tree->FindItem(d.tomatoes)).center()));
    d.tree->DragMove(d.view()->visualItemRect(d.tree->FindItem(d.office)).center());
    d.tree->EndDrag();
    QCOMPARE(d.mgr->namedMode(), Mode::VIEWTOPIC);
    QVERIFY(d.Shows(d.office));
    QVERIFY(d.Page().contains("Plant the tomatoes in May"));
    QCOMPARE(CTopicTree::RecordOf(d.tree->FindItem(d.tomatoes)->parent()), d.office);

    // A change the windows were not told of: F5 shows the store as it is.
    FindTopic(d.office)->title = "Office move 2027"_cp;
    FindTopic(d.office)->flags |= kFlagModified;
    QCOMPARE(pDB->Save(), DB_OK);
    d.w.SendCommand(CMD_REFRESH);
    QVERIFY(d.Shows(d.office));
    QVERIFY(d.Page().contains("Office move 2027"));
    d.w.close();
  }

  // A new note whose save fails: said once (the topic's list and the note
  // are one save), the window stays with the text, and the next OK saves
  // the note into its topic once.
  void aNewNoteWhoseSaveFailsSaysSoOnceAndTheNextOkSavesIt() {
    Desk d;
    d.Click(d.garden);
    d.w.SendCommand(CMD_NEW_NOTE);
    QCOMPARE(d.mgr->namedMode(), Mode::NEWNOTE);
    QTest::keyClicks(d.noteWnd->noteEdit(), "Water the beans");
    // The output folder taken away and a file put in its place: the save
    // can neither write there nor make the folder again.
    const std::string out = d.m.Output("DemoUser");
    const std::string folder = out.substr(0, out.find_last_not_of('/') + 1);
    const std::string aside = d.m.root() + "aside";
    std::filesystem::rename(folder, aside);
    d.m.WriteFile(folder, "in the way");
    const size_t before = d.r.ui.messages.size();
    QTest::mouseClick(d.noteWnd->okButton(), Qt::LeftButton);
    QCOMPARE(d.r.ui.messages.size(), before + 1);
    QCOMPARE(d.r.ui.MessageIds().back(), int(IDS_SAVE_FAILED_BECAUSE));
    QCOMPARE(d.noteWnd->noteEdit()->toPlainText(), QString("Water the beans"));
    std::filesystem::remove(folder);
    std::filesystem::rename(aside, folder);

    QTest::mouseClick(d.noteWnd->okButton(), Qt::LeftButton);
    QCOMPARE(d.r.ui.messages.size(), before + 1);
    QCOMPARE(d.mgr->namedMode(), Mode::VIEWTOPIC);
    CRecordStore disk(kStoreFileName, out);
    QCOMPARE(disk.Load(), DB_OK);
    CRecord* topic = nullptr;
    QCOMPARE(disk.FindById(d.garden, &topic), DB_OK);
    CRecord* links = nullptr;
    QCOMPARE(disk.FindById(RecordAs<CTopicRecord>(topic)->linksId, &links), DB_OK);
    const std::vector<uint32_t>& members = RecordAs<CTopicLinksRecord>(links)->memberIds;
    QCOMPARE(members.size(), size_t{2});
    CRecord* beans = nullptr;
    QCOMPARE(disk.FindById(members[1], &beans), DB_OK);
    QCOMPARE(RecordAs<CNoteRecord>(beans)->text, "Water the beans"_cp);
  }

  void backAndForwardSelectTheShownTopic() {
    Desk d;
    d.Click(d.garden);
    d.Click(d.office);
    QVERIFY(d.Shows(d.office));
    d.w.SendCommand(CMD_BACK);
    QVERIFY(d.Shows(d.garden));
    QCOMPARE(d.Selected(), d.garden);
    d.w.SendCommand(CMD_FORWARD);
    QVERIFY(d.Shows(d.office));
    QCOMPARE(d.Selected(), d.office);
    // Back to a page that is no report leaves the selection alone.
    d.w.SendCommand(CMD_BACK);
    d.w.SendCommand(CMD_BACK);
    QVERIFY(!d.Shows(d.garden) && !d.Shows(d.office));
    QCOMPARE(d.Selected(), d.garden);
    d.w.close();
  }

  void saveAsStartsInDocumentsAndSaysOnlyWhatHappened() {
    Desk d;
    d.Click(d.tomatoes);
    const std::string target = d.m.root() + "saved/";
    std::filesystem::create_directories(target);
    d.r.ui.filePaths = {target + "garden"};
    d.w.SendCommand(CMD_SAVE_AS);
    QCOMPARE(d.r.ui.saveRequests.size(), size_t{1});
    const FileDialogRequest& asked = d.r.ui.saveRequests[0];
    QCOMPARE(asked.initialName, std::string("Garden plans.htm"));
    QCOMPARE(asked.initialFolder, DocumentsFolder());
    QVERIFY(std::filesystem::is_directory(asked.initialFolder));
    QVERIFY(ReadBytes(target + "garden.htm").find("Plant the tomatoes") != std::string::npos);
    // Saved and opened: nothing to say.
    QVERIFY(d.r.ui.messages.empty());
    QCOMPARE(d.r.desktop.requests.back().target, target + "garden.htm");

    // No program to show it: saved all the same, and said so without a
    // word of failure.
    d.r.desktop.answer = false;
    d.r.ui.filePaths = {target + "again.htm"};
    d.w.SendCommand(CMD_SAVE_AS);
    QVERIFY(std::filesystem::exists(target + "again.htm"));
    QCOMPARE(d.r.ui.messages.size(), size_t{1});
    QVERIFY(d.r.ui.messages[0].text.find("was saved as") != std::string::npos);
    QVERIFY(!d.r.ui.Showed(IDS_FILE_OPEN_OR_INVALID));
    d.w.close();
  }

  void loggingChangesApplyAtOnce() {
    Desk d;
    const std::string moved = d.m.root() + "elsewhere/";
    bool answered = false;
    // The sheet is modal: it is answered from the event loop it runs.
    QTimer::singleShot(0, [&] {
      auto* sheet = qobject_cast<CPropertiesSheet*>(QApplication::activeModalWidget());
      QVERIFY(sheet);
      QVERIFY(sheet->logCheck()->isChecked());
      sheet->logFolder()->setText(QString::fromStdString(moved));
      sheet->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
      answered = true;
    });
    OpenPreferences(&d.w, kPageLogging);
    QVERIFY(answered);
    // The next line goes to the new place, begun there; the old file gets
    // nothing more.
    const std::string before = d.m.LogText();
    d.w.SendCommand(CMD_TOPIC_CENTER);
    const std::string log = ReadBytes(moved + "log.txt");
    QVERIFY(log.rfind("*** LOG START ***", 0) == 0);
    QVERIFY(log.find("Entering TOPIC Mode") != std::string::npos);
    QCOMPARE(d.m.LogText(), before);

    // Switched off: nothing more anywhere.
    QTimer::singleShot(0, [&] {
      auto* sheet = qobject_cast<CPropertiesSheet*>(QApplication::activeModalWidget());
      QVERIFY(sheet);
      sheet->logCheck()->setChecked(false);
      sheet->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    });
    OpenPreferences(&d.w, kPageLogging);
    const std::string after = ReadBytes(moved + "log.txt");
    d.w.SendCommand(CMD_START);
    QCOMPARE(ReadBytes(moved + "log.txt"), after);
    d.w.close();
  }

  void picturesOfTheWindowAndItsMenus() {
    Desk d;
    d.Click(d.garden);
    QApplication::processEvents();
    QString folder = qEnvironmentVariable("QUILLET_SHOTS");
    if (folder.isEmpty()) folder = QString(QUILLET_BIN_DIR) + "/../windows-shots";
    QDir().mkpath(folder);
    QVERIFY(d.w.grab().save(folder + "/desktop-main.png"));
    for (uint32_t command : {CMD_PRINT, CMD_REFRESH}) {
      auto* menu = qobject_cast<QMenu*>(d.w.menus()->Action(command)->parent());
      QVERIFY(menu);
      menu->popup(d.w.mapToGlobal(QPoint(10, 10)));
      QApplication::processEvents();
      QVERIFY(menu->grab().save(folder + QString("/desktop-menu-%1.png").arg(command)));
      menu->hide();
    }
    d.w.close();
  }

  void exportAsPdfWritesTheShownTopic() {
    Desk d;
    d.Click(d.garden);
    QVERIFY(d.w.menus()->IsEnabled(CMD_EXPORT_PDF));
    const std::string pdf = d.m.root() + "garden.pdf";
    d.r.ui.filePaths = {pdf};
    d.w.SendCommand(CMD_EXPORT_PDF);
    QCOMPARE(d.r.ui.saveRequests.back().initialName, std::string("Garden plans.pdf"));
    const std::string bytes = ReadBytes(pdf);
    QVERIFY(bytes.rfind("%PDF", 0) == 0);
    // The title, as the PDF's document information holds it (UTF-16).
    std::string utf16;
    for (char c : std::string("Garden plans")) utf16 += std::string{'\0', c};
    QVERIFY(bytes.find("/Title") != std::string::npos);
    QVERIFY(bytes.find(utf16) != std::string::npos || bytes.find("Garden plans") != std::string::npos);
    QVERIFY(d.r.ui.messages.empty());
    // Only while a topic's page is shown.
    d.w.SendCommand(CMD_TOPIC_CENTER);
    QVERIFY(!d.w.menus()->IsEnabled(CMD_EXPORT_PDF));
    d.w.close();
  }
};

QTEST_MAIN(DesktopShellTest)
#include "desktop_shell_qtest.moc"
