// The record windows from the keyboard and for screen readers: every
// labelled field reached by its label's Alt+letter and named by it,
// Ctrl+Return for OK and Escape for Cancel; and records with empty titles
// (the handheld allows them) shown as "(untitled)" and opened by a click.
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QTest>
#include <QTreeWidget>

#include <set>

#include "desktop/db/CurrentDatabase.h"
#include "desktop/shell/EditPending.h"
#include "store/RecordFacts.h"
#include "testing/RecordWindowsScreen.h"
#include "testing/Shots.h"
#include "testing/WindowsTestSupport.h"
#include "widgets/kit/DialogKeys.h"
#include "widgets/records/CustomWnd.h"
#include "widgets/records/NoteWnd.h"
#include "widgets/records/TopicTree.h"
#include "widgets/records/TopicWnd.h"

using namespace quillet;
using quillet::test::ShotFolder;
using quillet::testing::RecordWindowsScreen;
using quillet::testing::StoreFixture;

namespace {

// Every label of `dialog` that names a field: its mnemonic letter, the
// field it is tied to, and that field's accessible name. Fails the test
// for a label without a buddy or a letter used twice.
struct Tie {
  QChar letter;
  QWidget* field;
};
std::vector<Tie> LabelTies(QWidget* dialog, const QStringList& labelled) {
  std::vector<Tie> ties;
  std::set<QChar> letters;
  for (QLabel* label : dialog->findChildren<QLabel*>()) {
    const QString shown = AccessibleText(label->text());
    if (!labelled.contains(shown)) continue;
    const qsizetype amp = label->text().indexOf('&');
    if (amp < 0 || !label->buddy()) {
      qWarning("label %s is not tied", qPrintable(label->text()));
      return {};
    }
    const QChar letter = label->text()[amp + 1].toLower();
    if (!letters.insert(letter).second) {
      qWarning("letter %c used twice", letter.toLatin1());
      return {};
    }
    if (label->buddy()->accessibleName() != shown) {
      qWarning("field of %s is named %s", qPrintable(shown), qPrintable(label->buddy()->accessibleName()));
      return {};
    }
    ties.push_back({letter, label->buddy()});
  }
  return ties;
}

// Alt+letter for each tie moves the focus to its field.
bool AltLettersReachTheirFields(QWidget* start, const std::vector<Tie>& ties) {
  for (const Tie& t : ties) {
    start->setFocus();
    QApplication::processEvents();
    QTest::keyClick(QApplication::focusWidget(), t.letter.toLatin1(), Qt::AltModifier);
    if (QApplication::focusWidget() != t.field) {
      qWarning("Alt+%c did not reach its field", t.letter.toLatin1());
      return false;
    }
  }
  return true;
}

}  // namespace

class RecordKeysTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    f_ = std::make_unique<StoreFixture>();
    QVERIFY(f_->opened);
    garden_ = f_->AddTopic("Garden plans");
    note_ = f_->AddNote(garden_, "Plant the tomatoes");
    QCOMPARE(pDB->Save(), DB_OK);
    screen_ = std::make_unique<RecordWindowsScreen>(*f_);
    tree_ = screen_->tree();
    // Keys reach only the active window.
    QVERIFY(screen_->Show(true));
    bEditPending = 0;
  }

  void cleanup() {
    screen_.reset();
    tree_ = nullptr;
    f_.reset();
    bEditPending = 0;
  }

  void mnemonicsAreHandedOutOncePerWindow() {
    MnemonicSet keys;
    QCOMPARE(keys.Mark("Page(s):"), QString("&Page(s):"));
    QCOMPARE(keys.Mark("Private"), QString("P&rivate"));   // p is taken
    QCOMPARE(keys.Mark("Pr&eview"), QString("Pr&eview"));  // its own is kept
    QCOMPARE(keys.Mark("Reporter:"), QString("Rep&orter:"));
    QCOMPARE(keys.Mark("Pope"), QString("Pope"));  // nothing left
    MnemonicSet inside = MnemonicSet::BesideMainMenu();
    QCOMPARE(inside.Mark("Title:"), QString("T&itle:"));  // Alt+T opens the Themes menu
    QCOMPARE(inside.Mark("Note:"), QString("&Note:"));
    QCOMPARE(AccessibleText("&Page(s):"), QString("Page(s)"));
    QCOMPARE(AccessibleText("Salt && &Pepper"), QString("Salt & Pepper"));
  }

  void everyReferenceKindTiesItsLabels() {
    CCustomWnd* w = screen_->MakeCustomWindow();
    QStringList kinds[7];
    for (const ReferenceKindFacts& k : kReferenceKinds)
      for (size_t i = 0; i < k.fieldCount; ++i) kinds[k.windowKind] << k.labels[i];
    for (int kind = 1; kind <= 6; ++kind) {
      w->SetNewRecordKind(kind);
      w->ShowRecord(nullptr);
      QApplication::processEvents();
      QWidget* panel = w->fieldEdit(0)->parentWidget();
      const std::vector<Tie> ties = LabelTies(panel, kinds[kind]);
      QCOMPARE(static_cast<int>(ties.size()), kinds[kind].size());
      for (int i = 0; i < w->fieldCount(); ++i) QCOMPARE(ties[i].field, w->fieldEdit(i));
      // No letter of the main menu bar: a label never competes with a menu.
      for (const Tie& t : ties) QVERIFY2(!QString("fetuvh").contains(t.letter), qPrintable(QString(t.letter)));
      // The private box's letter is its own too.
      const QString box = w->privateBox()->text();
      QVERIFY(box.contains('&'));
      for (const Tie& t : ties) QVERIFY(box[box.indexOf('&') + 1].toLower() != t.letter);
      QVERIFY(AltLettersReachTheirFields(w->privateBox(), ties));
      if (kind == 2) {
        QApplication::processEvents();
        QDir().mkpath(ShotFolder("windows-shots"));
        screen_->window()->grab().save(ShotFolder("windows-shots") + "/reference-window-mnemonics.png");
      }
      w->Cancel();
    }
  }

  void noteAndTopicWindowsTieTheirLabels() {
    CNoteWnd* note = screen_->MakeNoteWindow();
    note->ShowRecord(nullptr);
    std::vector<Tie> ties = LabelTies(note->dialog(), {"Note"});
    QCOMPARE(ties.size(), size_t{1});
    QCOMPARE(ties[0].field, static_cast<QWidget*>(note->noteEdit()));
    QVERIFY(AltLettersReachTheirFields(note->privateBox(), ties));
    note->Cancel();
    screen_->CloseRecordWindows();

    CTopicWnd* topic = screen_->MakeTopicWindow();
    topic->ShowRecord(nullptr);
    ties = LabelTies(topic->dialog(), {"Title", "Category"});
    QCOMPARE(ties.size(), size_t{2});
    QVERIFY(AltLettersReachTheirFields(topic->okButton(), ties));
    QCOMPARE(topic->categoryList()->accessibleName(), QString("Category"));
    topic->Cancel();
  }

  // Ctrl+Return is OK from any field, a multi-line one too (where Return
  // alone starts a new line); Escape is Cancel.
  void ctrlReturnIsOkAndEscapeIsCancel() {
    CNoteWnd* note = screen_->MakeNoteWindow();
    QVERIFY(tree_->SelectRecord(garden_));
    note->ShowRecord(nullptr);
    note->noteEdit()->setFocus();
    QTest::keyClicks(note->noteEdit(), "Water");
    QTest::keyClick(note->noteEdit(), Qt::Key_Return);
    QTest::keyClicks(note->noteEdit(), "daily");
    QTest::keyClick(note->noteEdit(), Qt::Key_Return, Qt::ControlModifier);
    QCOMPARE(f_->host.commands, std::vector<uint32_t>{3072});
    QCOMPARE(pDB->CountLive(kKindNote), 2u);
    QCOMPARE(bEditPending, uint8_t{0});

    note->ShowRecord(nullptr);
    note->noteEdit()->setFocus();
    QTest::keyClicks(note->noteEdit(), "draft");
    QTest::keyClick(note->noteEdit(), Qt::Key_Escape);
    QCOMPARE(f_->host.commands, (std::vector<uint32_t>{3072, 3072}));
    QCOMPARE(pDB->CountLive(kKindNote), 2u);  // the draft was dropped
    QCOMPARE(note->noteEdit()->toPlainText(), QString());
    screen_->CloseRecordWindows();

    // A reference, from its one-line title and from the keypad's Enter.
    CCustomWnd* ref = screen_->MakeCustomWindow();
    ref->SetNewRecordKind(1);
    ref->ShowRecord(nullptr);
    ref->fieldEdit(0)->setFocus();
    QTest::keyClicks(ref->fieldEdit(0), "Soil");
    QTest::keyClick(ref->fieldEdit(0), Qt::Key_Enter, Qt::ControlModifier | Qt::KeypadModifier);
    QCOMPARE(pDB->CountLive(kKindCustom), 1u);
    screen_->CloseRecordWindows();

    // The topic window: Escape drops the new topic (command 3058).
    f_->host.commands.clear();
    CTopicWnd* topic = screen_->MakeTopicWindow();
    topic->ShowRecord(nullptr);
    topic->titleEdit()->setFocus();
    QTest::keyClicks(topic->titleEdit(), "Birds");
    QTest::keyClick(topic->titleEdit(), Qt::Key_Escape);
    QCOMPARE(f_->host.commands, std::vector<uint32_t>{3058});
    QCOMPARE(pDB->CountLive(kKindTopic), 1u);
    topic->ShowRecord(nullptr);
    topic->titleEdit()->setFocus();
    QTest::keyClicks(topic->titleEdit(), "Birds");
    QTest::keyClick(topic->titleEdit(), Qt::Key_Return, Qt::ControlModifier);
    QCOMPARE(pDB->CountLive(kKindTopic), 2u);
    QCOMPARE(topic->titleEdit()->toPlainText(), QString());  // added and cleared, no line break kept
  }

  // Keys in a hidden window do nothing: only the shown window answers.
  void keysReachOnlyTheWindowWithTheFocus() {
    CNoteWnd* note = screen_->MakeNoteWindow();
    note->ShowRecord(nullptr);
    note->Show(false);
    tree_->view()->setFocus();
    QTest::keyClick(tree_->view(), Qt::Key_Escape);
    QTest::keyClick(tree_->view(), Qt::Key_Return, Qt::ControlModifier);
    QVERIFY(f_->host.commands.empty());
  }

  // Empty titles: the handheld allows them, so they are kept; the tree
  // shows "(untitled)" and the row opens its record like any other.
  void emptyTitlesShowUntitledAndOpen() {
    const uint32_t blank = f_->AddTopic("");
    const uint32_t spaces = f_->AddTopic("   \nsecond line");
    const uint32_t ref = f_->AddReference(garden_, "");
    QCOMPARE(pDB->Save(), DB_OK);
    tree_->Fill();
    tree_->ExpandAll();
    QCOMPARE(tree_->FindItem(blank)->text(0), QString("(untitled)"));
    QCOMPARE(tree_->FindItem(spaces)->text(0), QString("(untitled)"));
    QCOMPARE(tree_->FindItem(ref)->text(0), QString("(untitled)"));
    QCOMPARE(FindTopic(blank)->title, CpText(std::string()));  // the record keeps its title
    QApplication::processEvents();
    QDir().mkpath(ShotFolder("windows-shots"));
    screen_->window()->grab().save(ShotFolder("windows-shots") + "/tree-untitled.png");

    QTreeWidget* view = tree_->view();
    QWidget* vp = view->viewport();
    auto clickText = [&](uint32_t id) {
      const QRect r = view->visualItemRect(tree_->FindItem(id));
      const int textStart = r.left() + view->iconSize().width() + 6;
      QTest::mouseClick(vp, Qt::LeftButton, {}, QPoint(textStart + 20, r.center().y()));
    };
    f_->host.commands.clear();
    clickText(ref);
    clickText(blank);
    QCOMPARE(f_->host.commands, (std::vector<uint32_t>{161, 3072}));
    QCOMPARE(tree_->SelectedItem()->recordId, blank);

    // Adding an untitled topic from the topic window: accepted, sorted by
    // its real (empty) title, first.
    CTopicWnd* topic = screen_->MakeTopicWindow();
    topic->ShowRecord(nullptr);
    const uint32_t id = topic->editor().topicId();
    QVERIFY(topic->Ok());
    QVERIFY(FindTopic(id));
    QCOMPARE(tree_->FindItem(id)->text(0), QString("(untitled)"));
    QVERIFY(view->indexOfTopLevelItem(tree_->FindItem(id)) <
            view->indexOfTopLevelItem(tree_->FindItem(garden_)));
    // A title given later shows at once.
    const TreeItemRef item{id, kKindTopic, nullptr};
    topic->ShowRecord(&item);
    QTest::keyClicks(topic->titleEdit(), "Named now");
    QVERIFY(topic->Ok());
    QCOMPARE(tree_->FindItem(id)->text(0), QString("Named now"));
  }

 private:
  std::unique_ptr<StoreFixture> f_;
  std::unique_ptr<RecordWindowsScreen> screen_;
  CTopicTree* tree_ = nullptr;  // the screen's
  uint32_t garden_ = 0, note_ = 0;
};

QTEST_MAIN(RecordKeysTest)
#include "record_keys_qtest.moc"
