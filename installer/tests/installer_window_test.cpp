#include <QComboBox>
#include <QGroupBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

#include "app/core/UserInterface.h"
#include "installer/core/InstallerCore.h"
#include "installer/gui/InstallerWindow.h"
#include "platform/cdk/HotSyncStore.h"

using namespace installer;

class InstallerWindowTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  QString bin_ = QString(QUILLET_BIN_DIR) + "/";

  void Palm(const QStringList& args) {
    QProcess p;
    p.start(bin_ + "palm-desktop", args);
    QVERIFY(p.waitForFinished(20000));
    QCOMPARE(p.exitCode(), 0);
  }
  void Setup(const QStringList& users) {
    qputenv("QUILLET_REGISTRY", (dir_.path() + "/" + QString::number(users.size()) + ".db").toUtf8());
    Palm({"init", "--path", dir_.path() + "/palm" + QString::number(users.size())});
    for (const QString& u : users) Palm({"user", "add", u});
    qplat::HKEY key = nullptr;
    QCOMPARE(qplat::RegCreateKey(qplat::HKEY_CURRENT_USER, kProgramKey, &key), 0);
    QCOMPARE(qplat::RegSetString(key, "InstallPath", bin_.toStdString()), 0);
    qplat::RegCloseKey(key);
  }
  static bool Registered() {
    qplat::hotsync::Conduit c;
    return qplat::hotsync::FindConduit(kCreator, &c) == 0;
  }

 private slots:
  void initTestCase() {
    QVERIFY(dir_.isValid());
    QVERIFY(chdir(QUILLET_BIN_DIR) == 0);
  }

  void oneUserGoesOnWithoutNext() {
    Setup({"Solo"});
    quillet::RecordingUI ui;
    quillet::ScopedUI scoped(&ui);
    CInstaller core;
    QVERIFY(core.Start({QUILLET_BIN_DIR}));
    InstallerWindow w(&core);
    QCOMPARE(w.size(), QSize(530, 240));
    QVERIFY(w.windowFlags() & Qt::WindowStaysOnTopHint);
    w.show();
    w.OpenUserSelection();
    QTRY_VERIFY_WITH_TIMEOUT(!w.isVisible(), 10000);
    QVERIFY(Registered());
    QCOMPARE(core.exitCode(), 0);
    QVERIFY(ui.messages.empty());
  }

  void severalUsersWaitForNextAndAreSorted() {
    Setup({"zoe", "Adam", "mike"});
    quillet::RecordingUI ui;
    quillet::ScopedUI scoped(&ui);
    CInstaller core;
    QVERIFY(core.Start({QUILLET_BIN_DIR}));
    InstallerWindow w(&core);
    w.show();
    w.OpenUserSelection();
    auto* list = w.findChild<QComboBox*>("1000");
    auto* next = w.findChild<QPushButton*>("1");
    QVERIFY(list && next);
    QCOMPARE(list->count(), 3);
    QCOMPARE(list->itemText(0), QString("Adam"));
    QCOMPARE(list->itemText(1), QString("mike"));
    QCOMPARE(list->currentText(), QString("Adam"));
    QTest::qWait(50);
    QVERIFY(w.isVisible());
    QVERIFY(!Registered());
    list->setCurrentIndex(1);
    next->click();
    QVERIFY(!w.isVisible());
    QVERIFY(Registered());
    qplat::HKEY key = nullptr;
    QCOMPARE(qplat::RegOpenKey(qplat::HKEY_CURRENT_USER, kProgramKey, &key), 0);
    qplat::DWORD type = 0;
    std::vector<uint8_t> data;
    QCOMPARE(qplat::RegGetValue(key, "LastUsername", &type, &data), 0);
    qplat::RegCloseKey(key);
    QCOMPARE(std::string(data.begin(), data.end()), std::string("mike"));
  }
};

QTEST_MAIN(InstallerWindowTest)
#include "installer_window_test.moc"
