#include <QComboBox>
#include <QGroupBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

#include "base/UserInterface.h"
#include "platform/cdk/HotSyncStore.h"
#include "programs/installer/core/InstallerCore.h"
#include "programs/installer/gui/InstallerWindow.h"
#include "testing/RecordingUI.h"

using namespace installer;

class InstallerWindowTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  QString bin_ = QString(QUILLET_BIN_DIR) + "/";

  void Palm(const QStringList& args) {
    QProcess p;
    p.start(bin_ + "quillet-palm-desktop", args);
    QVERIFY(p.waitForFinished(20000));
    QCOMPARE(p.exitCode(), 0);
  }
  int machines_ = 0;

  // A machine of its own for each test: a registry file and a Palm Desktop
  // data folder "palmN".
  void Setup(const QStringList& users) {
    ++machines_;
    qputenv("QUILLET_REGISTRY", (dir_.path() + "/" + QString::number(machines_) + ".db").toUtf8());
    Palm({"init", "--path", dir_.path() + "/palm" + QString::number(machines_)});
    for (const QString& u : users) Palm({"user", "add", u});
  }
  static bool Registered() {
    qplat::hotsync::Conduit c;
    return qplat::hotsync::FindConduit(kCreator, &c) == 0;
  }
  static std::string LastUsername() {
    qplat::HKEY key = nullptr;
    if (qplat::RegOpenKey(qplat::HKEY_CURRENT_USER, kProgramKey, &key) != 0) return "<no key>";
    qplat::DWORD type = 0;
    std::vector<uint8_t> data;
    const bool found = qplat::RegGetValue(key, "LastUsername", &type, &data) == 0;
    qplat::RegCloseKey(key);
    return found ? std::string(data.begin(), data.end()) : "<none>";
  }
  const InstallerFolders built_{QUILLET_LIB_DIR "/", QUILLET_DATA_DIR "/"};

 private slots:
  void initTestCase() {
    QVERIFY(dir_.isValid());
    // Started anywhere: the installer's files are never looked for here.
    QVERIFY(chdir(dir_.path().toLocal8Bit().constData()) == 0);
  }

  void oneUserGoesOnWithoutNext() {
    Setup({"Solo"});
    quillet::RecordingUI ui;
    quillet::ScopedUI scoped(&ui);
    CInstaller core;
    QVERIFY(core.Start(built_));
    InstallerWindow w(&core);
    QCOMPARE(w.size(), QSize(530, 240));
    QVERIFY(w.windowFlags() & Qt::WindowStaysOnTopHint);
    QVERIFY(!w.windowIcon().pixmap(16, 16).isNull());  // the program's own icon
    w.show();
    w.OpenUserSelection();
    QTRY_VERIFY_WITH_TIMEOUT(!w.isVisible(), 10000);
    QVERIFY(Registered());
    QCOMPARE(core.exitCode(), 0);
    // It ends by saying what it did.
    QCOMPARE(ui.messages.size(), size_t(1));
    QCOMPARE(ui.messages[0].text, DoneMessage("Solo"));
  }

  void severalUsersWaitForNextAndAreSorted() {
    Setup({"zoe", "Adam", "mike"});
    quillet::RecordingUI ui;
    quillet::ScopedUI scoped(&ui);
    CInstaller core;
    QVERIFY(core.Start(built_));
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
    QCOMPARE(LastUsername(), std::string("mike"));
  }

  void userNamesAreShownAndHandedBackThroughTheCodePage() {
    Setup({"J\u00f6rg", "Adam", "Zed"});
    quillet::RecordingUI ui;
    quillet::ScopedUI scoped(&ui);
    CInstaller core;
    QVERIFY(core.Start(built_));
    InstallerWindow w(&core);
    w.show();
    w.OpenUserSelection();
    auto* list = w.findChild<QComboBox*>("1000");
    QVERIFY(list);
    QCOMPARE(list->count(), 3);
    QCOMPARE(list->itemText(0), QString("Adam"));
    QCOMPARE(list->itemText(1), QString("J\u00f6rg"));
    list->setCurrentIndex(1);
    w.findChild<QPushButton*>("1")->click();
    QVERIFY(Registered());
    QCOMPARE(LastUsername(), std::string("J\xF6rg"));
    QCOMPARE(ui.messages.size(), size_t(1));
    QCOMPARE(ui.messages[0].text, DoneMessage("J\xF6rg"));
    QVERIFY(QFile::exists(dir_.path() + "/palm" + QString::number(machines_) + "/Jorg/Install/Quillet.prc"));
  }
};

QTEST_MAIN(InstallerWindowTest)
#include "installer_window_test.moc"
