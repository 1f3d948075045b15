#include "platform/winmsg/WindowMessage.h"

#include "platform/paths/ProgramPaths.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace quillet::winmsg {
namespace {

void PutU32(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
  p[2] = uint8_t(v >> 16);
  p[3] = uint8_t(v >> 24);
}

uint32_t GetU32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

bool MakeAddress(const std::string& path, sockaddr_un* addr) {
  std::memset(addr, 0, sizeof(*addr));
  addr->sun_family = AF_UNIX;
  if (path.empty() || path.size() >= sizeof(addr->sun_path)) return false;
  std::memcpy(addr->sun_path, path.data(), path.size());
  return true;
}

using Clock = std::chrono::steady_clock;

int RemainingMs(Clock::time_point deadline) {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left < 0 ? 0 : int(left);
}

// Reads exactly n bytes before the deadline; false on timeout, EOF or error.
bool ReadFully(int fd, uint8_t* buf, size_t n, Clock::time_point deadline) {
  size_t got = 0;
  while (got < n) {
    pollfd p{fd, POLLIN, 0};
    int r = poll(&p, 1, RemainingMs(deadline));
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) return false;
    ssize_t k = read(fd, buf + got, n - got);
    if (k < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (k <= 0) return false;
    got += size_t(k);
  }
  return true;
}

bool WriteFully(int fd, const uint8_t* buf, size_t n) {
  size_t put = 0;
  while (put < n) {
    ssize_t k = send(fd, buf + put, n - put, MSG_NOSIGNAL);
    if (k < 0 && errno == EINTR) continue;
    if (k <= 0) return false;
    put += size_t(k);
  }
  return true;
}

// Connects to path; -1 with errno set when nobody listens there.
int ConnectTo(const std::string& path) {
  sockaddr_un addr;
  if (!MakeAddress(path, &addr)) {
    errno = ENAMETOOLONG;
    return -1;
  }
  int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0) {
    int saved = errno;
    close(fd);
    errno = saved;
    return -1;
  }
  return fd;
}

}  // namespace

std::string SocketFolderOf(const char* runtimeDir, const std::string& fallback,
                           std::string* problem, qplat::PrivateFolderCheck* check) {
  std::string dir;
  struct stat st;
  if (runtimeDir && runtimeDir[0] == '/' && stat(runtimeDir, &st) == 0 && S_ISDIR(st.st_mode)) {
    dir = runtimeDir;
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  } else {
    dir = fallback;
    // Made private from the start; if it exists already, whoever made it is
    // checked below.
    mkdir(dir.c_str(), 0700);
  }
  const qplat::PrivateFolderCheck found = qplat::CheckPrivateFolder(dir);
  if (problem) *problem = qplat::PrivateFolderProblem(found, "for Quillet!'s messages");
  if (check) *check = found;
  return found.ok() ? dir : std::string();
}

std::string SocketFolder(std::string* problem, qplat::PrivateFolderCheck* check) {
  return SocketFolderOf(std::getenv("XDG_RUNTIME_DIR"), "/tmp/quillet-" + std::to_string(getuid()),
                        problem, check);
}

std::string SocketPathForClass(const std::string& windowClass) {
  std::string dir = SocketFolder();
  if (dir.empty()) return "";
  return dir + "/" + windowClass;
}

SendResult SendMessageToPath(const std::string& path, uint32_t message, uint32_t wparam,
                             uint32_t lparam, uint32_t* answer, int timeout_ms) {
  int fd = ConnectTo(path);
  if (fd < 0) return SendResult::kNoWindow;
  uint8_t request[12];
  PutU32(request, message);
  PutU32(request + 4, wparam);
  PutU32(request + 8, lparam);
  SendResult result = SendResult::kNoAnswer;
  if (WriteFully(fd, request, sizeof(request))) {
    uint8_t reply[4];
    if (ReadFully(fd, reply, sizeof(reply), Clock::now() + std::chrono::milliseconds(timeout_ms))) {
      if (answer) *answer = GetU32(reply);
      result = SendResult::kAnswered;
    }
  }
  close(fd);
  return result;
}

SendResult SendMessageToClass(const std::string& windowClass, uint32_t message, uint32_t wparam,
                              uint32_t lparam, uint32_t* answer, int timeout_ms) {
  return SendMessageToPath(SocketPathForClass(windowClass), message, wparam, lparam, answer,
                           timeout_ms);
}

MessageWindow::~MessageWindow() { Close(); }

MessageWindow::ListenResult MessageWindow::Listen(const std::string& path) {
  Close();
  sockaddr_un addr;
  if (!MakeAddress(path, &addr)) return ListenResult::kFailed;

  // Somebody there? Then another instance owns the class. A file nobody
  // accepts on is what a crashed run leaves behind: replace it.
  int probe = ConnectTo(path);
  if (probe >= 0) {
    close(probe);
    return ListenResult::kAlreadyRunning;
  }
  struct stat st;
  if (lstat(path.c_str(), &st) == 0) {
    if (!S_ISSOCK(st.st_mode)) return ListenResult::kFailed;  // never remove a regular file
    unlink(path.c_str());
  }

  int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return ListenResult::kFailed;
  if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0 || listen(fd, 16) != 0) {
    close(fd);
    return ListenResult::kFailed;
  }
  chmod(path.c_str(), 0600);
  fd_ = fd;
  path_ = path;
  inode_ = lstat(path.c_str(), &st) == 0 ? uint64_t(st.st_ino) : 0;
  return ListenResult::kListening;
}

int MessageWindow::HandlePending(const Handler& handler, int read_timeout_ms) {
  if (fd_ < 0) return 0;
  int answered = 0;
  for (;;) {
    int peer = accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (peer < 0) {
      if (errno == EINTR) continue;
      break;  // EAGAIN: nobody else waiting
    }
    uint8_t request[12];
    if (ReadFully(peer, request, sizeof(request),
                  Clock::now() + std::chrono::milliseconds(read_timeout_ms))) {
      uint32_t result = handler(GetU32(request), GetU32(request + 4), GetU32(request + 8));
      uint8_t reply[4];
      PutU32(reply, result);
      if (WriteFully(peer, reply, sizeof(reply))) ++answered;
    }
    close(peer);
  }
  return answered;
}

void MessageWindow::Close() {
  if (fd_ < 0) return;
  close(fd_);
  fd_ = -1;
  struct stat st;
  if (!path_.empty() && lstat(path_.c_str(), &st) == 0 && uint64_t(st.st_ino) == inode_)
    unlink(path_.c_str());
  path_.clear();
}

}  // namespace quillet::winmsg
