// Typed text in the real main window with its real record windows: Exit, a
// user switch and the archive ask about it; a HotSync (the stand-in HotSync
// manager through the notifier and the real socket) saves it or keeps it;
// a HotSync during a dialog waits for the dialog; Delete All defaults to
// No; a user switch resets the category filters; Find lists what the tree
// shows; texts at their limit survive; the private-records password and
// an empty Palm Desktop data folder. What ends up on disk is read back
// with the store itself.
#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <sys/stat.h>

#include <filesystem>
#include <memory>

#include "app/HotSyncGlue.h"
#include "app/MainWindow.h"
#include "app/WndMgr.h"
#include "base/AppPaths.h"
#include "base/RegistryKey.h"
#include "base/Strings.h"
#include "desktop/db/CurrentDatabase.h"
#include "desktop/records/TreeEdits.h"
#include "desktop/shell/Commands.h"
#include "desktop/shell/EditPending.h"
#include "desktop/shell/UnsavedEdits.h"
#include "desktop/users/UserSwitch.h"
#include "imaging/tests/SketchBytes.h"
#include "platform/winmsg/WindowMessage.h"
#include "store/PrivateRecords.h"
#include "testing/HotSyncRun.h"
#include "testing/RecordingUI.h"
#include "testing/ShellTestSupport.h"
#include "testing/Shots.h"
#include "widgets/find/FindList.h"
#include "widgets/find/FindParts.h"
#include "widgets/find/FindWnd.h"
#include "widgets/kit/QtForms.h"
#include "widgets/pictures/SketchWnd.h"
#include "widgets/records/CategoryCombo.h"
#include "widgets/records/CustomWnd.h"
#include "widgets/records/Dialogs.h"
#include "widgets/records/NoteWnd.h"
#include "widgets/records/Parts.h"
#include "widgets/records/PropertiesSheet.h"
#include "widgets/records/TopicTree.h"
#include "widgets/records/TopicWnd.h"

using namespace quillet;
using quillet::test::HotSync;
using quillet::test::ShotFolder;
using quillet::test::StagesCarriedOut;
using quillet::test::AddNote;
using quillet::test::PutCategory;
using quillet::test::AddMember;
using quillet::test::Machine;
using quillet::test::Recorders;

namespace {

// Topics here carry a report file name, as the handheld's do.
uint32_t AddTopic(const std::string& title, uint32_t category = 0, uint32_t isPrivate = 0) {
  return quillet::test::AddTopic(title, category, isPrivate, /*named=*/true);
}

const std::string kPrefix = std::string(ProgramKey);

bool EndsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

uint32_t AddBook(uint32_t topic, const std::string& title) {
  auto b = std::make_unique<CCustomRecord>();
  b->customType = kCustomBook;
  b->fields.assign(7, CpText());
  b->fields[0] = CpText(title);
  return AddMember(topic, std::move(b));
}

uint32_t AddSketch(uint32_t topic, const std::string& title) {
  auto s = std::make_unique<CImageRecord>();
  s->title = CpText(title);
  s->format = kImageFormatSketch;
  s->data = testing::TestSketch();
  s->width = 40;
  s->height = 30;
  return AddMember(topic, std::move(s));
}

// The store file of a Palm user's folder, read afresh.
std::unique_ptr<CRecordStore> OnDisk(const Machine& m, const std::string& folder) {
  auto store = std::make_unique<CRecordStore>(kStoreFileName, m.Output(folder));
  if (store->Load() != DB_OK) return nullptr;
  return store;
}

// The record of `id` as the file holds it; an empty one of the kind when
// there is none (the comparisons then fail, saying what they found).
template <class T>
const T* Read(const CRecordStore* store, uint32_t id) {
  static const T kNone{};
  CRecord* r = nullptr;
  if (store != nullptr) store->FindById(id, &r);
  const T* found = RecordAs<T>(r);
  return found ? found : &kNone;
}

// Clicks the tree item of a record as the person does.
void ClickItem(CTopicTree* tree, uint32_t id) {
  tree->ExpandAll();
  QTreeWidget* view = tree->view();
  QTreeWidgetItem* item = tree->FindItem(id);
  QVERIFY(item);
  const QRect r = view->visualItemRect(item);
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, QPoint(r.left() + 12, r.center().y()));
}

struct Shell {
  CMainWindow* w;
  CWndMgr* mgr;
  CTopicTree* tree;
  CNoteWnd* note;
  CTopicWnd* topic;
  CCustomWnd* custom;
  CSketchWnd* sketch;
};

Shell Parts(CMainWindow& w) {
  CWndMgr* mgr = w.manager();
  return {&w,
          mgr,
          dynamic_cast<CTopicTree*>(mgr->topicTree()),
          dynamic_cast<CNoteWnd*>(mgr->window(RecordWindow::kNote)),
          dynamic_cast<CTopicWnd*>(mgr->window(RecordWindow::kTopic)),
          dynamic_cast<CCustomWnd*>(mgr->window(RecordWindow::kCustom)),
          dynamic_cast<CSketchWnd*>(mgr->window(RecordWindow::kSketch))};
}

// A form that opens a real modal message box for one question and, while
// it is open, runs `during`; then answers `answer`.
class ModalQuestionUI : public RecordingUI {
 public:
  int askedAbout = 0;
  std::function<void()> during;
  int answer = kIdYes;
  bool dialogWasOpen = false;
  int ShowMessage(const MessageRequest& r) override {
    if (r.stringId != askedAbout) return RecordingUI::ShowMessage(r);
    messages.push_back(r);
    QMessageBox box(QMessageBox::Warning, "Quillet", QString::fromLatin1(r.text.c_str()),
                    QMessageBox::Yes | QMessageBox::No);
    QTimer::singleShot(0, &box, [&] {
      dialogWasOpen = CHotSyncGlue::DialogOpen();
      if (during) during();
      box.done(QMessageBox::Yes);
    });
    box.exec();
    return answer;
  }
};

}  // namespace

class TypedTextTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    RegisterWindowsParts();
    RegisterFindParts();
    RegisteredShellParts().sketchWindow = [] { return std::make_unique<CSketchWnd>(); };
    SetDeleteConfirm(nullptr);
    SetPasswordPrompt(nullptr);  // the recording form answers
  }
  void cleanup() {
    bEditPending = 0;
    bShowPrivate = 0;
  }

  void exitAsksAboutTypedTextAndSaveRunsTheWindowsOk();
  void exitAsksInTheTopicReferenceAndSketchWindowsToo();
  void switchingUsersAndTheArchiveAskFirst();
  void hotSyncSavesWhatPassesBeforeTheConduit();
  void hotSyncKeepsWhatCannotBeSavedOverTheReload();
  void hotSyncKeepsTheOpenTopicsTheSelectionAndThePage();
  void hotSyncDuringAQuestionWaitsAndTheAnswerActsOnItsOwnUser();
  void deleteAllAnsweredForAStoreReopenedMeanwhileDoesNothing();
  void deleteAllDefaultsToNo();
  void aUserSwitchStartsAtAllCategories();
  void palmUsersAddedWhileRunningAreOfferedAndSyncedTo();
  void findListsWhatTheTreeShowsAndOpensTheRecordClicked();
  void textsAtTheirLimitSurviveAnUnchangedSave();
  void privateRecordsAskForTheCurrentUsersPasswordInCodePageBytes();
  void anEmptyPalmDataFolderStopsWithAClearMessage();
  void aStoreThatIsNoFileStopsStartUpWithItsReason();
  void unreadableSettingsStopStartUpWithTheirReason();
};

// 1: Exit with a note's text typed. Cancel and a failed save close
// nothing; Save runs the note window's OK and the text is on disk.
void TypedTextTest::exitAsksAboutTypedTextAndSaveRunsTheWindowsOk() {
  Machine m;
  Recorders r;
  auto w = std::make_unique<CMainWindow>(RegisteredShellParts());
  Shell s = Parts(*w);
  QVERIFY(s.mgr->ready() && s.tree && s.note);
  const uint32_t garden = AddTopic("Garden plans");
  const uint32_t note = AddNote(garden, "Plant the tomatoes");
  QCOMPARE(pDB->Save(), DB_OK);
  s.tree->Refresh();
  w->show();
  QVERIFY(QTest::qWaitForWindowExposed(w.get()));
  QSignalSpy closed(w.get(), &CMainWindow::closed);

  ClickItem(s.tree, note);
  QCOMPARE(s.mgr->namedMode(), Mode::NOTE);
  QTest::keyClick(s.note->noteEdit(), Qt::Key_End, Qt::ControlModifier);
  QTest::keyClicks(s.note->noteEdit(), " in May");

  r.ui.messageAnswers = {kIdCancel};
  w->SendCommand(CMD_EXIT);
  QCOMPARE(closed.count(), 0);
  QVERIFY(w->isVisible() && w->manager());
  QCOMPARE(r.ui.messages.size(), size_t{1});
  QCOMPARE(r.ui.messages[0].text, std::string("Save changes to \"Plant the tomatoes\"?"));
  QCOMPARE(r.ui.messages[0].flags & kMbButtonsMask, unsigned(kMbSaveDiscardCancel));
  QCOMPARE(s.note->noteEdit()->toPlainText(), QString("Plant the tomatoes in May"));

  // Save, but the store cannot be written: the OK says so, nothing closes.
  const std::string out = m.Output("DemoUser");
  const std::string aside = m.root() + "aside";
  std::filesystem::rename(out, aside);
  r.ui.messageAnswers = {kIdYes};
  w->close();
  QCOMPARE(closed.count(), 0);
  QVERIFY(r.ui.Showed(IDS_SAVE_FAILED));
  QCOMPARE(s.note->noteEdit()->toPlainText(), QString("Plant the tomatoes in May"));
  std::filesystem::rename(aside, out);

  r.ui.messageAnswers = {kIdYes};
  w->close();
  QCOMPARE(closed.count(), 1);
  auto disk = OnDisk(m, "DemoUser");
  QVERIFY(disk);
  QCOMPARE(Read<CNoteRecord>(disk.get(), note)->text, "Plant the tomatoes in May"_cp);
}

// 1: the other windows the person types into.
void TypedTextTest::exitAsksInTheTopicReferenceAndSketchWindowsToo() {
  Machine m;
  Recorders r;
  uint32_t garden = 0, book = 0, heron = 0;
  {
    // A half-typed new topic, saved on the way out.
    CMainWindow w(RegisteredShellParts());
    Shell s = Parts(w);
    garden = AddTopic("Garden plans");
    book = AddBook(garden, "Vegetable growing");
    heron = AddSketch(garden, "Heron");
    QCOMPARE(pDB->Save(), DB_OK);
    s.tree->Refresh();
    w.SendCommand(CMD_NEW_TOPIC);
    QTest::keyClicks(s.topic->titleEdit(), "Birthday party");
    r.ui.messageAnswers = {kIdYes};
    w.SendCommand(CMD_EXIT);
    QVERIFY(!w.manager());
    QCOMPARE(r.ui.messages.back().text, std::string("Save changes to \"Birthday party\"?"));
  }
  auto disk = OnDisk(m, "DemoUser");
  QVERIFY(disk);
  bool found = false;
  CRecord* rec = nullptr;
  for (DbResult res = disk->FirstOfKind(kKindTopic, &rec, true); res == DB_OK && rec;
       res = disk->NextOfKind(kKindTopic, &rec, true))
    found |= RecordAs<CTopicRecord>(rec)->title == "Birthday party"_cp;
  QVERIFY(found);

  {
    // A reference's edits, discarded: the file keeps the stored title.
    CMainWindow w(RegisteredShellParts());
    Shell s = Parts(w);
    QVERIFY(s.tree->SelectRecord(book));
    w.SendCommand(CMD_CUSTOM);
    QCOMPARE(s.mgr->namedMode(), Mode::CUSTOM);
    s.custom->setFieldText(0, "Vegetable growing, second edition");
    QVERIFY(s.custom->HasUnsavedEdits());
    r.ui.messageAnswers = {kIdNo};
    w.SendCommand(CMD_EXIT);
    QVERIFY(!w.manager());
    QCOMPARE(r.ui.messages.back().text, std::string("Save changes to \"Vegetable growing\"?"));
  }
  disk = OnDisk(m, "DemoUser");
  QCOMPARE(Read<CCustomRecord>(disk.get(), book)->fields.size(), size_t{7});
  QCOMPARE(Read<CCustomRecord>(disk.get(), book)->fields[0], "Vegetable growing"_cp);

  {
    // A sketch's new title, saved.
    CMainWindow w(RegisteredShellParts());
    Shell s = Parts(w);
    QVERIFY(s.sketch);
    QVERIFY(s.tree->SelectRecord(heron));
    w.SendCommand(CMD_SKETCH);
    QCOMPARE(s.mgr->namedMode(), Mode::SKETCH);
    s.sketch->titleEdit()->selectAll();
    QTest::keyClicks(s.sketch->titleEdit(), "Grey heron");
    const size_t asked = r.ui.messages.size();
    r.ui.messageAnswers = {kIdYes};
    w.SendCommand(CMD_EXIT);
    QVERIFY(!w.manager());
    QCOMPARE(r.ui.messages.size(), asked + 1);
    QCOMPARE(r.ui.messages.back().text, std::string("Save changes to \"Heron\"?"));
  }
  disk = OnDisk(m, "DemoUser");
  QCOMPARE(Read<CImageRecord>(disk.get(), heron)->title, "Grey heron"_cp);

  {
    // Nothing typed: no question at all.
    CMainWindow w(RegisteredShellParts());
    Shell s = Parts(w);
    QVERIFY(s.tree->SelectRecord(book));
    w.SendCommand(CMD_CUSTOM);
    const size_t asked = r.ui.messages.size();
    w.SendCommand(CMD_EXIT);
    QVERIFY(!w.manager());
    QCOMPARE(r.ui.messages.size(), asked);
  }
}

// 1: switching users (what the Default User page does) and the archive.
void TypedTextTest::switchingUsersAndTheArchiveAskFirst() {
  Machine m({"Ann", "Bob"});
  Recorders r;
  CMainWindow w(RegisteredShellParts());
  Shell s = Parts(w);
  QCOMPARE(AppPaths.userFolder, std::string("Ann/"));
  const uint32_t topic = AddTopic("Ann's topic");
  QCOMPARE(pDB->Save(), DB_OK);
  s.tree->Refresh();
  QVERIFY(s.tree->SelectRecord(topic));
  w.SendCommand(CMD_NEW_NOTE);
  QTest::keyClicks(s.note->noteEdit(), "Call the plumber");

  r.ui.messageAnswers = {kIdCancel};
  QVERIFY(!s.mgr->SwitchUser("Bob"));
  QCOMPARE(AppPaths.userFolder, std::string("Ann/"));
  QCOMPARE(s.mgr->namedMode(), Mode::NEWNOTE);
  QCOMPARE(r.ui.messages.back().text, std::string("Save changes to \"Call the plumber\"?"));
  // What was typed is named as it was typed, beyond the code page too, and
  // cut as the tree cuts a member's text.
  s.note->noteEdit()->setPlainText(QString::fromUtf8("Ask \u03A9mega Plumbing about the pipes under the kitchen sink, "
                                                     "and the boiler\nsecond line"));
  r.ui.messageAnswers = {kIdCancel};
  QVERIFY(!s.mgr->SwitchUser("Bob"));
  QCOMPARE(r.ui.messages.back().text,
           std::string("Save changes to \"Ask \u03A9mega Plumbing about the pipes under the kitchen sink...\"?"));
  s.note->noteEdit()->setPlainText("Call the plumber");

  // The archive commands ask too; Cancel opens nothing.
  r.ui.messageAnswers = {kIdCancel};
  r.ui.filePaths = {m.Output("Ann") + "Quillet.arc"};
  w.SendCommand(CMD_OPEN_ARCHIVE);
  QVERIFY(!s.mgr->archiveOpen());
  QCOMPARE(r.ui.filePaths.size(), size_t{1});  // never asked for a file
  QVERIFY(EndsWith(pDB->path(), "Ann/Quillet/quillet.dat"));

  r.ui.messageAnswers = {kIdYes};
  QVERIFY(s.mgr->SwitchUser("Bob"));
  QCOMPARE(AppPaths.userFolder, std::string("Bob/"));
  auto ann = OnDisk(m, "Ann");
  const CTopicLinksRecord* links = Read<CTopicLinksRecord>(ann.get(), Read<CTopicRecord>(ann.get(), topic)->linksId);
  QCOMPARE(links->memberIds.size(), size_t{1});
  QCOMPARE(Read<CNoteRecord>(ann.get(), links->memberIds[0])->text, "Call the plumber"_cp);
}

// 2: a HotSync while a note is being typed: the ping saves it before the
// conduit runs, and the reload afterwards shows what the conduit wrote.
void TypedTextTest::hotSyncSavesWhatPassesBeforeTheConduit() {
  Machine m;
  Recorders r;
  winmsg::MessageWindow listener;
  QCOMPARE(listener.ListenForClass(kMainWindowClass), winmsg::MessageWindow::ListenResult::kListening);
  CMainWindow w(RegisteredShellParts());
  w.AttachMessageWindow(&listener);
  Shell s = Parts(w);
  const uint32_t garden = AddTopic("Garden plans");
  const uint32_t note = AddNote(garden, "Plant the tomatoes");
  QCOMPARE(pDB->Save(), DB_OK);
  s.tree->Refresh();

  QVERIFY(s.tree->SelectRecord(note));
  w.SendCommand(CMD_NOTE);
  QTest::keyClick(s.note->noteEdit(), Qt::Key_End, Qt::ControlModifier);
  QTest::keyClicks(s.note->noteEdit(), " in May");
  // And a half-typed new note would be next... first the edit itself.
  const QString out = HotSync(1, {"0", "1"});
  QVERIFY2(out.contains("HS_Notify(0, 1) -> 1") && out.contains("HS_Notify(1, 1) -> 1"), qPrintable(out));
  QVERIFY(StagesCarriedOut(s.mgr));
  QVERIFY(r.ui.messages.empty());  // nobody was asked anything
  QCOMPARE(bEditPending, uint8_t{0});
  auto disk = OnDisk(m, "DemoUser");
  QCOMPARE(Read<CNoteRecord>(disk.get(), note)->text, "Plant the tomatoes in May"_cp);

  // A half-typed new note goes the same way, into its topic.
  QVERIFY(s.tree->SelectRecord(garden));
  w.SendCommand(CMD_NEW_NOTE);
  QCOMPARE(s.mgr->namedMode(), Mode::NEWNOTE);
  QTest::keyClicks(s.note->noteEdit(), "Buy se");
  HotSync(1, {"0"});
  QVERIFY(StagesCarriedOut(s.mgr));
  disk = OnDisk(m, "DemoUser");
  const auto* links = Read<CTopicLinksRecord>(disk.get(), Read<CTopicRecord>(disk.get(), garden)->linksId);
  QCOMPARE(links->memberIds.size(), size_t{2});
  QCOMPARE(Read<CNoteRecord>(disk.get(), links->memberIds[1])->text, "Buy se"_cp);

  // The conduit adds a note; stage 2 reloads and the tree shows it.
  {
    CRecordStore conduit(kStoreFileName, m.Output("DemoUser"));
    QCOMPARE(conduit.Load(), DB_OK);
    auto n = std::make_unique<CNoteRecord>();
    n->recordId = 900;
    n->text = "From the handheld"_cp;
    QCOMPARE(conduit.Insert(std::move(n)), DB_OK);
    CRecord* l = nullptr;
    QCOMPARE(conduit.FindById(FindTopic(garden)->linksId, &l), DB_OK);
    RecordAs<CTopicLinksRecord>(l)->memberIds.push_back(900);
    QCOMPARE(conduit.Save(), DB_OK);
  }
  HotSync(1, {"2", "3", "4"});
  QVERIFY(StagesCarriedOut(s.mgr));
  QCOMPARE(s.mgr->namedMode(), Mode::START);
  QVERIFY(s.tree->FindItem(900));
  QCOMPARE(RecordAs<CNoteRecord>(FindRecord(900))->text, "From the handheld"_cp);
}

// 2: a whole HotSync of the same user (the store reopened, the filter set
// back to all) leaves the user where they were: the open topics, the
// selected note and its window; a note the conduit deleted leaves its topic
// shown.
void TypedTextTest::hotSyncKeepsTheOpenTopicsTheSelectionAndThePage() {
  Machine m;
  Recorders r;
  winmsg::MessageWindow listener;
  QCOMPARE(listener.ListenForClass(kMainWindowClass), winmsg::MessageWindow::ListenResult::kListening);
  CMainWindow w(RegisteredShellParts());
  w.AttachMessageWindow(&listener);
  Shell s = Parts(w);
  const uint32_t garden = AddTopic("Garden plans");
  const uint32_t tomatoes = AddNote(garden, "Plant the tomatoes");
  const uint32_t office = AddTopic("Office move");
  const uint32_t boxes = AddNote(office, "Pack the boxes");
  const uint32_t books = AddTopic("Books to read");
  AddNote(books, "A long one");
  QCOMPARE(pDB->Save(), DB_OK);
  s.tree->Refresh();
  s.tree->FindItem(garden)->setExpanded(true);
  s.tree->FindItem(office)->setExpanded(true);
  QVERIFY(s.tree->SelectRecord(boxes));
  w.SendCommand(CMD_NOTE);
  auto open = [&](uint32_t id) { return s.tree->FindItem(id) != nullptr && s.tree->FindItem(id)->isExpanded(); };

  HotSync(1, {"0", "1", "2", "3", "4", "5", "6"});
  QVERIFY(StagesCarriedOut(s.mgr));
  QVERIFY(r.ui.messages.empty());
  QCOMPARE(s.mgr->namedMode(), Mode::NOTE);
  QVERIFY(s.tree->SelectedItem());
  QCOMPARE(s.tree->SelectedItem()->recordId, boxes);
  QCOMPARE(s.note->noteEdit()->toPlainText(), QString("Pack the boxes"));
  QVERIFY(open(garden) && open(office));
  QVERIFY(!open(books));

  // The conduit deletes the shown note: its topic is shown after the sync.
  QVERIFY(s.tree->SelectRecord(tomatoes));
  w.SendCommand(CMD_NOTE);
  {
    CRecordStore conduit(kStoreFileName, m.Output("DemoUser"));
    QCOMPARE(conduit.Load(), DB_OK);
    CRecord* n = nullptr;
    QCOMPARE(conduit.FindById(tomatoes, &n), DB_OK);
    n->flags |= kFlagDeleted;
    QCOMPARE(conduit.Save(), DB_OK);
  }
  HotSync(1, {"0", "1", "2", "3", "4", "5", "6"});
  QVERIFY(StagesCarriedOut(s.mgr));
  QVERIFY(s.tree->FindItem(tomatoes) == nullptr);
  QCOMPARE(s.mgr->namedMode(), Mode::VIEWTOPIC);
  QCOMPARE(s.tree->SelectedItem()->recordId, garden);
  QVERIFY(open(garden) && open(office));
}

// 2: what does not pass its window's checks stays in the window, over the
// reloaded records, still unsaved; a new note stays a new note.
void TypedTextTest::hotSyncKeepsWhatCannotBeSavedOverTheReload() {
  Machine m;
  Recorders r;
  winmsg::MessageWindow listener;
  QCOMPARE(listener.ListenForClass(kMainWindowClass), winmsg::MessageWindow::ListenResult::kListening);
  CMainWindow w(RegisteredShellParts());
  w.AttachMessageWindow(&listener);
  Shell s = Parts(w);
  const uint32_t garden = AddTopic("Garden plans");
  const uint32_t other = AddTopic("Office move");
  const uint32_t note = AddNote(garden, "Plant the tomatoes");
  QCOMPARE(pDB->Save(), DB_OK);
  s.tree->Refresh();

  QVERIFY(s.tree->SelectRecord(note));
  w.SendCommand(CMD_NOTE);
  const QString tooLong = "Plant the tomatoes " + QString(30000, 'x');  // over 30000
  s.note->noteEdit()->setPlainText(tooLong);
  QCOMPARE(bEditPending, uint8_t{1});
  HotSync(1, {"0", "1"});
  QVERIFY(StagesCarriedOut(s.mgr));
  QVERIFY(r.ui.messages.empty());
  auto disk = OnDisk(m, "DemoUser");
  QCOMPARE(Read<CNoteRecord>(disk.get(), note)->text, "Plant the tomatoes"_cp);

  // The conduit changes the note's topic meanwhile; the reload keeps the
  // typed text in the window over the reloaded note.
  {
    CRecordStore conduit(kStoreFileName, m.Output("DemoUser"));
    QCOMPARE(conduit.Load(), DB_OK);
    CRecord* t = nullptr;
    QCOMPARE(conduit.FindById(garden, &t), DB_OK);
    RecordAs<CTopicRecord>(t)->title = "Garden plans 2005"_cp;
    QCOMPARE(conduit.Save(), DB_OK);
  }
  HotSync(1, {"2"});
  QVERIFY(StagesCarriedOut(s.mgr));
  QCOMPARE(FindTopic(garden)->title, "Garden plans 2005"_cp);  // reloaded
  QCOMPARE(s.mgr->namedMode(), Mode::NOTE);
  QVERIFY(s.note->host()->isVisible());
  QCOMPARE(s.note->editor().noteId(), note);
  QCOMPARE(s.note->noteEdit()->toPlainText(), tooLong);
  QCOMPARE(bEditPending, uint8_t{1});
  QVERIFY(s.note->HasUnsavedEdits());
  // The person shortens it and saves.
  s.note->noteEdit()->setPlainText("Plant the tomatoes early");
  QVERIFY(s.note->Ok());
  disk = OnDisk(m, "DemoUser");
  QCOMPARE(Read<CNoteRecord>(disk.get(), note)->text, "Plant the tomatoes early"_cp);
  QCOMPARE(Read<CTopicRecord>(disk.get(), garden)->title, "Garden plans 2005"_cp);

  // A new note with a character the code page cannot hold stays a new
  // note in its topic across the reload.
  QVERIFY(s.tree->SelectRecord(other));
  w.SendCommand(CMD_NEW_NOTE);
  const QString typed = QString::fromUtf8("Boxes for \xC4\x80nne");  // U+0100
  s.note->noteEdit()->setPlainText(typed);
  HotSync(1, {"0", "1", "2"});
  QVERIFY(StagesCarriedOut(s.mgr));
  QCOMPARE(s.mgr->namedMode(), Mode::NEWNOTE);
  QVERIFY(s.note->editor().isNew());
  QCOMPARE(s.note->noteEdit()->toPlainText(), typed);
  QCOMPARE(bEditPending, uint8_t{1});
  disk = OnDisk(m, "DemoUser");
  QCOMPARE(Read<CTopicLinksRecord>(disk.get(), Read<CTopicRecord>(disk.get(), other)->linksId)->memberIds.size(),
           size_t{0});
  // Corrected and added: it joins the topic it was started in.
  s.note->noteEdit()->setPlainText("Boxes for Anne");
  QVERIFY(s.note->Ok());
  disk = OnDisk(m, "DemoUser");
  const auto* links = Read<CTopicLinksRecord>(disk.get(), Read<CTopicRecord>(disk.get(), other)->linksId);
  QCOMPARE(links->memberIds.size(), size_t{1});
  QCOMPARE(Read<CNoteRecord>(disk.get(), links->memberIds[0])->text, "Boxes for Anne"_cp);
}

// 3: with Delete All asking for Ann, a HotSync for Bob runs to its end
// without waiting for the question and without switching; the answer
// deletes Ann's records only, then the program switches to Bob.
void TypedTextTest::hotSyncDuringAQuestionWaitsAndTheAnswerActsOnItsOwnUser() {
  Machine m({"Ann", "Bob"});
  Recorders r;
  ModalQuestionUI ui;
  ScopedUI scope(&ui);
  winmsg::MessageWindow listener;
  QCOMPARE(listener.ListenForClass(kMainWindowClass), winmsg::MessageWindow::ListenResult::kListening);
  CMainWindow w(RegisteredShellParts());
  w.AttachMessageWindow(&listener);
  Shell s = Parts(w);
  QCOMPARE(AppPaths.userFolder, std::string("Ann/"));
  const uint32_t annTopic = AddTopic("Ann's topic");
  QCOMPARE(pDB->Save(), DB_OK);
  m.WriteFile(m.Output("Ann") + FindTopic(annTopic)->fileName, "<html></html>");
  // Bob's store, with a topic and its page.
  {
    QVERIFY(s.mgr->SwitchUserNow("Bob"));
    const uint32_t bobTopic = AddTopic("Bob's topic");
    QCOMPARE(bobTopic, annTopic);  // the same ids in both stores
    QCOMPARE(pDB->Save(), DB_OK);
    m.WriteFile(m.Output("Bob") + FindTopic(bobTopic)->fileName, "<html></html>");
    QVERIFY(s.mgr->SwitchUserNow("Ann"));
  }

  QString hotsyncOut;
  ui.askedAbout = IDS_DELETE_ALL;
  ui.during = [&] {
    hotsyncOut = HotSync(2, {"0", "1", "2", "3", "4"});  // Bob is user 2
    // HotSync has finished while the question is still open, and nothing
    // was switched under it.
    QCOMPARE(AppPaths.userFolder, std::string("Ann/"));
    QVERIFY(!s.mgr->hotsync().queue().empty());
  };
  w.SendCommand(CMD_TOPIC_CENTER);
  w.SendCommand(CMD_DELETE_ALL);
  QVERIFY(ui.dialogWasOpen);
  QVERIFY2(hotsyncOut.contains("HS_Notify(2, 2) -> 1") && hotsyncOut.contains("HS_Notify(4, 2) -> 1"),
           qPrintable(hotsyncOut));

  auto ann = OnDisk(m, "Ann");
  QVERIFY(Read<CTopicRecord>(ann.get(), annTopic)->flags & kFlagDeleted);
  QVERIFY(!std::filesystem::exists(m.Output("Ann") + Read<CTopicRecord>(ann.get(), annTopic)->fileName));
  auto bob = OnDisk(m, "Bob");
  QCOMPARE(Read<CTopicRecord>(bob.get(), annTopic)->flags & kFlagDeleted, 0u);
  QVERIFY(std::filesystem::exists(m.Output("Bob") + Read<CTopicRecord>(bob.get(), annTopic)->fileName));

  // Once the question is answered the stages are carried out: Bob now.
  QVERIFY(StagesCarriedOut(s.mgr));
  QCOMPARE(AppPaths.userFolder, std::string("Bob/"));
  QVERIFY(EndsWith(pDB->path(), "Bob/Quillet/quillet.dat"));
  QVERIFY(FindTopic(annTopic) != nullptr);
}

// Palm users added in Palm Desktop while the program runs: the default
// user page offers them, and a HotSync for one switches to them (whether
// or not the page was opened since). A HotSync for a user Palm Desktop
// does not list is told once and leaves the records shown as they are.
void TypedTextTest::palmUsersAddedWhileRunningAreOfferedAndSyncedTo() {
  Machine m;  // DemoUser, Palm user 1
  Recorders r;
  winmsg::MessageWindow listener;
  QCOMPARE(listener.ListenForClass(kMainWindowClass), winmsg::MessageWindow::ListenResult::kListening);
  CMainWindow w(RegisteredShellParts());
  w.AttachMessageWindow(&listener);
  Shell s = Parts(w);
  QCOMPARE(AppPaths.userFolder, std::string("DemoUser/"));

  QCOMPARE(Machine::Run("quillet-palm-desktop user add Carol"), 0);  // Palm user 2
  QStringList offered;
  QTimer::singleShot(0, [&] {
    auto* sheet = qobject_cast<CPropertiesSheet*>(QApplication::activeModalWidget());
    QVERIFY(sheet);
    for (int i = 0; i < sheet->userList()->count(); ++i) offered << sheet->userList()->itemText(i);
    sheet->reject();
  });
  OpenPreferences(&w, kPageDefaultUser);
  QCOMPARE(offered, QStringList({"Demo User", "Carol"}));
  QCOMPARE(AppPaths.userFolder, std::string("DemoUser/"));  // only offered

  QCOMPARE(Machine::Run("quillet-palm-desktop user add Dave"), 0);  // Palm user 3, never offered yet
  HotSync(3, {"0", "1", "2", "3", "4", "5", "6"});
  QVERIFY(StagesCarriedOut(s.mgr));
  QVERIFY(r.ui.messages.empty());
  QCOMPARE(CurrentUserName(), std::string("Dave"));
  QVERIFY(EndsWith(pDB->path(), "Dave/Quillet/quillet.dat"));
  HotSync(2, {"0", "1", "2", "3", "4", "5", "6"});
  QVERIFY(StagesCarriedOut(s.mgr));
  QCOMPARE(CurrentUserName(), std::string("Carol"));
  QVERIFY(EndsWith(pDB->path(), "Carol/Quillet/quillet.dat"));
  QVERIFY(r.ui.messages.empty());

  // Nobody Palm Desktop knows: told once, whatever the number of HotSyncs.
  HotSync(9, {"0", "1", "2", "3", "4", "5", "6"});
  QVERIFY(StagesCarriedOut(s.mgr));
  HotSync(9, {"2"});
  QVERIFY(StagesCarriedOut(s.mgr));
  QCOMPARE(r.ui.messages.size(), size_t{1});
  QVERIFY(r.ui.Showed(IDS_HOTSYNC_USER_UNKNOWN));
  QVERIFY(r.ui.messages[0].text.find("(number 9)") != std::string::npos);
  QCOMPARE(CurrentUserName(), std::string("Carol"));
  QVERIFY(EndsWith(pDB->path(), "Carol/Quillet/quillet.dat"));
}

// 3: an answer given for a store that was reopened meanwhile does nothing.
void TypedTextTest::deleteAllAnsweredForAStoreReopenedMeanwhileDoesNothing() {
  Machine m;
  Recorders r;
  ModalQuestionUI ui;
  ScopedUI scope(&ui);
  CMainWindow w(RegisteredShellParts());
  const uint32_t topic = AddTopic("Garden plans");
  QCOMPARE(pDB->Save(), DB_OK);
  ui.askedAbout = IDS_DELETE_ALL;
  ui.during = [] { NoteStoreReopened(); };
  w.SendCommand(CMD_DELETE_ALL);
  QVERIFY(FindTopic(topic) != nullptr);  // still live
  auto disk = OnDisk(m, "DemoUser");
  QCOMPARE(Read<CTopicRecord>(disk.get(), topic)->flags & kFlagDeleted, 0u);
}

// 4: Enter on Delete All's question answers No.
void TypedTextTest::deleteAllDefaultsToNo() {
  Machine m;
  Recorders r;
  const uint32_t topics = [&] {
    CMainWindow w(RegisteredShellParts());
    AddTopic("Garden plans");
    AddTopic("Office move");
    pDB->Save();
    r.ui.messageAnswers = {kIdNo};
    w.SendCommand(CMD_DELETE_ALL);
    return pDB->CountLive(kKindTopic);
  }();
  QCOMPARE(r.ui.messages.back().flags, unsigned(kMbYesNo | kMbIconExclamation | kMbDefButton2));

  // The real message box: Enter presses its default button.
  QtUserInterface qt;
  ScopedUI scope(&qt);
  CMainWindow w(RegisteredShellParts());
  w.show();
  QVERIFY(QTest::qWaitForWindowExposed(&w));
  bool pressed = false;
  QTimer::singleShot(50, [&] {
    if (QWidget* box = QApplication::activeModalWidget()) {
      QTest::keyClick(box, Qt::Key_Return);
      pressed = true;
    }
  });
  w.SendCommand(CMD_DELETE_ALL);
  QVERIFY(pressed);
  QCOMPARE(pDB->CountLive(kKindTopic), topics);
  auto disk = OnDisk(m, "DemoUser");
  QVERIFY(disk);
  QCOMPARE(disk->CountLive(kKindTopic), topics);

  // The question about typed text: Enter saves, Escape cancels.
  MessageRequest question;
  question.text = SaveChangesQuestion("Garden plans");
  question.flags = kMbSaveDiscardCancel | kMbIconExclamation;
  for (const auto& [key, answer] : {std::pair{Qt::Key_Return, kIdYes}, std::pair{Qt::Key_Escape, kIdCancel}}) {
    QString buttons;
    QTimer::singleShot(50, [&, key = key] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        for (QAbstractButton* b : box->buttons()) buttons += b->text().remove('&') + " ";
        box->grab().save(ShotFolder("windows-shots") + "/save-changes-question.png");
        QTest::keyClick(box, key);
      }
    });
    QCOMPARE(qt.ShowMessage(question), int(answer));
    QVERIFY2(buttons.contains("Save") && buttons.contains("Discard") && buttons.contains("Cancel"),
             qPrintable(buttons));
  }
}

// 5: after a user switch the tree and both category lists show all.
void TypedTextTest::aUserSwitchStartsAtAllCategories() {
  Machine m({"Ann", "Bob"});
  Recorders r;
  CMainWindow w(RegisteredShellParts());
  Shell s = Parts(w);
  QVERIFY(s.mgr->SwitchUserNow("Bob"));
  AddTopic("Bob's trip", PutCategory("Travel"));
  AddTopic("Bob's unfiled topic");
  QCOMPARE(pDB->Save(), DB_OK);
  QVERIFY(s.mgr->SwitchUserNow("Ann"));
  const uint32_t home = PutCategory("Home");
  AddTopic("Ann's garden", home);
  AddTopic("Ann's office", PutCategory("Work"));
  QCOMPARE(pDB->Save(), DB_OK);
  s.mgr->ResetCategoryFilters();
  s.tree->Refresh();

  auto* combo = static_cast<QComboBox*>(s.mgr->topicCombo()->widget());
  const int at = combo->findText("Home");
  combo->setCurrentIndex(at);
  emit combo->activated(at);
  QCOMPARE(s.tree->view()->topLevelItemCount(), 1);

  QVERIFY(s.mgr->SwitchUser("Bob"));
  QCOMPARE(s.tree->Filter().mode, 0);
  QCOMPARE(s.tree->view()->topLevelItemCount(), 2);
  QCOMPARE(combo->currentText(), QString("All Categories"));
  QCOMPARE(combo->findText("Home"), -1);
  QCOMPARE(s.mgr->imageList() ? s.mgr->imageList()->Filter().mode : 0, 0);
  if (CCombo* images = s.mgr->imageCombo())
    QCOMPARE(static_cast<QComboBox*>(images->widget())->currentIndex(), 0);
}

// 6 and 10: Find lists only what the tree shows, each id once, and opens
// exactly the record clicked.
void TypedTextTest::findListsWhatTheTreeShowsAndOpensTheRecordClicked() {
  Machine m;
  Recorders r;
  CMainWindow w(RegisteredShellParts());
  Shell s = Parts(w);
  auto* find = dynamic_cast<CFindWnd*>(s.mgr->window(RecordWindow::kFind));
  auto* list = dynamic_cast<CFindList*>(s.mgr->findList());
  QVERIFY(find && list);
  const uint32_t secret = AddTopic("Secret topic", 0, 1);
  AddNote(secret, "Plan the secret move");
  const uint32_t office = AddTopic("Office move");
  AddNote(office, "Plan the office move");
  const uint32_t loose = AddNote(0, "Plan without a topic");
  // The conduit wrote one note twice.
  {
    auto twin = std::make_unique<CNoteRecord>();
    twin->recordId = loose;
    twin->text = "Plan without a topic"_cp;
    QCOMPARE(pDB->Insert(std::move(twin)), DB_OK);
  }
  QCOMPARE(pDB->Save(), DB_OK);
  s.tree->Refresh();
  w.show();
  QVERIFY(QTest::qWaitForWindowExposed(&w));
  QVERIFY(s.tree->SelectRecord(office));

  w.SendCommand(CMD_FIND);
  QTest::keyClicks(find->searchField(), "plan, secret");
  QTest::mouseClick(find->findButton(), Qt::LeftButton);
  QStringList lines;
  for (int i = 0; i < list->view()->topLevelItemCount(); ++i) lines << list->view()->topLevelItem(i)->text(0);
  QCOMPARE(lines, (QStringList{"Plan the office move", "Plan without a topic"}));

  // The note of no topic opens in its window; no tree item is opened
  // instead and nothing is said.
  QTreeWidget* view = list->view();
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualItemRect(view->topLevelItem(1)).center());
  QCOMPARE(s.mgr->namedMode(), Mode::NOTE);
  QCOMPARE(s.note->editor().noteId(), loose);
  QCOMPARE(s.note->noteEdit()->toPlainText(), QString("Plan without a topic"));
  QVERIFY(!s.tree->SelectedItem());
  QVERIFY(!r.ui.Showed(IDS_NOT_IN_TOPICS));

  // With private records shown, the secret topic and its note are found
  // and open as clicked.
  bShowPrivate = 1;
  s.tree->Refresh();
  w.SendCommand(CMD_FIND);
  QTest::keyClicks(find->searchField(), "secret");
  QTest::mouseClick(find->findButton(), Qt::LeftButton);
  QCOMPARE(view->topLevelItemCount(), 2);
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualItemRect(view->topLevelItem(1)).center());
  QCOMPARE(s.mgr->namedMode(), Mode::EDITTOPIC);
  QCOMPARE(s.topic->titleEdit()->toPlainText(), QString("Secret topic"));
  QCOMPARE(s.tree->SelectedItem()->recordId, secret);
  QVERIFY(!r.ui.Showed(IDS_NOT_IN_TOPICS));
}

// 7: an unchanged note, reference field and topic title at their limits
// with line breaks are saved again without a word and without a loss.
void TypedTextTest::textsAtTheirLimitSurviveAnUnchangedSave() {
  Machine m;
  Recorders r;
  CMainWindow w(RegisteredShellParts());
  Shell s = Parts(w);
  std::string note30000, title256;
  for (int i = 0; i < 100; ++i) note30000 += std::string(299, 'n') + "\n";
  for (int i = 0; i < 4; ++i) title256 += std::string(63, 't') + "\n";
  QCOMPARE(note30000.size(), size_t{30000});
  QCOMPARE(title256.size(), size_t{256});
  const uint32_t topic = AddTopic(title256);
  const uint32_t note = AddNote(topic, note30000);
  const uint32_t book = AddBook(topic, "Book");
  RecordAs<CCustomRecord>(FindRecord(book))->fields[6] = CpText(note30000);
  QCOMPARE(pDB->Save(), DB_OK);
  s.tree->Refresh();

  QVERIFY(s.tree->SelectRecord(note));
  w.SendCommand(CMD_NOTE);
  QVERIFY(!s.note->HasUnsavedEdits());
  QVERIFY(s.note->Ok());
  QVERIFY(s.tree->SelectRecord(book));
  w.SendCommand(CMD_CUSTOM);
  QVERIFY(s.custom->Ok());
  QVERIFY(s.tree->SelectRecord(topic));
  w.SendCommand(CMD_EDIT_TOPIC);
  QVERIFY(s.topic->Ok());
  QVERIFY(!r.ui.Showed(IDS_TEXT_TOO_LONG));

  auto disk = OnDisk(m, "DemoUser");
  QCOMPARE(Read<CNoteRecord>(disk.get(), note)->text, CpText(note30000));
  QCOMPARE(Read<CCustomRecord>(disk.get(), book)->fields.size(), size_t{7});
  QCOMPARE(Read<CCustomRecord>(disk.get(), book)->fields[6], CpText(note30000));
  QCOMPARE(Read<CTopicRecord>(disk.get(), topic)->title, CpText(title256));
}

// 8: the password is checked for the current user as Palm Desktop lists
// it now, as code-page bytes on both sides.
void TypedTextTest::privateRecordsAskForTheCurrentUsersPasswordInCodePageBytes() {
  Machine m({"Ann", "Bob"});
  Recorders r;
  CMainWindow w(RegisteredShellParts());
  Shell s = Parts(w);
  QVERIFY(s.mgr->SwitchUserNow("Bob"));
  // Ann, listed before Bob, leaves Palm Desktop; Bob sets "pé" at the
  // terminal (UTF-8).
  QCOMPARE(Machine::Run("quillet-palm-desktop user remove Ann"), 0);
  QCOMPARE(Machine::Run("quillet-palm-desktop user password Bob 'p\xC3\xA9'"), 0);
  QCOMPARE(Machine::Run("quillet-palm-desktop user password Bob 'p\xC4\x80'"), 2);  // refused, not stored

  r.ui.passwords = {};  // cancel
  w.SendCommand(CMD_PRIVATE);
  QCOMPARE(bShowPrivate, uint8_t{0});
  QCOMPARE(std::count(r.ui.dialogs.begin(), r.ui.dialogs.end(), kPasswordDialog), 1L);
  r.ui.passwords = {"p\xE9"};  // what the dialog hands over for "pé"
  w.SendCommand(CMD_PRIVATE);
  QCOMPARE(bShowPrivate, uint8_t{1});
  QVERIFY(!r.ui.Showed(IDS_BAD_PASSWORD));

  // The dialog itself never replaces a character it cannot pass on.
  bool checked = false;
  CPasswordDialog dialog(&w, "Bob", [&](const std::string&) { return checked = true; });
  dialog.passwordEdit()->setText(QString::fromUtf8("p\xC4\x80"));
  dialog.show();
  auto* ok = dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
  QTest::mouseClick(ok, Qt::LeftButton);
  QVERIFY(!checked);
  QVERIFY(dialog.isVisible());  // still asking
  QVERIFY(r.ui.messages.back().text.find("U+0100") != std::string::npos);
}

// 9: Palm Desktop without its data folder: no store, no "Please Hotsync",
// a window that says what is missing and how to set it up.
void TypedTextTest::anEmptyPalmDataFolderStopsWithAClearMessage() {
  Machine m;
  Recorders r;
  Machine::SetStr(kPalmCoreKey, "Path", "");
  CMainWindow w(RegisteredShellParts());
  QVERIFY(!w.manager()->ready());
  QVERIFY(pDB == nullptr);
  QVERIFY(r.ui.dialogs.empty());
  auto* label = w.findChild<QLabel*>("StartFailure");
  QVERIFY(label);
  QVERIFY(label->text().contains("data folder is not set"));
  QVERIFY(label->text().contains("\"Path\""));
  QVERIFY(label->text().contains("quillet-palm-desktop init"));
  QCOMPARE(Machine::Str(kPrefix + "DemoUser/", "OutputPath"), std::string());
  w.resize(760, 580);
  QApplication::processEvents();
  w.grab().save(ShotFolder("windows-shots") + "/no-palm-data-folder.png");
}

// 10: a pipe where the user's store should be (start-up must not hang on
// it): the window says that this user's records could not be opened and
// why, not that Palm Desktop has no user; the pipe is left as it is.
void TypedTextTest::aStoreThatIsNoFileStopsStartUpWithItsReason() {
  Machine m;
  Recorders r;
  QVERIFY(std::filesystem::create_directories(m.Output("DemoUser")) ||
          std::filesystem::is_directory(m.Output("DemoUser")));
  const std::string store = m.Output("DemoUser") + kStoreFileName;
  QCOMPARE(::mkfifo(store.c_str(), 0600), 0);
  CMainWindow w(RegisteredShellParts());
  QVERIFY(!w.manager()->ready());
  QVERIFY(pDB == nullptr);
  QVERIFY(r.ui.Showed(IDS_DB_OPEN_FAILED));
  auto* label = w.findChild<QLabel*>("StartFailure");
  QVERIFY(label);
  QVERIFY2(label->text().contains("The records of Demo User could not be opened."), qPrintable(label->text()));
  QVERIFY(label->text().contains("quillet.dat is not an ordinary file"));
  QVERIFY(!label->text().contains("No Palm Desktop user"));
  QVERIFY(std::filesystem::is_fifo(store));
}

// 11: settings that cannot be read at all (as on a full disk, where the
// settings store cannot even open): the window says so and where, not that
// Palm Desktop has no user.
void TypedTextTest::unreadableSettingsStopStartUpWithTheirReason() {
  Machine m;
  Recorders r;
  // The settings file's folder is a plain file: nothing can be read there.
  m.WriteFile(m.root() + "blocked", "");
  const std::string unreadable = m.root() + "blocked/registry.db";
  ::setenv("QUILLET_REGISTRY", unreadable.c_str(), 1);
  {
    CMainWindow w(RegisteredShellParts());
    QVERIFY(!w.manager()->ready());
    QVERIFY(pDB == nullptr);
    QCOMPARE(w.manager()->users().failure(), StartFailure::kSettingsUnreadable);
    auto* label = w.findChild<QLabel*>("StartFailure");
    QVERIFY(label);
    QVERIFY2(label->text().contains("could not read its settings"), qPrintable(label->text()));
    QVERIFY(label->text().contains(QString::fromStdString(unreadable)));
    QVERIFY(!label->text().contains("No Palm Desktop user"));
  }
  ::setenv("QUILLET_REGISTRY", (m.root() + "registry.db").c_str(), 1);
}

QTEST_MAIN(TypedTextTest)
#include "typed_text_qtest.moc"
