// When the main window carries out what the HotSync notifier's message
// 0x3400 asks, and what it answers.
//
// The notifier blocks HotSync until it has its answer, and the answer never
// depends on what the program then does: it follows from the first
// parameter alone (NotifierAnswer). So every message is answered at once:
//
// - The ping, when no dialog is open and nothing is waiting, is carried out
//   before its answer: the main window saves what the record windows hold
//   (without asking anything), so that the conduit that runs next takes it
//   to the handheld.
// - Everything else waits in this queue and is carried out, in arrival
//   order, from the main window's own event loop once no dialog, message
//   box or menu is open. A dialog may be open while a stage arrives, and a
//   stage's own work (reopening a store) may open one: neither keeps
//   HotSync waiting, and no question is ever answered for another user than
//   the one it was asked about.
// - Messages that get the default processing (first parameter 4 and any
//   unknown one) do nothing and are not queued.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>

#include "desktop/shell/NotifierMessage.h"

namespace quillet {

struct NotifierStage {
  uint32_t wparam = 0;
  uint32_t lparam = 0;
  NotifierAction action = NotifierAction::kDefault;
  bool operator==(const NotifierStage&) const = default;
};

class CNotifierQueue {
 public:
  struct Arrival {
    uint32_t answer = 0;    // to be sent back at once
    bool handleNow = false;  // a ping to carry out before the answer is sent
    bool queued = false;     // waits for Next()
  };

  // A message arrived; `dialogOpen` tells whether a dialog, message box or
  // menu of the program is open at this moment.
  Arrival Arrive(uint32_t wparam, uint32_t lparam, bool dialogOpen);

  // The next message to carry out, none while a dialog is open or while a
  // message taken earlier is still being carried out (Done() not called):
  // its work may open a dialog, in whose event loop the queue must not be
  // run again.
  std::optional<NotifierStage> Next(bool dialogOpen);
  // The message taken by Next() has been carried out.
  void Done() { busy_ = false; }

  bool empty() const { return waiting_.empty(); }
  size_t size() const { return waiting_.size(); }
  bool busy() const { return busy_; }
  // Forgets every waiting message (the main window is closing).
  void Clear() { waiting_.clear(); }

 private:
  std::deque<NotifierStage> waiting_;
  bool busy_ = false;
};

}  // namespace quillet
