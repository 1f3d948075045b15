#include "platform/paths/ProgramPaths.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace qplat {
namespace {

std::mutex g_mu;
std::string g_program_file_override;

std::string FolderOf(const std::string& file) {
  size_t cut = file.rfind('/');
  return cut == std::string::npos ? "" : file.substr(0, cut + 1);
}

// An environment folder is used only when it is an absolute path.
std::string EnvFolder(const char* name) {
  const char* value = std::getenv(name);
  if (!value || value[0] != '/') return "";
  return WithSlash(value);
}

std::string XdgOr(const char* name, const char* underHome) {
  std::string folder = EnvFolder(name);
  if (!folder.empty()) return folder;
  std::string home = HomeFolder();
  return home.empty() ? "" : home + underHome;
}

}  // namespace

std::string WithSlash(const std::string& path) {
  if (path.empty() || path.back() == '/') return path;
  return path + '/';
}

void SetProgramFileForTesting(const std::string& path) {
  std::lock_guard<std::mutex> lock(g_mu);
  g_program_file_override = path;
}

std::string ProgramFile() {
  {
    std::lock_guard<std::mutex> lock(g_mu);
    if (!g_program_file_override.empty()) return g_program_file_override;
  }
  char buf[PATH_MAX];
  ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return "";
  return std::string(buf, static_cast<size_t>(n));
}

std::string ProgramFolder() { return FolderOf(ProgramFile()); }

std::string PrefixFolder() {
  std::string bin = ProgramFolder();
  if (bin.size() < 2) return "";  // "" or "/": nothing above it
  // "/usr/bin/" -> "/usr/"
  return FolderOf(bin.substr(0, bin.size() - 1));
}

std::string LibraryFolder() {
  std::string prefix = PrefixFolder();
  return prefix.empty() ? "" : prefix + kLibraryFolder;
}

std::string DataFolder() {
  std::string prefix = PrefixFolder();
  return prefix.empty() ? "" : prefix + kDataFolder;
}

std::string HomeFolder() {
  std::string home = EnvFolder("HOME");
  if (!home.empty()) return home;
  struct passwd entry;
  struct passwd* found = nullptr;
  char buf[4096];
  if (::getpwuid_r(::getuid(), &entry, buf, sizeof buf, &found) == 0 && found && found->pw_dir &&
      found->pw_dir[0] == '/')
    return WithSlash(found->pw_dir);
  return "";
}

std::string XdgConfigHome() { return XdgOr("XDG_CONFIG_HOME", ".config/"); }
std::string XdgDataHome() { return XdgOr("XDG_DATA_HOME", ".local/share/"); }
std::string XdgStateHome() { return XdgOr("XDG_STATE_HOME", ".local/state/"); }
std::string XdgCacheHome() { return XdgOr("XDG_CACHE_HOME", ".cache/"); }
std::string XdgRuntimeDir() { return EnvFolder("XDG_RUNTIME_DIR"); }

bool MakeFolders(const std::string& path, mode_t mode) {
  if (path.empty()) return false;
  for (size_t pos = path.find('/', 1);; pos = path.find('/', pos + 1)) {
    std::string part = path.substr(0, pos);
    if (!part.empty() && ::mkdir(part.c_str(), mode) != 0 && errno != EEXIST) return false;
    if (pos == std::string::npos || pos + 1 >= path.size()) break;
  }
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

PrivateFolderCheck CheckPrivateFolder(const std::string& dir, mode_t refusedModeBits) {
  using Problem = PrivateFolderCheck::Problem;
  PrivateFolderCheck check;
  check.folder = dir;
  struct stat st;
  if (dir.empty() || dir[0] != '/') {
    check.problem = Problem::kNotAbsolute;
  } else if (::lstat(dir.c_str(), &st) != 0) {
    check.problem = Problem::kUnusable;
    check.error = errno;
  } else if (S_ISLNK(st.st_mode)) {
    check.problem = Problem::kLink;
  } else if (!S_ISDIR(st.st_mode)) {
    check.problem = Problem::kNotFolder;
  } else if (st.st_uid != ::getuid()) {
    check.problem = Problem::kOtherOwner;
    check.owner = st.st_uid;
  } else if ((st.st_mode & refusedModeBits) != 0) {
    check.problem = Problem::kOpen;
    check.mode = st.st_mode & 07777;
  }
  return check;
}

std::string PrivateFolderProblem(const PrivateFolderCheck& check, const std::string& purpose) {
  using Problem = PrivateFolderCheck::Problem;
  const std::string folder = "The folder " + check.folder + " " + purpose;
  switch (check.problem) {
    case Problem::kNone: return "";
    case Problem::kNotAbsolute: return folder + " is not an absolute path.";
    case Problem::kUnusable: return folder + " cannot be used: " + std::strerror(check.error) + ".";
    case Problem::kLink:
      return folder + " is a symbolic link, which another user could have made. Quillet! will not use it; "
                      "remove it and start Quillet! again.";
    case Problem::kNotFolder:
      return folder + " is not a folder. Quillet! will not use it; remove it and start Quillet! again.";
    case Problem::kOtherOwner:
      return folder + " belongs to another user (user id " + std::to_string(check.owner) +
             "). Quillet! will not use it; remove it and start Quillet! again.";
    case Problem::kOpen: {
      char mode[8];
      std::snprintf(mode, sizeof mode, "%04o", check.mode);
      return folder + " is open to other users (mode " + mode +
             "). Quillet! will not use it; remove it, or make it private with \"chmod 700\", and start "
             "Quillet! again.";
    }
  }
  return "";
}

std::string PrivateFolderProblem(const std::string& dir, const std::string& purpose, mode_t refusedModeBits) {
  return PrivateFolderProblem(CheckPrivateFolder(dir, refusedModeBits), purpose);
}

}  // namespace qplat
