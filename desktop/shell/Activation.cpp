#include "desktop/shell/Activation.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/files/SafeFiles.h"
#include "platform/winmsg/WindowMessage.h"

namespace quillet {
namespace {

constexpr const char* kVariables[] = {"XDG_ACTIVATION_TOKEN", "DESKTOP_STARTUP_ID"};

bool IsToken(const std::string& value) {
  if (value.empty() || value.size() > kMaxActivationToken) return false;
  for (unsigned char c : value)
    if (c < 0x21 || c > 0x7E) return false;
  return true;
}

bool IsVariable(const std::string& name) {
  for (const char* v : kVariables)
    if (name == v) return true;
  return false;
}

std::string TokenFile(const std::string& windowClass) {
  const std::string socket = winmsg::SocketPathForClass(windowClass);
  return socket.empty() ? std::string() : socket + ".activation";
}

}  // namespace

std::optional<ActivationToken> LaunchToken() {
  for (const char* variable : kVariables) {
    const char* value = std::getenv(variable);
    if (value != nullptr && IsToken(value)) return ActivationToken{variable, value};
  }
  return std::nullopt;
}

bool HandOverActivationToken(const std::string& windowClass, const ActivationToken& token) {
  if (!IsVariable(token.variable) || !IsToken(token.value)) return false;
  const std::string path = TokenFile(windowClass);
  if (path.empty()) return false;
  return ReplaceFileContents(path, token.variable + "=" + token.value + "\n") == 0;
}

std::optional<ActivationToken> TakeActivationToken(const std::string& windowClass) {
  const std::string path = TokenFile(windowClass);
  if (path.empty()) return std::nullopt;
  const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  ::unlink(path.c_str());  // used once, whatever it holds
  if (fd < 0) return std::nullopt;
  struct stat st;
  std::string text;
  const size_t most = kMaxActivationToken + 32;
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid() &&
      static_cast<uint64_t>(st.st_size) <= most) {
    char buffer[kMaxActivationToken + 32];
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got > 0) text.assign(buffer, static_cast<size_t>(got));
  }
  ::close(fd);
  if (!text.empty() && text.back() == '\n') text.pop_back();
  const size_t equals = text.find('=');
  if (equals == std::string::npos) return std::nullopt;
  ActivationToken token{text.substr(0, equals), text.substr(equals + 1)};
  if (!IsVariable(token.variable) || !IsToken(token.value)) return std::nullopt;
  return token;
}

}  // namespace quillet
