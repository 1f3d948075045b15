// The Palm Desktop stand-in's user store, shared by libUserData.so and the
// quillet-palm-desktop command. See UserData.h for the layout in the registry.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/registry/Registry.h"

namespace qplat::palm {

inline constexpr char kPilotDesktopKey[] = "Software\\U.S. Robotics\\Pilot Desktop";
inline constexpr char kCoreKey[] = "Software\\U.S. Robotics\\Pilot Desktop\\Core";
inline constexpr char kPreferencesKey[] = "Software\\U.S. Robotics\\Pilot Desktop\\Preferences";
inline constexpr char kUsersKey[] = "Software\\U.S. Robotics\\Pilot Desktop\\Users";
// The add-on entry Quillet! registers itself in.
inline constexpr char kQuilletAddOnKey[] = "Software\\U.S. Robotics\\Pilot Desktop\\Quillet";
// 'QLTN' with the first character in the most significant byte.
inline constexpr uint32_t kQuilletCreator = 0x514C544E;

// Longest user name and folder name accepted, in bytes.
inline constexpr size_t kMaxUserName = 127;
inline constexpr size_t kMaxFolderName = 64;
// A password must stay under this many bytes (longer ones can never be
// typed into the check).
inline constexpr size_t kMaxPassword = 31;

using Digest = std::array<uint8_t, 16>;

struct PalmUser {
  uint32_t id = 0;
  std::string name;
  std::string folder;     // relative to the data folder, no trailing '/'
  bool hasPassword = false;
  Digest password{};      // MD5 of the password's bytes
};

// MD5 (RFC 1321) of the bytes of `text`.
Digest PasswordDigest(const std::string& text);

// All users in list order. ERROR_SUCCESS also when there are none.
LONG ListUsers(std::vector<PalmUser>* users);
LONG FindUserById(uint32_t id, PalmUser* user);
// Names compare byte for byte.
LONG FindUserByName(const std::string& name, PalmUser* user);

// True for a plain folder name: not empty, not "." or "..", no separators
// or control characters, at most kMaxFolderName bytes.
bool IsValidFolderName(const std::string& folder);
bool IsValidUserName(const std::string& name);
// A folder name made from the user name (unsafe and non-ASCII characters
// dropped), made unique among `taken` by a number.
std::string FolderForName(const std::string& name, const std::vector<PalmUser>& taken);

// Adds a user. ERROR_ALREADY_EXISTS for a taken name or folder,
// ERROR_INVALID_PARAMETER for a bad name, folder or password. An empty
// `folder` picks one from the name; an empty `password` means none.
LONG AddUser(const std::string& name, const std::string& folder, const std::string& password,
             PalmUser* added);
LONG RemoveUser(const std::string& name);
// An empty password removes it.
LONG SetUserPassword(const std::string& name, const std::string& password);

}  // namespace qplat::palm
