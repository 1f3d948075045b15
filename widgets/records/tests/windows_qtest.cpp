// The topic tree, the topic window, the category list and the Properties
// sheet as the person uses them, offscreen. Screenshots of each window go
// to $QUILLET_SHOTS (default: a "windows-shots" folder beside the build's
// bin folder) so they can be looked at.
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "base/AppPaths.h"
#include "base/RegistryKey.h"
#include "base/Strings.h"
#include "desktop/db/CurrentDatabase.h"
#include "desktop/records/TreeEdits.h"
#include "desktop/shell/EditPending.h"
#include "desktop/startup/Startup.h"
#include "desktop/users/UserSwitch.h"
#include "store/PrivateRecords.h"
#include "testing/Shots.h"
#include "testing/WindowsTestSupport.h"
#include "widgets/kit/Ansi.h"
#include "widgets/records/CategoryCombo.h"
#include "widgets/records/Dialogs.h"
#include "widgets/records/PropertiesSheet.h"
#include "widgets/records/TopicTree.h"
#include "widgets/records/TopicWnd.h"

using namespace quillet;
using quillet::test::ShotFolder;
using quillet::testing::MakeJpeg;
using quillet::testing::StoreFixture;

namespace {

void Shot(QWidget* w, const char* name) {
  QApplication::processEvents();
  w->grab().save(ShotFolder("windows-shots") + "/" + name + ".png");
}

// A store with two categories, three topics and members of every kind.
struct Library {
  explicit Library(StoreFixture& f) {
    work = f.AddCategory("Work");
    home = f.AddCategory("Home");
    garden = f.AddTopic("Garden plans", home);
    projects = f.AddTopic("Projects 2004 alpha", work);
    recipes = f.AddTopic("recipes", home);
    note = f.AddNote(garden, "Plant the tomatoes after the last frost.\nCheck the soil first.");
    longNote = f.AddNote(garden, std::string(61, 'L'));
    picture = f.AddImage(garden, "The bed by the fence", MakeJpeg(32, 24, 3), kImageFormatJpeg, "bed.jpg");
    sketch = f.AddImage(garden, "Layout sketch", {1, 2, 3, 4}, kImageFormatSketch, "layout.jpg");
    reference = f.AddReference(projects, "Project handbook");
    f.AddNote(projects, "Kick-off on Monday");
    f.AddNote(recipes, "Bread");
    pDB->Save();
  }
  uint32_t work, home, garden, projects, recipes, note, longNote, picture, sketch, reference;
};

}  // namespace

class WindowsTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    // The program's dialogs would wait for a person; the tests answer
    // through the recording form instead.
    SetDeleteConfirm(nullptr);
    SetPasswordPrompt(nullptr);
  }

  void init() {
    f_ = std::make_unique<StoreFixture>();
    QVERIFY(f_->opened);
    lib_ = std::make_unique<Library>(*f_);
    window_ = std::make_unique<QWidget>();
    window_->resize(320, 480);
    tree_ = std::make_unique<CTopicTree>();
    tree_->Create(window_.get());
    tree_->Move(QRect(0, 0, 320, 480));
    tree_->Show(true);
    f_->host.tree = tree_.get();
    tree_->Fill();
    window_->show();
    QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
    bEditPending = 0;
  }

  void cleanup() {
    tree_.reset();
    window_.reset();
    lib_.reset();
    f_.reset();
    CTopicTree::dragging = CTopicTree::drop_ended = false;
  }

  void fillSortsTopicsAndCutsMembers() {
    QTreeWidget* view = tree_->view();
    QCOMPARE(view->topLevelItemCount(), 3);
    QCOMPARE(view->topLevelItem(0)->text(0), QString("Garden plans"));
    QCOMPARE(view->topLevelItem(1)->text(0), QString("Projects 2004 alpha"));
    QCOMPARE(view->topLevelItem(2)->text(0), QString("recipes"));
    QTreeWidgetItem* garden = view->topLevelItem(0);
    QCOMPARE(garden->childCount(), 4);
    QCOMPARE(garden->child(0)->text(0), QString("Plant the tomatoes after the last frost."));
    QCOMPARE(garden->child(1)->text(0), QString(60, 'L'));
    QCOMPARE(CTopicTree::IconOfItem(garden->child(2)), TreeIcon::kImage);
    QCOMPARE(CTopicTree::IconOfItem(garden->child(3)), TreeIcon::kSketch);
    // The shown picture's file is there; the sketch writes none.
    QVERIFY(StoreFixture::Exists(f_->output + "bed.jpg"));
    QVERIFY(!StoreFixture::Exists(f_->output + "layout.jpg"));
    tree_->ExpandAll();
    Shot(window_.get(), "topic-tree");
  }

  void sortTiesGoByRecordId() {
    uint32_t later = f_->AddTopic("projects 2004 beta");
    tree_->Refresh();
    QTreeWidget* view = tree_->view();
    QCOMPARE(CTopicTree::RecordOf(view->topLevelItem(1)), lib_->projects);
    QCOMPARE(CTopicTree::RecordOf(view->topLevelItem(2)), later);
  }

  void insertedMemberTextIsMarked() {
    QVERIFY(tree_->SelectRecord(lib_->recipes));
    auto note = std::make_unique<CNoteRecord>();
    note->recordId = NextRecordId();
    note->text = CpText(std::string(61, 'x'));
    CNoteRecord* raw = note.get();
    pDB->AddNew(std::move(note));
    tree_->InsertMember(*raw);
    QTreeWidgetItem* item = tree_->FindItem(raw->recordId);
    QVERIFY(item);
    QCOMPARE(CTopicTree::RecordOf(item->parent()), lib_->recipes);
    QCOMPARE(item->text(0), QString(57, 'x') + "...");
    QCOMPARE(tree_->view()->currentItem(), item);
    QVERIFY(item->parent()->isExpanded());
    // Its topic's page is built when the record window, saved, shows the
    // topic (not here, before the save).
    QVERIFY(f_->host.reports.empty());
    QCOMPARE(f_->MembersOf(lib_->recipes).back(), raw->recordId);
    // After a rebuild the same text is cut plainly.
    tree_->Refresh();
    QCOMPARE(tree_->FindItem(raw->recordId)->text(0), QString(60, 'x'));
  }

  void missingMemberIdIsRepairedOnFill() {
    f_->LinksOf(lib_->recipes)->memberIds.push_back(987654);
    tree_->Refresh();
    QCOMPARE(tree_->lastFill().droppedIds, size_t{1});
    QVERIFY(f_->Reopen());
    const std::vector<uint32_t> members = f_->MembersOf(lib_->recipes);
    QVERIFY(std::find(members.begin(), members.end(), 987654u) == members.end());
  }

  void privateRecordsAreHiddenUntilShown() {
    uint32_t secret = f_->AddNote(lib_->recipes, "Grandmother's secret", true);
    tree_->Refresh();
    QVERIFY(!tree_->FindItem(secret));
    bShowPrivate = 1;
    tree_->Refresh();
    QVERIFY(tree_->FindItem(secret));

    // Shown, it carries a padlock on its picture, and a screen reader hears
    // "(private)" after its text; the open note beside it has neither.
    QTreeWidgetItem* item = tree_->FindItem(secret);
    QTreeWidgetItem* open = tree_->FindItem(lib_->note);
    auto picture = [](QTreeWidgetItem* row) {
      return qvariant_cast<QIcon>(row->data(0, Qt::DecorationRole)).pixmap(16, 16).toImage();
    };
    const QImage plainNote = picture(open);
    const QImage privateNote = picture(item);
    QVERIFY(!privateNote.isNull());
    QVERIFY(privateNote != plainNote);
    QCOMPARE(privateNote.copy(0, 0, 8, 8), plainNote.copy(0, 0, 8, 8));  // the note's own picture stays
    QCOMPARE(qGray(privateNote.pixel(12, 13)), qGray(QColor(60, 60, 60).rgb()));  // the padlock's body
    QCOMPARE(item->data(0, Qt::AccessibleTextRole).toString(), QString("Grandmother's secret (private)"));
    QVERIFY(!open->data(0, Qt::AccessibleTextRole).isValid());
    // Made open again, the mark goes with the next look at the row.
    CRecord* record = FindRecord(secret);
    QVERIFY(record != nullptr);
    record->isPrivate = 0;
    QCOMPARE(picture(item), plainNote);
    QVERIFY(!item->data(0, Qt::AccessibleTextRole).isValid());
    bShowPrivate = 0;
  }

  void clicksSendTheCommandOfTheItemUnderThePointer() {
    tree_->ExpandAll();
    QTreeWidget* view = tree_->view();
    QWidget* vp = view->viewport();
    auto clickOn = [&](uint32_t id) {
      QRect r = view->visualItemRect(tree_->FindItem(id));
      QTest::mouseClick(vp, Qt::LeftButton, {}, QPoint(r.left() + 12, r.center().y()));
    };
    clickOn(lib_->note);
    clickOn(lib_->garden);
    clickOn(lib_->picture);
    clickOn(lib_->sketch);
    clickOn(lib_->reference);
    QCOMPARE(f_->host.commands, (std::vector<uint32_t>{3051, 3072, 3079, 3070, 161}));
    QCOMPARE(tree_->SelectedItem()->recordId, lib_->reference);

    // Below the last item and right of a short text: the topic centre.
    f_->host.commands.clear();
    QTest::mouseClick(vp, Qt::LeftButton, {}, QPoint(20, vp->height() - 5));
    QRect r = view->visualItemRect(tree_->FindItem(lib_->recipes));
    QTest::mouseClick(vp, Qt::LeftButton, {}, QPoint(vp->width() - 4, r.center().y()));
    QCOMPARE(f_->host.commands, (std::vector<uint32_t>{3058, 3058}));
    QCOMPARE(tree_->SelectedItem()->recordId, lib_->reference);  // nothing else selected
  }

  void selectingWhatIsNotShownTellsString241() {
    f_->ui.messages.clear();
    QVERIFY(!tree_->SelectRecord(424242));
    QCOMPARE(f_->ui.MessageIds(), std::vector<int>{IDS_NOT_IN_TOPICS});
    QCOMPARE(f_->ui.messages[0].flags, unsigned(kMbOk | kMbIconExclamation));
  }

  // Drags with the mouse: press on the member, move past the drag
  // distance, move onto the target, release.
  void Drag(uint32_t from, uint32_t onto) {
    QTreeWidget* view = tree_->view();
    QWidget* vp = view->viewport();
    const QPoint a = view->visualItemRect(tree_->FindItem(from)).topLeft() + QPoint(14, 6);
    const QPoint b = view->visualItemRect(tree_->FindItem(onto)).topLeft() + QPoint(14, 6);
    QTest::mousePress(vp, Qt::LeftButton, {}, a);
    QTest::mouseMove(vp, a + QPoint(0, QApplication::startDragDistance() + 2));
    QVERIFY(CTopicTree::dragging);
    QTest::mouseMove(vp, b);
    QCOMPARE(CTopicTree::RecordOf(tree_->dropTarget()), onto);
    // The target is marked with a background and a text colour that reads on it.
    QTreeWidgetItem* target = tree_->dropTarget();
    QCOMPARE(target->data(0, Qt::BackgroundRole).isValid(), true);
    QCOMPARE(target->data(0, Qt::ForegroundRole).isValid(), true);
    const double contrast = Contrast(target->background(0).color(), target->foreground(0).color());
    QVERIFY2(contrast >= 4.5, qPrintable(QString::number(contrast)));
    // Moved on, the mark leaves the item, colours and all.
    QTest::mouseMove(vp, a);
    QVERIFY(tree_->dropTarget() != target);
    QVERIFY(!target->data(0, Qt::BackgroundRole).isValid() && !target->data(0, Qt::ForegroundRole).isValid());
    QTest::mouseMove(vp, b);
    QTest::mouseRelease(vp, Qt::LeftButton, {}, b);
    QVERIFY(!CTopicTree::dragging);
  }

  // The contrast of two colours (WCAG 2).
  static double Contrast(const QColor& a, const QColor& b) {
    auto luminance = [](const QColor& c) {
      auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
      return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
    };
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
  }

  void dropOntoOwnTopicMovesToTheEnd() {
    tree_->ExpandAll();
    const uint32_t first = lib_->note;
    Drag(first, lib_->garden);
    QCOMPARE(f_->MembersOf(lib_->garden),
             (std::vector<uint32_t>{lib_->longNote, lib_->picture, lib_->sketch, first}));
    QTreeWidgetItem* garden = tree_->FindItem(lib_->garden);
    QCOMPARE(CTopicTree::RecordOf(garden->child(3)), first);
    QCOMPARE(tree_->SelectedItem()->recordId, first);
    QCOMPARE(f_->host.commands.back(), uint32_t{3072});
    QCOMPARE(f_->host.reports.back(), lib_->garden);
  }

  void dropOntoSiblingPlacesJustBefore() {
    tree_->ExpandAll();
    Drag(lib_->sketch, lib_->longNote);
    QCOMPARE(f_->MembersOf(lib_->garden),
             (std::vector<uint32_t>{lib_->note, lib_->sketch, lib_->longNote, lib_->picture}));
    QCOMPARE(f_->host.commands.back(), uint32_t{3072});
  }

  void dropOntoAnotherTopicsMemberPlacesJustBeforeIt() {
    tree_->ExpandAll();
    const std::vector<uint32_t> before = f_->MembersOf(lib_->projects);
    Drag(lib_->picture, before[1]);
    QCOMPARE(f_->MembersOf(lib_->projects), (std::vector<uint32_t>{before[0], lib_->picture, before[1]}));
    QCOMPARE(f_->MembersOf(lib_->garden).size(), size_t{3});
    QCOMPARE(CTopicTree::RecordOf(tree_->FindItem(lib_->picture)->parent()), lib_->projects);
    QVERIFY(f_->Reopen());
    QCOMPARE(f_->MembersOf(lib_->projects)[1], lib_->picture);
  }

  void topicsAreNotDragged() {
    QVERIFY(!tree_->BeginDrag(tree_->FindItem(lib_->garden), QPoint(5, 5)));
    QVERIFY(!CTopicTree::dragging);
  }

  void deletingATopicTakesItsFilesButNothingOutside() {
    const std::string page = FindTopic(lib_->garden)->fileName;
    StoreFixture::Touch(f_->output + page);
    StoreFixture::Touch(f_->output + "../keep.htm");
    QVERIFY(StoreFixture::Exists(f_->output + "bed.jpg"));
    QVERIFY(tree_->SelectRecord(lib_->garden));
    f_->ui.messages.clear();
    tree_->DeleteSelected(true);
    QCOMPARE(f_->ui.MessageIds(), std::vector<int>{IDS_DELETE_ITEMS});
    QVERIFY(!tree_->FindItem(lib_->garden));
    QVERIFY(!StoreFixture::Exists(f_->output + "bed.jpg"));
    QVERIFY(!StoreFixture::Exists(f_->output + page));
    QVERIFY(StoreFixture::Exists(f_->output + "../keep.htm"));
    QCOMPARE(f_->host.commands.back(), uint32_t{3058});
    QVERIFY(f_->Reopen());
    for (uint32_t id : {lib_->garden, lib_->note, lib_->picture, lib_->sketch})
      QVERIFY(FindRecord(id)->flags & kFlagDeleted);
  }

  void deleteKeyAsksAndCancelKeepsEverything() {
    tree_->ExpandAll();
    QVERIFY(tree_->SelectRecord(lib_->note));
    f_->ui.messageAnswers = {kIdCancel};
    QTest::keyClick(tree_->view(), Qt::Key_Delete);
    QVERIFY(tree_->FindItem(lib_->note));
    QVERIFY(FindRecord(lib_->note)->IsLive());
    f_->ui.messageAnswers = {kIdOk};
    QTest::keyClick(tree_->view(), Qt::Key_Delete);
    QVERIFY(!tree_->FindItem(lib_->note));
    QCOMPARE(f_->MembersOf(lib_->garden).size(), size_t{3});
  }

  void deleteDialogShowsItsTextsAndTheArchiveBox() {
    CDeleteItemDialog dialog(window_.get(), true);
    QVERIFY(dialog.archiveBox());
    QVERIFY(dialog.archiveBox()->isChecked());
    QCOMPARE(dialog.archiveBox()->text(), QString("Archive deleted item(s) at next HotSync operation"));
    dialog.show();
    Shot(&dialog, "delete-item");
    CDeleteItemDialog plain(window_.get(), false);
    QVERIFY(!plain.archiveBox());
  }

  void categoryComboListsAllSortedUnfiled() {
    CCategoryCombo combo(kKindCodeTopic);
    combo.Create(window_.get());
    combo.Fill();
    auto* box = static_cast<QComboBox*>(combo.widget());
    QCOMPARE(box->count(), 4);
    QCOMPARE(box->itemText(0), QString("All Categories"));
    QCOMPARE(box->itemText(1), QString("Home"));
    QCOMPARE(box->itemText(2), QString("Work"));
    QCOMPARE(box->itemText(3), QString("Unfiled"));
    QCOMPARE(combo.SelectedCategory(), int64_t{-1});
    combo.Show(true, 2);
    QCOMPARE(combo.SelectedCategory(), int64_t(lib_->work));
    QCOMPARE(combo.SelectedPosition(), 2);
  }

  void topicWindowAddsANewTopicAndSelectsIt() {
    CTopicWnd wnd;
    QWidget frame;
    frame.resize(560, 420);
    QVERIFY(wnd.Create(&frame));
    wnd.Move(0, 0, 560, 420);
    wnd.Show(true);
    f_->host.mainCategory = lib_->work;
    wnd.ShowRecord(nullptr);
    frame.show();
    QCOMPARE(wnd.okButton()->text(), QString("Add"));
    QCOMPARE(wnd.categoryList()->currentText(), QString("Work"));
    QVERIFY(wnd.editor().isNew());
    QTest::keyClicks(wnd.titleEdit(), "Bird watching");
    QCOMPARE(bEditPending, uint8_t{1});
    Shot(&frame, "topic-window-new");
    const uint32_t id = wnd.editor().topicId();
    QTest::mouseClick(wnd.okButton(), Qt::LeftButton);
    QCOMPARE(bEditPending, uint8_t{0});
    QVERIFY(FindTopic(id));
    QCOMPARE(FindTopic(id)->categoryId, lib_->work);
    QTreeWidgetItem* item = tree_->FindItem(id);
    QVERIFY(item);
    QCOMPARE(tree_->view()->indexOfTopLevelItem(item), 0);  // "Bird" sorts first
    QCOMPARE(tree_->SelectedItem()->recordId, id);
    QCOMPARE(f_->host.commands, std::vector<uint32_t>{3072});
    QCOMPARE(wnd.titleEdit()->toPlainText(), QString());
  }

  void topicWindowCancelDiscardsTheNewTopic() {
    CTopicWnd wnd;
    QWidget frame;
    QVERIFY(wnd.Create(&frame));
    wnd.ShowRecord(nullptr);
    const size_t topics = pDB->CountLive(kKindTopic);
    QTest::keyClicks(wnd.titleEdit(), "Never mind");
    wnd.Cancel();
    QCOMPARE(pDB->CountLive(kKindTopic), topics);
    QCOMPARE(f_->host.commands, std::vector<uint32_t>{3058});
    QCOMPARE(bEditPending, uint8_t{0});
    // A pending topic left when the mode changes goes too.
    wnd.ShowRecord(nullptr);
    QVERIFY(wnd.DiscardPendingRecord());
    QCOMPARE(pDB->CountLive(kKindTopic), topics);
  }

  void topicWindowEditsTheTopicOfTheSelectedItem() {
    CTopicWnd wnd;
    QWidget frame;
    frame.resize(560, 420);
    QVERIFY(wnd.Create(&frame));
    wnd.Move(0, 0, 560, 420);
    wnd.Show(true);
    tree_->ExpandAll();
    QVERIFY(tree_->SelectRecord(lib_->note));  // a member: its topic is edited
    std::optional<TreeItemRef> item = tree_->SelectedItem();
    wnd.ShowRecord(&*item);
    frame.show();
    QCOMPARE(wnd.okButton()->text(), QString("Update"));
    QCOMPARE(wnd.titleEdit()->toPlainText(), QString("Garden plans"));
    QCOMPARE(wnd.categoryList()->currentText(), QString("Home"));
    Shot(&frame, "topic-window-edit");
    wnd.titleEdit()->setPlainText(QString(257, 'g'));
    f_->ui.messages.clear();
    QVERIFY(wnd.Ok());
    QCOMPARE(f_->ui.MessageIds(), std::vector<int>{IDS_TEXT_TOO_LONG});
    QCOMPARE(FindTopic(lib_->garden)->title, CpText(std::string(256, 'g')));
    QCOMPARE(tree_->FindItem(lib_->garden)->text(0), QString(256, 'g'));
  }

  void categoriesPageRefusesBadNamesAndRenamesInPlace() {
    CPropertiesSheet sheet(window_.get(), kPageCategories);
    QCOMPARE(sheet.tabs()->currentIndex(), 2);
    QCOMPARE(sheet.windowTitle(), QString("Quillet!"));
    CCategoriesPage* page = sheet.categoriesPage();
    QCOMPARE(page->list()->topLevelItemCount(), 2);
    QCOMPARE(page->list()->headerItem()->text(0), QString("Categories"));
    for (const char* bad : {" ", "UNFILED", "work"}) {
      f_->ui.messages.clear();
      page->nameEdit()->setText(bad);
      page->AddTyped();
      QCOMPARE(f_->ui.MessageIds(), std::vector<int>{IDS_BAD_CATEGORY});
      QCOMPARE(page->nameEdit()->text(), QString(bad));  // kept for correcting
    }
    page->nameEdit()->setText("Travel");
    page->AddTyped();
    QCOMPARE(page->list()->topLevelItemCount(), 3);
    QCOMPARE(page->list()->topLevelItem(1)->text(0), QString("Travel"));  // Home, Travel, Work
    QVERIFY(page->nameEdit()->text().isEmpty());
    QCOMPARE(f_->host.categoryRefills, 1);

    // A rename to another category's name keeps the row's title.
    f_->ui.messages.clear();
    page->list()->topLevelItem(1)->setText(0, "HOME");
    QTRY_COMPARE(f_->ui.MessageIds(), std::vector<int>{IDS_BAD_CATEGORY});
    QTRY_COMPARE(page->list()->topLevelItem(1)->text(0), QString("Travel"));
    page->list()->topLevelItem(1)->setText(0, "Journeys");
    QTRY_COMPARE(page->list()->topLevelItem(1)->text(0), QString("Journeys"));
    QCOMPARE(f_->ui.MessageIds(), std::vector<int>{IDS_BAD_CATEGORY});
    sheet.show();
    Shot(&sheet, "properties-categories");

    // Delete, after the question without the archive box.
    page->list()->setCurrentItem(page->list()->topLevelItem(1));
    f_->ui.messageAnswers = {kIdOk};
    page->DeleteSelected();
    QCOMPARE(page->list()->topLevelItemCount(), 2);
    QCOMPARE(page->list()->topLevelItem(1)->text(0), QString("Work"));

    // Rename and Delete are buttons too, offered while a row is selected.
    page->list()->clearSelection();
    QVERIFY(!page->renameButton()->isEnabled());
    QVERIFY(!page->deleteButton()->isEnabled());
    QVERIFY(!page->renameButton()->accessibleName().isEmpty());
    QVERIFY(!page->deleteButton()->accessibleName().isEmpty());
    page->list()->setCurrentItem(page->list()->topLevelItem(1));
    QVERIFY(page->renameButton()->isEnabled() && page->deleteButton()->isEnabled());
    QTest::mouseClick(page->renameButton(), Qt::LeftButton);
    QPointer<QLineEdit> editor = page->renameEditor();
    QVERIFY(editor);
    QTRY_VERIFY(editor->isVisible());
    QCOMPARE(editor->text(), QString("Work"));
    editor->setText("Office");
    const int refills = f_->host.categoryRefills;
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_COMPARE(f_->host.categoryRefills, refills + 1);  // stored, and the lists told
    QCOMPARE(page->list()->topLevelItem(1)->text(0), QString("Office"));
    page->list()->setCurrentItem(page->list()->topLevelItem(0));
    f_->ui.messages.clear();
    f_->ui.messageAnswers = {kIdCancel};  // the question is asked; No keeps it
    QTest::mouseClick(page->deleteButton(), Qt::LeftButton);
    QCOMPARE(f_->ui.messages.size(), size_t{1});
    QCOMPARE(page->list()->topLevelItemCount(), 2);
    f_->ui.messageAnswers = {kIdOk};
    QTest::mouseClick(page->deleteButton(), Qt::LeftButton);
    QCOMPARE(page->list()->topLevelItemCount(), 1);
    QCOMPARE(page->list()->topLevelItem(0)->text(0), QString("Office"));
    QVERIFY(!page->renameButton()->isEnabled());  // the deleted row took the selection with it
  }

  void propertiesApplyOnlyPagesThatWereShown() {
    {
      CRegistryKey key;
      key.OpenProgramKey("Ann/");
      key.WriteValueString("Author", "Ann Smith");
    }
    CPropertiesSheet sheet(window_.get(), kPageAuthor, [](const std::string&) { return true; });
    QCOMPARE(sheet.authorField(0)->text(), QString("Ann Smith"));
    sheet.authorField(1)->setText("Gardener");
    sheet.show();
    Shot(&sheet, "properties-author");
    sheet.Apply();
    CRegistryKey key;
    key.OpenProgramKey("Ann/");
    std::string title;
    key.ReadValueString("Title", &title);
    QCOMPARE(title, std::string("Gardener"));
    // The Logging page was never shown: "LogPath" is left alone.
    std::string logPath = "unset";
    key.OpenProgramKey();
    QVERIFY(key.ReadValueString("LogPath", &logPath) != 0);
  }

  // Category names and the author's details are code-page text too: a
  // character the code page cannot hold is refused where it was typed and
  // nothing is stored.
  void propertiesRefuseWhatTheHandheldCannotStore() {
    const QString omega = QString::fromUtf8("\xCE\xA9");  // U+03A9
    {
      CRegistryKey key;
      key.OpenProgramKey("Ann/");
      key.WriteValueString("Author", "Ann Smith");
    }
    CPropertiesSheet sheet(window_.get(), kPageCategories, [](const std::string&) { return true; });
    sheet.show();
    QVERIFY(QTest::qWaitForWindowActive(&sheet));
    CCategoriesPage* page = sheet.categoriesPage();
    const int rows = page->list()->topLevelItemCount();
    f_->ui.messages.clear();
    page->nameEdit()->setText("Greek " + omega);
    page->AddTyped();
    QCOMPARE(f_->ui.MessageIds(), std::vector<int>{IDS_UNSTORABLE_CHARACTER});
    QVERIFY(f_->ui.messages[0].text.starts_with("The category name contains the character \u201C\u03A9\u201D (U+03A9)"));
    QCOMPARE(page->list()->topLevelItemCount(), rows);
    QCOMPARE(page->nameEdit()->text(), "Greek " + omega);  // kept for correcting
    QCOMPARE(page->nameEdit()->selectedText(), omega);
    QCOMPARE(f_->host.categoryRefills, 0);

    // A rename in the list: the row keeps the stored name.
    f_->ui.messages.clear();
    const QString before = page->list()->topLevelItem(0)->text(0);
    page->list()->topLevelItem(0)->setText(0, "Home " + omega);
    QTRY_COMPARE(f_->ui.MessageIds(), std::vector<int>{IDS_UNSTORABLE_CHARACTER});
    QCOMPARE(page->list()->topLevelItem(0)->text(0), before);

    // The same typed into the row's editor: Return refuses it, and the
    // editor opens again on the row with what was typed, the character
    // selected.
    f_->ui.messages.clear();
    page->list()->setCurrentItem(page->list()->topLevelItem(0));
    page->list()->editItem(page->list()->topLevelItem(0), 0);
    QPointer<QLineEdit> editor = page->renameEditor();
    QVERIFY(editor);
    editor->setText("Home " + omega);
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_COMPARE(f_->ui.MessageIds(), std::vector<int>{IDS_UNSTORABLE_CHARACTER});
    QCOMPARE(page->list()->topLevelItem(0)->text(0), before);
    QTRY_VERIFY(page->renameEditor() != nullptr && page->renameEditor() != editor);
    editor = page->renameEditor();
    QTRY_VERIFY(editor->isVisible());
    QCOMPARE(editor->text(), "Home " + omega);
    QCOMPARE(editor->selectedText(), omega);
    // Corrected there, it is taken.
    editor->setText("Home base");
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_COMPARE(page->list()->topLevelItem(0)->text(0), QString("Home base"));
    QCOMPARE(f_->ui.MessageIds(), std::vector<int>{IDS_UNSTORABLE_CHARACTER});

    // The author's details: OK refuses, naming the field, and stores none
    // of the four; the Name field was fine but is not written either.
    f_->ui.messages.clear();
    sheet.tabs()->setCurrentIndex(0);
    sheet.authorField(0)->setText("Ann Smyth");
    sheet.authorField(1)->setText("Gardener " + omega);
    QVERIFY(!sheet.Apply());
    QCOMPARE(f_->ui.MessageIds(), std::vector<int>{IDS_UNSTORABLE_CHARACTER});
    QVERIFY(f_->ui.messages[0].text.starts_with("The author's title contains the character \u201C\u03A9\u201D (U+03A9)"));
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(sheet.authorField(1)));
    CRegistryKey key;
    key.OpenProgramKey("Ann/");
    std::string name;
    key.ReadValueString("Author", &name);
    QCOMPARE(name, std::string("Ann Smith"));
    sheet.authorField(1)->setText("Gardener \xC3\xA9t\xC3\xA9");  // "été": the code page's own
    QVERIFY(sheet.Apply());
    key.ReadValueString("Author", &name);
    QCOMPARE(name, std::string("Ann Smyth"));
    std::string title;
    key.ReadValueString("Title", &title);
    QCOMPARE(title, std::string("Gardener \xE9t\xE9"));
  }

  void defaultUserAndLoggingPagesLookRight() {
    CUserTable table;
    table.entries = {{0, 1, "Ann", "Ann/"}, {1, 0, "Bob", "Bob/"}};
    SetUserTable(&table);
    std::string switched;
    CPropertiesSheet sheet(window_.get(), kPageDefaultUser, [&](const std::string& name) {
      switched = name;
      return true;
    });
    QCOMPARE(sheet.userList()->count(), 2);
    QCOMPARE(sheet.userList()->currentText(), QString("Ann"));
    QCOMPARE(sheet.userPath()->text(), FromPath(f_->output));
    sheet.show();
    Shot(&sheet, "properties-default-user");
    sheet.userList()->setCurrentIndex(1);
    QCOMPARE(sheet.userPath()->text(), QString("Bob/"));
    sheet.tabs()->setCurrentIndex(kPageLogging);
    Shot(&sheet, "properties-logging");
    sheet.Apply();
    QCOMPARE(switched, std::string("Bob"));
    SetUserTable(nullptr);
  }

  void passwordDialogStaysOpenOnAWrongPassword() {
    std::vector<std::string> tried;
    CPasswordDialog dialog(window_.get(), "Ann", [&](const std::string& typed) {
      tried.push_back(typed);
      return typed == "secret";
    });
    dialog.show();
    QCOMPARE(dialog.findChild<QLabel*>("1224")->text(), QString("Ann"));
    dialog.passwordEdit()->setText("guess");
    Shot(&dialog, "password-543");
    QPushButton* ok = nullptr;
    for (QPushButton* b : dialog.findChildren<QPushButton*>())
      if (b->text().remove('&') == "OK") ok = b;
    QVERIFY(ok);
    QTest::mouseClick(ok, Qt::LeftButton);
    QVERIFY(dialog.isVisible());
    dialog.passwordEdit()->setText("secret");
    QTest::mouseClick(ok, Qt::LeftButton);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(tried, (std::vector<std::string>{"guess", "secret"}));
  }

 private:
  std::unique_ptr<StoreFixture> f_;
  std::unique_ptr<Library> lib_;
  std::unique_ptr<QWidget> window_;
  std::unique_ptr<CTopicTree> tree_;
};

QTEST_MAIN(WindowsTest)
#include "windows_qtest.moc"
