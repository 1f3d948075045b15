// The notifier as HotSync sees it: loaded with dlopen, called by name,
// talking to a stand-in main window that records what reaches it.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <poll.h>

#include <atomic>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/winmsg/WindowMessage.h"

namespace {

using quillet::winmsg::MessageWindow;

struct Received {
  uint32_t message, wparam, lparam;
};

class NotifierTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/notifier-test-XXXXXX";
    runtime_ = mkdtemp(tmpl);
    setenv("XDG_RUNTIME_DIR", runtime_.c_str(), 1);
    lib_ = dlopen(QUILLET_LIB_DIR "/libQuilletNotify10.so", RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(lib_, nullptr) << dlerror();
    version_ = reinterpret_cast<int32_t (*)()>(dlsym(lib_, "GetNotifierVersion"));
    notify_ = reinterpret_cast<int32_t (*)(int32_t, int32_t)>(dlsym(lib_, "HS_Notify"));
    ASSERT_NE(version_, nullptr);
    ASSERT_NE(notify_, nullptr);
  }

  void TearDown() override {
    StopWindow();
    if (lib_) dlclose(lib_);
    std::system(("rm -rf '" + runtime_ + "'").c_str());
  }

  // A main window whose answers come from `answer`.
  void StartWindow(std::function<uint32_t(uint32_t, uint32_t)> answer) {
    ASSERT_EQ(window_.ListenForClass("QuilletWND"), MessageWindow::ListenResult::kListening);
    thread_ = std::thread([this, answer] {
      while (!stop_) {
        pollfd p{window_.fd(), POLLIN, 0};
        if (poll(&p, 1, 10) <= 0) continue;
        window_.HandlePending([&](uint32_t m, uint32_t w, uint32_t l) {
          std::lock_guard<std::mutex> lock(mu_);
          received_.push_back({m, w, l});
          return answer(w, l);
        });
      }
    });
  }

  void StopWindow() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    window_.Close();
  }

  std::vector<Received> TakeReceived() {
    std::lock_guard<std::mutex> lock(mu_);
    auto r = received_;
    received_.clear();
    return r;
  }

  // What the real main window answers: the ping with the message number,
  // everything else with `other`.
  static std::function<uint32_t(uint32_t, uint32_t)> Answering(uint32_t other) {
    return [other](uint32_t w, uint32_t) { return w == 0 ? 0x3400u : other; };
  }

  std::string runtime_;
  void* lib_ = nullptr;
  int32_t (*version_)() = nullptr;
  int32_t (*notify_)(int32_t, int32_t) = nullptr;
  MessageWindow window_;
  std::thread thread_;
  std::atomic<bool> stop_{false};
  std::mutex mu_;
  std::vector<Received> received_;
};

TEST_F(NotifierTest, VersionIsZeroAndNoProgramMeansSuccessForEveryStage) {
  EXPECT_EQ(version_(), 0);
  for (int type : {0, 1, 2, 3, 4, 5, -1}) EXPECT_EQ(notify_(type, 1234), 1) << type;
}

TEST_F(NotifierTest, StagesArriveTranslatedAfterAPing) {
  StartWindow(Answering(0));
  const struct {
    int type;
    uint32_t wparam, lparam;
  } cases[] = {{0, 5, 0}, {1, 1, 77}, {2, 2, 77}, {3, 3, 77}, {4, 6, 77}};
  for (const auto& c : cases) {
    EXPECT_EQ(notify_(c.type, 77), 1) << c.type;
    auto got = TakeReceived();
    ASSERT_EQ(got.size(), 2u) << c.type;
    EXPECT_EQ(got[0].message, 0x3400u);
    EXPECT_EQ(got[0].wparam, 0u);
    EXPECT_EQ(got[0].lparam, 0u);
    EXPECT_EQ(got[1].message, 0x3400u);
    EXPECT_EQ(got[1].wparam, c.wparam) << c.type;
    EXPECT_EQ(got[1].lparam, c.lparam) << c.type;
  }
}

TEST_F(NotifierTest, OnlyTheFirstTwoStagesLookAtTheAnswer) {
  StartWindow(Answering(9));
  EXPECT_EQ(notify_(0, 0), 0);
  EXPECT_EQ(notify_(1, 0), 0);
  EXPECT_EQ(notify_(2, 0), 1);
  EXPECT_EQ(notify_(3, 0), 1);
  EXPECT_EQ(notify_(4, 0), 1);
}

TEST_F(NotifierTest, UnknownStagesArePingedOnly) {
  StartWindow(Answering(0));
  for (int type : {5, 17, -1}) {
    EXPECT_EQ(notify_(type, 3), 1);
    auto got = TakeReceived();
    ASSERT_EQ(got.size(), 1u) << type;
    EXPECT_EQ(got[0].wparam, 0u);
  }
}

TEST_F(NotifierTest, AWindowThatAnswersThePingWronglyGetsNoStage) {
  StartWindow([](uint32_t, uint32_t) { return 0u; });
  EXPECT_EQ(notify_(1, 5), 1);
  EXPECT_EQ(TakeReceived().size(), 1u);
}

}  // namespace
