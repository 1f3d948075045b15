// The find window and the find list inside the real main window: the FIND
// mode shows them, a click on a result opens its record, Cancel goes back to
// the start page. A picture of the main window in FIND mode goes to the
// shots folder.
#include <QApplication>
#include <QDir>
#include <QTest>

#include <algorithm>

#include "app/MainWindow.h"
#include "app/WndMgr.h"
#include "desktop/db/CurrentDatabase.h"
#include "desktop/shell/Commands.h"
#include "testing/ShellTestSupport.h"
#include "testing/Shots.h"
#include "widgets/find/FindList.h"
#include "widgets/find/FindParts.h"
#include "widgets/find/FindWnd.h"

using namespace quillet;
using quillet::test::ShotFolder;
using quillet::test::FakeParts;
using quillet::test::Machine;
using quillet::test::Recorders;

namespace {

template <class T>
T* Add() {
  auto r = std::make_unique<T>();
  r->recordId = NextRecordId();
  T* raw = r.get();
  pDB->AddNew(std::move(r));
  return raw;
}

bool Called(const FakeParts& fakes, const std::string& call) {
  return std::find(fakes.log.calls.begin(), fakes.log.calls.end(), call) != fakes.log.calls.end();
}

// Clicks the list line whose text is `text`; false when there is none.
bool ClickLine(CFindList* list, const QString& text) {
  QTreeWidget* view = list->view();
  for (int i = 0; i < view->topLevelItemCount(); ++i) {
    QTreeWidgetItem* item = view->topLevelItem(i);
    if (item->text(0) != text) continue;
    const QRect r = view->visualItemRect(item);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, r.center());
    return true;
  }
  return false;
}

}  // namespace

class FindShellTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { RegisterFindParts(); }

  void findModeShowsTheFormAndAClickOpensTheRecord() {
    Machine m;
    Recorders r;
    FakeParts fakes;
    fakes.parts.findWindow = RegisteredShellParts().findWindow;
    fakes.parts.findList = RegisteredShellParts().findList;
    CMainWindow w(fakes.parts);
    CWndMgr* mgr = w.manager();
    QVERIFY(mgr && mgr->ready());
    auto* window = dynamic_cast<CFindWnd*>(mgr->window(RecordWindow::kFind));
    auto* list = dynamic_cast<CFindList*>(mgr->findList());
    QVERIFY(window && list);

    auto* topic = Add<CTopicRecord>();
    topic->title = "Orchard"_cp;
    auto* note = Add<CNoteRecord>();
    note->text = "Prune the orchard in winter\nwith the long shears"_cp;
    auto* picture = Add<CImageRecord>();
    picture->title = "Orchard in bloom"_cp;
    // Both are the topic's members: the tree shows them under it.
    auto* links = Add<CTopicLinksRecord>();
    links->topicId = topic->recordId;
    topic->linksId = links->recordId;
    links->memberIds = {note->recordId, picture->recordId};
    const uint32_t topicId = topic->recordId, noteId = note->recordId;
    QCOMPARE(pDB->Save(), DB_OK);

    w.resize(900, 600);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    mgr->OnCommand(CMD_FIND);
    QCOMPARE(mgr->namedMode(), Mode::FIND);
    QCOMPARE(QApplication::focusWidget(), window->searchField());
    QVERIFY(window->dialog()->isVisible());
    QVERIFY(list->view()->isVisible());
    QVERIFY(!fakes.tree->widget()->isVisible());
    QCOMPARE(list->view()->headerItem()->text(0), QString("Search Results..."));
    QCOMPARE(list->view()->topLevelItemCount(), 0);  // nothing searched yet
    // The list sits at the left, the form at the right.
    QVERIFY(list->view()->geometry().right() < window->host()->geometry().left());

    QTest::keyClicks(window->searchField(), "ORCHARD");
    QTest::mouseClick(window->findButton(), Qt::LeftButton);
    QCOMPARE(list->view()->topLevelItemCount(), 3);
    QCOMPARE(list->view()->topLevelItem(0)->text(0), QString("Orchard"));
    QCOMPARE(list->view()->topLevelItem(1)->text(0), QString("Orchard in bloom"));
    QCOMPARE(list->view()->topLevelItem(2)->text(0), QString("Prune the orchard in winter"));
    QVERIFY(w.grab().save(ShotFolder("find-shots") + "/find-mode.png"));

    // A note: the tree selects it, the note window shows it, and the form
    // starts afresh.
    QVERIFY(ClickLine(list, "Prune the orchard in winter"));
    QCOMPARE(mgr->namedMode(), Mode::NOTE);
    QVERIFY(Called(fakes, "tree:select " + std::to_string(noteId)));
    QVERIFY(Called(fakes, "Note Window:show " + std::to_string(noteId)));
    QVERIFY(!list->view()->isVisible());
    QCOMPARE(window->searchField()->text(), QString());
    QCOMPARE(list->view()->topLevelItemCount(), 0);

    // A topic opens in the topic window.
    mgr->OnCommand(CMD_FIND);
    QTest::keyClicks(window->searchField(), "orchard");
    window->ruleButton(FIND_RULE_EXACT)->click();
    QTest::mouseClick(window->findButton(), Qt::LeftButton);
    QCOMPARE(list->view()->topLevelItemCount(), 1);
    QVERIFY(ClickLine(list, "Orchard"));
    QCOMPARE(mgr->namedMode(), Mode::EDITTOPIC);
    QVERIFY(Called(fakes, "Topic Window:show " + std::to_string(topicId)));

    // A result whose record was deleted meanwhile is not opened, and goes
    // from the list.
    mgr->OnCommand(CMD_FIND);
    QTest::keyClicks(window->searchField(), "bloom");
    QTest::mouseClick(window->findButton(), Qt::LeftButton);
    QCOMPARE(list->view()->topLevelItem(0)->text(0), QString("Orchard in bloom"));
    picture->flags |= 1;
    QVERIFY(ClickLine(list, "Orchard in bloom"));
    QCOMPARE(mgr->namedMode(), Mode::FIND);
    QCOMPARE(list->view()->topLevelItem(0)->text(0), QString("0 Records Found"));
    window->ResetForm();

    // "0 Records Found" opens nothing.
    mgr->OnCommand(CMD_FIND);
    QTest::keyClicks(window->searchField(), "quince");
    QTest::keyClick(window->searchField(), Qt::Key_Return);
    QVERIFY(ClickLine(list, "0 Records Found"));
    QCOMPARE(mgr->namedMode(), Mode::FIND);
    window->ResetForm();

    // Cancel goes back to the start page.
    QTest::keyClicks(window->searchField(), "orchard");
    QTest::mouseClick(window->cancelButton(), Qt::LeftButton);
    QCOMPARE(mgr->namedMode(), Mode::START);
    QCOMPARE(window->searchField()->text(), QString());

    // So does Escape, wherever the focus is in the form.
    mgr->OnCommand(CMD_FIND);
    QCOMPARE(mgr->namedMode(), Mode::FIND);
    QTest::keyClicks(window->searchField(), "orchard");
    QTest::keyClick(window->kindBox(FindKind::kNote), Qt::Key_Escape);
    QCOMPARE(mgr->namedMode(), Mode::START);
    QCOMPARE(window->searchField()->text(), QString());
    w.close();

    // The Find button's lines reach the diagnostic log.
    const std::vector<std::string> log = m.LogLines();
    for (const char* line : {"FIND: Topic enabled", "FIND: Note enabled", "FIND: Image enabled",
                             "FIND: Custom enabled"})
      QVERIFY2(std::count(log.begin(), log.end(), line) == 4, line);
  }

  void aUserSwitchResetsTheForm() {
    Machine m({"Demo User", "Second User"});
    Recorders r;
    FakeParts fakes;
    fakes.parts.findWindow = RegisteredShellParts().findWindow;
    fakes.parts.findList = RegisteredShellParts().findList;
    CMainWindow w(fakes.parts);
    CWndMgr* mgr = w.manager();
    QVERIFY(mgr && mgr->ready());
    auto* window = dynamic_cast<CFindWnd*>(mgr->window(RecordWindow::kFind));
    auto* list = dynamic_cast<CFindList*>(mgr->findList());
    QVERIFY(window && list);
    Add<CTopicRecord>()->title = "Only here"_cp;
    mgr->OnCommand(CMD_FIND);
    QTest::keyClicks(window->searchField(), "here");
    QTest::mouseClick(window->findButton(), Qt::LeftButton);
    QCOMPARE(list->view()->topLevelItem(0)->text(0), QString("Only here"));
    QVERIFY(mgr->SwitchUser("Second User"));
    QCOMPARE(window->searchField()->text(), QString());
    QVERIFY(window->form().engine().topics().empty());
    QCOMPARE(list->view()->topLevelItemCount(), 0);
  }
};

QTEST_MAIN(FindShellTest)
#include "find_shell_qtest.moc"
