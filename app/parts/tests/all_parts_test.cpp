// The program's one registration call leaves no part of the main window out.
#include <QTest>

#include "app/parts/AllParts.h"
#include "widgets/kit/ShellParts.h"

using namespace quillet;

class AllPartsTest : public QObject {
  Q_OBJECT
 private slots:
  void EveryPartIsRegistered() {
    const ShellParts& before = RegisteredShellParts();
    QVERIFY(!before.topicTree);  // nothing registers itself behind main's back
    RegisterParts();
    const ShellParts& parts = RegisteredShellParts();
    QVERIFY(parts.topicTree);
    QVERIFY(parts.topicWindow);
    QVERIFY(parts.noteWindow);
    QVERIFY(parts.customWindow);
    QVERIFY(parts.imageWindow);
    QVERIFY(parts.sketchWindow);
    QVERIFY(parts.findWindow);
    QVERIFY(parts.topicCombo);
    QVERIFY(parts.imageCombo);
    QVERIFY(parts.imageList);
    QVERIFY(parts.findList);
    QVERIFY(parts.email);
    QVERIFY(parts.duplicateTopic);
    QVERIFY(parts.preferences);
    QVERIFY(parts.references);
  }
};

QTEST_MAIN(AllPartsTest)
#include "all_parts_test.moc"
