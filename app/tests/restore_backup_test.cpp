// Backups in the running main window: the copy taken when the user's store
// opens, before Delete All and before a HotSync, and File > Restore From
// Backup... with its dialog, reloading the store like a HotSync does.
#include <QCoreApplication>
#include <QHeaderView>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>

#include <filesystem>

#include "app/MainWindow.h"
#include "app/RestoreBackupDlg.h"
#include "app/WndMgr.h"
#include "base/RegistryKey.h"
#include "base/Strings.h"
#include "desktop/db/CurrentDatabase.h"
#include "desktop/shell/Commands.h"
#include "desktop/shell/EditPending.h"
#include "store/RecordKinds.h"
#include "store/backup/AutoBackup.h"
#include "store/tests/StoreTestUtil.h"
#include "testing/MarkingTranslator.h"
#include "testing/ShellTestSupport.h"

using namespace quillet;
using namespace quillet::test;
namespace fs = std::filesystem;
using quillet::testing::ReadAll;

namespace {

std::vector<std::string> Names(const std::string& folder) {
  std::vector<std::string> names;
  if (!fs::exists(folder)) return names;
  for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// Automatic copies on for a scope, into the machine's data folder.
struct AutomaticBackups {
  AutomaticBackups() { SetAutomaticBackupsRoot(DefaultBackupsRoot()); }
  ~AutomaticBackups() { SetAutomaticBackupsRoot(""); }
};

struct ScopedRunner {
  explicit ScopedRunner(RestoreDialogRunner r) { SetRestoreDialogRunner(std::move(r)); }
  ~ScopedRunner() { SetRestoreDialogRunner({}); }
};

using quillet::test::MarkingTranslator;

struct ScopedTranslator {
  ScopedTranslator() { QCoreApplication::installTranslator(&translator); }
  ~ScopedTranslator() { QCoreApplication::removeTranslator(&translator); }
  MarkingTranslator translator;
};

}  // namespace

class RestoreBackupTest : public QObject {
  Q_OBJECT

 private slots:
  void copiesAreTakenAtOpenDeleteAllAndHotSync();
  void restoreReplacesTheStoreAndReloadsTheWindows();
  void restoreWaitsForUnsavedEdits();
  void dialogTextsComeFromTheCatalogue();
};

void RestoreBackupTest::copiesAreTakenAtOpenDeleteAllAndHotSync() {
  Machine m;
  Recorders r;
  AutomaticBackups on;
  const std::string out = m.Output("DemoUser");
  fs::create_directories(out);
  QCOMPARE(Machine::Run("quillet-cli demo-store '" + out + "quillet.dat'"), 0);
  const std::string folder = m.root() + "data/quillet/backups/DemoUser";

  FakeParts parts;
  CMainWindow w{parts.parts};
  QVERIFY(w.manager()->ready());
  // Opening the user's store: the first copy.
  QCOMPARE(Names(folder).size(), size_t{1});
  const auto full = ReadAll(out + "quillet.dat");
  QVERIFY(ReadAll(folder + "/" + Names(folder)[0]) == full);

  // Delete All with nothing changed since: the copy is there already.
  r.ui.messageAnswers = {kIdYes};
  w.SendCommand(CMD_DELETE_ALL);
  QCOMPARE(pDB->CountLive(kKindTopic), 0u);
  QCOMPARE(Names(folder).size(), size_t{1});
  QVERIFY(m.LogText().find("Backup (before Delete All) unchanged since: " + folder + "/") != std::string::npos);

  // The first stage of a HotSync copies what the conduit is about to get.
  QCOMPARE(w.manager()->OnNotifierMessage(5, 0), 0u);
  QCOMPARE(Names(folder).size(), size_t{2});
  QVERIFY(m.LogText().find("Backup (before HotSync) written: " + folder + "/") != std::string::npos);
  bool found = false;
  for (const std::string& n : Names(folder)) found = found || ReadAll(folder + "/" + n) == ReadAll(out + "quillet.dat");
  QVERIFY(found);
  w.close();
}

void RestoreBackupTest::restoreReplacesTheStoreAndReloadsTheWindows() {
  Machine m;
  Recorders r;
  AutomaticBackups on;
  const std::string out = m.Output("DemoUser");
  const std::string store = out + "quillet.dat";
  fs::create_directories(out);
  QCOMPARE(Machine::Run("quillet-cli demo-store '" + store + "'"), 0);
  const std::string folder = m.root() + "data/quillet/backups/DemoUser";

  FakeParts parts;
  CMainWindow w{parts.parts};
  const uint32_t topics = pDB->CountLive(kKindTopic);
  QVERIFY(topics >= 4);
  const std::string daily = folder + "/" + Names(folder).at(0);
  r.ui.messageAnswers = {kIdYes};
  w.SendCommand(CMD_DELETE_ALL);
  QCOMPARE(pDB->CountLive(kKindTopic), 0u);
  // A copy that does not load is listed too, as damaged.
  m.WriteFile(folder + "/quillet-20200101-000000.dat", "not a store");

  int runs = 0;
  ScopedRunner runner([&](CRestoreBackupDlg& dialog) {
    ++runs;
    const auto& view = dialog.form().view();
    // Newest first: the daily copy, then the damaged one.
    if (view.rows.size() != 2 || dialog.list()->topLevelItemCount() != 2) return int(QDialog::Rejected);
    QTreeWidgetItem* damaged = dialog.list()->topLevelItem(1);
    if (damaged->text(7) != "Damaged" || !damaged->text(2).isEmpty()) return int(QDialog::Rejected);
    if (dialog.list()->topLevelItem(0)->text(2) != QString::number(topics)) return int(QDialog::Rejected);

    dialog.SelectRow(1);
    if (dialog.restoreButton()->isEnabled()) return int(QDialog::Rejected);
    if (dialog.statusLabel()->text() != "This backup is damaged and cannot be restored.") return int(QDialog::Rejected);
    dialog.list()->setCurrentItem(dialog.list()->topLevelItem(0));  // as a click does
    if (!dialog.restoreButton()->isEnabled() || view.selected != 0) return int(QDialog::Rejected);

    dialog.show();
    if (const char* dir = std::getenv("QUILLET_GRAB_DIR"))
      dialog.grab().save(QString::fromUtf8(dir) + "/restore-backup.png", "PNG");
    r.ui.messageAnswers = {kIdYes, kIdOk};
    QTest::mouseClick(dialog.restoreButton(), Qt::LeftButton);
    return dialog.result();
  });
  const size_t messages_before = r.ui.messages.size();
  w.SendCommand(CMD_RESTORE_BACKUP);
  QCOMPARE(runs, 1);

  // The store is the daily copy byte for byte, and the program shows it.
  QVERIFY(ReadAll(store) == ReadAll(daily));
  QVERIFY(pDB != nullptr);
  QCOMPARE(pDB->CountLive(kKindTopic), topics);
  QCOMPARE(w.manager()->mode(), 0u);
  std::string missing;
  QVERIFY2(InOrder(m.LogLines(),
                   {"Backup restored, the replaced file kept as " + folder + "/", "Switch Users...",
                    "Switch Users: Refresh Topic Window", "Switch Users: Refresh Find Window"},
                   &missing),
           missing.c_str());
  // Asked first, told afterwards.
  QCOMPARE(r.ui.messages.size(), messages_before + 2);
  QCOMPARE(r.ui.messages[messages_before].flags, unsigned(kMbYesNo | kMbIconQuestion));
  QCOMPARE(r.ui.messages[messages_before + 1].flags, unsigned(kMbOk | kMbIconInformation));
  // The file it replaced (every record flagged deleted) is kept.
  const std::vector<std::string> names = Names(folder);
  QCOMPARE(names.size(), size_t{3});
  bool kept = false;
  for (const std::string& n : names) {
    CRecordStore copy(folder + "/" + n, "");
    if (copy.Load() == DB_OK && copy.CountLive(kKindTopic) == 0 && copy.liveCount() > 0) kept = true;
  }
  QVERIFY(kept);
  w.close();
}

void RestoreBackupTest::restoreWaitsForUnsavedEdits() {
  Machine m;
  Recorders r;
  AutomaticBackups on;
  FakeParts parts;
  CMainWindow w{parts.parts};
  int runs = 0;
  ScopedRunner runner([&](CRestoreBackupDlg&) {
    ++runs;
    return int(QDialog::Rejected);
  });
  bEditPending = 1;
  w.SendCommand(CMD_RESTORE_BACKUP);
  bEditPending = 0;
  QCOMPARE(runs, 0);
  QCOMPARE(r.ui.messages.back().stringId, int(IDS_EDIT_PENDING));
  // Cancelled: nothing reloaded.
  w.SendCommand(CMD_RESTORE_BACKUP);
  QCOMPARE(runs, 1);
  QVERIFY(m.LogText().find("Backup restored") == std::string::npos);
  w.close();
}

void RestoreBackupTest::dialogTextsComeFromTheCatalogue() {
  QTemporaryDir dir;
  QVERIFY(dir.isValid());
  const std::string root = dir.path().toStdString();
  ScopedTranslator marking;
  CRestoreBackupForm form(BackupsOfStore(root + "/DemoUser/quillet.dat", root + "/backups"), "DemoUser");
  form.Load();
  CRestoreBackupDlg dialog(&form, nullptr);

  const QStringList expected = {"Taken",    "Size",     "Topics",     "Notes",
                                "Pictures", "Sketches", "References", "State"};
  QTreeWidgetItem* header = dialog.list()->headerItem();
  QCOMPARE(header->columnCount(), int(expected.size()));
  for (int c = 0; c < header->columnCount(); ++c)
    QCOMPARE(header->text(c), "[RestoreBackupDlg] " + expected[c]);
  QCOMPARE(dialog.restoreButton()->text(), QString("[quillet::CRestoreBackupDlg] &Restore"));
}

QTEST_MAIN(RestoreBackupTest)
#include "restore_backup_test.moc"
