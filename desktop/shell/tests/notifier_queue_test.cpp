#include <gtest/gtest.h>

#include "desktop/shell/Commands.h"
#include "desktop/shell/NotifierQueue.h"

namespace quillet {
namespace {

// What HS_Notify sends for its stage codes 0 to 4: a ping before each,
// then the stage (0 -> 5, 1 -> 1, 2 -> 2, 3 -> 3, 4 -> 6).
TEST(NotifierQueue, EveryMessageIsAnsweredAtOnceByItsFirstParameter) {
  CNotifierQueue q;
  for (bool dialog : {false, true}) {
    EXPECT_EQ(q.Arrive(0, 0, dialog).answer, kNotifierMessage);
    for (uint32_t w : {1u, 2u, 3u, 4u, 5u, 6u, 99u}) EXPECT_EQ(q.Arrive(w, 7, dialog).answer, 0u) << w;
  }
}

TEST(NotifierQueue, APingWithNoDialogOpenIsCarriedOutBeforeItsAnswer) {
  CNotifierQueue q;
  const CNotifierQueue::Arrival a = q.Arrive(0, 0, false);
  EXPECT_TRUE(a.handleNow);
  EXPECT_FALSE(a.queued);
  EXPECT_TRUE(q.empty());
}

TEST(NotifierQueue, StagesWaitAndComeOutInArrivalOrderOnceNoDialogIsOpen) {
  CNotifierQueue q;
  // A HotSync while a message box is open.
  EXPECT_TRUE(q.Arrive(0, 0, true).queued);
  EXPECT_TRUE(q.Arrive(5, 0, true).queued);
  EXPECT_FALSE(q.Arrive(1, 3, true).queued);  // stage 1 needs nothing of us
  EXPECT_TRUE(q.Arrive(0, 0, true).queued);
  EXPECT_TRUE(q.Arrive(2, 3, true).queued);
  EXPECT_FALSE(q.Arrive(4, 0, true).queued);  // default processing
  EXPECT_EQ(q.size(), 4u);
  EXPECT_EQ(q.Next(true), std::nullopt);  // still open

  const NotifierStage expected[] = {{0, 0, NotifierAction::kPing},
                                    {5, 0, NotifierAction::kFilterAllAndStart},
                                    {0, 0, NotifierAction::kPing},
                                    {2, 3, NotifierAction::kSwitchUser}};
  for (const NotifierStage& e : expected) {
    std::optional<NotifierStage> next = q.Next(false);
    ASSERT_TRUE(next);
    EXPECT_EQ(*next, e);
    q.Done();
  }
  EXPECT_EQ(q.Next(false), std::nullopt);
}

TEST(NotifierQueue, APingBehindWaitingStagesWaitsItsTurn) {
  CNotifierQueue q;
  q.Arrive(2, 1, false);  // a user switch, not yet carried out
  const CNotifierQueue::Arrival ping = q.Arrive(0, 0, false);
  EXPECT_FALSE(ping.handleNow);
  EXPECT_TRUE(ping.queued);
  EXPECT_EQ(q.Next(false)->wparam, 2u);
}

TEST(NotifierQueue, NothingIsTakenWhileATakenStageIsStillBeingCarriedOut) {
  CNotifierQueue q;
  q.Arrive(2, 1, false);
  q.Arrive(5, 0, false);
  ASSERT_TRUE(q.Next(false));
  EXPECT_TRUE(q.busy());
  // Its work opened a dialog and closed it again: still the same stage.
  EXPECT_EQ(q.Next(false), std::nullopt);
  // A ping meanwhile waits too, instead of being carried out inside it.
  EXPECT_TRUE(q.Arrive(0, 0, false).queued);
  q.Done();
  EXPECT_EQ(q.Next(false)->wparam, 5u);
  q.Done();
  EXPECT_EQ(q.Next(false)->wparam, 0u);
}

}  // namespace
}  // namespace quillet
