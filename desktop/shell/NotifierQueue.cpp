#include "desktop/shell/NotifierQueue.h"

namespace quillet {

CNotifierQueue::Arrival CNotifierQueue::Arrive(uint32_t wparam, uint32_t lparam, bool dialogOpen) {
  Arrival a;
  const NotifierAction action = NotifierActionFor(wparam);
  a.answer = NotifierAnswer(action);
  if (action == NotifierAction::kDefault || action == NotifierAction::kNothing) return a;
  // A ping is carried out at once only when nothing before it still waits:
  // the stages keep their order.
  if (action == NotifierAction::kPing && !dialogOpen && waiting_.empty() && !busy_) {
    a.handleNow = true;
    return a;
  }
  waiting_.push_back({wparam, lparam, action});
  a.queued = true;
  return a;
}

std::optional<NotifierStage> CNotifierQueue::Next(bool dialogOpen) {
  if (dialogOpen || busy_ || waiting_.empty()) return std::nullopt;
  NotifierStage next = waiting_.front();
  waiting_.pop_front();
  busy_ = true;
  return next;
}

}  // namespace quillet
