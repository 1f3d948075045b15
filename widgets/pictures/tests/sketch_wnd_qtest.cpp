// The sketch window offscreen: a sketch record shown at its own size, its
// black pixels where the handheld drew them, OK saving the title, Copy
// putting the picture on the clipboard. A screenshot goes to
// $QUILLET_SHOTS (default: "imaging-shots" beside the bin folder).
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QLabel>
#include <QTest>

#include <cmath>

#include "base/Strings.h"
#include "desktop/db/CurrentDatabase.h"
#include "desktop/shell/EditPending.h"
#include "imaging/tests/SketchBytes.h"
#include "testing/Shots.h"
#include "testing/WindowsTestSupport.h"
#include "widgets/kit/Ansi.h"
#include "widgets/pictures/SketchWnd.h"

using namespace quillet;
using quillet::test::ShotFolder;
using quillet::testing::StoreFixture;

namespace {

// A ring and a bar, with nothing touching the edges.
bool Drawn(int x, int y) {
  const double r = std::hypot(x - 60.0, y - 50.0);
  return (r >= 30.0 && r < 34.0) || (x >= 110 && x < 150 && y >= 20 && y < 26);
}
constexpr int kWidth = 160, kHeight = 100;

}  // namespace

class SketchWndTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    f_ = std::make_unique<StoreFixture>();
    QVERIFY(f_->opened);
    const uint32_t topic = f_->AddTopic("Birds");
    bytes_ = testing::OneBitSketch(kWidth, kHeight, Drawn);
    sketch_ = f_->AddImage(topic, "Heron", bytes_, kImageFormatSketch);
    CImageRecord* r = FindLiveSketch(sketch_);
    r->width = kWidth;
    r->height = kHeight;
    QCOMPARE(pDB->Save(), DB_OK);

    main_ = std::make_unique<QWidget>();
    main_->resize(640, 480);
    wnd_ = std::make_unique<CSketchWnd>();
    QVERIFY(wnd_->Create(main_.get()));
    wnd_->Move(0, 0, 640, 480);
    wnd_->Show(true);
    main_->show();
    QVERIFY(QTest::qWaitForWindowExposed(main_.get()));
    bEditPending = 0;
  }

  void cleanup() {
    wnd_.reset();
    main_.reset();
    f_.reset();
    bEditPending = 0;
  }

  void showsTheSketchUnscaledWithItsBlackPixels() {
    const TreeItemRef item{sketch_, kKindImage, nullptr};
    wnd_->ShowRecord(&item);
    QCOMPARE(wnd_->titleEdit()->text(), QString("Heron"));
    QCOMPARE(wnd_->widthValue()->text(), QString::number(kWidth));
    QCOMPARE(wnd_->heightValue()->text(), QString::number(kHeight));
    QCOMPARE(wnd_->bytesValue()->text(), QString::number(bytes_.size()));
    QCOMPARE(wnd_->okButton()->text(), QString("Update"));
    QCOMPARE(bEditPending, uint8_t{0});  // showing is no edit
    QVERIFY(wnd_->frame()->isVisible());
    QCOMPARE(wnd_->frame()->size(), QSize(kWidth, kHeight));

    QApplication::processEvents();
    const QImage shot = main_->grab().toImage();
    shot.save(ShotFolder("imaging-shots") + "/sketch-window.png");
    const QPoint origin = wnd_->frame()->mapTo(main_.get(), QPoint(0, 0));
    int black = 0;
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x) {
        const QRgb p = shot.pixel(origin + QPoint(x, y));
        if (Drawn(x, y)) {
          QVERIFY2(qGray(p) < 40, qPrintable(QString("(%1,%2) not black").arg(x).arg(y)));
          ++black;
        } else {
          QVERIFY2(qGray(p) > 215, qPrintable(QString("(%1,%2) not white").arg(x).arg(y)));
        }
      }
    QVERIFY(black > 500);

    // On a wide pane the title and the buttons stay at a readable width at
    // the left, not stretched over the pane.
    wnd_->Move(0, 0, 1600, 700);
    QApplication::processEvents();
    QVERIFY(wnd_->dialog()->width() > 1500);  // the pane is wide (inside its frame)
    QVERIFY(wnd_->titleEdit()->width() < 640);
    const QPoint okRight = wnd_->okButton()->mapTo(wnd_->dialog(), QPoint(wnd_->okButton()->width(), 0));
    QVERIFY2(okRight.x() <= 640, qPrintable(QString("OK ends at %1").arg(okRight.x())));
  }

  void okSavesTheTypedTitleAndClearsTheWindow() {
    const TreeItemRef item{sketch_, kKindImage, nullptr};
    wnd_->ShowRecord(&item);
    wnd_->titleEdit()->selectAll();
    QTest::keyClicks(wnd_->titleEdit(), "Grey heron");
    QCOMPARE(bEditPending, uint8_t{1});
    QTest::mouseClick(wnd_->okButton(), Qt::LeftButton);
    QCOMPARE(f_->host.commands, std::vector<uint32_t>{3072});
    QCOMPARE(bEditPending, uint8_t{0});
    QCOMPARE(wnd_->okButton()->text(), QString("Add"));
    QVERIFY(wnd_->titleEdit()->text().isEmpty());
    QVERIFY(!wnd_->frame()->isVisible());
    QVERIFY(!wnd_->copyButton()->isEnabled());
    QVERIFY(f_->Reopen());
    QCOMPARE(FromAnsi(FindLiveSketch(sketch_)->title), QString("Grey heron"));
    QVERIFY(FindLiveSketch(sketch_)->data == bytes_);
  }

  void aTitleTheHandheldCannotStoreIsRefusedAndKept() {
    const TreeItemRef item{sketch_, kKindImage, nullptr};
    wnd_->ShowRecord(&item);
    const QString typed = QString::fromUtf8("Heron \xE2\x86\x92 river");  // U+2192
    wnd_->titleEdit()->setText(typed);
    QTest::mouseClick(wnd_->okButton(), Qt::LeftButton);
    QCOMPARE(f_->ui.MessageIds(), std::vector<int>{IDS_UNSTORABLE_CHARACTER});
    QVERIFY(f_->ui.messages[0].text.starts_with("The Title contains the character \u201C\u2192\u201D (U+2192)"));
    QVERIFY(f_->host.commands.empty());
    QCOMPARE(wnd_->titleEdit()->text(), typed);
    QCOMPARE(wnd_->titleEdit()->selectedText(), QString::fromUtf8("\xE2\x86\x92"));
    QCOMPARE(bEditPending, uint8_t{1});
    QVERIFY(f_->Reopen());
    QCOMPARE(FindLiveSketch(sketch_)->title, "Heron"_cp);
  }

  void copyPutsThePictureOnTheClipboard() {
    QGuiApplication::clipboard()->clear();
    QVERIFY(!wnd_->Copy());  // nothing shown yet
    const TreeItemRef item{sketch_, kKindImage, nullptr};
    wnd_->ShowRecord(&item);
    QTest::mouseClick(wnd_->copyButton(), Qt::LeftButton);
    const QImage copied = QGuiApplication::clipboard()->image();
    QCOMPARE(copied.size(), QSize(kWidth, kHeight));
    QCOMPARE(qGray(copied.pixel(110, 20)), 0);
    QCOMPARE(qGray(copied.pixel(60, 50)), 255);  // the ring's centre
  }

  void titleIsTiedToItsLabelAndCtrlReturnSaves() {
    main_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(main_.get()));  // keys reach only the active window
    const TreeItemRef item{sketch_, kKindImage, nullptr};
    wnd_->ShowRecord(&item);
    QLabel* label = nullptr;
    for (QLabel* l : wnd_->dialog()->findChildren<QLabel*>())
      if (l->buddy() == wnd_->titleEdit()) label = l;
    QVERIFY(label);
    QCOMPARE(label->text(), QString("T&itle"));  // Alt+T is the Themes menu
    QCOMPARE(wnd_->titleEdit()->accessibleName(), QString("Title"));
    QCOMPARE(wnd_->privateBox()->text(), QString("&Private"));
    QVERIFY(!wnd_->frame()->accessibleName().isEmpty());
    wnd_->privateBox()->setFocus();
    QTest::keyClick(wnd_->privateBox(), 'i', Qt::AltModifier);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(wnd_->titleEdit()));

    QTest::keyClicks(wnd_->titleEdit(), " at dawn");
    QTest::keyClick(wnd_->titleEdit(), Qt::Key_Escape);  // Cancel: nothing saved
    QCOMPARE(FindLiveSketch(sketch_)->title, "Heron"_cp);
    wnd_->ShowRecord(&item);
    wnd_->titleEdit()->setFocus();
    QTest::keyClicks(wnd_->titleEdit(), " at dawn");
    QTest::keyClick(wnd_->titleEdit(), Qt::Key_Return, Qt::ControlModifier);
    QCOMPARE(FindLiveSketch(sketch_)->title, "Heron at dawn"_cp);
    QCOMPARE(f_->host.commands, (std::vector<uint32_t>{3072, 3072}));
  }

  // A width that is no multiple of 4: the shown rows are padded, the copy
  // and the frame are not.
  void copyOfAnOddWidthSketchHasNoPaddingColumns() {
    constexpr int kOdd = 157;
    const uint32_t topic = f_->AddTopic("Odd");
    // Drawn right up to the last column, so a black padding column would
    // be told from the sketch only by the size.
    const std::vector<uint8_t> bytes = testing::OneBitSketch(kOdd, 30, [](int x, int) { return x >= 150; });
    const uint32_t id = f_->AddImage(topic, "Odd", bytes, kImageFormatSketch);
    QCOMPARE(pDB->Save(), DB_OK);
    const TreeItemRef item{id, kKindImage, nullptr};
    wnd_->ShowRecord(&item);
    QCOMPARE(wnd_->widthValue()->text(), QString("157"));
    QCOMPARE(wnd_->frame()->picture().size(), QSize(kOdd, 30));
    QGuiApplication::clipboard()->clear();
    QVERIFY(wnd_->Copy());
    const QImage copied = QGuiApplication::clipboard()->image();
    QCOMPARE(copied.size(), QSize(kOdd, 30));
    QCOMPARE(qGray(copied.pixel(156, 10)), 0);
    QCOMPARE(qGray(copied.pixel(149, 10)), 255);
  }

 private:
  std::unique_ptr<StoreFixture> f_;
  std::unique_ptr<QWidget> main_;
  std::unique_ptr<CSketchWnd> wnd_;
  std::vector<uint8_t> bytes_;
  uint32_t sketch_ = 0;
};

QTEST_MAIN(SketchWndTest)
#include "sketch_wnd_qtest.moc"
