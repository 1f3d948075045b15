#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <thread>

#include "platform/winmsg/WindowMessage.h"

namespace quillet::winmsg {
namespace {

class WindowMessageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/winmsg-test-XXXXXX";
    dir_ = mkdtemp(tmpl);
    path_ = dir_ + "/QuilletWND";
  }
  void TearDown() override { std::system(("rm -rf '" + dir_ + "'").c_str()); }

  // Serves messages on a thread until stopped.
  void Serve(MessageWindow& window, MessageWindow::Handler handler) {
    server_ = std::thread([this, &window, handler] {
      while (!stop_) {
        pollfd p{window.fd(), POLLIN, 0};
        if (poll(&p, 1, 20) > 0) window.HandlePending(handler, 200);
      }
    });
  }
  void StopServing() {
    stop_ = true;
    if (server_.joinable()) server_.join();
  }

  std::string dir_, path_;
  std::thread server_;
  std::atomic<bool> stop_{false};
};

TEST_F(WindowMessageTest, NobodyListeningMeansNoWindow) {
  uint32_t answer = 77;
  EXPECT_EQ(SendMessageToPath(path_, 0x3400, 0, 0, &answer), SendResult::kNoWindow);
  EXPECT_EQ(answer, 77u);
}

TEST_F(WindowMessageTest, AnswersComeBackWithParametersIntact) {
  MessageWindow window;
  ASSERT_EQ(window.Listen(path_), MessageWindow::ListenResult::kListening);
  std::atomic<int> calls{0};
  Serve(window, [&](uint32_t msg, uint32_t w, uint32_t l) -> uint32_t {
    ++calls;
    if (msg == 0x3400 && w == 0) return 0x3400;
    return msg ^ w ^ l;
  });
  uint32_t answer = 0;
  ASSERT_EQ(SendMessageToPath(path_, 0x3400, 0, 0, &answer), SendResult::kAnswered);
  EXPECT_EQ(answer, 0x3400u);
  ASSERT_EQ(SendMessageToPath(path_, 0x3400, 2, 0xDEADBEEF, &answer), SendResult::kAnswered);
  EXPECT_EQ(answer, 0x3400u ^ 2u ^ 0xDEADBEEFu);
  StopServing();
  EXPECT_EQ(calls, 2);
}

TEST_F(WindowMessageTest, StaleSocketIsReplacedLiveOneIsNot) {
  // A socket file nobody accepts on, as a crashed run leaves it.
  {
    int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strcpy(addr.sun_path, path_.c_str());
    ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)), 0);
    close(fd);
  }
  MessageWindow first;
  EXPECT_EQ(first.Listen(path_), MessageWindow::ListenResult::kListening);

  MessageWindow second;
  EXPECT_EQ(second.Listen(path_), MessageWindow::ListenResult::kAlreadyRunning);
  EXPECT_EQ(second.fd(), -1);

  // The first still receives.
  Serve(first, [](uint32_t, uint32_t, uint32_t) -> uint32_t { return 5; });
  uint32_t answer = 0;
  EXPECT_EQ(SendMessageToPath(path_, 1, 0, 0, &answer), SendResult::kAnswered);
  EXPECT_EQ(answer, 5u);
  StopServing();
}

TEST_F(WindowMessageTest, NeverRemovesAFileThatIsNotASocket) {
  { std::ofstream(path_) << "precious"; }
  MessageWindow window;
  EXPECT_EQ(window.Listen(path_), MessageWindow::ListenResult::kFailed);
  std::ifstream in(path_);
  std::string text;
  in >> text;
  EXPECT_EQ(text, "precious");
}

TEST_F(WindowMessageTest, CloseRemovesOnlyItsOwnSocket) {
  MessageWindow window;
  ASSERT_EQ(window.Listen(path_), MessageWindow::ListenResult::kListening);
  window.Close();
  struct stat st;
  EXPECT_NE(lstat(path_.c_str(), &st), 0);

  // A successor took over the path after we stopped accepting: our Close
  // must not delete the successor's socket.
  MessageWindow a;
  ASSERT_EQ(a.Listen(path_), MessageWindow::ListenResult::kListening);
  unlink(path_.c_str());
  MessageWindow b;
  ASSERT_EQ(b.Listen(path_), MessageWindow::ListenResult::kListening);
  a.Close();
  EXPECT_EQ(lstat(path_.c_str(), &st), 0);
}

TEST_F(WindowMessageTest, SilentPeerDoesNotBlockTheNextSender) {
  MessageWindow window;
  ASSERT_EQ(window.Listen(path_), MessageWindow::ListenResult::kListening);
  // Connect and say nothing.
  int silent = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  std::strcpy(addr.sun_path, path_.c_str());
  ASSERT_EQ(connect(silent, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)), 0);

  Serve(window, [](uint32_t, uint32_t, uint32_t) -> uint32_t { return 42; });
  uint32_t answer = 0;
  EXPECT_EQ(SendMessageToPath(path_, 1, 0, 0, &answer, 5000), SendResult::kAnswered);
  EXPECT_EQ(answer, 42u);
  StopServing();
  close(silent);
}

TEST_F(WindowMessageTest, WindowThatNeverAnswersTimesOut) {
  MessageWindow window;  // listening, but nobody calls HandlePending
  ASSERT_EQ(window.Listen(path_), MessageWindow::ListenResult::kListening);
  uint32_t answer = 9;
  EXPECT_EQ(SendMessageToPath(path_, 0x3400, 0, 0, &answer, 100), SendResult::kNoAnswer);
  EXPECT_EQ(answer, 9u);
}

TEST(SocketPath, FollowsRuntimeFolder) {
  char tmpl[] = "/tmp/winmsg-rt-XXXXXX";
  std::string rt = mkdtemp(tmpl);
  const char* old = std::getenv("XDG_RUNTIME_DIR");
  std::string saved = old ? old : "";
  setenv("XDG_RUNTIME_DIR", rt.c_str(), 1);
  EXPECT_EQ(SocketPathForClass("QuilletWND"), rt + "/QuilletWND");
  setenv("XDG_RUNTIME_DIR", (rt + "/missing").c_str(), 1);
  EXPECT_EQ(SocketPathForClass("QuilletWND"),
            "/tmp/quillet-" + std::to_string(getuid()) + "/QuilletWND");
  if (old) setenv("XDG_RUNTIME_DIR", saved.c_str(), 1); else unsetenv("XDG_RUNTIME_DIR");
  rmdir(rt.c_str());
}

}  // namespace
}  // namespace quillet::winmsg
