#include "platform/palm/PalmUsers.h"

#include <openssl/evp.h>

#include <cstdio>
#include <cstdlib>

namespace qplat::palm {
namespace {

// Closes a registry handle on every way out.
class Key {
 public:
  Key() = default;
  ~Key() {
    if (h_) RegCloseKey(h_);
  }
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;
  HKEY* out() {
    if (h_) RegCloseKey(h_);
    h_ = nullptr;
    return &h_;
  }
  HKEY get() const { return h_; }

 private:
  HKEY h_ = nullptr;
};

std::string SubkeyName(uint32_t id) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%010u", id);
  return buf;
}

bool ParseSubkeyName(const std::string& name, uint32_t* id) {
  if (name.empty() || name.size() > 10) return false;
  for (char c : name)
    if (c < '0' || c > '9') return false;
  unsigned long long v = std::strtoull(name.c_str(), nullptr, 10);
  if (v == 0 || v > 0xFFFFFFFFull) return false;
  *id = static_cast<uint32_t>(v);
  return true;
}

LONG ReadString(HKEY key, const char* name, std::string* out) {
  DWORD type = 0;
  std::vector<uint8_t> data;
  if (LONG st = RegGetValue(key, name, &type, &data)) return st;
  if (type != REG_SZ) return ERROR_INVALID_PARAMETER;
  size_t n = 0;
  while (n < data.size() && data[n]) ++n;
  out->assign(data.begin(), data.begin() + n);
  return ERROR_SUCCESS;
}

LONG ReadUser(HKEY users, const std::string& sub, uint32_t id, PalmUser* user) {
  Key k;
  if (LONG st = RegOpenKey(users, sub, k.out())) return st;
  user->id = id;
  if (LONG st = ReadString(k.get(), "Name", &user->name)) return st;
  if (LONG st = ReadString(k.get(), "Directory", &user->folder)) return st;
  DWORD type = 0;
  std::vector<uint8_t> data;
  user->hasPassword = RegGetValue(k.get(), "Password", &type, &data) == ERROR_SUCCESS &&
                      type == REG_BINARY && data.size() == user->password.size();
  if (user->hasPassword) std::copy(data.begin(), data.end(), user->password.begin());
  return ERROR_SUCCESS;
}

}  // namespace

Digest PasswordDigest(const std::string& text) {
  Digest d{};
  unsigned int length = 0;
  EVP_Digest(text.data(), text.size(), d.data(), &length, EVP_md5(), nullptr);
  return d;
}

LONG ListUsers(std::vector<PalmUser>* users) {
  users->clear();
  Key k;
  LONG st = RegOpenKey(HKEY_CURRENT_USER, kUsersKey, k.out());
  if (st == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
  if (st) return st;
  std::string sub;
  for (DWORD i = 0; (st = RegEnumKey(k.get(), i, &sub)) == ERROR_SUCCESS; ++i) {
    uint32_t id = 0;
    if (!ParseSubkeyName(sub, &id)) continue;  // not one of ours
    PalmUser u;
    // A half-written or foreign entry without a name is no user.
    if (ReadUser(k.get(), sub, id, &u) == ERROR_SUCCESS) users->push_back(u);
  }
  return st == ERROR_NO_MORE_ITEMS ? ERROR_SUCCESS : st;
}

LONG FindUserById(uint32_t id, PalmUser* user) {
  if (id == 0) return ERROR_FILE_NOT_FOUND;
  Key k;
  if (LONG st = RegOpenKey(HKEY_CURRENT_USER, kUsersKey, k.out())) return st;
  return ReadUser(k.get(), SubkeyName(id), id, user);
}

LONG FindUserByName(const std::string& name, PalmUser* user) {
  std::vector<PalmUser> users;
  if (LONG st = ListUsers(&users)) return st;
  for (const auto& u : users) {
    if (u.name == name) {
      *user = u;
      return ERROR_SUCCESS;
    }
  }
  return ERROR_FILE_NOT_FOUND;
}

bool IsValidFolderName(const std::string& folder) {
  if (folder.empty() || folder.size() > kMaxFolderName || folder == "." || folder == "..") return false;
  for (unsigned char c : folder)
    if (c < 0x20 || c == 0x7F || c == '/' || c == '\\') return false;
  return true;
}

bool IsValidUserName(const std::string& name) {
  if (name.empty() || name.size() > kMaxUserName) return false;
  for (unsigned char c : name)
    if (c < 0x20 || c == 0x7F) return false;
  return true;
}

namespace {

// The plain letters a code-page letter is written with in a folder name
// ("Jardin \xC9t\xE9 M\xFCller" gets "JardinEteMuller"); null for a character
// that is left out (signs, punctuation).
const char* PlainLetters(unsigned char c) {
  switch (c) {
    case 0x8A: return "S";
    case 0x8C: return "OE";
    case 0x8E: return "Z";
    case 0x9A: return "s";
    case 0x9C: return "oe";
    case 0x9E: return "z";
    case 0x9F: return "Y";
    case 0xC6: return "AE";
    case 0xC7: return "C";
    case 0xD0: return "D";
    case 0xD1: return "N";
    case 0xD8: return "O";
    case 0xDD: return "Y";
    case 0xDE: return "Th";
    case 0xDF: return "ss";
    case 0xE6: return "ae";
    case 0xE7: return "c";
    case 0xF0: return "d";
    case 0xF1: return "n";
    case 0xF8: return "o";
    case 0xFD:
    case 0xFF: return "y";
    case 0xFE: return "th";
    default: break;
  }
  // The accented vowels, in the code page's runs of the same base letter.
  struct Run {
    unsigned char first, last;
    const char* letter;
  };
  static constexpr Run kRuns[] = {{0xC0, 0xC5, "A"}, {0xC8, 0xCB, "E"}, {0xCC, 0xCF, "I"},
                                   {0xD2, 0xD6, "O"}, {0xD9, 0xDC, "U"}, {0xE0, 0xE5, "a"},
                                   {0xE8, 0xEB, "e"}, {0xEC, 0xEF, "i"}, {0xF2, 0xF6, "o"},
                                   {0xF9, 0xFC, "u"}};
  for (const Run& r : kRuns)
    if (c >= r.first && c <= r.last) return r.letter;
  return nullptr;
}

}  // namespace

std::string FolderForName(const std::string& name, const std::vector<PalmUser>& taken) {
  std::string base;
  for (unsigned char c : name) {
    // Folder names are file names (UTF-8): the code page's letters are
    // written with their plain letters, its other characters left out,
    // rather than written as bytes no file system reads back.
    if (c < 0x20 || c == 0x7F || c == '/' || c == '\\' || c == ' ') continue;
    std::string part(1, static_cast<char>(c));
    if (c >= 0x80) {
      const char* plain = PlainLetters(c);
      if (plain == nullptr) continue;
      part = plain;
    }
    if (base.size() + part.size() <= 32) base += part;
  }
  while (!base.empty() && base[0] == '.') base.erase(0, 1);
  if (base.empty()) base = "User";
  auto is_taken = [&](const std::string& f) {
    for (const auto& u : taken)
      if (u.folder == f) return true;
    return false;
  };
  std::string folder = base;
  for (int n = 2; is_taken(folder); ++n) folder = base + std::to_string(n);
  return folder;
}

LONG AddUser(const std::string& name, const std::string& folder_in, const std::string& password,
             PalmUser* added) {
  if (!IsValidUserName(name) || password.size() > kMaxPassword) return ERROR_INVALID_PARAMETER;
  std::vector<PalmUser> users;
  if (LONG st = ListUsers(&users)) return st;
  std::string folder = folder_in.empty() ? FolderForName(name, users) : folder_in;
  if (!IsValidFolderName(folder)) return ERROR_INVALID_PARAMETER;
  uint32_t next = 1;
  for (const auto& u : users) {
    if (u.name == name || u.folder == folder) return ERROR_ALREADY_EXISTS;
    if (u.id >= next) next = u.id + 1;
  }
  Key all;
  if (LONG st = RegCreateKey(HKEY_CURRENT_USER, kUsersKey, all.out())) return st;
  // Claim an id: whoever creates the subkey owns it, so two processes
  // adding users at once never share one.
  Key k;
  for (;; ++next) {
    if (next == 0) return ERROR_DISK_FULL;
    bool created = false;
    if (LONG st = RegCreateKey(all.get(), SubkeyName(next), k.out(), &created)) return st;
    if (created) break;
  }
  PalmUser u;
  u.id = next;
  u.name = name;
  u.folder = folder;
  LONG st = RegSetString(k.get(), "Name", name);
  if (!st) st = RegSetString(k.get(), "Directory", folder);
  if (!st && !password.empty()) {
    u.hasPassword = true;
    u.password = PasswordDigest(password);
    st = RegSetValue(k.get(), "Password", REG_BINARY, u.password.data(), 16);
  }
  if (st) {
    RegDeleteTree(all.get(), SubkeyName(next));
    return st;
  }
  if (added) *added = u;
  return ERROR_SUCCESS;
}

LONG RemoveUser(const std::string& name) {
  PalmUser u;
  if (LONG st = FindUserByName(name, &u)) return st;
  Key all;
  if (LONG st = RegOpenKey(HKEY_CURRENT_USER, kUsersKey, all.out())) return st;
  return RegDeleteTree(all.get(), SubkeyName(u.id));
}

LONG SetUserPassword(const std::string& name, const std::string& password) {
  if (password.size() > kMaxPassword) return ERROR_INVALID_PARAMETER;
  PalmUser u;
  if (LONG st = FindUserByName(name, &u)) return st;
  Key k;
  if (LONG st = RegOpenKey(HKEY_CURRENT_USER, std::string(kUsersKey) + "\\" + SubkeyName(u.id), k.out()))
    return st;
  if (password.empty()) {
    LONG st = RegDeleteValue(k.get(), "Password");
    return st == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : st;
  }
  Digest d = PasswordDigest(password);
  return RegSetValue(k.get(), "Password", REG_BINARY, d.data(), 16);
}

}  // namespace qplat::palm
