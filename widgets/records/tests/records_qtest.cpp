// The note and reference windows beside a real topic tree, offscreen:
// open a record, edit it, OK, and see the tree and the store. Screenshots
// go to $QUILLET_SHOTS (default: "windows-shots" beside the bin folder).
#include <QApplication>
#include <QDir>
#include <QTest>
#include <QTreeWidget>

#include <filesystem>

#include "base/Strings.h"
#include "desktop/db/CurrentDatabase.h"
#include "desktop/shell/EditPending.h"
#include "store/PrivateRecords.h"
#include "testing/RecordWindowsScreen.h"
#include "testing/Shots.h"
#include "testing/WindowsTestSupport.h"
#include "widgets/kit/Ansi.h"
#include "widgets/records/CustomWnd.h"
#include "widgets/records/NoteWnd.h"
#include "widgets/records/TopicTree.h"

using namespace quillet;
using quillet::test::ShotFolder;
using quillet::testing::RecordWindowsScreen;
using quillet::testing::StoreFixture;

namespace {

void Shot(QWidget* w, const char* name) {
  QApplication::processEvents();
  w->grab().save(ShotFolder("windows-shots") + "/" + name + ".png");
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
    screen_ = std::make_unique<RecordWindowsScreen>(*f_);
    tree_ = screen_->tree();
    QVERIFY(screen_->Show(false));
    bEditPending = 0;
  }

  void cleanup() {
    screen_.reset();
    tree_ = nullptr;
    f_.reset();
    bEditPending = 0;
  }

  void noteOpenedEditedAndUpdated() {
    CNoteWnd* w = screen_->MakeNoteWindow();
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
    Shot(screen_->window(), "note-window");
    QTest::mouseClick(w->okButton(), Qt::LeftButton);

    QCOMPARE(bEditPending, uint8_t{0});
    QCOMPARE(f_->host.commands, std::vector<uint32_t>{3072});
    QCOMPARE(FindLiveNote(note_)->text, "Sow the beans\nin May"_cp);
    QCOMPARE(tree_->FindItem(note_)->text(0), QString("Sow the beans"));
    QVERIFY(f_->Reopen());
    QCOMPARE(FindLiveNote(note_)->text, "Sow the beans\nin May"_cp);
    // Cleared after OK.
    QCOMPARE(w->noteEdit()->toPlainText(), QString());
    QCOMPARE(w->okButton()->text(), QString("Add"));
  }

  void newNoteJoinsTheSelectedTopic() {
    CNoteWnd* w = screen_->MakeNoteWindow();
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
    CNoteWnd* w = screen_->MakeNoteWindow();
    const TreeItemRef item{note_, kKindNote, nullptr};
    w->ShowRecord(&item);
    w->noteEdit()->setPlainText(QString(30001, 'z'));
    bEditPending = 0;
    QTest::mouseClick(w->privateBox(), Qt::LeftButton, {}, QPoint(8, w->privateBox()->height() / 2));
    QVERIFY(w->privateBox()->isChecked());
    QCOMPARE(bEditPending, uint8_t{1});
    QVERIFY(w->Ok());
    QCOMPARE(f_->ui.MessageIds(), std::vector<int>{IDS_TEXT_TOO_LONG});
    QVERIFY(!tree_->FindItem(note_));
    QCOMPARE(FindLiveNote(note_)->isPrivate, 1u);
    QCOMPARE(FindLiveNote(note_)->text.size(), size_t{30000});
  }

  void cancelDropsTheNewNote() {
    CNoteWnd* w = screen_->MakeNoteWindow();
    w->ShowRecord(nullptr);
    QTest::keyClicks(w->noteEdit(), "draft");
    w->Cancel();
    QCOMPARE(bEditPending, uint8_t{0});
    QCOMPARE(f_->host.commands, std::vector<uint32_t>{3072});
    QCOMPARE(pDB->CountLive(kKindNote), 1u);
    QCOMPARE(w->noteEdit()->toPlainText(), QString());
  }

  void referenceShownInItsKindsDialogAndUpdated() {
    const uint32_t ref = f_->AddReference(garden_, "Seed catalogue");
    QCOMPARE(pDB->Save(), DB_OK);
    tree_->Refresh();
    CCustomWnd* w = screen_->MakeCustomWindow();
    QCOMPARE(w->builtKind(), 1);  // the book dialog at first
    QCOMPARE(w->fieldCount(), 7);
    const TreeItemRef item{ref, kKindCustom, nullptr};
    w->ShowRecord(&item);
    QCOMPARE(w->builtKind(), 6);
    QCOMPARE(w->dialogTitle(), QString("Internet Details"));
    QCOMPARE(w->fieldCount(), 3);
    QCOMPARE(w->fieldText(0), QString("Seed catalogue"));
    QCOMPARE(w->fieldText(1), QString("http://example.org/"));
    QCOMPARE(w->okButton()->text(), QString("Update"));
    QVERIFY(w->fieldEdit(2)->inherits("QPlainTextEdit"));  // the notes: several lines
    QVERIFY(w->fieldEdit(0)->inherits("QLineEdit"));

    QTest::keyClicks(w->fieldEdit(0), " 2005");
    QCOMPARE(bEditPending, uint8_t{1});
    QTest::mouseClick(w->okButton(), Qt::LeftButton);
    QCOMPARE(bEditPending, uint8_t{0});
    QCOMPARE(f_->host.commands, std::vector<uint32_t>{3072});
    QCOMPARE(tree_->FindItem(ref)->text(0), QString("Seed catalogue 2005"));
    QVERIFY(f_->Reopen());
    QCOMPARE(FindLiveReference(ref)->fields[0], "Seed catalogue 2005"_cp);
  }

  void newReferencesOfEachKind() {
    CCustomWnd* w = screen_->MakeCustomWindow();
    QVERIFY(tree_->SelectRecord(office_));
    w->SetNewRecordKind(6);
    w->ShowRecord(nullptr);
    QCOMPARE(w->dialogTitle(), QString("Internet Details"));
    QCOMPARE(w->fieldText(1), QString("http://"));
    QCOMPARE(w->okButton()->text(), QString("Add"));
    w->Cancel();
    QCOMPARE(pDB->CountLive(kKindCustom), 0u);

    w->SetNewRecordKind(2);
    w->ShowRecord(nullptr);
    QCOMPARE(w->dialogTitle(), QString("Journal Details"));
    QCOMPARE(w->fieldCount(), 8);
    const uint32_t id = w->editor().referenceId();
    QTest::keyClicks(w->fieldEdit(0), "Soil and roots");
    QTest::keyClicks(w->fieldEdit(7), "Read the second half");
    QTest::keyClick(w->fieldEdit(7), Qt::Key_Return);
    QTest::keyClicks(w->fieldEdit(7), "again");
    Shot(screen_->window(), "reference-window-journal");
    QVERIFY(w->Ok());
    QTreeWidgetItem* item = tree_->FindItem(id);
    QVERIFY(item);
    QCOMPARE(CTopicTree::RecordOf(item->parent()), office_);
    QCOMPARE(item->text(0), QString("Soil and roots"));
    const CCustomRecord* stored = FindLiveReference(id);
    QCOMPARE(stored->customType, kCustomJournal);
    QCOMPARE(stored->fields[7], "Read the second half\nagain"_cp);
    QCOMPARE(w->fieldText(0), QString());  // cleared
  }

  void aFailedSaveKeepsWhatWasTyped() {
    CCustomWnd* w = screen_->MakeCustomWindow();
    QVERIFY(tree_->SelectRecord(office_));
    w->SetNewRecordKind(1);
    w->ShowRecord(nullptr);
    QTest::keyClicks(w->fieldEdit(0), "Kept title");
    std::filesystem::remove_all(f_->output);
    QVERIFY(!w->Ok());
    QCOMPARE(f_->ui.MessageIds().back(), int{IDS_SAVE_FAILED});
    QCOMPARE(w->fieldText(0), QString("Kept title"));
    std::filesystem::create_directories(f_->output);
  }

  // A character the handheld cannot store: OK names the field and the
  // character, selects it where it was typed, and saves nothing; the text
  // stays for correcting, and once corrected it is saved as typed.
  void aCharacterTheHandheldCannotStoreIsRefusedWhereItWasTyped() {
    const QString omega = QString::fromUtf8("\xCE\xA9");  // U+03A9
    const uint32_t ref = f_->AddReference(garden_, "Seed catalogue");
    QCOMPARE(pDB->Save(), DB_OK);
    tree_->Refresh();
    QVERIFY(screen_->Show(true));

    CNoteWnd* note = screen_->MakeNoteWindow();
    const TreeItemRef noteItem{note_, kKindNote, nullptr};
    note->ShowRecord(&noteItem);
    const QString typed = "Resistance: 10 " + omega + " \xE2\x82\xAC";
    note->noteEdit()->setPlainText(typed);
    QVERIFY(!note->Ok());
    QCOMPARE(f_->ui.MessageIds(), std::vector<int>{IDS_UNSTORABLE_CHARACTER});
    QCOMPARE(f_->ui.messages[0].text, std::string("The Note contains the character \u201C\u03A9\u201D (U+03A9), which the handheld "
                                                  "cannot store.\nPlease remove or replace it and try again."));
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(note->noteEdit()));
    QCOMPARE(note->noteEdit()->textCursor().selectedText(), omega);
    QCOMPARE(note->noteEdit()->toPlainText(), typed);
    QCOMPARE(bEditPending, uint8_t{1});
    QVERIFY(f_->Reopen());
    QCOMPARE(FindLiveNote(note_)->text, CpText("Plant the tomatoes\nafter the last frost."));
    // Corrected: the euro sign is the code page's own and is stored as its byte.
    note->noteEdit()->setPlainText("Resistance: 10 ohm \xE2\x82\xAC");
    QVERIFY(note->Ok());
    QVERIFY(f_->Reopen());
    QCOMPARE(FindLiveNote(note_)->text, CpText("Resistance: 10 ohm \x80"));

    // A reference: every field is checked before anything is saved, and the
    // first field holding such a character is the one named.
    f_->ui.messages.clear();
    CCustomWnd* custom = screen_->MakeCustomWindow();
    const TreeItemRef refItem{ref, kKindCustom, nullptr};
    custom->ShowRecord(&refItem);
    custom->setFieldText(0, "Seed catalogue 2005");
    custom->setFieldText(2, "Kept in the " + omega + " drawer");
    QVERIFY(!custom->Ok());
    QCOMPARE(f_->ui.MessageIds(), std::vector<int>{IDS_UNSTORABLE_CHARACTER});
    QVERIFY(f_->ui.messages[0].text.starts_with("The Note contains the character \u201C\u03A9\u201D (U+03A9)"));
    QCOMPARE(QApplication::focusWidget(), custom->fieldEdit(2));
    QCOMPARE(custom->fieldText(2), "Kept in the " + omega + " drawer");
    QVERIFY(f_->Reopen());
    QCOMPARE(FindLiveReference(ref)->fields[0], "Seed catalogue"_cp);
    QCOMPARE(tree_->FindItem(ref)->text(0), QString("Seed catalogue"));

    // A topic's title; a character beyond the basic plane is named whole.
    f_->ui.messages.clear();
    CTopicWnd* topic = screen_->MakeTopicWindow();
    const TreeItemRef topicItem{garden_, kKindTopic, nullptr};
    topic->ShowRecord(&topicItem);
    const QString emoji = QString::fromUtf8("\xF0\x9F\x8C\xB1");  // U+1F331
    topic->titleEdit()->setPlainText("Garden plans " + emoji);
    QVERIFY(!topic->Ok());
    QCOMPARE(f_->ui.MessageIds(), std::vector<int>{IDS_UNSTORABLE_CHARACTER});
    QCOMPARE(f_->ui.messages[0].text, std::string("The Title contains the character \u201C\U0001F331\u201D (U+1F331), which the handheld "
                                                  "cannot store.\nPlease remove or replace it and try again."));
    QCOMPARE(topic->titleEdit()->textCursor().selectedText(), emoji);
    QVERIFY(f_->Reopen());
    QCOMPARE(FindTopic(garden_)->title, "Garden plans"_cp);
  }

 private:
  std::unique_ptr<StoreFixture> f_;
  std::unique_ptr<RecordWindowsScreen> screen_;
  CTopicTree* tree_ = nullptr;  // the screen's
  uint32_t garden_ = 0, office_ = 0, note_ = 0;
};

QTEST_MAIN(RecordsTest)
#include "records_qtest.moc"
