#include "desktop/shell/Pages.h"

#include <sys/stat.h>

#include <cctype>
#include <cstring>

#include "base/Translate.h"

namespace quillet {

bool PageFileExists(const std::string& path) {
  struct stat st;
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string OwnPagePath(const std::string& installFolder, const char* page, const std::string& language) {
  const std::string english = installFolder + page;
  bool plain = !language.empty();
  for (char c : language)
    if (!std::isalpha(static_cast<unsigned char>(c)) && c != '_') plain = false;
  const char* slash = std::strrchr(page, '/');
  if (!plain || slash == nullptr) return english;
  const size_t folder = static_cast<size_t>(slash - page) + 1;
  std::string translated = installFolder;
  translated.append(page, folder).append(language).append("/").append(page + folder);
  return PageFileExists(translated) ? translated : english;
}

std::string OwnPagePath(const std::string& installFolder, const char* page) {
  return OwnPagePath(installFolder, page, Language());
}

std::string StartPagePath(const std::string& installFolder, const std::string& themeFolder) {
  if (!themeFolder.empty() && PageFileExists(themeFolder + kVelaTheme))
    return OwnPagePath(installFolder, kVelaMainPage);
  return OwnPagePath(installFolder, kMainPage);
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
  return OwnPagePath(installFolder, kNotFoundPage);
}

}  // namespace quillet
