// The topic tree, the category list and the topic window inside the real
// main window: the modes they enter and the commands they answer. A
// screenshot of the main window goes to the shots folder.
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include <filesystem>

#include "app/MainWindow.h"
#include "app/WndMgr.h"
#include "base/AppPaths.h"
#include "desktop/db/CurrentDatabase.h"
#include "desktop/records/TreeEdits.h"
#include "desktop/shell/Commands.h"
#include "desktop/shell/EditPending.h"
#include "desktop/users/UserSwitch.h"
#include "reports/ReportPaths.h"
#include "testing/ShellTestSupport.h"
#include "testing/Shots.h"
#include "testing/WindowsTestSupport.h"
#include "widgets/records/CategoryCombo.h"
#include "widgets/records/CustomWnd.h"
#include "widgets/records/NoteWnd.h"
#include "widgets/records/Parts.h"
#include "widgets/records/TopicTree.h"
#include "widgets/records/TopicWnd.h"

using namespace quillet;
using quillet::test::ShotFolder;
using quillet::test::AddTopic;
using quillet::test::AddNote;
using quillet::test::PutCategory;
using quillet::test::Machine;
using quillet::test::Recorders;

namespace {

}  // namespace

class WindowsShellTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    RegisterWindowsParts();
    SetDeleteConfirm(nullptr);  // the recording form answers instead
    SetPasswordPrompt(nullptr);
  }

  void treeAndTopicWindowDriveTheModes() {
    Machine m;
    Recorders r;
    CMainWindow w(RegisteredShellParts());
    CWndMgr* mgr = w.manager();
    QVERIFY(mgr && mgr->ready());
    auto* tree = dynamic_cast<CTopicTree*>(mgr->topicTree());
    auto* combo = dynamic_cast<CCategoryCombo*>(mgr->topicCombo());
    auto* topicWnd = dynamic_cast<CTopicWnd*>(mgr->window(RecordWindow::kTopic));
    QVERIFY(tree && combo && topicWnd);

    const uint32_t work = PutCategory("Work");
    const uint32_t home = PutCategory("Home");
    const uint32_t garden = AddTopic("Garden plans", home);
    const uint32_t office = AddTopic("Office move", work);
    AddNote(garden, "Plant the tomatoes after the last frost.\nCheck the soil first.");
    const uint32_t boxes = AddNote(office, "Order boxes");
    AddNote(office, "Label the desks");
    QCOMPARE(pDB->Save(), DB_OK);
    combo->Fill();
    tree->Refresh();
    tree->ExpandAll();
    w.resize(900, 600);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QVERIFY(tree->view()->isVisible());
    QVERIFY(combo->widget()->isVisible());

    // A click on a topic shows its report.
    QTreeWidget* view = tree->view();
    const QRect r1 = view->visualItemRect(tree->FindItem(garden));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, QPoint(r1.left() + 12, r1.center().y()));
    QCOMPARE(mgr->namedMode(), Mode::VIEWTOPIC);
    const std::string page = FindTopic(garden)->fileName;
    QVERIFY(IsPlainFileName(page));
    QVERIFY(std::filesystem::exists(m.Output("DemoUser") + page));
    QApplication::processEvents();
    w.grab().save(ShotFolder("windows-shots") + "/main-window-viewtopic.png");

    // New Topic: the topic window, a title, OK.
    w.SendCommand(CMD_NEW_TOPIC);
    QCOMPARE(mgr->namedMode(), Mode::NEWTOPIC);
    QVERIFY(topicWnd->host()->isVisible());
    QTest::keyClicks(topicWnd->titleEdit(), "Birthday party");
    QCOMPARE(bEditPending, uint8_t{1});
    QApplication::processEvents();
    w.grab().save(ShotFolder("windows-shots") + "/main-window-newtopic.png");
    QTest::mouseClick(topicWnd->okButton(), Qt::LeftButton);
    QCOMPARE(mgr->namedMode(), Mode::VIEWTOPIC);
    const std::optional<TreeItemRef> made = tree->SelectedItem();
    QVERIFY(made);
    QCOMPARE(FindTopic(made->recordId)->title, "Birthday party"_cp);
    QCOMPARE(view->indexOfTopLevelItem(tree->FindItem(made->recordId)), 0);
    QVERIFY(std::filesystem::exists(m.Output("DemoUser") + FindTopic(made->recordId)->fileName));

    // Edit: the selected topic's details.
    QVERIFY(tree->SelectRecord(office));
    w.SendCommand(CMD_EDIT_TOPIC);
    QCOMPARE(mgr->namedMode(), Mode::EDITTOPIC);
    QCOMPARE(topicWnd->titleEdit()->toPlainText(), QString("Office move"));
    QCOMPARE(topicWnd->categoryList()->currentText(), QString("Work"));
    topicWnd->Cancel();
    QCOMPARE(mgr->namedMode(), Mode::TOPIC);

    // Delete (3031) a member: gone from the tree and its topic.
    QVERIFY(tree->SelectRecord(boxes));
    w.SendCommand(CMD_DELETE);
    QVERIFY(!tree->FindItem(boxes));
    QCOMPARE(FindLinksOfTopic(FindTopic(office))->memberIds.size(), size_t{1});
    // Its topic is shown as it is now.
    QCOMPARE(mgr->namedMode(), Mode::VIEWTOPIC);
    QCOMPARE(tree->SelectedItem()->recordId, office);

    // Choosing a category filters the tree.
    auto* box = static_cast<QComboBox*>(combo->widget());
    const int homeAt = box->findText("Home");
    QVERIFY(homeAt > 0);
    box->setCurrentIndex(homeAt);
    emit box->activated(homeAt);
    QCOMPARE(view->topLevelItemCount(), 1);
    QCOMPARE(CTopicTree::RecordOf(view->topLevelItem(0)), garden);
    QCOMPARE(tree->Filter().mode, 1);
    QCOMPARE(mgr->namedMode(), Mode::TOPIC);

    // A new topic filed under the chosen category is preselected there.
    w.SendCommand(CMD_NEW_TOPIC);
    QCOMPARE(topicWnd->categoryList()->currentText(), QString("Home"));
    topicWnd->Cancel();
    w.close();
  }

  void noteReferenceAndDuplicateInTheMainWindow() {
    Machine m;
    Recorders r;
    CMainWindow w(RegisteredShellParts());
    CWndMgr* mgr = w.manager();
    QVERIFY(mgr && mgr->ready());
    auto* tree = dynamic_cast<CTopicTree*>(mgr->topicTree());
    auto* noteWnd = dynamic_cast<CNoteWnd*>(mgr->window(RecordWindow::kNote));
    auto* customWnd = dynamic_cast<CCustomWnd*>(mgr->window(RecordWindow::kCustom));
    QVERIFY(tree && noteWnd && customWnd);

    const uint32_t garden = AddTopic("Garden plans", 0);
    const uint32_t note = AddNote(garden, "Plant the tomatoes");
    QCOMPARE(pDB->Save(), DB_OK);
    tree->Refresh();
    w.resize(900, 600);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));

    // A click on a note opens it in NOTE mode; OK goes back to the topic.
    tree->ExpandAll();
    QTreeWidget* view = tree->view();
    const QRect at = view->visualItemRect(tree->FindItem(note));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, QPoint(at.left() + 12, at.center().y()));
    QCOMPARE(mgr->namedMode(), Mode::NOTE);
    QVERIFY(noteWnd->host()->isVisible());
    QCOMPARE(noteWnd->noteEdit()->toPlainText(), QString("Plant the tomatoes"));
    QTest::keyClick(noteWnd->noteEdit(), Qt::Key_End, Qt::ControlModifier);
    QTest::keyClicks(noteWnd->noteEdit(), " in May");
    w.SendCommand(CMD_START);  // refused while the edit is pending
    QCOMPARE(mgr->namedMode(), Mode::NOTE);
    QApplication::processEvents();
    w.grab().save(ShotFolder("windows-shots") + "/main-window-note.png");
    QTest::mouseClick(noteWnd->okButton(), Qt::LeftButton);
    QCOMPARE(mgr->namedMode(), Mode::VIEWTOPIC);
    QCOMPARE(RecordAs<CNoteRecord>(FindRecord(note))->text, "Plant the tomatoes in May"_cp);

    // New > Book: the reference window with the book dialog.
    QVERIFY(tree->SelectRecord(garden));
    w.SendCommand(CMD_NEW_BOOK);
    QCOMPARE(mgr->namedMode(), Mode::NEWCUSTOM);
    QVERIFY(customWnd->host()->isVisible());
    QCOMPARE(customWnd->dialogTitle(), QString("Book Details"));
    QTest::keyClicks(customWnd->fieldEdit(0), "Vegetable growing");
    QApplication::processEvents();
    w.grab().save(ShotFolder("windows-shots") + "/main-window-book.png");
    QTest::mouseClick(customWnd->okButton(), Qt::LeftButton);
    QCOMPARE(mgr->namedMode(), Mode::VIEWTOPIC);
    QCOMPARE(FindLinksOfTopic(FindTopic(garden))->memberIds.size(), size_t{2});

    // Duplicate (448): a copy listed last, selected, its report shown.
    QVERIFY(tree->SelectRecord(garden));
    w.SendCommand(CMD_DUPLICATE);
    const std::optional<TreeItemRef> copy = tree->SelectedItem();
    QVERIFY(copy && copy->recordId != garden);
    QCOMPARE(FindTopic(copy->recordId)->title, "Copy of Garden plans"_cp);
    QCOMPARE(view->indexOfTopLevelItem(tree->FindItem(copy->recordId)), view->topLevelItemCount() - 1);
    QCOMPARE(tree->FindItem(copy->recordId)->childCount(), 2);
    QCOMPARE(mgr->namedMode(), Mode::VIEWTOPIC);
    const std::string page = FindTopic(copy->recordId)->fileName;
    QVERIFY(IsPlainFileName(page));
    QVERIFY(std::filesystem::exists(m.Output("DemoUser") + page));
    w.close();
  }

  // The parts reach the manager through the host it attached itself to:
  // the topic window's Cancel changes the mode, and the host hands out the
  // manager's tree and main category. Once the main window is gone the
  // host has no manager, and what a part asks of it reaches nobody.
  void partsReachTheManagerOnlyWhileItIsThere() {
    CShellHost& host = ProgramShellHost();
    QCOMPARE(&WindowHost(), static_cast<IWindowHost*>(&host));
    QVERIFY(host.Manager() == nullptr);
    {
      Machine m;
      Recorders r;
      CMainWindow w(RegisteredShellParts());
      CWndMgr* mgr = w.manager();
      QVERIFY(mgr && mgr->ready());
      QCOMPARE(host.Manager(), mgr);
      auto* tree = dynamic_cast<CTopicTree*>(mgr->topicTree());
      auto* topicWnd = dynamic_cast<CTopicWnd*>(mgr->window(RecordWindow::kTopic));
      QVERIFY(tree && topicWnd);
      QCOMPARE(WindowHost().Tree(), static_cast<ITopicTreeOps*>(tree));
      QCOMPARE(WindowHost().MainCategory(), mgr->topicCombo()->SelectedCategory());

      const uint32_t office = AddTopic("Office move");
      QCOMPARE(pDB->Save(), DB_OK);
      tree->Refresh();
      QVERIFY(tree->SelectRecord(office));
      w.SendCommand(CMD_EDIT_TOPIC);
      QCOMPARE(mgr->namedMode(), Mode::EDITTOPIC);
      topicWnd->Cancel();
      QCOMPARE(mgr->namedMode(), Mode::TOPIC);
      w.close();
    }
    QVERIFY(host.Manager() == nullptr);
    WindowHost().SendCommand(CMD_TOPIC_CENTER);
    WindowHost().RebuildReport(1);
    WindowHost().RefreshImageLists();
    WindowHost().RefillCategoryLists();
    QVERIFY(WindowHost().Tree() == nullptr);
    QCOMPARE(WindowHost().MainCategory(), int64_t{-1});
  }
};

QTEST_MAIN(WindowsShellTest)
#include "windows_shell_qtest.moc"
