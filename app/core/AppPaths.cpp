#include "app/core/AppPaths.h"

#include <unistd.h>

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
