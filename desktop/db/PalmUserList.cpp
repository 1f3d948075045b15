#include "desktop/db/PalmUserList.h"

#include <dlfcn.h>
#include <openssl/evp.h>

#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "base/AppPaths.h"
#include "base/DiagnosticLog.h"
#include "base/Strings.h"
#include "base/UserInterface.h"
#include "platform/palm/UserData.h"

namespace quillet {

struct CPalmUserList::Functions {
  UmGetUserCountFn count = nullptr;
  UmGetUserIDFn id = nullptr;
  UmGetUserNameFn name = nullptr;
  UmGetUserDirectoryFn directory = nullptr;
  UmGetIDFromPathFn fromPath = nullptr;
  UmGetUserPasswordFn password = nullptr;
};

CPalmUserList::CPalmUserList() : fn_(std::make_unique<Functions>()) {
  nameBuffer[0] = 0;
  folderBuffer[0] = 0;
}

CPalmUserList::~CPalmUserList() {
  entries.clear();
  Unload();
  reg_.CloseKey();
}

void CPalmUserList::Unload() {
  *fn_ = Functions{};
  if (library_) dlclose(library_);
  library_ = nullptr;
}

bool CPalmUserList::Build() {
  entries.clear();
  userCount = 0;
  Unload();
  // The library is one of ours: it lies in our library folder, never
  // where the data or the current folder are.
  const std::string folder = LibraryFolder();
  std::string path = folder.empty() ? std::string() : folder + kUserDataLibrary;
  library_ = path.empty() ? nullptr : dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (library_) {
    fn_->count = reinterpret_cast<UmGetUserCountFn>(dlsym(library_, "UmGetUserCount"));
    fn_->id = reinterpret_cast<UmGetUserIDFn>(dlsym(library_, "UmGetUserID"));
    fn_->name = reinterpret_cast<UmGetUserNameFn>(dlsym(library_, "UmGetUserName"));
    fn_->directory = reinterpret_cast<UmGetUserDirectoryFn>(dlsym(library_, "UmGetUserDirectory"));
    fn_->fromPath = reinterpret_cast<UmGetIDFromPathFn>(dlsym(library_, "UmGetIDFromPath"));
    fn_->password = reinterpret_cast<UmGetUserPasswordFn>(dlsym(library_, "UmGetUserPassword"));
  }
  // A library without one of its functions is as good as none: calling a
  // missing one would crash.
  if (!library_ || !fn_->count || !fn_->id || !fn_->name || !fn_->directory || !fn_->fromPath ||
      !fn_->password) {
    Unload();
    MessageRequest r;
    r.text = translate("UserData", kUserDataLoadFailed);
    r.caption = kCaption;
    r.flags = kMbOk | kMbIconError;
    UI().ShowMessage(r);
    return false;
  }

  userCount = fn_->count();
  for (uint16_t i = 0; i < userCount && entries.size() < kMaxPalmUsers; ++i) {
    auto entry = std::make_unique<PalmUserListEntry>();
    entry->index = i;
    entry->userId = UserIdAt(i);
    entry->name = NameOf(entry->userId);
    entry->folder = FolderOf(entry->userId);
    char line[64];
    std::snprintf(line, sizeof line, "pPalmUser[%i] = 0x%08" PRIxPTR, static_cast<int>(i),
                  reinterpret_cast<uintptr_t>(entry.get()));
    LogLine(line);
    entries.push_back(std::move(entry));
  }
  return true;
}

uint16_t CPalmUserList::Count() { return fn_->count ? fn_->count() : 0; }

uint32_t CPalmUserList::UserIdAt(uint16_t index) {
  if (!fn_->id) return 0;
  uint32_t id = 0;
  return fn_->id(index, &id) == kUmOk ? id : 0;
}

uint32_t CPalmUserList::UserIdByName(const std::string& name) const {
  for (const auto& e : entries)
    if (e->name == name) return e->userId;
  return 0;
}

int CPalmUserList::IndexByName(const std::string& name) const {
  if (entries.empty()) return 0;
  for (size_t i = 0; i < entries.size(); ++i)
    if (entries[i]->name == name) return static_cast<int>(i);
  return -1;
}

std::string CPalmUserList::NameOf(uint32_t user_id) {
  nameBuffer[0] = 0;
  if (!fn_->name) return "";
  int32_t size = sizeof nameBuffer;
  if (fn_->name(user_id, nameBuffer, &size) != kUmOk) nameBuffer[0] = 0;
  nameBuffer[sizeof nameBuffer - 1] = 0;
  return nameBuffer;
}

std::string CPalmUserList::FolderOf(uint32_t user_id) {
  folderBuffer[0] = 0;
  if (!fn_->directory) return "";
  int32_t size = sizeof folderBuffer;
  if (fn_->directory(user_id, folderBuffer, &size) != kUmOk) folderBuffer[0] = 0;
  folderBuffer[sizeof folderBuffer - 1] = 0;
  // A user without a folder has none: "/" would name the root.
  if (folderBuffer[0] == 0) return "";
  return std::string(folderBuffer) + '/';
}

uint32_t CPalmUserList::IdFromPath(const std::string& folder) {
  if (fn_->fromPath) fn_->fromPath(folder.c_str(), nullptr);
  return 0;
}

bool CPalmUserList::CheckPassword(uint32_t user_id, const std::string& typed) {
  // Without the library nobody can say there is no password.
  if (!fn_->password) return false;
  // Id 0 is what a failed lookup gives: nobody's, so no password passes.
  if (user_id == 0) return false;
  uint8_t stored[260] = {};
  int32_t size = sizeof stored;
  const int32_t found = fn_->password(user_id, stored, &size);
  if (found == 0) return true;
  // An unknown user, or users that cannot be read: no password can pass.
  if (found < 0) return false;
  if (typed.size() >= 32) return false;
  uint8_t digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  if (EVP_Digest(typed.data(), typed.size(), digest, &length, EVP_md5(), nullptr) != 1 || length != 16)
    return false;
  // Only the MD5 form is known here; the older 32-byte form never matches.
  return std::memcmp(digest, stored, 16) == 0;
}

}  // namespace quillet
