// The image window's edits in the real main window, as the other record
// windows' typed text: Exit asks about a changed title or a placed picture
// and Save runs OK (which may refuse a picture over the limit), Discard
// leaves the store as it was; a HotSync (the stand-in HotSync manager
// through the notifier and the real socket) saves a stored picture's edits
// that pass, and carries a new picture and edits that do not pass over the
// reloaded store, unsaved, for the person to add or correct. What ends up
// on disk is read back with the store itself.
#include <QApplication>
#include <QDir>
#include <QSignalSpy>
#include <QTest>
#include <QTreeWidget>

#include <filesystem>
#include <memory>

#include "app/MainWindow.h"
#include "app/WndMgr.h"
#include "base/Strings.h"
#include "desktop/db/CurrentDatabase.h"
#include "desktop/records/TreeEdits.h"
#include "desktop/shell/Commands.h"
#include "desktop/shell/EditPending.h"
#include "desktop/users/UserSwitch.h"
#include "imaging/JpegFile.h"
#include "imaging/tests/PictureSupport.h"
#include "platform/winmsg/WindowMessage.h"
#include "store/PrivateRecords.h"
#include "testing/HotSyncRun.h"
#include "testing/ShellTestSupport.h"
#include "testing/Shots.h"
#include "widgets/find/FindParts.h"
#include "widgets/pictures/ImageWnd.h"
#include "widgets/pictures/Parts.h"
#include "widgets/records/Parts.h"
#include "widgets/records/TopicTree.h"

using namespace quillet;
using quillet::test::HotSync;
using quillet::test::ShotFolder;
using quillet::test::StagesCarriedOut;
using quillet::test::Machine;
using quillet::test::Recorders;

namespace {

// Topics here carry a report file name, as the handheld's do.
uint32_t AddTopic(const std::string& title, uint32_t category = 0, uint32_t isPrivate = 0) {
  return quillet::test::AddTopic(title, category, isPrivate, /*named=*/true);
}

// A stored 320 x 320 picture in `topic`, with its picture file.
uint32_t AddPicture(const Machine& m, uint32_t topic, const std::string& title, unsigned seed) {
  auto i = std::make_unique<CImageRecord>();
  i->recordId = NextRecordId();
  i->title = CpText(title);
  i->data = testing::EncodeJpeg(testing::Scene(320, 320, seed), 75);
  i->format = kImageFormatJpeg;
  i->width = i->height = 320;
  i->fileName = "picture" + std::to_string(i->recordId) + ".jpg";
  testing::WriteBytes(m.Output("DemoUser") + i->fileName, i->data.ToVector());
  const uint32_t id = i->recordId;
  pDB->AddNew(std::move(i));
  FindLinksOfTopic(FindTopic(topic))->memberIds.push_back(id);
  return id;
}

QImage AsImage(const RgbPicture& p) {
  return QImage(p.rgb.data(), p.width, p.height, p.width * 3, QImage::Format_RGB888).copy();
}

std::unique_ptr<CRecordStore> OnDisk(const Machine& m) {
  auto store = std::make_unique<CRecordStore>(kStoreFileName, m.Output("DemoUser"));
  if (store->Load() != DB_OK) return nullptr;
  return store;
}

const CImageRecord* ImageOnDisk(const CRecordStore* store, uint32_t id) {
  static const CImageRecord kNone{};
  CRecord* r = nullptr;
  if (store != nullptr) store->FindById(id, &r);
  const CImageRecord* found = RecordAs<CImageRecord>(r);
  return found ? found : &kNone;
}

std::vector<uint32_t> MembersOnDisk(const CRecordStore* store, uint32_t topic) {
  CRecord* t = nullptr;
  CRecord* l = nullptr;
  if (store == nullptr || store->FindById(topic, &t) != DB_OK ||
      store->FindById(RecordAs<CTopicRecord>(t)->linksId, &l) != DB_OK)
    return {};
  return RecordAs<CTopicLinksRecord>(l)->memberIds;
}

CImageWnd* ImageWindow(CMainWindow& w) {
  return dynamic_cast<CImageWnd*>(w.manager()->window(RecordWindow::kImage));
}

// The title typed over what the window shows.
void TypeTitle(CImageWnd* wnd, const QString& title) {
  wnd->titleEdit()->selectAll();
  QTest::keyClicks(wnd->titleEdit(), title);
}

}  // namespace

class ImageEditsTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    RegisterWindowsParts();
    RegisterImagingParts();
    RegisterFindParts();
    SetDeleteConfirm(nullptr);
    SetPasswordPrompt(nullptr);
  }
  void cleanup() {
    bEditPending = 0;
    bShowPrivate = 0;
  }

  void exitAsksAboutAStoredPictureAndSaveRunsItsOk();
  void exitDiscardsAndANewPictureCountsOnlyWithAPicture();
  void hotSyncSavesAStoredPicturesEditsAndKeepsANewPicture();
  void hotSyncKeepsAPictureOverTheLimitOverTheReload();
};

// Exit with a stored picture's title typed and a picture pasted over it:
// Cancel closes nothing; Save with the JPEG over the limit says so and
// closes nothing; with a lower quality Save stores it and the program ends.
void ImageEditsTest::exitAsksAboutAStoredPictureAndSaveRunsItsOk() {
  Machine m;
  Recorders r;
  auto w = std::make_unique<CMainWindow>(RegisteredShellParts());
  CWndMgr* mgr = w->manager();
  auto* tree = dynamic_cast<CTopicTree*>(mgr->topicTree());
  CImageWnd* wnd = ImageWindow(*w);
  QVERIFY(mgr->ready() && tree && wnd);
  const uint32_t lake = AddTopic("Lake walk");
  const uint32_t pond = AddPicture(m, lake, "Pond", 1);
  QCOMPARE(pDB->Save(), DB_OK);
  const std::vector<uint8_t> stored = RecordAs<CImageRecord>(FindRecord(pond))->data.ToVector();
  tree->Refresh();
  w->show();
  QVERIFY(QTest::qWaitForWindowExposed(w.get()));
  QSignalSpy closed(w.get(), &CMainWindow::closed);

  QVERIFY(tree->SelectRecord(pond));
  w->SendCommand(CMD_VIEW_IMAGE);
  QCOMPARE(mgr->namedMode(), Mode::VIEWIMAGE);
  QVERIFY(!wnd->HasUnsavedEdits());
  // Opened and left alone: Exit asks nothing.
  TypeTitle(wnd, "Pond in May");
  QVERIFY(wnd->HasUnsavedEdits());
  QVERIFY(wnd->PasteImage(AsImage(testing::Noise(320, 320))));
  wnd->SetQuality(100);

  r.ui.messageAnswers = {kIdCancel};
  w->SendCommand(CMD_EXIT);
  QCOMPARE(closed.count(), 0);
  QCOMPARE(r.ui.messages.back().text, std::string("Save changes to \"Pond\"?"));
  QCOMPARE(r.ui.messages.back().flags & kMbButtonsMask, unsigned(kMbSaveDiscardCancel));
  QCOMPARE(wnd->titleEdit()->text(), QString("Pond in May"));

  // Save, but the picture is over the limit at quality 100: OK tells so,
  // nothing closes, nothing is stored, the window keeps it all.
  r.ui.messageAnswers = {kIdYes};
  w->close();
  QCOMPARE(closed.count(), 0);
  QVERIFY(r.ui.Showed(IDS_IMAGE_TOO_LARGE));
  QCOMPARE(wnd->qualitySlider()->value(), 100);
  QCOMPARE(wnd->titleEdit()->text(), QString("Pond in May"));
  QCOMPARE(ImageOnDisk(OnDisk(m).get(), pond)->data, stored);

  wnd->SetQuality(20);
  r.ui.messageAnswers = {kIdYes};
  w->close();
  QCOMPARE(closed.count(), 1);
  auto disk = OnDisk(m);
  const CImageRecord* image = ImageOnDisk(disk.get(), pond);
  QCOMPARE(image->title, "Pond in May"_cp);
  QVERIFY(image->data != stored);
  QVERIFY(image->dataSize() <= 60000);
  int fw = 0, fh = 0;
  QVERIFY(JpegFile::read_rgb((m.Output("DemoUser") + image->fileName).c_str(), &fw, &fh));
  QCOMPARE(QSize(fw, fh), QSize(320, 320));
}

// Discard at Exit leaves the stored picture as it was; a new picture with a
// picture is asked about by its title and Save adds it to its topic; a new
// picture with only a title typed has nothing to add and nothing is asked.
void ImageEditsTest::exitDiscardsAndANewPictureCountsOnlyWithAPicture() {
  Machine m;
  Recorders r;
  uint32_t lake = 0, pond = 0;
  std::vector<uint8_t> stored;
  {
    CMainWindow w(RegisteredShellParts());
    auto* tree = dynamic_cast<CTopicTree*>(w.manager()->topicTree());
    CImageWnd* wnd = ImageWindow(w);
    lake = AddTopic("Lake walk");
    pond = AddPicture(m, lake, "Pond", 1);
    QCOMPARE(pDB->Save(), DB_OK);
    stored = RecordAs<CImageRecord>(FindRecord(pond))->data.ToVector();
    tree->Refresh();
    QVERIFY(tree->SelectRecord(pond));
    w.SendCommand(CMD_VIEW_IMAGE);
    // Dragged: the picture is placed otherwise.
    wnd->SetZoomPosition(150);
    wnd->BeginDrag(QPoint(100, 100));
    wnd->DragTo(QPoint(60, 70));
    wnd->EndDrag();
    QVERIFY(wnd->HasUnsavedEdits());
    r.ui.messageAnswers = {kIdNo};
    w.SendCommand(CMD_EXIT);
    QVERIFY(!w.manager());
    QCOMPARE(r.ui.messages.back().text, std::string("Save changes to \"Pond\"?"));
  }
  QCOMPARE(ImageOnDisk(OnDisk(m).get(), pond)->data, stored);

  {
    // Only a title in a new picture: nothing OK could add, nothing asked.
    CMainWindow w(RegisteredShellParts());
    auto* tree = dynamic_cast<CTopicTree*>(w.manager()->topicTree());
    CImageWnd* wnd = ImageWindow(w);
    QVERIFY(tree->SelectRecord(lake));
    w.SendCommand(CMD_NEW_IMAGE);
    QCOMPARE(w.manager()->namedMode(), Mode::NEWIMAGE);
    TypeTitle(wnd, "Heron");
    QVERIFY(!wnd->HasUnsavedEdits());
    const size_t asked = r.ui.messages.size();
    w.SendCommand(CMD_EXIT);
    QVERIFY(!w.manager());
    QCOMPARE(r.ui.messages.size(), asked);
  }
  QCOMPARE(MembersOnDisk(OnDisk(m).get(), lake), std::vector<uint32_t>{pond});

  {
    // A new picture with a picture: asked by its title, Save adds it.
    bEditPending = 0;  // the program starts afresh
    CMainWindow w(RegisteredShellParts());
    auto* tree = dynamic_cast<CTopicTree*>(w.manager()->topicTree());
    CImageWnd* wnd = ImageWindow(w);
    QVERIFY(tree->SelectRecord(lake));
    w.SendCommand(CMD_NEW_IMAGE);
    QVERIFY(wnd->PasteImage(AsImage(testing::Scene(400, 300, 2))));
    wnd->Fit();
    TypeTitle(wnd, "Heron");
    QVERIFY(wnd->HasUnsavedEdits());
    r.ui.messageAnswers = {kIdYes};
    w.SendCommand(CMD_EXIT);
    QVERIFY(!w.manager());
    QCOMPARE(r.ui.messages.back().text, std::string("Save changes to \"Heron\"?"));
  }
  auto disk = OnDisk(m);
  const std::vector<uint32_t> members = MembersOnDisk(disk.get(), lake);
  QCOMPARE(members.size(), size_t{2});
  const CImageRecord* heron = ImageOnDisk(disk.get(), members[1]);
  QCOMPARE(heron->title, "Heron"_cp);
  QVERIFY(std::filesystem::exists(m.Output("DemoUser") + heron->fileName));
}

// A HotSync while a stored picture's title is typed: the ping saves it
// before the conduit runs, nobody is asked anything. A new picture being
// placed is not added behind the person's back: it stays in the window
// over the reload, picture, placement and title, still unsaved, and Add
// then puts it into the topic it was started in.
void ImageEditsTest::hotSyncSavesAStoredPicturesEditsAndKeepsANewPicture() {
  Machine m;
  Recorders r;
  winmsg::MessageWindow listener;
  QCOMPARE(listener.ListenForClass(kMainWindowClass), winmsg::MessageWindow::ListenResult::kListening);
  CMainWindow w(RegisteredShellParts());
  w.AttachMessageWindow(&listener);
  CWndMgr* mgr = w.manager();
  auto* tree = dynamic_cast<CTopicTree*>(mgr->topicTree());
  CImageWnd* wnd = ImageWindow(w);
  const uint32_t lake = AddTopic("Lake walk");
  const uint32_t garden = AddTopic("Garden");
  const uint32_t pond = AddPicture(m, lake, "Pond", 1);
  QCOMPARE(pDB->Save(), DB_OK);
  const std::vector<uint8_t> stored = RecordAs<CImageRecord>(FindRecord(pond))->data.ToVector();
  tree->Refresh();

  QVERIFY(tree->SelectRecord(pond));
  w.SendCommand(CMD_VIEW_IMAGE);
  TypeTitle(wnd, "Pond at dusk");
  QCOMPARE(bEditPending, uint8_t{1});
  const QString out = HotSync(1, {"0", "1"});
  QVERIFY2(out.contains("HS_Notify(0, 1) -> 1") && out.contains("HS_Notify(1, 1) -> 1"), qPrintable(out));
  QVERIFY(StagesCarriedOut(mgr));
  QVERIFY(r.ui.messages.empty());
  QCOMPARE(bEditPending, uint8_t{0});
  QVERIFY(!wnd->HasUnsavedEdits());
  auto disk = OnDisk(m);
  QCOMPARE(ImageOnDisk(disk.get(), pond)->title, "Pond at dusk"_cp);
  QCOMPARE(ImageOnDisk(disk.get(), pond)->data, stored);  // the picture as it was

  // A new picture, pasted, sized and zoomed, with its title.
  QVERIFY(tree->SelectRecord(garden));
  w.SendCommand(CMD_NEW_IMAGE);
  QCOMPARE(mgr->namedMode(), Mode::NEWIMAGE);
  QVERIFY(wnd->PasteImage(AsImage(testing::Scene(400, 300, 3))));
  wnd->SetSizeIndex(2);
  wnd->SetZoomPosition(120);
  wnd->SetQuality(70);
  TypeTitle(wnd, "Roses");
  QApplication::processEvents();
  const QImage placed = wnd->frame()->picture();
  QCOMPARE(placed.size(), QSize(320, 480));
  HotSync(1, {"0", "1", "2"});
  QVERIFY(StagesCarriedOut(mgr));
  QVERIFY(r.ui.messages.empty());
  disk = OnDisk(m);
  QCOMPARE(MembersOnDisk(disk.get(), garden), std::vector<uint32_t>{});
  QCOMPARE(mgr->namedMode(), Mode::NEWIMAGE);
  QVERIFY(wnd->host()->isVisible());
  QVERIFY(wnd->editor().isNew());
  QVERIFY(wnd->HasUnsavedEdits());
  QCOMPARE(bEditPending, uint8_t{1});
  QCOMPARE(wnd->titleEdit()->text(), QString("Roses"));
  QCOMPARE(wnd->sizeList()->currentIndex(), 2);
  QCOMPARE(wnd->zoomSlider()->value(), 120);
  QCOMPARE(wnd->qualitySlider()->value(), 70);
  QCOMPARE(wnd->frame()->picture(), placed);
  QCOMPARE(wnd->okButton()->text(), QString("Add"));
  w.resize(1000, 700);
  w.show();
  QVERIFY(QTest::qWaitForWindowExposed(&w));
  QVERIFY(w.grab().save(ShotFolder("imaging-shots") + "/main-window-newimage-after-hotsync.png"));
  QVERIFY(wnd->Ok());
  disk = OnDisk(m);
  const std::vector<uint32_t> members = MembersOnDisk(disk.get(), garden);
  QCOMPARE(members.size(), size_t{1});
  const CImageRecord* roses = ImageOnDisk(disk.get(), members[0]);
  QCOMPARE(roses->title, "Roses"_cp);
  QCOMPARE(roses->height, 480u);
  QVERIFY(std::filesystem::exists(m.Output("DemoUser") + roses->fileName));
}

// A stored picture placed anew whose JPEG is over the limit cannot be
// saved quietly: it stays in the window over the reload, still unsaved,
// while the record on disk keeps its bytes; a lower quality and OK store
// it. When the conduit took the record away meanwhile, the picture comes
// back as a new one.
void ImageEditsTest::hotSyncKeepsAPictureOverTheLimitOverTheReload() {
  Machine m;
  Recorders r;
  winmsg::MessageWindow listener;
  QCOMPARE(listener.ListenForClass(kMainWindowClass), winmsg::MessageWindow::ListenResult::kListening);
  CMainWindow w(RegisteredShellParts());
  w.AttachMessageWindow(&listener);
  CWndMgr* mgr = w.manager();
  auto* tree = dynamic_cast<CTopicTree*>(mgr->topicTree());
  CImageWnd* wnd = ImageWindow(w);
  const uint32_t lake = AddTopic("Lake walk");
  const uint32_t pond = AddPicture(m, lake, "Pond", 1);
  const uint32_t reeds = AddPicture(m, lake, "Reeds", 4);
  QCOMPARE(pDB->Save(), DB_OK);
  const std::vector<uint8_t> stored = RecordAs<CImageRecord>(FindRecord(pond))->data.ToVector();
  tree->Refresh();

  QVERIFY(tree->SelectRecord(pond));
  w.SendCommand(CMD_VIEW_IMAGE);
  QVERIFY(wnd->PasteImage(AsImage(testing::Noise(320, 320))));
  wnd->SetQuality(100);
  TypeTitle(wnd, "Static");
  QApplication::processEvents();
  const QImage noise = wnd->frame()->picture();
  // The conduit renames the topic meanwhile.
  {
    CRecordStore conduit(kStoreFileName, m.Output("DemoUser"));
    QCOMPARE(conduit.Load(), DB_OK);
    CRecord* t = nullptr;
    QCOMPARE(conduit.FindById(lake, &t), DB_OK);
    RecordAs<CTopicRecord>(t)->title = "Lake walk 2026"_cp;
    QCOMPARE(conduit.Save(), DB_OK);
  }
  HotSync(1, {"0", "1", "2"});
  QVERIFY(StagesCarriedOut(mgr));
  QVERIFY(r.ui.messages.empty());
  QCOMPARE(FindTopic(lake)->title, "Lake walk 2026"_cp);  // reloaded
  QCOMPARE(mgr->namedMode(), Mode::VIEWIMAGE);
  QCOMPARE(wnd->editor().imageId(), pond);
  QVERIFY(!wnd->editor().isNew());
  QCOMPARE(wnd->titleEdit()->text(), QString("Static"));
  QCOMPARE(wnd->qualitySlider()->value(), 100);
  QCOMPARE(wnd->frame()->picture(), noise);
  QVERIFY(wnd->HasUnsavedEdits());
  QCOMPARE(bEditPending, uint8_t{1});
  auto disk = OnDisk(m);
  QCOMPARE(ImageOnDisk(disk.get(), pond)->data, stored);
  QCOMPARE(ImageOnDisk(disk.get(), pond)->title, "Pond"_cp);
  wnd->SetQuality(20);
  QVERIFY(wnd->Ok());
  disk = OnDisk(m);
  QCOMPARE(ImageOnDisk(disk.get(), pond)->title, "Static"_cp);
  QVERIFY(ImageOnDisk(disk.get(), pond)->data != stored);
  QCOMPARE(MembersOnDisk(disk.get(), lake), (std::vector<uint32_t>{pond, reeds}));

  // Reeds placed anew; the handheld deletes it during the HotSync.
  QVERIFY(tree->SelectRecord(reeds));
  w.SendCommand(CMD_VIEW_IMAGE);
  QVERIFY(wnd->PasteImage(AsImage(testing::Noise(320, 320, 8))));
  wnd->SetQuality(100);
  TypeTitle(wnd, "Reeds in wind");
  QApplication::processEvents();
  const QImage windy = wnd->frame()->picture();
  HotSync(1, {"0", "1"});
  QVERIFY(StagesCarriedOut(mgr));
  {
    CRecordStore conduit(kStoreFileName, m.Output("DemoUser"));
    QCOMPARE(conduit.Load(), DB_OK);
    CRecord* gone = nullptr;
    QCOMPARE(conduit.FindById(reeds, &gone), DB_OK);
    gone->flags |= kFlagDeleted;
    QCOMPARE(conduit.Save(), DB_OK);
  }
  HotSync(1, {"2"});
  QVERIFY(StagesCarriedOut(mgr));
  QCOMPARE(mgr->namedMode(), Mode::NEWIMAGE);
  QVERIFY(wnd->editor().isNew());
  QCOMPARE(wnd->titleEdit()->text(), QString("Reeds in wind"));
  QCOMPARE(wnd->frame()->picture(), windy);
  QVERIFY(wnd->HasUnsavedEdits());
  QVERIFY(r.ui.messages.empty());
}

QTEST_MAIN(ImageEditsTest)
#include "image_edits_qtest.moc"
