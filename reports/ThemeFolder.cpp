#include "reports/ThemeFolder.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace quillet {
namespace {

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool LessNoCase(const std::string& a, const std::string& b) {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                      [](char x, char y) { return Lower(x) < Lower(y); });
}

bool IsThemeName(const std::string& name) {
  static constexpr char kExt[] = ".htm";
  if (name.size() <= 4) return false;
  for (size_t i = 0; i < 4; ++i)
    if (Lower(name[name.size() - 4 + i]) != kExt[i]) return false;
  return true;
}

}  // namespace

std::vector<std::string> ListThemeFiles(const std::string& folder) {
  namespace fs = std::filesystem;
  std::vector<std::string> names;
  std::error_code ec;
  fs::directory_iterator it(folder, ec);
  if (ec) return names;
  for (; it != fs::directory_iterator(); it.increment(ec)) {
    if (ec) break;
    std::error_code type_ec;
    if (!it->is_regular_file(type_ec)) continue;
    std::string name = it->path().filename().string();
    if (IsThemeName(name)) names.push_back(std::move(name));
  }
  std::sort(names.begin(), names.end(), LessNoCase);
  if (names.size() > kMaxThemeFiles) names.resize(kMaxThemeFiles);
  return names;
}

std::string ThemeFileAt(const std::string& folder, int index) {
  std::vector<std::string> names = ListThemeFiles(folder);
  if (index < 0 || static_cast<size_t>(index) >= names.size()) return "";
  return names[index];
}

std::string FirstThemeFile(const std::string& folder) { return ThemeFileAt(folder, 0); }

}  // namespace quillet
