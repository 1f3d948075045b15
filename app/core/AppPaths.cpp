#include "app/core/AppPaths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

namespace quillet {

AppPathStrings AppPaths;

namespace {
std::string g_program_file_override;
}  // namespace

std::string FitAppPath(const std::string& text) {
  return text.size() > kAppPathMax ? text.substr(0, kAppPathMax) : text;
}

std::string UserCacheFolder() {
  std::string base;
  if (const char* xdg = std::getenv("XDG_CACHE_HOME"); xdg && xdg[0] == '/') {
    base = xdg;
  } else if (const char* home = std::getenv("HOME"); home && home[0] == '/') {
    base = std::string(home) + "/.cache";
  } else {
    return "";
  }
  while (base.size() > 1 && base.back() == '/') base.pop_back();
  const std::string folder = base + "/quillet";
  // The cache base may not exist yet either; only our own folder is private.
  for (size_t at = 1; at <= base.size(); ++at) {
    if (at != base.size() && base[at] != '/') continue;
    const std::string part = base.substr(0, at);
    if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return "";
  }
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return "";
  struct stat st;
  if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return "";
  return folder + "/";
}

void SetProgramFileForTesting(const std::string& path) { g_program_file_override = path; }

std::string ProgramFolder() {
  std::string file = g_program_file_override;
  if (file.empty()) {
    char buf[PATH_MAX];
    ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n > 0) file.assign(buf, static_cast<size_t>(n));
  }
  size_t cut = file.rfind('/');
  return cut == std::string::npos ? "" : file.substr(0, cut + 1);
}

std::string UserDataFolder() {
  const char* data = std::getenv("XDG_DATA_HOME");
  if (data != nullptr && data[0] == '/') {
    std::string folder = data;
    if (folder.back() != '/') folder += '/';
    return folder + "quillet/";
  }
  const char* home = std::getenv("HOME");
  if (home == nullptr || home[0] != '/') return "";
  std::string folder = home;
  if (folder.back() != '/') folder += '/';
  return folder + ".local/share/quillet/";
}

}  // namespace quillet
