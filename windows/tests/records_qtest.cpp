// The note and reference windows beside a real topic tree, offscreen:
// open a record, edit it, OK, and see the tree and the store. Screenshots
// go to $QUILLET_SHOTS (default: "windows-shots" beside the bin folder).
#include <QApplication>
#include <QDir>
#include <QTest>
#include <QTreeWidget>

#include "app/core/Strings.h"
#include "app/gui/Ansi.h"
#include "app/shell/EditPending.h"
#include "store/PrivateRecords.h"
#include "store/db/CurrentDatabase.h"
#include "windows/gui/NoteWnd.h"
#include "windows/gui/TopicTree.h"
#include "windows/tests/WindowsTestSupport.h"

using namespace quillet;
using quillet::testing::StoreFixture;

namespace {

QString ShotFolder() {
  QString folder = qEnvironmentVariable("QUILLET_SHOTS");
  if (folder.isEmpty()) folder = QString(QUILLET_BIN_DIR) + "/../windows-shots";
  QDir().mkpath(folder);
  return folder;
}

void Shot(QWidget* w, const char* name) {
  QApplication::processEvents();
  w->grab().save(ShotFolder() + "/" + name + ".png");
}

}  // namespace

class RecordsTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    f_ = std::make_unique<StoreFixture>();
    QVERIFY(f_->opened);
    garden_ = f_->AddTopic("Garden plans");
    office_ = f_->AddTopic("Office move");
    note_ = f_->AddNote(garden_, "Plant the tomatoes\nafter the last frost.");
    QCOMPARE(pDB->Save(), DB_OK);
    window_ = std::make_unique<QWidget>();
    window_->resize(900, 520);
    tree_ = std::make_unique<CTopicTree>();
    tree_->Create(window_.get());
    tree_->Move(QRect(0, 0, 260, 520));
    tree_->Show(true);
    f_->host.tree = tree_.get();
    tree_->Fill();
    window_->show();
    QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
    bEditPending = 0;
  }

  void cleanup() {
    note_wnd_.reset();
    tree_.reset();
    window_.reset();
    f_.reset();
    bEditPending = 0;
  }

  void noteOpenedEditedAndUpdated() {
    CNoteWnd* w = MakeNoteWindow();
    const TreeItemRef item{note_, kKindNote, nullptr};
    w->ShowRecord(&item);
    QCOMPARE(w->noteEdit()->toPlainText(), QString("Plant the tomatoes\nafter the last frost."));
    QCOMPARE(w->okButton()->text(), QString("Update"));
    QVERIFY(!w->privateBox()->isChecked());
    QCOMPARE(bEditPending, uint8_t{0});  // showing is no edit

    w->noteEdit()->selectAll();
    QTest::keyClicks(w->noteEdit(), "Sow the beans");
    QCOMPARE(bEditPending, uint8_t{1});
    QTest::keyClick(w->noteEdit(), Qt::Key_Return);  // a new line, not OK
    QTest::keyClicks(w->noteEdit(), "in May");
    QCOMPARE(f_->host.commands.size(), size_t{0});
    Shot(window_.get(), "note-window");
    QTest::mouseClick(w->okButton(), Qt::LeftButton);

    QCOMPARE(bEditPending, uint8_t{0});
    QCOMPARE(f_->host.commands, std::vector<uint32_t>{3072});
    QCOMPARE(FindLiveNote(note_)->text, std::string("Sow the beans\nin May"));
    QCOMPARE(tree_->FindItem(note_)->text(0), QString("Sow the beans"));
    QVERIFY(f_->Reopen());
    QCOMPARE(FindLiveNote(note_)->text, std::string("Sow the beans\nin May"));
    // Cleared after OK.
    QCOMPARE(w->noteEdit()->toPlainText(), QString());
    QCOMPARE(w->okButton()->text(), QString("Add"));
  }

  void newNoteJoinsTheSelectedTopic() {
    CNoteWnd* w = MakeNoteWindow();
    QVERIFY(tree_->SelectRecord(office_));
    w->ShowRecord(nullptr);
    QCOMPARE(w->okButton()->text(), QString("Add"));
    const uint32_t id = w->editor().noteId();
    QTest::keyClicks(w->noteEdit(), "Order boxes");
    QVERIFY(w->Ok());
    QTreeWidgetItem* item = tree_->FindItem(id);
    QVERIFY(item);
    QCOMPARE(CTopicTree::RecordOf(item->parent()), office_);
    QCOMPARE(item->text(0), QString("Order boxes"));
    QVERIFY(f_->Reopen());
    QCOMPARE(f_->MembersOf(office_), std::vector<uint32_t>{id});
  }

  void privateNoteLeavesTheTreeAndOverlongTextIsTold() {
    CNoteWnd* w = MakeNoteWindow();
    const TreeItemRef item{note_, kKindNote, nullptr};
    w->ShowRecord(&item);
    w->noteEdit()->setPlainText(QString(30001, 'z'));
    w->privateBox()->setChecked(true);
    QVERIFY(w->Ok());
    QCOMPARE(f_->ui.MessageIds(), std::vector<int>{IDS_TEXT_TOO_LONG});
    QVERIFY(!tree_->FindItem(note_));
    QCOMPARE(FindLiveNote(note_)->isPrivate, 1u);
    QCOMPARE(FindLiveNote(note_)->text.size(), size_t{30000});
  }

  void cancelDropsTheNewNote() {
    CNoteWnd* w = MakeNoteWindow();
    w->ShowRecord(nullptr);
    QTest::keyClicks(w->noteEdit(), "draft");
    w->Cancel();
    QCOMPARE(bEditPending, uint8_t{0});
    QCOMPARE(f_->host.commands, std::vector<uint32_t>{3072});
    QCOMPARE(pDB->CountLive(kKindNote), 1u);
    QCOMPARE(w->noteEdit()->toPlainText(), QString());
  }

 private:
  CNoteWnd* MakeNoteWindow() {
    note_wnd_ = std::make_unique<CNoteWnd>();
    note_wnd_->Create(window_.get());
    note_wnd_->Move(262, 0, 638, 520);
    note_wnd_->Show(true);
    return note_wnd_.get();
  }

  std::unique_ptr<StoreFixture> f_;
  std::unique_ptr<QWidget> window_;
  std::unique_ptr<CTopicTree> tree_;
  std::unique_ptr<CNoteWnd> note_wnd_;
  uint32_t garden_ = 0, office_ = 0, note_ = 0;
};

QTEST_MAIN(RecordsTest)
#include "records_qtest.moc"
