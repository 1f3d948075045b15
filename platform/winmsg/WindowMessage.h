// Private window messages between our programs.
//
// On the original platform the HotSync notifier found the main program's
// window by its class and sent it a message, blocking until the window's
// thread had answered. Here a window that wants to receive such messages
// listens on a Unix-domain socket named after its class in the user's
// runtime folder; a sender connects, writes one request and waits for the
// 32-bit answer. One connection carries one message, so a sender never sees
// another sender's answer.
//
// Wire form (little-endian): request = message, wparam, lparam (3 x u32);
// answer = result (u32).
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/paths/ProgramPaths.h"

namespace quillet::winmsg {

// The folder the sockets live in: $XDG_RUNTIME_DIR when it is set and
// exists, else "/tmp/quillet-<uid>", created with mode 0700. Another local
// user may have made either first, to answer in our place; so the folder
// is used only when it is a real folder (not a symbolic link), owned by
// us, and closed to everybody else (no group or other permissions).
// Otherwise "" is returned, *problem (when given) says why in English for
// the log, naming the folder, and *check (when given) is what was found,
// for saying it in the person's language (base/FolderSentences.h). A
// relative $XDG_RUNTIME_DIR is not one (the XDG rules say to ignore it).
std::string SocketFolder(std::string* problem = nullptr, qplat::PrivateFolderCheck* check = nullptr);
// The same choice with the two places given (tests): `runtimeDir` as
// $XDG_RUNTIME_DIR, `fallback` as "/tmp/quillet-<uid>".
std::string SocketFolderOf(const char* runtimeDir, const std::string& fallback,
                           std::string* problem = nullptr, qplat::PrivateFolderCheck* check = nullptr);

// SocketFolder() + "/" + windowClass; "" when the folder is refused.
std::string SocketPathForClass(const std::string& windowClass);

enum class SendResult {
  kAnswered,     // *answer holds the window's answer
  kNoWindow,     // no window of that class is listening
  kNoAnswer,     // connected, but the window did not answer in time
};

// Sends one message and waits up to `timeout_ms` for the answer.
SendResult SendMessageToClass(const std::string& windowClass, uint32_t message,
                              uint32_t wparam, uint32_t lparam, uint32_t* answer,
                              int timeout_ms = 30000);

// Same, to an explicit socket path (tests).
SendResult SendMessageToPath(const std::string& path, uint32_t message, uint32_t wparam,
                             uint32_t lparam, uint32_t* answer, int timeout_ms = 30000);

// The receiving side. Not thread-safe: one owner polls it (the main
// program hooks fd() into its event loop and calls HandlePending()).
class MessageWindow {
 public:
  using Handler = std::function<uint32_t(uint32_t message, uint32_t wparam, uint32_t lparam)>;

  enum class ListenResult {
    kListening,
    kAlreadyRunning,  // another live program owns the class
    kFailed,          // the socket could not be made
  };

  MessageWindow() = default;
  ~MessageWindow();
  MessageWindow(const MessageWindow&) = delete;
  MessageWindow& operator=(const MessageWindow&) = delete;

  // Starts listening at `path`. A socket file left by a program that
  // crashed (nobody accepts on it) is replaced; a live one is not.
  ListenResult Listen(const std::string& path);
  // kFailed, without touching anything, when the socket folder is refused
  // (see SocketFolder for the reason to show).
  ListenResult ListenForClass(const std::string& windowClass) {
    return Listen(SocketPathForClass(windowClass));
  }

  // The listening descriptor, -1 when not listening.
  int fd() const { return fd_; }
  const std::string& path() const { return path_; }

  // Accepts and answers every connection that is waiting, calling `handler`
  // for each complete request. Returns the number of messages answered.
  // A peer that connects and sends nothing within `read_timeout_ms` is
  // dropped, so a stray client cannot hang the user interface.
  int HandlePending(const Handler& handler, int read_timeout_ms = 1000);

  // Stops listening and removes the socket file.
  void Close();

 private:
  int fd_ = -1;
  std::string path_;
  uint64_t inode_ = 0;  // of our socket file, so Close never removes a successor's
};

}  // namespace quillet::winmsg
