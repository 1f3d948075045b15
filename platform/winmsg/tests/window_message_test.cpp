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

// Without a runtime folder the socket folder is one in /tmp that anybody
// could have made first.
class SocketFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/winmsg-folder-XXXXXX";
    base_ = mkdtemp(tmpl);
    fallback_ = base_ + "/quillet-" + std::to_string(getuid());
  }
  void TearDown() override { std::system(("rm -rf '" + base_ + "'").c_str()); }
  static unsigned Mode(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0 ? unsigned(st.st_mode & 07777) : 0xFFFFu;
  }

  std::string base_;
  std::string fallback_;
};

TEST_F(SocketFolderTest, MadePrivateWhenMissing) {
  ::umask(022);
  std::string problem = "stale";
  EXPECT_EQ(SocketFolderOf(nullptr, fallback_, &problem), fallback_);
  EXPECT_EQ(problem, "");
  EXPECT_EQ(Mode(fallback_), 0700u);
  // An unset, empty, missing or relative runtime folder all fall back to it
  // (".", a folder of ours, is no runtime folder: the XDG rules ignore a
  // relative one).
  EXPECT_EQ(SocketFolderOf("", fallback_), fallback_);
  EXPECT_EQ(SocketFolderOf((base_ + "/none").c_str(), fallback_), fallback_);
  EXPECT_EQ(SocketFolderOf(".", fallback_), fallback_);
}

TEST_F(SocketFolderTest, FolderOpenToOthersIsRefusedAndLeftAlone) {
  ASSERT_EQ(mkdir(fallback_.c_str(), 0700), 0);
  ASSERT_EQ(chmod(fallback_.c_str(), 0777), 0);
  std::string problem;
  qplat::PrivateFolderCheck check;
  EXPECT_EQ(SocketFolderOf(nullptr, fallback_, &problem, &check), "");
  EXPECT_NE(problem.find(fallback_), std::string::npos) << problem;
  EXPECT_NE(problem.find("open to other users (mode 0777)"), std::string::npos) << problem;
  EXPECT_EQ(check.problem, qplat::PrivateFolderCheck::Problem::kOpen);
  EXPECT_EQ(check.folder, fallback_);
  EXPECT_EQ(check.mode, 0777u);
  EXPECT_EQ(Mode(fallback_), 0777u);  // not ours to change
  // Group access alone is refused just the same, and so is a runtime folder.
  ASSERT_EQ(chmod(fallback_.c_str(), 0750), 0);
  EXPECT_EQ(SocketFolderOf(nullptr, fallback_), "");
  EXPECT_EQ(SocketFolderOf(fallback_.c_str(), base_ + "/other"), "");
}

TEST_F(SocketFolderTest, LinkOrFileInItsPlaceIsRefused) {
  const std::string theirs = base_ + "/theirs";
  ASSERT_EQ(mkdir(theirs.c_str(), 0700), 0);
  ASSERT_EQ(symlink(theirs.c_str(), fallback_.c_str()), 0);
  std::string problem;
  EXPECT_EQ(SocketFolderOf(nullptr, fallback_, &problem), "");
  EXPECT_NE(problem.find("symbolic link"), std::string::npos) << problem;
  unlink(fallback_.c_str());
  std::ofstream(fallback_) << "x";
  EXPECT_EQ(SocketFolderOf(nullptr, fallback_, &problem), "");
  EXPECT_NE(problem.find("not a folder"), std::string::npos) << problem;
}

TEST_F(SocketFolderTest, FolderOfAnotherUserIsRefused) {
  if (getuid() != 0) GTEST_SKIP() << "making a folder another user owns needs root";
  ASSERT_EQ(mkdir(fallback_.c_str(), 0700), 0);
  ASSERT_EQ(chown(fallback_.c_str(), 4242, 4242), 0);
  ASSERT_EQ(chmod(fallback_.c_str(), 0777), 0);
  std::string problem;
  EXPECT_EQ(SocketFolderOf(nullptr, fallback_, &problem), "");
  EXPECT_NE(problem.find("belongs to another user (user id 4242)"), std::string::npos) << problem;
  // Even mode 0700 does not make another user's folder ours.
  ASSERT_EQ(chmod(fallback_.c_str(), 0700), 0);
  EXPECT_EQ(SocketFolderOf(nullptr, fallback_), "");
}

TEST(SocketPath, RefusedFolderGivesNoSocketAndNoAnswer) {
  char tmpl[] = "/tmp/winmsg-rt-XXXXXX";
  std::string rt = mkdtemp(tmpl);
  ASSERT_EQ(chmod(rt.c_str(), 0777), 0);
  const char* old = std::getenv("XDG_RUNTIME_DIR");
  std::string saved = old ? old : "";
  setenv("XDG_RUNTIME_DIR", rt.c_str(), 1);
  // Somebody else's window listens in the open folder; it is never reached.
  MessageWindow theirs;
  ASSERT_EQ(theirs.Listen(rt + "/QuilletWND"), MessageWindow::ListenResult::kListening);
  EXPECT_EQ(SocketPathForClass("QuilletWND"), "");
  MessageWindow ours;
  EXPECT_EQ(ours.ListenForClass("QuilletWND"), MessageWindow::ListenResult::kFailed);
  EXPECT_EQ(ours.fd(), -1);
  uint32_t answer = 7;
  EXPECT_EQ(SendMessageToClass("QuilletWND", 0x3400, 0, 0, &answer, 200), SendResult::kNoWindow);
  EXPECT_EQ(answer, 7u);
  std::string problem;
  EXPECT_EQ(SocketFolder(&problem), "");
  EXPECT_NE(problem.find(rt), std::string::npos);
  theirs.Close();
  if (old) setenv("XDG_RUNTIME_DIR", saved.c_str(), 1); else unsetenv("XDG_RUNTIME_DIR");
  std::system(("rm -rf '" + rt + "'").c_str());
}

}  // namespace
}  // namespace quillet::winmsg
