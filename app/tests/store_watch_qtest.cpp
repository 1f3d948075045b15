// The real main window while other programs write the store file: their
// records appear in the tree by themselves, edits in progress are never
// refreshed away, a file that cannot be read leaves the open store as it
// was and is told once, and a HotSync user switch that finds the file held
// answers the notifier at once and is tried again at the next stage.
#include <QApplication>
#include <QDir>
#include <QTest>
#include <QTreeWidget>

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>

#include "app/MainWindow.h"
#include "app/StoreWatcher.h"
#include "app/WebWnd.h"
#include "app/WndMgr.h"
#include "base/Strings.h"
#include "desktop/db/CurrentDatabase.h"
#include "desktop/db/PalmUserList.h"
#include "desktop/records/NoteEditor.h"
#include "desktop/records/TreeEdits.h"
#include "desktop/shell/Commands.h"
#include "desktop/shell/EditPending.h"
#include "desktop/users/UserSwitch.h"
#include "reports/ReportPaths.h"
#include "store/PrivateRecords.h"
#include "store/RecordKinds.h"
#include "store/StoreFile.h"
#include "testing/ShellTestSupport.h"
#include "testing/Shots.h"
#include "widgets/records/NoteWnd.h"
#include "widgets/records/Parts.h"
#include "widgets/records/TopicTree.h"
#include "widgets/records/TopicWnd.h"

using namespace quillet;
using quillet::test::ShotFolder;
using quillet::test::Machine;
using quillet::test::Recorders;
using quillet::test::AddMember;
using quillet::test::AddNote;
using quillet::test::AddTopic;

namespace {

// Another program (a child process) loads the store, adds a topic with
// this title, and saves. Returns the topic's id as it wrote it: the file's
// counter plus `idsFrom` (a conduit's ids are well apart; 1 is the id this
// program would issue next from the same file).
uint32_t AnotherProgramAddsTopic(const std::string& path, const std::string& title, uint32_t idsFrom = 100) {
  int out[2];
  if (::pipe(out) != 0) return 0;
  pid_t child = ::fork();
  if (child == 0) {
    CRecordStore s(path, "");
    uint32_t id = 0;
    if (s.Load() == DB_OK) {
      CRecord* r = nullptr;
      s.FirstOfKind(kKindSettings, &r, true);
      auto* settings = RecordAs<CSettingsRecord>(r);
      auto t = std::make_unique<CTopicRecord>();
      auto l = std::make_unique<CTopicLinksRecord>();
      t->recordId = settings->lastRecordId + idsFrom;
      l->recordId = settings->lastRecordId + idsFrom + 1;
      settings->lastRecordId += idsFrom + 1;
      t->linksId = l->recordId;
      l->topicId = t->recordId;
      t->title = CpText(title);
      id = t->recordId;
      s.Insert(std::move(t));
      s.Insert(std::move(l));
      if (s.Save() != DB_OK) id = 0;
    }
    (void)!::write(out[1], &id, sizeof id);
    ::_exit(0);
  }
  uint32_t id = 0;
  if (::read(out[0], &id, sizeof id) != sizeof id) id = 0;
  ::waitpid(child, nullptr, 0);
  ::close(out[0]);
  ::close(out[1]);
  return id;
}

// Another program (a child process) loads the store, flags these records
// deleted, and saves.
bool AnotherProgramDeletes(const std::string& path, const std::vector<uint32_t>& ids) {
  pid_t child = ::fork();
  if (child == 0) {
    CRecordStore s(path, "");
    bool done = s.Load() == DB_OK;
    for (uint32_t id : ids) {
      CRecord* r = nullptr;
      if (done && s.FindById(id, &r) == DB_OK) r->flags |= kFlagDeleted;
      else done = false;
    }
    ::_exit(done && s.Save() == DB_OK ? 0 : 1);
  }
  int status = 0;
  return ::waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

uint32_t AddTopicHere(const std::string& title) {
  auto t = std::make_unique<CTopicRecord>();
  auto l = std::make_unique<CTopicLinksRecord>();
  t->recordId = NextRecordId();
  l->recordId = NextRecordId();
  t->linksId = l->recordId;
  l->topicId = t->recordId;
  t->title = CpText(title);
  const uint32_t id = t->recordId;
  pDB->AddNew(std::move(t));
  pDB->AddNew(std::move(l));
  return id;
}

int Count(const std::vector<int>& ids, int id) { return static_cast<int>(std::count(ids.begin(), ids.end(), id)); }

// Files this process writes cannot grow past `bytes` while it lives, as on
// a full disk.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &saved_);
    handler_ = ::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved_;
    small.rlim_cur = bytes;
    set_ = ::setrlimit(RLIMIT_FSIZE, &small) == 0;
  }
  ~FileSizeLimit() { Lift(); }
  void Lift() {
    if (!set_) return;
    ::setrlimit(RLIMIT_FSIZE, &saved_);
    ::signal(SIGXFSZ, handler_);
    set_ = false;
  }
  bool set() const { return set_; }

 private:
  struct rlimit saved_ {};
  void (*handler_)(int) = nullptr;
  bool set_ = false;
};

// The live topics of the file with this title.
std::vector<uint32_t> TopicsTitled(const std::string& path, const std::string& title) {
  CRecordStore s(path, "");
  std::vector<uint32_t> ids;
  if (s.Load() != DB_OK) return ids;
  CRecord* r = nullptr;
  for (DbResult rc = s.FirstOfKind(kKindTopic, &r, true); rc == DB_OK; rc = s.NextOfKind(kKindTopic, &r, true))
    if (static_cast<CTopicRecord*>(r)->title == CpText(title)) ids.push_back(r->recordId);
  return ids;
}


// The notes of the file with this text.
std::vector<uint32_t> NotesWith(const std::string& path, const std::string& text) {
  CRecordStore s(path, "");
  std::vector<uint32_t> ids;
  if (s.Load() != DB_OK) return ids;
  CRecord* r = nullptr;
  for (DbResult rc = s.FirstOfKind(kKindNote, &r, true); rc == DB_OK; rc = s.NextOfKind(kKindNote, &r, true))
    if (static_cast<CNoteRecord*>(r)->text == CpText(text)) ids.push_back(r->recordId);
  return ids;
}

// The members of a topic as the file lists them.
std::vector<uint32_t> MembersOnDisk(const std::string& path, uint32_t topic) {
  CRecordStore s(path, "");
  if (s.Load() != DB_OK) return {};
  CRecord* r = nullptr;
  if (s.FindById(topic, &r) != DB_OK) return {};
  const uint32_t links = static_cast<CTopicRecord*>(r)->linksId;
  if (s.FindById(links, &r) != DB_OK) return {};
  return static_cast<CTopicLinksRecord*>(r)->memberIds;
}
}  // namespace

class StoreWatchTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    RegisterWindowsParts();
    SetPasswordPrompt(nullptr);
  }
  // A test that stops half-way leaves no unsaved edits to refuse the next
  // one's commands.
  void cleanup() { bEditPending = 0; }

  void anotherProgramsTopicAppearsInTheTree() {
    Machine m;
    Recorders r;
    CMainWindow w(RegisteredShellParts());
    CWndMgr* mgr = w.manager();
    QVERIFY(mgr && mgr->ready() && mgr->storeWatcher());
    auto* tree = dynamic_cast<CTopicTree*>(mgr->topicTree());
    QVERIFY(tree);
    const uint32_t garden = AddTopicHere("Garden plans");
    QCOMPARE(pDB->Save(), DB_OK);
    tree->Refresh();
    w.resize(900, 600);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QVERIFY(tree->SelectRecord(garden));
    w.SendCommand(CMD_VIEW_TOPIC);
    QCOMPARE(mgr->namedMode(), Mode::VIEWTOPIC);
    CRecordStore* store = pDB;

    const uint32_t synced = AnotherProgramAddsTopic(store->path(), "Written by the conduit");
    QVERIFY(synced != 0);
    // The watcher's next look (made here rather than waited for) brings it
    // in; no event has run since the other program saved.
    QCOMPARE(mgr->storeWatcher()->Check(), CStoreWatcher::Outcome::kReloaded);
    QTRY_VERIFY_WITH_TIMEOUT(tree->FindItem(synced) != nullptr, 3000);
    // The same store, merged; the shown topic stays selected and shown.
    QCOMPARE(pDB, store);
    QCOMPARE(FindTopic(synced)->title, "Written by the conduit"_cp);
    QCOMPARE(tree->SelectedItem()->recordId, garden);
    QCOMPARE(mgr->namedMode(), Mode::VIEWTOPIC);
    QVERIFY(r.ui.messages.empty());
    QApplication::processEvents();
    w.grab().save(ShotFolder("windows-shots") + "/main-window-synced-topic.png");
    w.close();
  }

  // The user's place (the open topics, the selected record and the page it
  // shows) survives what reads the tree or the store again: adding a
  // topic, another program's changes, showing and hiding private records.
  // A record that is gone leaves its topic shown; a topic gone, the start
  // page.
  void thePlaceIsKeptAcrossRefillsReloadsAndPrivateRecords() {
    Machine m;
    Recorders r;
    CMainWindow w(RegisteredShellParts());
    CWndMgr* mgr = w.manager();
    auto* tree = dynamic_cast<CTopicTree*>(mgr->topicTree());
    auto* topicWnd = dynamic_cast<CTopicWnd*>(mgr->window(RecordWindow::kTopic));
    auto* noteWnd = dynamic_cast<CNoteWnd*>(mgr->window(RecordWindow::kNote));
    QVERIFY(tree && topicWnd && noteWnd);
    const uint32_t garden = AddTopic("Garden plans");
    const uint32_t tomatoes = AddNote(garden, "Plant the tomatoes");
    const uint32_t office = AddTopic("Office move");
    const uint32_t boxes = AddNote(office, "Pack the boxes");
    const uint32_t closed = AddTopic("Books to read");
    AddNote(closed, "A long one");
    auto secret = std::make_unique<CNoteRecord>();
    secret->text = "The safe's number"_cp;
    secret->isPrivate = 1;
    const uint32_t hidden = AddMember(garden, std::move(secret));
    QCOMPARE(pDB->Save(), DB_OK);
    QCOMPARE(bShowPrivate, uint8_t{0});
    tree->Refresh();
    w.resize(900, 600);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    auto open = [&](uint32_t id) { return tree->FindItem(id) != nullptr && tree->FindItem(id)->isExpanded(); };
    auto selected = [&] { return tree->SelectedItem() ? tree->SelectedItem()->recordId : 0u; };

    tree->FindItem(garden)->setExpanded(true);
    tree->FindItem(office)->setExpanded(true);
    QVERIFY(tree->SelectRecord(boxes));
    w.SendCommand(CMD_NOTE);
    QCOMPARE(mgr->namedMode(), Mode::NOTE);

    // A topic added through the topic window: the open topics stay open,
    // the closed one closed; the new topic is the one selected.
    w.SendCommand(CMD_NEW_TOPIC);
    QTest::keyClicks(topicWnd->titleEdit(), "Holiday");
    QTest::mouseClick(topicWnd->okButton(), Qt::LeftButton);
    QCOMPARE(bEditPending, uint8_t{0});
    const uint32_t holiday = selected();
    QVERIFY(FindTopic(holiday) && FindTopic(holiday)->title == "Holiday"_cp);
    QVERIFY(open(garden) && open(office));
    QVERIFY(!open(closed));

    // Another program's change read in: the note stays selected and shown,
    // the topics stay open.
    QVERIFY(tree->SelectRecord(boxes));
    w.SendCommand(CMD_NOTE);
    QVERIFY(AnotherProgramAddsTopic(pDB->path(), "Written by the conduit") != 0);
    QCOMPARE(mgr->storeWatcher()->Check(), CStoreWatcher::Outcome::kReloaded);
    QCOMPARE(selected(), boxes);
    QCOMPARE(mgr->namedMode(), Mode::NOTE);
    QCOMPARE(noteWnd->noteEdit()->toPlainText(), QString("Pack the boxes"));
    QVERIFY(open(garden) && open(office));
    QVERIFY(!open(closed));

    // Private records shown: the same place, and the private note is there.
    w.SendCommand(CMD_PRIVATE);
    QCOMPARE(bShowPrivate, uint8_t{1});
    QVERIFY(tree->FindItem(hidden) != nullptr);
    QCOMPARE(selected(), boxes);
    QCOMPARE(mgr->namedMode(), Mode::NOTE);
    QCOMPARE(noteWnd->noteEdit()->toPlainText(), QString("Pack the boxes"));
    QVERIFY(open(garden) && open(office));

    // Hidden again while the private note is shown: its topic is shown.
    QVERIFY(tree->SelectRecord(hidden));
    w.SendCommand(CMD_NOTE);
    QCOMPARE(noteWnd->noteEdit()->toPlainText(), QString("The safe's number"));
    w.SendCommand(CMD_PRIVATE);
    QCOMPARE(bShowPrivate, uint8_t{0});
    QVERIFY(tree->FindItem(hidden) == nullptr);
    QCOMPARE(selected(), garden);
    QCOMPARE(mgr->namedMode(), Mode::VIEWTOPIC);
    QCOMPARE(mgr->web()->currentPath(), m.Output("DemoUser") + OutputFileName(FindTopic(garden)->fileName));
    QVERIFY(open(garden) && open(office));

    // Another program deletes the shown note: its topic is shown. Then the
    // shown topic with its notes: the start page, the other topic still open.
    QVERIFY(tree->SelectRecord(tomatoes));
    w.SendCommand(CMD_NOTE);
    QVERIFY(AnotherProgramDeletes(pDB->path(), {tomatoes}));
    QCOMPARE(mgr->storeWatcher()->Check(), CStoreWatcher::Outcome::kReloaded);
    QVERIFY(tree->FindItem(tomatoes) == nullptr);
    QCOMPARE(selected(), garden);
    QCOMPARE(mgr->namedMode(), Mode::VIEWTOPIC);
    QVERIFY(open(garden) && open(office));
    // (Showing its report named the topic's report file here: saved first,
    // so that the other program's change is the only one.)
    QCOMPARE(pDB->Save(), DB_OK);
    QVERIFY(AnotherProgramDeletes(pDB->path(), {garden, FindTopic(garden)->linksId}));
    QCOMPARE(mgr->storeWatcher()->Check(), CStoreWatcher::Outcome::kReloaded);
    QVERIFY(tree->FindItem(garden) == nullptr);
    QCOMPARE(mgr->namedMode(), Mode::START);
    QVERIFY(open(office));
    QVERIFY(!open(closed));
    QVERIFY(r.ui.messages.empty());
    w.close();
  }

  void editsInProgressWaitAndTheirSaveMerges() {
    Machine m;
    Recorders r;
    CMainWindow w(RegisteredShellParts());
    CWndMgr* mgr = w.manager();
    auto* tree = dynamic_cast<CTopicTree*>(mgr->topicTree());
    auto* topicWnd = dynamic_cast<CTopicWnd*>(mgr->window(RecordWindow::kTopic));
    QVERIFY(tree && topicWnd);
    w.resize(900, 600);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));

    w.SendCommand(CMD_NEW_TOPIC);
    QTest::keyClicks(topicWnd->titleEdit(), "Typed while syncing");
    QCOMPARE(bEditPending, uint8_t{1});
    const uint32_t synced = AnotherProgramAddsTopic(pDB->path(), "From the handheld");
    QVERIFY(synced != 0);
    // The watcher's look, made directly, and whatever it queued: nothing is
    // refreshed under the typing.
    QCOMPARE(mgr->storeWatcher()->Check(), CStoreWatcher::Outcome::kWaiting);
    QApplication::processEvents();
    QVERIFY(tree->FindItem(synced) == nullptr);
    QCOMPARE(mgr->namedMode(), Mode::NEWTOPIC);
    QCOMPARE(topicWnd->titleEdit()->toPlainText(), QString("Typed while syncing"));
    QCOMPARE(mgr->storeWatcher()->Check(), CStoreWatcher::Outcome::kWaiting);

    // OK saves the new topic, merging the other program's in.
    QTest::mouseClick(topicWnd->okButton(), Qt::LeftButton);
    QCOMPARE(bEditPending, uint8_t{0});
    QTRY_VERIFY_WITH_TIMEOUT(tree->FindItem(synced) != nullptr, 3000);
    const std::optional<TreeItemRef> made = tree->SelectedItem();
    QVERIFY(made);
    QCOMPARE(FindTopic(made->recordId)->title, "Typed while syncing"_cp);
    CRecordStore check(pDB->path(), "");
    QCOMPARE(check.Load(), DB_OK);
    CRecord* found = nullptr;
    QCOMPARE(check.FindById(synced, &found), DB_OK);
    QCOMPARE(check.FindById(made->recordId, &found), DB_OK);
    QCOMPARE(static_cast<CTopicRecord*>(found)->title, "Typed while syncing"_cp);
    QVERIFY(r.ui.messages.empty());
    w.close();
  }

  // The new topic's id is taken by another program while it is typed; the
  // merging save gives it a fresh id. The window, the tree and its
  // selection follow that id: the first save fails (the disk is full), and
  // the second updates the window's own topic, not the other program's,
  // then shows it.
  void renumberedNewTopicIsFollowedThroughAFailedSave() {
    Machine m;
    Recorders r;
    CMainWindow w(RegisteredShellParts());
    CWndMgr* mgr = w.manager();
    auto* tree = dynamic_cast<CTopicTree*>(mgr->topicTree());
    auto* topicWnd = dynamic_cast<CTopicWnd*>(mgr->window(RecordWindow::kTopic));
    QVERIFY(tree && topicWnd);
    w.resize(900, 600);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    const std::string path = pDB->path();

    w.SendCommand(CMD_NEW_TOPIC);
    QTest::keyClicks(topicWnd->titleEdit(), "MINE topic");
    const uint32_t mine = topicWnd->editor().topicId();
    QVERIFY(mine != 0);
    // The other program issues the same id from the same counter.
    QCOMPARE(AnotherProgramAddsTopic(path, "THEIRS topic", 1), mine);

    struct stat st {};
    QCOMPARE(::stat(path.c_str(), &st), 0);
    {
      FileSizeLimit full(static_cast<rlim_t>(st.st_size));
      QVERIFY(full.set());
      QTest::mouseClick(topicWnd->okButton(), Qt::LeftButton);
    }
    QCOMPARE(Count(r.ui.MessageIds(), IDS_SAVE_FAILED_BECAUSE), 1);
    QCOMPARE(bEditPending, uint8_t{1});
    QCOMPARE(TopicsTitled(path, "MINE topic").size(), size_t{0});
    // The merge happened in memory: the other program's topic has the id,
    // the window's topic and its tree item moved to a fresh one.
    QCOMPARE(FindTopic(mine)->title, "THEIRS topic"_cp);
    const uint32_t fresh = topicWnd->editor().topicId();
    QVERIFY(fresh != mine);
    QVERIFY(FindTopic(fresh) != nullptr);
    QCOMPARE(FindTopic(fresh)->title, "MINE topic"_cp);
    QVERIFY(tree->FindItem(fresh) != nullptr);
    QVERIFY(tree->FindItem(mine) == nullptr);  // the other program's topic is not shown yet
    QCOMPARE(tree->CurrentTopicId(), fresh);
    QCOMPARE(topicWnd->titleEdit()->toPlainText(), QString("MINE topic"));

    // The disk has room again: Add once more.
    QTest::mouseClick(topicWnd->okButton(), Qt::LeftButton);
    QCOMPARE(Count(r.ui.MessageIds(), IDS_SAVE_FAILED_BECAUSE), 1);
    QCOMPARE(bEditPending, uint8_t{0});
    const std::vector<uint32_t> mineOnDisk = TopicsTitled(path, "MINE topic");
    const std::vector<uint32_t> theirsOnDisk = TopicsTitled(path, "THEIRS topic");
    QCOMPARE(mineOnDisk, std::vector<uint32_t>{fresh});
    QCOMPARE(theirsOnDisk, std::vector<uint32_t>{mine});

    // Selected and shown: the new topic, also once the other program's
    // topic has come into the tree.
    QTRY_VERIFY_WITH_TIMEOUT(tree->FindItem(mine) != nullptr, 3000);
    QTRY_COMPARE_WITH_TIMEOUT(mgr->namedMode(), Mode::VIEWTOPIC, 3000);
    const std::optional<TreeItemRef> selected = tree->SelectedItem();
    QVERIFY(selected);
    QCOMPARE(selected->recordId, fresh);
    QCOMPARE(mgr->web()->currentPath(), m.Output("DemoUser") + OutputFileName(FindTopic(fresh)->fileName));
    w.close();
  }

  // A merging save that succeeds at once: the window's new topic is the
  // one selected and shown, not the other program's topic that has its
  // old id.
  void mergingSaveSelectsTheRenumberedTopic() {
    Machine m;
    Recorders r;
    CMainWindow w(RegisteredShellParts());
    CWndMgr* mgr = w.manager();
    auto* tree = dynamic_cast<CTopicTree*>(mgr->topicTree());
    auto* topicWnd = dynamic_cast<CTopicWnd*>(mgr->window(RecordWindow::kTopic));
    QVERIFY(tree && topicWnd);
    w.resize(900, 600);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));

    w.SendCommand(CMD_NEW_TOPIC);
    QTest::keyClicks(topicWnd->titleEdit(), "MINE topic");
    const uint32_t mine = topicWnd->editor().topicId();
    QCOMPARE(AnotherProgramAddsTopic(pDB->path(), "THEIRS topic", 1), mine);
    QTest::mouseClick(topicWnd->okButton(), Qt::LeftButton);
    QCOMPARE(bEditPending, uint8_t{0});
    QVERIFY(r.ui.messages.empty());
    QCOMPARE(TopicsTitled(pDB->path(), "THEIRS topic"), std::vector<uint32_t>{mine});
    const std::vector<uint32_t> mineOnDisk = TopicsTitled(pDB->path(), "MINE topic");
    QCOMPARE(mineOnDisk.size(), size_t{1});
    QVERIFY(mineOnDisk[0] != mine);
    QVERIFY(tree->FindItem(mine) != nullptr);  // the save's own refresh shows both
    QCOMPARE(mgr->namedMode(), Mode::VIEWTOPIC);
    QCOMPARE(tree->SelectedItem()->recordId, mineOnDisk[0]);
    QCOMPARE(mgr->web()->currentPath(),
             m.Output("DemoUser") + OutputFileName(FindTopic(mineOnDisk[0])->fileName));
    // The watcher's refresh after the merge keeps it so.
    mgr->storeWatcher()->Check();
    QCOMPARE(tree->SelectedItem()->recordId, mineOnDisk[0]);
    QCOMPARE(mgr->web()->currentPath(),
             m.Output("DemoUser") + OutputFileName(FindTopic(mineOnDisk[0])->fileName));
    w.close();
  }

  // The same for a new note, whose id another program gave to a topic: the
  // note window follows its note (a second OK finds it again), the tree's
  // item and the topic's members follow too.
  void renumberedNewNoteIsFollowedThroughAFailedSave() {
    Machine m;
    Recorders r;
    CMainWindow w(RegisteredShellParts());
    CWndMgr* mgr = w.manager();
    auto* tree = dynamic_cast<CTopicTree*>(mgr->topicTree());
    auto* noteWnd = dynamic_cast<CNoteWnd*>(mgr->window(RecordWindow::kNote));
    QVERIFY(tree && noteWnd);
    const uint32_t garden = AddTopicHere("Garden plans");
    QCOMPARE(pDB->Save(), DB_OK);
    tree->Refresh();
    w.resize(900, 600);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QVERIFY(tree->SelectRecord(garden));
    const std::string path = pDB->path();

    w.SendCommand(CMD_NEW_NOTE);
    QCOMPARE(mgr->namedMode(), Mode::NEWNOTE);
    QTest::keyClicks(noteWnd->noteEdit(), "MINE note");
    const uint32_t mine = noteWnd->editor().noteId();
    QVERIFY(mine != 0);
    QCOMPARE(AnotherProgramAddsTopic(path, "THEIRS topic", 1), mine);

    struct stat st {};
    QCOMPARE(::stat(path.c_str(), &st), 0);
    {
      FileSizeLimit full(static_cast<rlim_t>(st.st_size));
      QVERIFY(full.set());
      QTest::mouseClick(noteWnd->okButton(), Qt::LeftButton);
    }
    // Told (the member's own save in the tree fails first, then OK's).
    const int told = Count(r.ui.MessageIds(), IDS_SAVE_FAILED_BECAUSE);
    QVERIFY(told >= 1);
    const uint32_t fresh = noteWnd->editor().noteId();
    QVERIFY(fresh != mine);
    QVERIFY(FindLiveNote(fresh) != nullptr);
    QVERIFY(tree->FindItem(fresh) != nullptr);
    QVERIFY(tree->FindItem(mine) == nullptr);

    QTest::mouseClick(noteWnd->okButton(), Qt::LeftButton);
    QCOMPARE(Count(r.ui.MessageIds(), IDS_SAVE_FAILED_BECAUSE), told);
    QCOMPARE(bEditPending, uint8_t{0});
    QCOMPARE(NotesWith(path, "MINE note"), std::vector<uint32_t>{fresh});
    QCOMPARE(TopicsTitled(path, "THEIRS topic"), std::vector<uint32_t>{mine});
    QCOMPARE(MembersOnDisk(path, garden), std::vector<uint32_t>{fresh});
    QTRY_VERIFY_WITH_TIMEOUT(tree->FindItem(mine) != nullptr, 3000);
    QCOMPARE(tree->SelectedItem()->recordId, fresh);
    w.close();
  }

  void unreadableFileKeepsTheOpenStoreAndIsToldOnce() {
    Machine m;
    Recorders r;
    SetStoreSettleDelayForTest(1);
    CMainWindow w(RegisteredShellParts());
    CWndMgr* mgr = w.manager();
    auto* tree = dynamic_cast<CTopicTree*>(mgr->topicTree());
    const uint32_t garden = AddTopicHere("Garden plans");
    QCOMPARE(pDB->Save(), DB_OK);
    tree->Refresh();
    CRecordStore* store = pDB;
    const std::string path = pDB->path();
    {
      std::ofstream junk(path, std::ios::binary | std::ios::trunc);
      junk << "this is no store";
    }
    QTRY_COMPARE_WITH_TIMEOUT(Count(r.ui.MessageIds(), IDS_DB_OPEN_FAILED), 1, 3000);
    QVERIFY(r.ui.messages.back().text.find("quillet.dat is damaged") != std::string::npos);
    // Further looks at the unchanged file, made directly: told only once.
    QCOMPARE(mgr->storeWatcher()->Check(), CStoreWatcher::Outcome::kFailed);
    QCOMPARE(mgr->storeWatcher()->Check(), CStoreWatcher::Outcome::kFailed);
    QApplication::processEvents();
    QCOMPARE(Count(r.ui.MessageIds(), IDS_DB_OPEN_FAILED), 1);
    // The open store is untouched and still shown.
    QCOMPARE(pDB, store);
    QVERIFY(FindTopic(garden) != nullptr);
    QVERIFY(tree->FindItem(garden) != nullptr);

    // Once another program puts a good file back, it is loaded.
    const uint32_t synced = [&] {
      CRecordStore good(path, "");
      auto settings = std::make_unique<CSettingsRecord>();
      settings->lastRecordId = 500;
      good.AddNew(std::move(settings));
      auto t = std::make_unique<CTopicRecord>();
      t->recordId = 400;
      t->title = "Restored elsewhere"_cp;
      good.Insert(std::move(t));
      return good.SaveTo(path) == DB_OK ? 400u : 0u;
    }();
    QVERIFY(synced != 0);
    QTRY_VERIFY_WITH_TIMEOUT(tree->FindItem(synced) != nullptr, 3000);
    // Our own topic, unchanged here since the last save, was not in the
    // other program's file: the other program's file wins.
    QVERIFY(FindTopic(garden) == nullptr);
    QCOMPARE(Count(r.ui.MessageIds(), IDS_DB_OPEN_FAILED), 1);
    SetStoreSettleDelayForTest(100);
    w.close();
  }

  // A pipe put in place of the open store: the watcher's look neither hangs
  // on it nor calls it damaged; the person is told once why it cannot be
  // read, and the open store stays.
  void aPipeInPlaceOfTheStoreIsToldOnceAndNeverWaitedOn() {
    Machine m;
    Recorders r;
    CMainWindow w(RegisteredShellParts());
    CWndMgr* mgr = w.manager();
    QVERIFY(mgr && mgr->ready() && mgr->storeWatcher());
    const uint32_t garden = AddTopicHere("Garden plans");
    QCOMPARE(pDB->Save(), DB_OK);
    CRecordStore* store = pDB;
    const std::string path = pDB->path();
    QCOMPARE(::unlink(path.c_str()), 0);
    QCOMPARE(::mkfifo(path.c_str(), 0600), 0);
    QCOMPARE(mgr->storeWatcher()->Check(), CStoreWatcher::Outcome::kFailed);
    QCOMPARE(mgr->storeWatcher()->Check(), CStoreWatcher::Outcome::kFailed);
    QApplication::processEvents();
    QCOMPARE(Count(r.ui.MessageIds(), IDS_DB_OPEN_FAILED), 1);
    QVERIFY(r.ui.messages.back().text.find("quillet.dat is not an ordinary file") != std::string::npos);
    QCOMPARE(pDB, store);
    QVERIFY(FindTopic(garden) != nullptr);
    struct stat st;
    QCOMPARE(::lstat(path.c_str(), &st), 0);
    QVERIFY(S_ISFIFO(st.st_mode));
    ::unlink(path.c_str());
    w.close();
  }

  void hotSyncSwitchThatFindsTheFileHeldIsAnsweredAndRetried() {
    Machine m;
    Recorders r;
    const auto previous_wait = SetStoreLockWait(std::chrono::milliseconds(300));
    CMainWindow w(RegisteredShellParts());
    CWndMgr* mgr = w.manager();
    QVERIFY(mgr->ready());
    CRecordStore* store = pDB;
    const std::string path = pDB->path();
    CPalmUserList users;
    users.Build();
    const uint32_t user = users.UserIdAt(0);

    int ready[2], release[2];
    QCOMPARE(::pipe(ready), 0);
    QCOMPARE(::pipe(release), 0);
    pid_t child = ::fork();
    if (child == 0) {
      CStoreLock lock;
      char c = lock.Acquire(path, O_RDONLY) == DB_OK ? 'y' : 'n';
      (void)!::write(ready[1], &c, 1);
      (void)!::read(release[0], &c, 1);
      ::_exit(0);
    }
    // However this test ends, the child lets go and is reaped; a child left
    // waiting would hold the test's output open for ever.
    struct ReleaseChild {
      pid_t pid;
      int fds[4];
      void Release() {
        if (pid <= 0) return;
        const char go = 'g';
        (void)!::write(fds[3], &go, 1);
        ::waitpid(pid, nullptr, 0);
        pid = 0;
        for (int fd : fds) ::close(fd);
      }
      ~ReleaseChild() { Release(); }
    } release_child{child, {ready[0], ready[1], release[0], release[1]}};
    char c = 0;
    QCOMPARE(::read(ready[0], &c, 1), ssize_t{1});
    QCOMPARE(c, 'y');

    // Stage 2: the switch waits for the file as long as it may, fails, and
    // answers without a box in the way; the box comes afterwards, once.
    // (The child holds the file until released below, so an answer that
    // waited for the file would never come.)
    mgr->OnNotifierMessage(2, user);
    QVERIFY(r.ui.messages.empty());
    QTRY_COMPARE_WITH_TIMEOUT(mgr->storeWatcher()->pendingSwitch(), users.NameOf(user), 3000);
    QTRY_COMPARE_WITH_TIMEOUT(Count(r.ui.MessageIds(), IDS_DB_OPEN_FAILED), 1, 2000);
    QVERIFY(r.ui.messages.back().text.find("in use by another program") != std::string::npos);
    QCOMPARE(pDB, store);  // the store stays open and usable
    const uint32_t added = AddTopicHere("Added while the switch failed");
    QVERIFY(FindTopic(added) != nullptr);

    // A later stage while still held: tried again, not told again.
    mgr->OnNotifierMessage(3, user);
    QApplication::processEvents();  // anything the retry queued
    QCOMPARE(Count(r.ui.MessageIds(), IDS_DB_OPEN_FAILED), 1);
    QCOMPARE(mgr->storeWatcher()->pendingSwitch(), users.NameOf(user));

    // Released: the next stage's retry succeeds.
    release_child.Release();
    mgr->OnNotifierMessage(4, user);
    QTRY_VERIFY_WITH_TIMEOUT(mgr->storeWatcher()->pendingSwitch().empty(), 3000);
    QCOMPARE(Count(r.ui.MessageIds(), IDS_DB_OPEN_FAILED), 1);
    QVERIFY(FindTopic(added) != nullptr);  // the reload kept what was not saved yet
    SetStoreLockWait(previous_wait);
    w.close();
  }

 private:
  static void SetStoreSettleDelayForTest(int ms) { SetStoreSettleDelay(std::chrono::milliseconds(ms)); }
};

QTEST_MAIN(StoreWatchTest)
#include "store_watch_qtest.moc"
