// The picture modes in the real main window: New > Picture with the image
// window, the new picture in the tree and in My Pictures, the list's clicks
// and menu, the category list above it, Find opening a picture, deleting
// from the list, a damaged picture left in the store, and a private topic's
// pictures kept out of My Pictures while hidden. A picture of the
// main window in each image mode goes to the shots folder.
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QTest>
#include <QTreeWidget>

#include <filesystem>

#include "app/MainWindow.h"
#include "app/StoreWatcher.h"
#include "app/WebWnd.h"
#include "app/WndMgr.h"
#include "base/Strings.h"
#include "desktop/db/CurrentDatabase.h"
#include "desktop/pictures/SketchEditor.h"
#include "desktop/records/TreeEdits.h"
#include "desktop/shell/Commands.h"
#include "desktop/shell/EditPending.h"
#include "desktop/users/UserSwitch.h"
#include "imaging/JpegFile.h"
#include "imaging/tests/PictureSupport.h"
#include "imaging/tests/SketchBytes.h"
#include "store/PrivateRecords.h"
#include "testing/ShellTestSupport.h"
#include "testing/Shots.h"
#include "widgets/find/FindList.h"
#include "widgets/find/FindParts.h"
#include "widgets/find/FindWnd.h"
#include "widgets/pictures/ImageList.h"
#include "widgets/pictures/ImageWnd.h"
#include "widgets/pictures/Parts.h"
#include "widgets/pictures/SketchWnd.h"
#include "widgets/records/CategoryCombo.h"
#include "widgets/records/Parts.h"
#include "widgets/records/TopicTree.h"

using namespace quillet;
using quillet::test::ShotFolder;
using quillet::test::AddTopic;
using quillet::test::PutCategory;
using quillet::test::Machine;
using quillet::test::Recorders;

namespace {

uint32_t AddPicture(uint32_t topic, const std::string& title, std::vector<uint8_t> data, uint32_t format,
                    uint32_t width, uint32_t height) {
  auto i = std::make_unique<CImageRecord>();
  i->recordId = NextRecordId();
  i->title = CpText(title);
  i->data = std::move(data);
  i->format = format;
  i->width = width;
  i->height = height;
  const uint32_t id = i->recordId;
  pDB->AddNew(std::move(i));
  FindLinksOfTopic(FindTopic(topic))->memberIds.push_back(id);
  return id;
}

QTreeWidgetItem* Row(CImageList* list, const QString& text) {
  QTreeWidget* view = list->view();
  for (int i = 0; i < view->topLevelItemCount(); ++i)
    if (view->topLevelItem(i)->text(0) == text) return view->topLevelItem(i);
  return nullptr;
}

QStringList Rows(CImageList* list) {
  QStringList out;
  for (int i = 0; i < list->view()->topLevelItemCount(); ++i) out << list->view()->topLevelItem(i)->text(0);
  return out;
}

void Click(CImageList* list, const QString& text) {
  QTreeWidgetItem* item = Row(list, text);
  QVERIFY2(item, qPrintable(text));
  QTest::mouseClick(list->view()->viewport(), Qt::LeftButton, {}, list->view()->visualItemRect(item).center());
}

void DoubleClick(CImageList* list, const QString& text) {
  QTreeWidgetItem* item = Row(list, text);
  QVERIFY2(item, qPrintable(text));
  const QPoint at = list->view()->visualItemRect(item).center();
  QTest::mouseClick(list->view()->viewport(), Qt::LeftButton, {}, at);
  QTest::mouseDClick(list->view()->viewport(), Qt::LeftButton, {}, at);
}

}  // namespace

class ImageShellTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    RegisterWindowsParts();
    RegisterImagingParts();
    RegisterFindParts();
    SetDeleteConfirm(nullptr);  // the recording form answers instead
    SetPasswordPrompt(nullptr);
  }

  void aNewPictureReachesTheTreeTheListAndFind() {
    Machine m;
    Recorders r;
    qputenv("XDG_CACHE_HOME", QByteArray::fromStdString(m.root() + "cache"));
    CMainWindow w(RegisteredShellParts());
    CWndMgr* mgr = w.manager();
    QVERIFY(mgr && mgr->ready());
    auto* tree = dynamic_cast<CTopicTree*>(mgr->topicTree());
    auto* imageWnd = dynamic_cast<CImageWnd*>(mgr->window(RecordWindow::kImage));
    auto* sketchWnd = dynamic_cast<CSketchWnd*>(mgr->window(RecordWindow::kSketch));
    auto* list = dynamic_cast<CImageList*>(mgr->imageList());
    auto* imageCombo = dynamic_cast<CCategoryCombo*>(mgr->imageCombo());
    QVERIFY(tree && imageWnd && sketchWnd && list && imageCombo);

    const uint32_t nature = PutCategory("Nature");
    const uint32_t lake = AddTopic("Lake walk", nature);
    const uint32_t kitchen = AddTopic("Kitchen", 0);
    const uint32_t sketch = AddPicture(kitchen, "Kitchen plan", testing::OneBitSketch(40, 30, [](int x, int y) {
      return x == y;
    }), kImageFormatSketch, 40, 30);
    QCOMPARE(pDB->Save(), DB_OK);
    for (int i = 1; i <= Combos().Count(); ++i) Combos().At(i)->Fill();
    tree->Refresh();
    w.resize(1000, 700);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));

    // New > Picture on the lake topic: open a photo, 320 x 480, Fit, OK.
    QVERIFY(tree->SelectRecord(lake));
    w.SendCommand(CMD_NEW_IMAGE);
    QCOMPARE(mgr->namedMode(), Mode::NEWIMAGE);
    QVERIFY(imageWnd->host()->isVisible());
    const std::string photo = m.root() + "Lake at dusk.jpg";
    // Taken with the camera upright: stored on its side, tagged to turn.
    const RgbPicture upright = testing::Photo(1200, 1600);
    QVERIFY(testing::WriteBytes(
        photo, testing::WithExifOrientation(testing::EncodeJpeg(testing::StoredFor(upright, 6), 90), 6)));
    r.ui.filePaths.push_back(photo);
    QTest::mouseClick(imageWnd->button("Open"), Qt::LeftButton);
    imageWnd->sizeList()->setCurrentIndex(2);
    emit imageWnd->sizeList()->activated(2);
    QTest::mouseClick(imageWnd->button("Fit"), Qt::LeftButton);
    w.SendCommand(CMD_START);  // refused while the picture is not stored
    QCOMPARE(mgr->namedMode(), Mode::NEWIMAGE);
    QApplication::processEvents();
    QVERIFY(w.grab().save(ShotFolder("imaging-shots") + "/main-window-newimage.png"));
    QTest::mouseClick(imageWnd->okButton(), Qt::LeftButton);
    QCOMPARE(mgr->namedMode(), Mode::VIEWTOPIC);

    QCOMPARE(pDB->CountLive(kKindImage), 2u);
    const std::vector<uint32_t> members = FindLinksOfTopic(FindTopic(lake))->memberIds;
    QCOMPARE(members.size(), size_t{1});
    const uint32_t picture = members[0];
    const CImageRecord* stored = RecordAs<CImageRecord>(FindRecord(picture));
    QCOMPARE(stored->title, "Lake at dusk"_cp);
    QTreeWidgetItem* item = tree->FindItem(picture);
    QVERIFY(item && item->parent() == tree->FindItem(lake));
    int width = 0, height = 0;
    QVERIFY(JpegFile::read_rgb_memory(stored->data.data(), stored->data.size(), &width, &height));
    QCOMPARE(QSize(width, height), QSize(320, 480));
    const std::string file = m.Output("DemoUser") + stored->fileName;
    QVERIFY(std::filesystem::exists(file));
    QVERIFY(JpegFile::read_rgb(file.c_str(), &width, &height));
    QCOMPARE(QSize(width, height), QSize(320, 480));

    // A click on the picture in the tree opens it in the image window.
    tree->ExpandAll();
    const QRect itemRect = tree->view()->visualItemRect(item);
    QTest::mouseClick(tree->view()->viewport(), Qt::LeftButton, {}, QPoint(itemRect.left() + 12, itemRect.center().y()));
    QCOMPARE(mgr->namedMode(), Mode::VIEWIMAGE);
    QCOMPARE(imageWnd->titleEdit()->text(), QString("Lake at dusk"));
    QTest::mouseClick(imageWnd->cancelButton(), Qt::LeftButton);

    // My Pictures: both, sorted; the tree makes way for the list.
    w.SendCommand(CMD_IMAGE_CENTER);
    QCOMPARE(mgr->namedMode(), Mode::IMAGE);
    QVERIFY(list->view()->isVisible());
    QVERIFY(!tree->widget()->isVisible());
    QVERIFY(imageCombo->widget()->isVisible());
    QCOMPARE(list->view()->headerItem()->text(0), QString("My Pictures"));
    QCOMPARE(Rows(list), (QStringList{"Kitchen plan", "Lake at dusk"}));

    // A click previews the picture's file in the browser pane.
    Click(list, "Lake at dusk");
    QCOMPARE(mgr->namedMode(), Mode::PREVIEWIMAGE);
    QCOMPARE(mgr->web()->currentPath(), file);
    QApplication::processEvents();
    QVERIFY(w.grab().save(ShotFolder("imaging-shots") + "/main-window-previewimage.png"));

    // A double click opens it in the image window; a sketch in its own.
    DoubleClick(list, "Lake at dusk");
    QCOMPARE(mgr->namedMode(), Mode::VIEWIMAGE);
    QCOMPARE(imageWnd->titleEdit()->text(), QString("Lake at dusk"));
    QCOMPARE(imageWnd->okButton()->text(), QString("Update"));
    QCOMPARE(imageWnd->frame()->size(), QSize(320, 480));
    QVERIFY(imageWnd->frame()->isVisible());
    QCOMPARE(imageWnd->bytesValue()->text(), QString::number(stored->dataSize()));
    QTest::mouseClick(imageWnd->cancelButton(), Qt::LeftButton);
    w.SendCommand(CMD_IMAGE_CENTER);
    DoubleClick(list, "Kitchen plan");
    QCOMPARE(mgr->namedMode(), Mode::SKETCH);
    QCOMPARE(sketchWnd->titleEdit()->text(), QString("Kitchen plan"));

    // The list's menu: View previews, Edit opens.
    w.SendCommand(CMD_IMAGE_CENTER);
    QVERIFY(list->SelectRecord(picture));
    w.SendCommand(CMD_IMAGE_VIEW);
    QCOMPARE(mgr->namedMode(), Mode::PREVIEWIMAGE);
    w.SendCommand(CMD_IMAGE_EDIT);
    QCOMPARE(mgr->namedMode(), Mode::VIEWIMAGE);
    QCOMPARE(imageWnd->titleEdit()->text(), QString("Lake at dusk"));

    // The category list above My Pictures filters it.
    w.SendCommand(CMD_IMAGE_CENTER);
    auto* box = static_cast<QComboBox*>(imageCombo->widget());
    const int at = box->findText("Nature");
    QVERIFY(at > 0);
    box->setCurrentIndex(at);
    emit box->activated(at);
    QCOMPARE(mgr->namedMode(), Mode::IMAGE);
    QCOMPARE(Rows(list), (QStringList{"Lake at dusk"}));
    const int unfiled = box->findText("Unfiled");
    box->setCurrentIndex(unfiled);
    emit box->activated(unfiled);
    QCOMPARE(Rows(list), (QStringList{"Kitchen plan"}));
    box->setCurrentIndex(0);
    emit box->activated(0);

    // Commands that reach the list itself: Delete All does nothing here, the
    // Image Center goes to the main window unless it is already shown.
    QVERIFY(list->OnCommand(CMD_DELETE_ALL));
    QCOMPARE(pDB->CountLive(kKindImage), 2u);
    w.SendCommand(CMD_START);
    QVERIFY(list->OnCommand(CMD_IMAGE_CENTER));
    QCOMPARE(mgr->namedMode(), Mode::IMAGE);
    QVERIFY(!list->OnCommand(CMD_PRINT));

    // Emptied when the store is reopened, the list fills again when shown.
    list->Clear();
    w.SendCommand(CMD_START);
    w.SendCommand(CMD_IMAGE_CENTER);
    QCOMPARE(Rows(list), (QStringList{"Kitchen plan", "Lake at dusk"}));

    // Find: a picture found opens in the image window.
    w.SendCommand(CMD_FIND);
    auto* findWnd = dynamic_cast<CFindWnd*>(mgr->window(RecordWindow::kFind));
    auto* findList = dynamic_cast<CFindList*>(mgr->findList());
    QVERIFY(findWnd && findList);
    QTest::keyClicks(findWnd->searchField(), "dusk");
    QTest::mouseClick(findWnd->findButton(), Qt::LeftButton);
    QCOMPARE(findList->view()->topLevelItemCount(), 1);
    QTreeWidgetItem* found = findList->view()->topLevelItem(0);
    QTest::mouseClick(findList->view()->viewport(), Qt::LeftButton, {},
                      findList->view()->visualItemRect(found).center());
    QCOMPARE(mgr->namedMode(), Mode::VIEWIMAGE);
    QVERIFY(imageWnd->host()->isVisible());
    QCOMPARE(imageWnd->titleEdit()->text(), QString("Lake at dusk"));
    QApplication::processEvents();
    QVERIFY(w.grab().save(ShotFolder("imaging-shots") + "/main-window-viewimage.png"));

    // The Delete key in My Pictures deletes through the tree, which asks.
    w.SendCommand(CMD_IMAGE_CENTER);
    QVERIFY(list->SelectRecord(picture));
    r.ui.messageAnswers = {kIdOk};
    list->view()->setFocus();
    QTest::keyClick(list->view(), Qt::Key_Delete);
    QVERIFY(r.ui.Showed(IDS_DELETE_ITEMS));
    QCOMPARE(FindRecord(picture)->flags & kFlagDeleted, kFlagDeleted);
    QVERIFY(!std::filesystem::exists(file));
    QCOMPARE(Rows(list), (QStringList{"Kitchen plan"}));
    QCOMPARE(mgr->namedMode(), Mode::IMAGE);
    Q_UNUSED(sketch);
    w.close();
  }

  // A picture added here whose id another program took before it was
  // saved: the merging save renumbers it, and its row in My Pictures and
  // the row's selection follow, also through the refresh that the merge
  // brings.
  void aRenumberedPictureIsFollowedByTheList() {
    Machine m;
    Recorders r;
    qputenv("XDG_CACHE_HOME", QByteArray::fromStdString(m.root() + "cache"));
    CMainWindow w(RegisteredShellParts());
    CWndMgr* mgr = w.manager();
    QVERIFY(mgr && mgr->ready());
    auto* tree = dynamic_cast<CTopicTree*>(mgr->topicTree());
    auto* list = dynamic_cast<CImageList*>(mgr->imageList());
    QVERIFY(tree && list);
    const uint32_t lake = AddTopic("Lake walk", 0);
    QCOMPARE(pDB->Save(), DB_OK);
    w.resize(1000, 700);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.SendCommand(CMD_IMAGE_CENTER);
    const uint64_t saves = pDB->saveCount();
    const uint32_t dusk =
        AddPicture(lake, "Lake at dusk", testing::EncodeJpeg(testing::Photo(80, 60), 90), kImageFormatJpeg, 80, 60);
    // (A fill of the tree would save the picture's file name: not here.)
    list->Refill();
    QVERIFY(list->SelectRecord(dusk));
    QCOMPARE(list->SelectedRecordId(), dusk);
    QCOMPARE(pDB->saveCount(), saves);  // the picture is not saved yet

    // Another program saves a topic of its own under the same id.
    {
      CRecordStore other(pDB->path(), "");
      QCOMPARE(other.Load(), DB_OK);
      CRecord* s = nullptr;
      QCOMPARE(other.FirstOfKind(kKindSettings, &s, true), DB_OK);
      auto* settings = static_cast<CSettingsRecord*>(s);
      auto t = std::make_unique<CTopicRecord>();
      t->recordId = ++settings->lastRecordId;
      QCOMPARE(t->recordId, dusk);
      t->title = "Theirs"_cp;
      other.AddNew(std::move(t));
      QCOMPARE(other.Save(), DB_OK);
    }
    QCOMPARE(pDB->Save(), DB_OK);
    QCOMPARE(pDB->lastMerge().renumbered.size(), size_t{1});
    const uint32_t fresh = pDB->lastMerge().renumbered[0].to;
    QCOMPARE(RecordAs<CImageRecord>(FindRecord(fresh))->title, "Lake at dusk"_cp);
    QCOMPARE(list->SelectedRecordId(), fresh);
    QCOMPARE(Row(list, "Lake at dusk")->data(0, Qt::UserRole).toUInt(), fresh);
    mgr->storeWatcher()->Check();
    QCOMPARE(list->SelectedRecordId(), fresh);
    w.close();
  }

  void aPictureThatDoesNotDecodeStaysInTheStore() {
    Machine m;
    Recorders r;
    CMainWindow w(RegisteredShellParts());
    CWndMgr* mgr = w.manager();
    QVERIFY(mgr && mgr->ready());
    auto* tree = dynamic_cast<CTopicTree*>(mgr->topicTree());
    auto* imageWnd = dynamic_cast<CImageWnd*>(mgr->window(RecordWindow::kImage));
    const uint32_t topic = AddTopic("Old photos", 0);
    const std::vector<uint8_t> damaged = {0xFF, 0xD8, 0xFF, 0xC4, 0x00, 0x02, 0x99};
    const uint32_t id = AddPicture(topic, "Torn", damaged, kImageFormatJpeg, 320, 320);
    QCOMPARE(pDB->Save(), DB_OK);
    tree->Refresh();
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QVERIFY(tree->SelectRecord(id));
    w.SendCommand(CMD_VIEW_IMAGE);
    QCOMPARE(mgr->namedMode(), Mode::VIEWIMAGE);
    QVERIFY(r.ui.Showed(IDS_CANT_LOAD_IMAGE));
    QVERIFY(!imageWnd->okButton()->isEnabled());
    QVERIFY(imageWnd->frame()->picture().isNull());  // black
    // What is on disk: the record as it was.
    CRecordStore disk(kStoreFileName, m.Output("DemoUser"));
    QCOMPARE(disk.Load(), DB_OK);
    CRecord* found = nullptr;
    QCOMPARE(disk.FindById(id, &found), DB_OK);
    const CImageRecord* kept = RecordAs<CImageRecord>(found);
    QVERIFY(kept && kept->IsLive());
    QVERIFY(kept->data == damaged);
    w.close();
  }

  // My Pictures hides a private topic's pictures as the tree and Find do,
  // until the private records are shown.
  // My Pictures makes its rows when first shown, not while the window is
  // built (a large store starts without them); shown, it lists the store.
  void myPicturesIsFilledWhenFirstShown() {
    Machine m;
    Recorders r;
    {
      CMainWindow w(RegisteredShellParts());
      QVERIFY(w.manager() && w.manager()->ready());
      const uint32_t garden = AddTopic("Garden", 0);
      AddPicture(garden, "Roses", testing::OneBitSketch(8, 8, [](int, int) { return false; }), kImageFormatSketch,
                 8, 8);
      AddPicture(garden, "Tulips", testing::OneBitSketch(8, 8, [](int x, int) { return x == 2; }),
                 kImageFormatSketch, 8, 8);
      QCOMPARE(pDB->Save(), DB_OK);
    }
    CMainWindow w(RegisteredShellParts());
    CWndMgr* mgr = w.manager();
    QVERIFY(mgr && mgr->ready());
    auto* list = dynamic_cast<CImageList*>(mgr->imageList());
    QVERIFY(list);
    QCOMPARE(pDB->CountLive(kKindImage), 2u);
    QCOMPARE(list->view()->topLevelItemCount(), 0);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QCOMPARE(list->view()->topLevelItemCount(), 0);
    w.SendCommand(CMD_IMAGE_CENTER);
    QVERIFY(list->view()->isVisible());
    QCOMPARE(Rows(list), (QStringList{"Roses", "Tulips"}));
    w.close();
  }

  void aPrivateTopicsPicturesStayOutOfMyPictures() {
    Machine m;
    Recorders r;
    CMainWindow w(RegisteredShellParts());
    CWndMgr* mgr = w.manager();
    QVERIFY(mgr && mgr->ready());
    auto* list = dynamic_cast<CImageList*>(mgr->imageList());
    QVERIFY(list);
    const uint32_t diary = AddTopic("Diary", 0, 1);
    const uint32_t garden = AddTopic("Garden", 0);
    AddPicture(diary, "Letter", testing::OneBitSketch(8, 8, [](int, int) { return true; }), kImageFormatSketch, 8, 8);
    AddPicture(garden, "Roses", testing::OneBitSketch(8, 8, [](int, int) { return false; }), kImageFormatSketch, 8,
               8);
    QCOMPARE(pDB->Save(), DB_OK);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QCOMPARE(bShowPrivate, uint8_t(0));
    w.SendCommand(CMD_IMAGE_CENTER);
    QCOMPARE(Rows(list), (QStringList{"Roses"}));
    QVERIFY(TogglePrivateRecords());  // no password
    w.SendCommand(CMD_IMAGE_CENTER);
    QCOMPARE(Rows(list), (QStringList{"Letter", "Roses"}));
    QVERIFY(TogglePrivateRecords());
    w.SendCommand(CMD_IMAGE_CENTER);
    QCOMPARE(Rows(list), (QStringList{"Roses"}));
    w.close();
  }
};

QTEST_MAIN(ImageShellTest)
#include "image_shell_qtest.moc"
