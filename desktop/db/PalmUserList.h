// CPalmUserList: the Palm Desktop users as the Palm Desktop user library
// (libUserData.so in the install folder) reports them, built on demand.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/RegistryKey.h"

namespace quillet {

struct PalmUserListEntry {
  uint16_t index = 0;    // position in the Palm Desktop's list
  uint32_t userId = 0;   // the Palm Desktop's user id
  std::string name;
  std::string folder;    // the user's folder name followed by '/'
};

// At most this many users are listed.
inline constexpr size_t kMaxPalmUsers = 5000;

class CPalmUserList {
 public:
  CPalmUserList();
  ~CPalmUserList();  // frees the entries, unloads the library, closes the key
  CPalmUserList(const CPalmUserList&) = delete;
  CPalmUserList& operator=(const CPalmUserList&) = delete;

  // Loads the library from our library folder (LibraryFolder()) and lists
  // the users. Without the library (or with one that lacks a function)
  // shows "Unable to load UserData.dll" and the list stays empty; returns
  // false then.
  bool Build();

  // Asked of the Palm Desktop each time; 0 without the library.
  uint16_t Count();
  // The user id at a position, 0 when the query fails.
  uint32_t UserIdAt(uint16_t index);
  // Of the first entry whose name equals `name` byte for byte, else 0.
  uint32_t UserIdByName(const std::string& name) const;
  // Position of the first entry whose name equals `name` byte for byte;
  // -1 when none; 0 when the list holds no entries.
  int IndexByName(const std::string& name) const;
  // Name and folder (with '/') of a user; "" when the query fails.
  std::string NameOf(uint32_t user_id);
  std::string FolderOf(uint32_t user_id);
  // Passes the folder to the Palm Desktop; always 0.
  uint32_t IdFromPath(const std::string& folder);
  // True when the user has no password, or when the MD5 digest of `typed`
  // (code-page bytes, as Palm Desktop hashes them) is the user's stored
  // password form. False for an unknown user, whatever is typed.
  bool CheckPassword(uint32_t user_id, const std::string& typed);

  uint16_t userCount = 0;
  std::vector<std::unique_ptr<PalmUserListEntry>> entries;
  char nameBuffer[8192];
  char folderBuffer[260];

 private:
  struct Functions;
  void Unload();

  void* library_ = nullptr;
  std::unique_ptr<Functions> fn_;
  CRegistryKey reg_;
};

}  // namespace quillet
