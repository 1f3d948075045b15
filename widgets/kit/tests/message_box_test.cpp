// The desktop's icon theme: followed where Qt knows none (the desktop's
// settings first, else a common full theme installed), kept where Qt has
// one; and the message boxes then show its pictures where it has them.
#include <QApplication>
#include <QColor>
#include <QDir>
#include <QFile>
#include <QIcon>
#include <QImage>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "base/UserInterface.h"
#include "widgets/kit/AppIcon.h"
#include "widgets/kit/QtForms.h"

using namespace quillet;

class MessageBoxTest : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() {
    QVERIFY(scratch_.isValid());
    // Two icon themes in a folder of themes: ours with one picture, a red
    // warning sign, and an empty "Adwaita".
    const QString themes = scratch_.path() + "/icons";
    MakeTheme(themes + "/quillet-test", true);
    MakeTheme(themes + "/Adwaita", false);
    QIcon::setThemeSearchPaths({themes});
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(scratch_.path() + "/config"));
  }

  void theDesktopsThemeIsFollowedWhereQtKnowsNone() {
    const QString settings = scratch_.path() + "/config/gtk-3.0/settings.ini";
    QVERIFY(QDir().mkpath(scratch_.path() + "/config/gtk-3.0"));
    // No settings: the common theme installed.
    QIcon::setThemeName("hicolor");
    QCOMPARE(FollowDesktopIconTheme(), QString("Adwaita"));
    // The desktop's settings name one that is installed.
    WriteFile(settings, "[Settings]\ngtk-icon-theme-name=quillet-test\n");
    QIcon::setThemeName("");
    QCOMPARE(FollowDesktopIconTheme(), QString("quillet-test"));
    // A theme Qt already follows is kept.
    QIcon::setThemeName("Adwaita");
    QCOMPARE(FollowDesktopIconTheme(), QString("Adwaita"));
    // A named theme that is not installed is passed over.
    WriteFile(settings, "[Settings]\ngtk-icon-theme-name=NotThere\n");
    QIcon::setThemeName("hicolor");
    QCOMPARE(FollowDesktopIconTheme(), QString("Adwaita"));
    QIcon::setThemeName("quillet-test");
  }

  void aWarningShowsTheThemesPictureAndOthersTheStyles() {
    QtUserInterface ui;
    ScopedUI scope(&ui);
    for (const auto& [flags, themed] : {std::pair{kMbIconExclamation, true}, std::pair{kMbIconInformation, false},
                                        std::pair{kMbIconError, false}}) {
      QImage shown;
      QTimer::singleShot(0, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
          shown = box->iconPixmap().toImage();
          QTest::keyClick(box, Qt::Key_Return);
        }
      });
      MessageRequest request;
      request.text = "Something to say";
      request.caption = "Quillet";
      request.flags = kMbOk | flags;
      QCOMPARE(ui.ShowMessage(request), int(kIdOk));
      QVERIFY(!shown.isNull());
      const QColor middle = shown.pixelColor(shown.width() / 2, shown.height() / 2);
      const bool red = middle.red() > 200 && middle.green() < 30 && middle.blue() < 30;
      QVERIFY2(red == themed, qPrintable(QString("flags %1: %2").arg(flags).arg(middle.name())));
    }
  }

 private:
  static void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
  }
  static void MakeTheme(const QString& root, bool withWarning) {
    QVERIFY(QDir().mkpath(root + "/48x48/status"));
    WriteFile(root + "/index.theme", "[Icon Theme]\nName=theme\nDirectories=48x48/status\n\n"
                                     "[48x48/status]\nSize=48\nType=Fixed\n");
    if (!withWarning) return;
    QImage red(48, 48, QImage::Format_ARGB32);
    red.fill(QColor(220, 0, 0));
    QVERIFY(red.save(root + "/48x48/status/dialog-warning.png"));
  }

  QTemporaryDir scratch_;
};

QTEST_MAIN(MessageBoxTest)
#include "message_box_test.moc"
