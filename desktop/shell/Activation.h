// The launcher's activation token, handed from a second start to the
// running window. A desktop gives the person's launch a token (Wayland's
// XDG_ACTIVATION_TOKEN, X11's DESKTOP_STARTUP_ID) and lets a window come to
// the front only with it; a second start that just asks the running program
// to raise itself would be refused, so it passes its token along.
//
// The token goes through a file beside the program's socket (the private
// runtime folder, see platform/winmsg/WindowMessage.h), written 0600 before
// the raise message is sent and taken (read and removed) when the message
// is answered. A token is at most kMaxActivationToken printable ASCII
// characters; anything else in the file is refused. No Qt here.
#pragma once

#include <optional>
#include <string>

namespace quillet {

inline constexpr size_t kMaxActivationToken = 512;

struct ActivationToken {
  std::string variable;  // "XDG_ACTIVATION_TOKEN" or "DESKTOP_STARTUP_ID"
  std::string value;
};

// The token this process was started with, from its environment (the
// Wayland one first); none when neither is set or the value is no token.
std::optional<ActivationToken> LaunchToken();

// Leaves `token` for the running program of `windowClass`; false when the
// socket folder is refused or the file could not be written.
bool HandOverActivationToken(const std::string& windowClass, const ActivationToken& token);

// Takes the token left for `windowClass` (the file is removed either way);
// none when there is none, or the file is not a regular file of ours, is
// too long, or holds no token.
std::optional<ActivationToken> TakeActivationToken(const std::string& windowClass);

}  // namespace quillet
