#include "desktop/shell/Pages.h"

#include <sys/stat.h>

#include <cctype>

namespace quillet {

bool PageFileExists(const std::string& path) {
  struct stat st;
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string StartPagePath(const std::string& installFolder, const std::string& themeFolder) {
  if (!themeFolder.empty() && PageFileExists(themeFolder + kVelaTheme)) return installFolder + kVelaMainPage;
  return installFolder + kMainPage;
}

bool IsWebAddress(const std::string& path) {
  std::string scheme;
  for (char c : path) {
    if (c == ':') break;
    if (!std::isalpha(static_cast<unsigned char>(c))) return false;
    scheme += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  if (scheme.size() == path.size()) return false;
  return scheme == "http" || scheme == "https" || scheme == "mailto" || scheme == "ftp";
}

std::string CheckedPagePath(const std::string& path, const std::string& installFolder,
                            bool* missing) {
  if (missing) *missing = false;
  if (IsWebAddress(path) || PageFileExists(path)) return path;
  if (missing) *missing = true;
  return installFolder + kNotFoundPage;
}

}  // namespace quillet
