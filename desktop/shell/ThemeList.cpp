#include "desktop/shell/ThemeList.h"

#include <cctype>

namespace quillet {
namespace {

bool EqualsNoCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::toupper(static_cast<unsigned char>(a[i])) !=
        std::toupper(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

}  // namespace

std::string ThemeDisplayName(const std::string& fileName) {
  const size_t dot = fileName.rfind('.');
  return dot == std::string::npos || dot == 0 ? fileName : fileName.substr(0, dot);
}

int ThemeListedAt(const std::vector<std::string>& files, const std::string& lastTemplate) {
  std::string name = lastTemplate;
  const size_t slash = name.find_last_of("/\\");
  if (slash != std::string::npos) name = name.substr(slash + 1);
  name = ThemeDisplayName(name);
  for (size_t i = 0; i < files.size(); ++i)
    if (EqualsNoCase(ThemeDisplayName(files[i]), name)) return static_cast<int>(i);
  return -1;
}

int ThemeSelection(const std::vector<std::string>& files, const std::string& lastTemplate) {
  if (files.empty()) return -1;
  const int at = ThemeListedAt(files, lastTemplate);
  return at >= 0 ? at : 0;
}

}  // namespace quillet
