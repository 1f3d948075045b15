// References in and out inside the real main window: File > Import
// References... into the selected topic, a .ris file dropped on a topic of
// the tree, File > Export References.... Screenshots go to the shots folder.
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QTest>
#include <QTreeWidget>
#include <QUrl>

#include <fstream>
#include <sstream>

#include "app/MainWindow.h"
#include "app/MenuBar.h"
#include "app/WndMgr.h"
#include "desktop/db/CurrentDatabase.h"
#include "desktop/shell/Commands.h"
#include "store/RecordStore.h"
#include "testing/ShellTestSupport.h"
#include "testing/Shots.h"
#include "widgets/records/Parts.h"
#include "widgets/records/TopicTree.h"

using namespace quillet;
using quillet::test::ShotFolder;
using quillet::test::AddTopic;
using quillet::test::Machine;
using quillet::test::Recorders;

namespace {

std::string Sample(const char* name) {
  return std::string(QUILLET_SOURCE_DIR) + "/store/refexchange/tests/data/" + name;
}

// The members of a topic as the file on disk holds them.
std::vector<uint32_t> MembersOnDisk(const std::string& path, uint32_t topicId) {
  CRecordStore store(path, "");
  if (store.Load() != DB_OK) return {};
  for (uint32_t i = 0; i < store.highWater(); ++i) {
    const CTopicRecord* t = RecordAs<CTopicRecord>(store.RecordAt(i));
    if (!t || t->recordId != topicId) continue;
    CRecord* links = nullptr;
    if (store.FindById(t->linksId, &links) != DB_OK) return {};
    return RecordAs<CTopicLinksRecord>(links)->memberIds;
  }
  return {};
}

// Drags the files from the desktop onto the tree at `pos`; whether the
// tree took the drop.
bool DropFiles(QTreeWidget* view, const QStringList& paths, const QPoint& pos) {
  QMimeData mime;
  QList<QUrl> urls;
  for (const QString& p : paths) urls.append(QUrl::fromLocalFile(p));
  mime.setUrls(urls);
  QDragEnterEvent enter(pos, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(view->viewport(), &enter);
  if (!enter.isAccepted()) return false;
  QDragMoveEvent move(pos, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(view->viewport(), &move);
  if (!move.isAccepted()) return false;
  QDropEvent drop(QPointF(pos), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(view->viewport(), &drop);
  return drop.isAccepted();
}

}  // namespace

class ReferencesShellTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { RegisterWindowsParts(); }

  void importExportAndDropInTheMainWindow() {
    Machine m;
    Recorders r;
    CMainWindow w(RegisteredShellParts());
    CWndMgr* mgr = w.manager();
    QVERIFY(mgr && mgr->ready());
    auto* tree = dynamic_cast<CTopicTree*>(mgr->topicTree());
    QVERIFY(tree);
    const uint32_t garden = AddTopic("Garden reading");
    const uint32_t plots = AddTopic("Allotment plots");
    QCOMPARE(pDB->Save(), DB_OK);
    const std::string storePath = pDB->path();
    tree->Refresh();
    w.resize(1000, 640);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));

    // File > Import References... with the topic selected.
    QVERIFY(tree->SelectRecord(garden));
    r.ui.filePaths = {Sample("library.bib")};
    QAction* import = mgr->menus()->Action(CMD_IMPORT_REFERENCES);
    QVERIFY(import && import->isEnabled());
    QCOMPARE(import->text(), QString("&Import References..."));
    import->trigger();
    QCOMPARE(mgr->namedMode(), Mode::VIEWTOPIC);
    QTreeWidgetItem* gardenItem = tree->FindItem(garden);
    QVERIFY(gardenItem);
    QCOMPARE(gardenItem->childCount(), 10);
    QVERIFY(gardenItem->isExpanded());
    QCOMPARE(gardenItem->child(0)->text(0), QString("Die Kunst des Gemüsebaus"));
    QVERIFY(CTopicTree::IconOfItem(gardenItem->child(0)) == TreeIcon::kReference);
    QCOMPARE(tree->SelectedItem()->recordId, garden);
    QVERIFY(!r.ui.messages.empty());
    const std::string told = r.ui.messages.back().text;
    QVERIFY2(told.rfind("10 references from \"library.bib\" were added to \"Garden reading\".", 0) == 0,
             told.c_str());
    QVERIFY(told.find("smith2001: skipped: a brace is not closed (in title)") != std::string::npos);
    QCOMPARE(MembersOnDisk(storePath, garden).size(), size_t{10});
    QApplication::processEvents();
    w.grab().save(ShotFolder("windows-shots") + "/main-window-imported-references.png");

    // A .ris file dropped from the desktop onto the other topic.
    QTreeWidget* view = tree->view();
    const QRect plotsRect = view->visualItemRect(tree->FindItem(plots));
    const size_t before = r.ui.messages.size();
    QVERIFY(!DropFiles(view, {QString::fromStdString(m.root() + "notes.txt")}, plotsRect.center()));
    QVERIFY(DropFiles(view, {QString::fromStdString(Sample("library.ris"))}, plotsRect.center()));
    QTRY_VERIFY(r.ui.messages.size() > before);
    QVERIFY2(r.ui.messages.back().text.rfind("10 references from \"library.ris\" were added to \"Allotment plots\".", 0) == 0,
             r.ui.messages.back().text.c_str());
    QCOMPARE(tree->FindItem(plots)->childCount(), 10);
    QCOMPARE(tree->FindItem(garden)->childCount(), 10);
    QCOMPARE(MembersOnDisk(storePath, plots).size(), size_t{10});
    QCOMPARE(tree->SelectedItem()->recordId, plots);

    // File > Export References...: this topic's, as RIS by the name.
    const std::string out = m.root() + "plots.ris";
    r.ui.messageAnswers = {kIdYes};
    r.ui.filePaths = {out};
    mgr->menus()->Action(CMD_EXPORT_REFERENCES)->trigger();
    std::ifstream in(out, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    QVERIFY2(text.str().rfind("TY  - JOUR\r\nTI  - Nitrogen uptake in mixed cover crops\r\n", 0) == 0,
             text.str().substr(0, 200).c_str());
    size_t entries = 0;
    for (size_t at = text.str().find("ER  - "); at != std::string::npos; at = text.str().find("ER  - ", at + 1))
      ++entries;
    QCOMPARE(entries, size_t{10});
  }
};

QTEST_MAIN(ReferencesShellTest)
#include "references_shell_qtest.moc"
