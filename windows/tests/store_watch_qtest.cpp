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
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>

#include "app/core/Strings.h"
#include "app/gui/MainWindow.h"
#include "app/gui/StoreWatcher.h"
#include "app/gui/WndMgr.h"
#include "app/gui/tests/ShellTestSupport.h"
#include "app/gui/tests/Shots.h"
#include "app/shell/Commands.h"
#include "app/shell/EditPending.h"
#include "store/RecordKinds.h"
#include "store/StoreFile.h"
#include "store/db/CurrentDatabase.h"
#include "store/db/PalmUserList.h"
#include "store/users/UserSwitch.h"
#include "windows/core/TreeEdits.h"
#include "windows/gui/Parts.h"
#include "windows/gui/TopicTree.h"
#include "windows/gui/TopicWnd.h"

using namespace quillet;
using quillet::test::ShotFolder;
using quillet::test::Machine;
using quillet::test::Recorders;

namespace {

// Another program (a child process) loads the store, adds a topic with
// this title, and saves. Returns the topic's id as it wrote it.
uint32_t AnotherProgramAddsTopic(const std::string& path, const std::string& title) {
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
      t->recordId = settings->lastRecordId + 100;  // a conduit's ids: well apart
      l->recordId = settings->lastRecordId + 101;
      settings->lastRecordId += 101;
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

}  // namespace

class StoreWatchTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    RegisterWindowsParts();
    SetPasswordPrompt(nullptr);
  }

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
