#include "programs/notifier/QuilletNotify10.h"

#include "platform/winmsg/WindowMessage.h"

namespace {

constexpr const char* kMainWindowClass = "QuilletWND";
constexpr uint32_t kMessage = 0x3400;

// A main program that is alive answers the ping at once; one that does not
// within this time is treated as hung, as a window that does not answer the
// ping is.
constexpr int kPingTimeoutMs = 5000;
// A stage message may make the program reopen the store and refresh every
// window. HotSync waits for that, but not forever: a program that hangs
// while handling it must not stop the synchronisation for good.
constexpr int kStageTimeoutMs = 120000;

bool Send(uint32_t wparam, uint32_t lparam, uint32_t* answer, int timeout_ms) {
  using quillet::winmsg::SendMessageToClass;
  using quillet::winmsg::SendResult;
  return SendMessageToClass(kMainWindowClass, kMessage, wparam, lparam, answer, timeout_ms) ==
         SendResult::kAnswered;
}

}  // namespace

extern "C" int32_t GetNotifierVersion() { return 0; }

// Stage code -> first parameter sent, and whether the answer matters:
//   0 -> 5 (second parameter 0)   1 if the program answered 0, else 0
//   1 -> 1 (param)                1 if the program answered 0, else 0
//   2 -> 2 (param: the user id)   1
//   3 -> 3 (param)                1
//   4 -> 6 (param)                1
//   other: nothing sent           1
// With no main program running, or one that does not answer the ping with
// the message number, nothing is sent and the result is 1.
extern "C" int32_t HS_Notify(int32_t type, int32_t param) {
  uint32_t answer = 0;
  if (!Send(0, 0, &answer, kPingTimeoutMs) || answer != kMessage) return 1;

  uint32_t wparam = 0;
  uint32_t lparam = static_cast<uint32_t>(param);
  switch (type) {
    case 0: wparam = 5; lparam = 0; break;
    case 1: wparam = 1; break;
    case 2: wparam = 2; break;
    case 3: wparam = 3; break;
    case 4: wparam = 6; break;
    default: return 1;
  }
  answer = 0;
  bool answered = Send(wparam, lparam, &answer, kStageTimeoutMs);
  if (type == 0 || type == 1) return answered && answer != 0 ? 0 : 1;
  return 1;
}
