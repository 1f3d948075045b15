// libinstaide.so: the users of the Palm Desktop stand-in and the handheld
// install queue. A queued file is a copy in "Install/" of the user's folder
// under the Palm Desktop data folder, where the next HotSync picks it up.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "platform/cdk/Cdk.h"
#include "platform/palm/PalmUsers.h"
#include "platform/registry/Registry.h"

#define CDK_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

std::string DataFolder() {
  qplat::HKEY key = nullptr;
  if (qplat::RegOpenKey(qplat::HKEY_CURRENT_USER, qplat::palm::kCoreKey, &key)) return "";
  qplat::DWORD type = 0;
  std::vector<uint8_t> data;
  std::string path;
  if (qplat::RegGetValue(key, "Path", &type, &data) == qplat::ERROR_SUCCESS && type == qplat::REG_SZ) {
    size_t n = 0;
    while (n < data.size() && data[n]) ++n;
    path.assign(data.begin(), data.begin() + n);
  }
  qplat::RegCloseKey(key);
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

bool CopyFile(const std::string& from, const std::string& to) {
  std::ifstream in(from, std::ios::binary);
  if (!in) return false;
  // Written beside and renamed, so a HotSync never picks up half a file.
  std::string part = to + ".part";
  {
    std::ofstream out(part, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out << in.rdbuf();
    out.flush();
    if (!out) {
      ::unlink(part.c_str());
      return false;
    }
  }
  if (std::rename(part.c_str(), to.c_str()) != 0) {
    ::unlink(part.c_str());
    return false;
  }
  return true;
}

}  // namespace

CDK_EXPORT int32_t PltGetUserCount(void) {
  std::vector<qplat::palm::PalmUser> users;
  if (qplat::palm::ListUsers(&users)) return -1;
  return users.size() > INT32_MAX ? INT32_MAX : static_cast<int32_t>(users.size());
}

CDK_EXPORT int32_t PltGetUser(uint32_t index, char* name, int32_t* size) {
  if (!name || !size || *size <= 0) return -3;
  name[0] = 0;
  std::vector<qplat::palm::PalmUser> users;
  if (qplat::palm::ListUsers(&users)) return -4;
  if (index >= users.size()) return -1;
  const std::string& n = users[index].name;
  if (static_cast<int32_t>(n.size()) + 1 > *size) {
    *size = static_cast<int32_t>(n.size()) + 1;
    return -2;
  }
  std::memcpy(name, n.c_str(), n.size() + 1);
  *size = static_cast<int32_t>(n.size()) + 1;
  return 0;
}

CDK_EXPORT int32_t PltInstallFile(const char* user, const char* file) {
  if (!user || !file || !*file) return -3;
  qplat::palm::PalmUser u;
  if (qplat::palm::FindUserByName(user, &u)) return -1;
  // The folder name comes from the store; only a plain name may be used
  // to build a path, so a damaged entry cannot send the copy elsewhere.
  if (!qplat::palm::IsValidFolderName(u.folder)) return -1;
  std::string data = DataFolder();
  if (data.empty()) return -4;
  std::string source = file;
  std::string base = source.substr(source.find_last_of('/') + 1);
  if (base.empty() || base == "." || base == "..") return -3;
  std::string queue = data + "/" + u.folder + "/Install";
  if (::mkdir(queue.c_str(), 0700) != 0 && errno != EEXIST) return -5;
  return CopyFile(source, queue + "/" + base) ? 0 : -5;
}
