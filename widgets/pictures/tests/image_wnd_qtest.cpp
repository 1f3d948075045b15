// The image window offscreen: a camera photo opened upright, placed with
// Fit, the zoom bar and the mouse, pasted, copied and dropped; what the
// frame shows is what OK stores. Pictures of the window go to
// $QUILLET_SHOTS (default: "imaging-shots" beside the bin folder).
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include "base/Strings.h"
#include "desktop/db/CurrentDatabase.h"
#include "desktop/shell/Desktop.h"
#include "desktop/shell/EditPending.h"
#include "imaging/JpegFile.h"
#include "imaging/tests/PictureSupport.h"
#include "testing/RecordingDesktop.h"
#include "testing/Shots.h"
#include "testing/WindowsTestSupport.h"
#include "widgets/pictures/DibDraw.h"
#include "widgets/pictures/ImageWnd.h"

using namespace quillet;
using quillet::test::ShotFolder;
using quillet::testing::StoreFixture;

namespace {

QImage ToImage(const RgbPicture& p) {
  return QImage(p.rgb.data(), p.width, p.height, p.width * 3, QImage::Format_RGB888).copy();
}

// The frame as the screen shows it, from a grab of the window.
QImage Shown(QWidget* top, QWidget* frame) {
  const QImage shot = top->grab().toImage();
  return shot.copy(QRect(frame->mapTo(top, QPoint(0, 0)), frame->size()));
}

}  // namespace

class ImageWndTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    f_ = std::make_unique<StoreFixture>();
    QVERIFY(f_->opened);
    topic_ = f_->AddTopic("Lake walk");
    f_->host.tree = nullptr;
    QCOMPARE(pDB->Save(), DB_OK);
    previous_desktop_ = SetDesktop(&desktop_);
    qputenv("XDG_CACHE_HOME", QByteArray::fromStdString(f_->registry.dir() + "cache"));

    main_ = std::make_unique<QWidget>();
    main_->resize(760, 600);
    wnd_ = std::make_unique<CImageWnd>();
    QVERIFY(wnd_->Create(main_.get()));
    wnd_->Move(0, 0, 760, 600);
    wnd_->Show(true);
    main_->show();
    QVERIFY(QTest::qWaitForWindowExposed(main_.get()));
    bEditPending = 0;
  }

  void cleanup() {
    wnd_.reset();
    main_.reset();
    SetDesktop(previous_desktop_);
    f_.reset();
    bEditPending = 0;
  }

  void aCameraPhotoOpensUprightFitsAndIsStoredAsShown() {
    // A portrait photo as a camera stores it: landscape pixels, tag 6.
    const RgbPicture upright = testing::Photo(900, 1200);
    const std::string path = File("IMG_0412.jpg");
    QVERIFY(testing::WriteBytes(
        path, testing::WithExifOrientation(testing::EncodeJpeg(testing::StoredFor(upright, 6), 92), 6)));

    wnd_->ShowRecord(nullptr);
    QCOMPARE(wnd_->okButton()->text(), QString("Add"));
    QVERIFY(!wnd_->okButton()->isEnabled());
    QVERIFY(!wnd_->button("Fit")->isEnabled());
    QVERIFY(!wnd_->zoomSlider()->isEnabled());
    QCOMPARE(wnd_->qualityValue()->text(), QString("80%"));
    QCOMPARE(wnd_->titleEdit()->text(), QString());  // named by the person or the file

    f_->ui.filePaths.push_back(path);
    QTest::mouseClick(wnd_->button("Open"), Qt::LeftButton);
    QCOMPARE(bEditPending, uint8_t{1});
    QCOMPARE(wnd_->titleEdit()->text(), QString("IMG_0412"));
    QVERIFY(wnd_->button("Fit")->isEnabled());
    QCOMPARE(wnd_->zoomSlider()->value(), 100);
    QCOMPARE(wnd_->editor().source().width(), 900);
    QCOMPARE(wnd_->editor().source().height(), 1200);

    wnd_->sizeList()->setCurrentIndex(2);
    emit wnd_->sizeList()->activated(2);
    QCOMPARE(wnd_->frame()->size(), QSize(320, 480));
    QTest::mouseClick(wnd_->button("Fit"), Qt::LeftButton);
    QCOMPARE(wnd_->zoomSlider()->value(), 35);  // 320 / 900 by width
    QApplication::processEvents();

    // The screen shows exactly the frame the record is made from.
    const QImage shown = Shown(main_.get(), wnd_->frame());
    FloatImage fromScreen;
    QCOMPARE(capture_dc(shown, 320, 480, &fromScreen), 0);
    const std::vector<uint8_t>& frame = wnd_->editor().Frame();
    for (int y = 0; y < 480; y += 13)
      for (int x = 0; x < 320; x += 11) {
        const uint8_t* p = &frame[(static_cast<size_t>(y) * 320 + x) * 3];
        QCOMPARE(float_to_byte(fromScreen.at(x, y).red), p[0]);
        QCOMPARE(float_to_byte(fromScreen.at(x, y).blue), p[2]);
      }
    // Upright: the sky at the top, the meadow at the bottom.
    QVERIFY(qBlue(shown.pixel(160, 10)) > qGreen(shown.pixel(160, 10)));
    QVERIFY(qGreen(shown.pixel(160, 400)) > qBlue(shown.pixel(160, 400)));
    QVERIFY(main_->grab().save(ShotFolder("imaging-shots") + "/image-window.png"));

    QTest::mouseClick(wnd_->okButton(), Qt::LeftButton);
    QCOMPARE(f_->host.commands, std::vector<uint32_t>{3072});
    QCOMPARE(bEditPending, uint8_t{0});
    QCOMPARE(pDB->CountLive(kKindImage), 1u);
    CRecord* r = nullptr;
    QCOMPARE(pDB->FirstOfKind(kKindImage, &r, true), DB_OK);
    const auto* image = RecordAs<CImageRecord>(r);
    QCOMPARE(image->title, "IMG_0412"_cp);
    int w = 0, h = 0;
    RgbBuffer stored = JpegFile::read_rgb_memory(image->data.data(), image->data.size(), &w, &h);
    QVERIFY(stored);
    QCOMPARE(QSize(w, h), QSize(320, 480));
    QVERIFY(testing::MeanDiff(stored.get(), frame.data(), frame.size()) < 3.0);
    // The window is cleared for the next picture.
    QVERIFY(!wnd_->frame()->isVisible());
    QCOMPARE(wnd_->okButton()->text(), QString("Add"));
  }

  void theSmallestMainWindowStillShowsEveryControl() {
    // The record window's area when the main window is at its minimum size.
    main_->resize(579, 469);
    wnd_->Move(0, 0, 579, 469);
    wnd_->ShowRecord(nullptr);
    QVERIFY(wnd_->PasteImage(ToImage(testing::Photo(480, 640))));
    wnd_->SetSizeIndex(2);
    wnd_->Fit();
    QApplication::processEvents();
    QVERIFY(main_->grab().save(ShotFolder("imaging-shots") + "/image-window-small.png"));
    const QRect area = wnd_->dialog()->rect();
    for (QWidget* w : std::initializer_list<QWidget*>{wnd_->okButton(), wnd_->cancelButton(), wnd_->button("Preview"),
                                                      wnd_->zoomSlider(), wnd_->titleEdit()}) {
      const QRect r(w->mapTo(wnd_->dialog(), QPoint(0, 0)), w->size());
      QVERIFY2(area.contains(r), qPrintable(w->objectName()));
    }
    // The frame keeps its exact size; what does not fit scrolls.
    QCOMPARE(wnd_->frame()->size(), QSize(320, 480));
    // The title runs across the window, not in the narrow column of controls.
    QVERIFY2(wnd_->titleEdit()->width() >= area.width() * 3 / 4,
             qPrintable(QString("title %1 of %2").arg(wnd_->titleEdit()->width()).arg(area.width())));
    main_->resize(1000, 700);
    wnd_->Move(0, 0, 1000, 700);
    QApplication::processEvents();
    QVERIFY2(wnd_->titleEdit()->width() >= wnd_->dialog()->width() * 3 / 4,
             qPrintable(QString("title %1 of %2").arg(wnd_->titleEdit()->width()).arg(wnd_->dialog()->width())));
  }

  // Every labelled control is reached by its label's Alt+letter and named
  // by it; Escape is Cancel.
  void labelsAreTiedToTheirControlsAndEscapeCancels() {
    main_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(main_.get()));  // keys reach only the active window
    wnd_->ShowRecord(nullptr);
    QApplication::processEvents();
    QStringList tied;
    for (QLabel* l : wnd_->dialog()->findChildren<QLabel*>()) {
      if (!l->buddy()) continue;
      QVERIFY2(l->text().contains('&'), qPrintable(l->text()));
      QCOMPARE(l->buddy()->accessibleName(), QString(l->text()).remove('&'));
      tied << l->buddy()->accessibleName();
    }
    tied.sort();
    QCOMPARE(tied, (QStringList{"Display Size", "Quality", "Title", "Zoom"}));
    wnd_->privateBox()->setFocus();
    QTest::keyClick(wnd_->privateBox(), 'i', Qt::AltModifier);  // T&itle: Alt+T is the Themes menu
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(wnd_->titleEdit()));
    const size_t before = f_->host.commands.size();
    QTest::keyClick(wnd_->titleEdit(), Qt::Key_Escape);
    QCOMPARE(f_->host.commands.size(), before + 1);
    QCOMPARE(f_->host.commands.back(), 3072u);
  }

  void draggingTheFramePansThePicture() {
    wnd_->ShowRecord(nullptr);
    const RgbPicture p = testing::Photo(800, 600);
    QVERIFY(wnd_->PasteImage(ToImage(p)));
    QCOMPARE(wnd_->editor().placement().panX, 0);
    CPictureFrame* frame = wnd_->frame();
    QTest::mousePress(frame, Qt::LeftButton, {}, QPoint(200, 200));
    QTest::mouseMove(frame, QPoint(150, 170));
    QTest::mouseRelease(frame, Qt::LeftButton, {}, QPoint(150, 170));
    QCOMPARE(wnd_->editor().placement().panX, 50);
    QCOMPARE(wnd_->editor().placement().panY, 30);
    QApplication::processEvents();
    // The frame now starts at picture pixel (50, 30).
    const QImage shown = Shown(main_.get(), frame);
    const uint8_t* want = &p.rgb[(static_cast<size_t>(30) * 800 + 50) * 3];
    QCOMPARE(qRed(shown.pixel(0, 0)), int{want[0]});
    QCOMPARE(qGreen(shown.pixel(0, 0)), int{want[1]});
    // Moving the zoom bar starts again from the top-left.
    wnd_->zoomSlider()->setValue(50);
    QCOMPARE(wnd_->editor().placement().panX, 0);
    QCOMPARE(wnd_->editor().placement().zoom, 0.5f);
  }

  void pasteTakesTheClipboardsPictureAndCopyGivesItBack() {
    wnd_->ShowRecord(nullptr);
    QGuiApplication::clipboard()->clear();
    QVERIFY(!wnd_->Paste());  // nothing there: the frame stays as it was
    QVERIFY(!wnd_->editor().view().picturePresent);
    QVERIFY(!wnd_->Copy());

    // A picture copied from a web page: partly transparent.
    QImage web(60, 40, QImage::Format_ARGB32);
    web.fill(qRgba(0, 0, 200, 255));
    for (int y = 0; y < 40; ++y)
      for (int x = 30; x < 60; ++x) web.setPixel(x, y, qRgba(0, 0, 0, 0));
    QGuiApplication::clipboard()->setImage(web);
    QTest::mouseClick(wnd_->button("Paste"), Qt::LeftButton);
    QVERIFY(wnd_->editor().view().picturePresent);
    QCOMPARE(wnd_->editor().source().width(), 60);
    const std::vector<uint8_t>& frame = wnd_->editor().Frame();
    QCOMPARE(int{frame[2]}, 200);                     // blue where it was blue
    QCOMPARE(int{frame[(40) * 3]}, 255);              // white where it was clear
    QCOMPARE(int{frame[(static_cast<size_t>(50) * 320) * 3]}, 0);  // black below it

    // A pasted picture is not named after the file opened before it; a
    // title typed before the paste stays.
    f_->ui.filePaths.push_back(File("Sunflowers.jpg"));
    QVERIFY(testing::WriteBytes(f_->ui.filePaths.back(), testing::EncodeJpeg(testing::Photo(80, 60), 90)));
    QTest::mouseClick(wnd_->button("Open"), Qt::LeftButton);
    QCOMPARE(wnd_->titleEdit()->text(), QString("Sunflowers"));
    QGuiApplication::clipboard()->setImage(web);
    QTest::mouseClick(wnd_->button("Paste"), Qt::LeftButton);
    QCOMPARE(wnd_->titleEdit()->text(), QString());
    f_->ui.filePaths.push_back(File("Sunflowers.jpg"));
    QTest::mouseClick(wnd_->button("Open"), Qt::LeftButton);
    QCOMPARE(wnd_->titleEdit()->text(), QString("Sunflowers"));
    QTest::keyClicks(wnd_->titleEdit(), " in May");
    QTest::mouseClick(wnd_->button("Paste"), Qt::LeftButton);
    QCOMPARE(wnd_->titleEdit()->text(), QString("Sunflowers in May"));
    QCOMPARE(wnd_->editor().source().width(), 60);

    // Preview says the size of what OK would store, and that it fits.
    QVERIFY(wnd_->previewSize()->text().isEmpty());
    QTest::mouseClick(wnd_->button("Preview"), Qt::LeftButton);
    QVERIFY2(wnd_->previewSize()->text().startsWith("Preview: ") &&
                 wnd_->previewSize()->text().endsWith(" bytes, within the 60000-byte limit."),
             qPrintable(wnd_->previewSize()->text()));

    // A frame that was placed keeps its place when the clipboard is empty.
    wnd_->zoomSlider()->setValue(150);
    QGuiApplication::clipboard()->clear();
    QVERIFY(!wnd_->Paste());
    QCOMPARE(wnd_->editor().placement().zoom, 1.5f);
    QCOMPARE(wnd_->editor().source().width(), 60);

    QTest::mouseClick(wnd_->button("Copy"), Qt::LeftButton);
    const QImage copied = QGuiApplication::clipboard()->image();
    QCOMPARE(copied.size(), QSize(60, 40));
    QCOMPARE(qBlue(copied.pixel(5, 5)), 200);
    QCOMPARE(qRed(copied.pixel(45, 5)), 255);
  }

  void aFileDroppedOnTheFrameOpens() {
    wnd_->ShowRecord(nullptr);
    const std::string path = File("dropped.jpeg");
    QVERIFY(testing::WriteBytes(path, testing::EncodeJpeg(testing::Photo(300, 200), 90)));
    auto* data = new QMimeData;
    data->setUrls({QUrl::fromLocalFile(QString::fromStdString(path))});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(wnd_->frame(), &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(wnd_->frame(), &drop);
    QCOMPARE(wnd_->titleEdit()->text(), QString("dropped"));
    QCOMPARE(wnd_->editor().source().width(), 300);
    // Other files are not taken.
    auto* text = new QMimeData;
    text->setUrls({QUrl::fromLocalFile("/tmp/notes.txt")});
    QDragEnterEvent refused(QPoint(10, 10), Qt::CopyAction, text, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(wnd_->frame(), &refused);
    QVERIFY(!refused.isAccepted());
    delete data;
    delete text;
  }

  void aTitleTheHandheldCannotShowIsNamedNotReplaced() {
    wnd_->ShowRecord(nullptr);
    QVERIFY(wnd_->PasteImage(ToImage(testing::Photo(160, 160))));
    wnd_->titleEdit()->setText(QString::fromUtf8("Lake \xE2\x80\x94 \xE6\xB9\x96"));  // an em dash fits, the kanji not
    QVERIFY(!wnd_->Ok());
    QCOMPARE(f_->ui.messages.size(), size_t{1});
    QVERIFY(f_->ui.messages[0].text.find("U+6E56") != std::string::npos);
    QCOMPARE(pDB->CountLive(kKindImage), 0u);
    wnd_->titleEdit()->setText(QString::fromUtf8("Lake \xE2\x80\x94 evening"));
    QVERIFY(wnd_->Ok());
    CRecord* r = nullptr;
    QCOMPARE(pDB->FirstOfKind(kKindImage, &r, true), DB_OK);
    QCOMPARE(RecordAs<CImageRecord>(r)->title, CpText("Lake \x97 evening"));
  }

  void anOversizedPictureIsRefusedWithItsSizeAndKeepsTheWindow() {
    wnd_->ShowRecord(nullptr);
    QVERIFY(wnd_->PasteImage(ToImage(testing::Noise(320, 320))));
    wnd_->qualitySlider()->setValue(100);
    QCOMPARE(wnd_->qualityValue()->text(), QString("100%"));
    QVERIFY(!wnd_->Ok());
    QCOMPARE(f_->ui.MessageIds(), std::vector<int>{IDS_IMAGE_TOO_LARGE});
    QVERIFY(wnd_->frame()->isVisible());
    QCOMPARE(wnd_->qualitySlider()->value(), 100);
    wnd_->qualitySlider()->setValue(10);
    QVERIFY(wnd_->Ok());
  }

 private:
  std::unique_ptr<StoreFixture> f_;
  std::unique_ptr<QWidget> main_;
  std::unique_ptr<CImageWnd> wnd_;
  RecordingDesktop desktop_;
  IDesktop* previous_desktop_ = nullptr;
  QTemporaryDir tmp_;
  std::string File(const std::string& name) const { return tmp_.path().toStdString() + "/" + name; }
  uint32_t topic_ = 0;
};

QTEST_MAIN(ImageWndTest)
#include "image_wnd_qtest.moc"
