#include "testing/HotSyncRun.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QTest>

#include "app/HotSyncGlue.h"
#include "app/WndMgr.h"

namespace quillet::test {

QString HotSync(uint32_t userId, const QStringList& stages) {
  QStringList args = {"--notifier", QString(QUILLET_LIB_DIR) + "/libQuilletNotify10.so", "--user-id",
                      QString::number(userId)};
  for (const QString& s : stages) args << "--stage" << s;
  QProcess p;
  p.start(QString(QUILLET_BIN_DIR) + "/quillet-hotsync", args);
  QDeadlineTimer deadline(20000);
  while (p.state() != QProcess::NotRunning && !deadline.hasExpired()) QTest::qWait(20);
  return p.readAllStandardOutput();
}

bool StagesCarriedOut(CWndMgr* mgr) {
  QDeadlineTimer deadline(10000);
  while ((!mgr->hotsync().queue().empty() || mgr->hotsync().queue().busy()) && !deadline.hasExpired())
    QTest::qWait(20);
  QTest::qWait(20);
  return mgr->hotsync().queue().empty();
}

}  // namespace quillet::test
