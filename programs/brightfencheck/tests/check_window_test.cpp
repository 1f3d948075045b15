// The BrightfenCheck window: cancelling the folder question keeps the
// finished cabinet and lets the person choose again.
#include <QPushButton>
#include <QTest>

#include <filesystem>
#include <fstream>

#include "base/UserInterface.h"
#include "programs/brightfencheck/gui/CheckWindow.h"
#include "testing/RecordingUI.h"
#include "testing/TempRegistry.h"

using quillet::testing::ReadFileBytes;

class CheckWindowTest : public QObject {
  Q_OBJECT
 private slots:
  void cancelledFolderOffersToSaveAgain();
};

void CheckWindowTest::cancelledFolderOffersToSaveAgain() {
  quillet::testing::TempRegistry tmp;
  quillet::RecordingUI ui;
  quillet::ScopedUI scope(&ui);
  const std::string temp = tmp.MakeDir("temp");
  brightfen::CCheckWindow window(temp);
  window.show();
  QPushButton* start = window.startButton();
  QCOMPARE(start->text(), QString("Start Diagnostic"));
  // The program's own icon in the title bar and task bar, drawn at 16 px.
  QVERIFY(!window.windowIcon().pixmap(16, 16).isNull());

  QTest::mouseClick(start, Qt::LeftButton);  // no folder chosen
  const size_t told = ui.messages.size();
  QVERIFY(start->isEnabled());
  QCOMPARE(start->text(), QString("Save Report..."));
  QVERIFY(window.isVisible());
  const std::string cabinet = ReadFileBytes(temp + "BrightfenCheckReport1.zip");
  QVERIFY(cabinet.size() > 36);
  if (const char* png = std::getenv("QUILLET_CHECK_PICTURE")) window.grab().save(png, "PNG");

  const std::string dest = tmp.MakeDir("mail");
  ui.folders = {dest};
  QTest::mouseClick(start, Qt::LeftButton);
  QCOMPARE(ReadFileBytes(dest + "BrightfenCheckReport1.zip"), cabinet);
  // (The first message says the user library is missing on this machine.)
  QCOMPARE(ui.messages.size(), told + 1);
  QVERIFY(ui.messages.back().text.rfind("The report file saved successfully.", 0) == 0);
  QVERIFY(!window.isVisible());
}

QTEST_MAIN(CheckWindowTest)
#include "check_window_test.moc"
