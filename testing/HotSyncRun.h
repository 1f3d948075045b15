// A HotSync against a running main window, for the tests that drive one:
// the stand-in HotSync manager run with the notifier library, which finds
// the main window's message window over the real socket, and the wait for
// the main window to carry out the stages it answered.
#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>

namespace quillet {
class CWndMgr;
}

namespace quillet::test {

// Runs the stand-in HotSync manager with the notifier library for Palm user
// `userId` and the given stages, handling events meanwhile; its output.
QString HotSync(uint32_t userId, const QStringList& stages);

// Waits until the main window has carried out every stage it answered;
// false when some are still waiting after ten seconds.
bool StagesCarriedOut(CWndMgr* mgr);

}  // namespace quillet::test
