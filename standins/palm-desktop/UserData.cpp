// libUserData.so: the Palm Desktop user library stand-in. Only the Um*
// functions are visible outside; everything else (the registry store
// included) is kept inside the library.
#include "platform/palm/UserData.h"

#include <cstring>
#include <string>
#include <vector>

#include "platform/palm/PalmUsers.h"

#define UM_EXPORT extern "C" __attribute__((visibility("default")))

using qplat::palm::PalmUser;

namespace {

// Copies `text` and its zero into the caller's buffer, or tells the size needed.
int32_t CopyOut(const std::string& text, char* buffer, int32_t* size) {
  if (!buffer || !size || *size <= 0) return kUmBadArgument;
  int32_t needed = static_cast<int32_t>(text.size()) + 1;
  if (needed > *size) {
    buffer[0] = 0;
    *size = needed;
    return kUmBufferTooSmall;
  }
  std::memcpy(buffer, text.c_str(), needed);
  *size = needed;
  return kUmOk;
}

int32_t Lookup(uint32_t id, PalmUser* user) {
  qplat::LONG st = qplat::palm::FindUserById(id, user);
  if (st == qplat::ERROR_SUCCESS) return kUmOk;
  return st == qplat::ERROR_FILE_NOT_FOUND ? kUmNotFound : kUmStoreError;
}

}  // namespace

UM_EXPORT uint16_t UmGetUserCount(void) {
  std::vector<PalmUser> users;
  if (qplat::palm::ListUsers(&users)) return 0;
  return users.size() > 0xFFFF ? 0xFFFF : static_cast<uint16_t>(users.size());
}

UM_EXPORT int32_t UmGetUserID(uint16_t index, uint32_t* userId) {
  if (!userId) return kUmBadArgument;
  std::vector<PalmUser> users;
  if (qplat::palm::ListUsers(&users)) return kUmStoreError;
  if (index >= users.size()) return kUmNotFound;
  *userId = users[index].id;
  return kUmOk;
}

UM_EXPORT int32_t UmGetUserName(uint32_t userId, char* buffer, int32_t* size) {
  PalmUser u;
  if (int32_t st = Lookup(userId, &u)) {
    if (buffer && size && *size > 0) buffer[0] = 0;
    return st;
  }
  return CopyOut(u.name, buffer, size);
}

UM_EXPORT int32_t UmGetUserDirectory(uint32_t userId, char* buffer, int32_t* size) {
  PalmUser u;
  if (int32_t st = Lookup(userId, &u)) {
    if (buffer && size && *size > 0) buffer[0] = 0;
    return st;
  }
  return CopyOut(u.folder, buffer, size);
}

UM_EXPORT int32_t UmGetIDFromPath(const char* folder, uint32_t* userId) {
  if (!folder) return kUmBadArgument;
  // Accept "Ann", "Ann/" or ".../Ann/".
  std::string f = folder;
  while (!f.empty() && (f.back() == '/' || f.back() == '\\')) f.pop_back();
  size_t cut = f.find_last_of("/\\");
  if (cut != std::string::npos) f = f.substr(cut + 1);
  std::vector<PalmUser> users;
  if (qplat::palm::ListUsers(&users)) return kUmStoreError;
  for (const auto& u : users) {
    if (u.folder == f) {
      if (userId) *userId = u.id;
      return kUmOk;
    }
  }
  return kUmNotFound;
}

UM_EXPORT int32_t UmGetUserPassword(uint32_t userId, uint8_t* buffer, int32_t* size) {
  PalmUser u;
  // Only a user we know to have no password answers 0: an unknown user, or
  // a store that cannot be read, must never look like "no password".
  int32_t found = Lookup(userId, &u);
  if (found != kUmOk) return found;
  if (!u.hasPassword) return 0;
  if (!buffer || !size || *size < static_cast<int32_t>(u.password.size())) {
    if (size) *size = static_cast<int32_t>(u.password.size());
    return kUmBufferTooSmall;
  }
  std::memcpy(buffer, u.password.data(), u.password.size());
  *size = static_cast<int32_t>(u.password.size());
  return 1;
}
