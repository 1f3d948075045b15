#include "app/shell/LinkPolicy.h"

#include "platform/codepage/CodePage.h"

namespace quillet {
namespace {

std::string WithoutSlash(std::string folder) {
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folder;
}

}  // namespace

bool PathInside(const std::string& path, const std::string& folder_in) {
  const std::string folder = WithoutSlash(folder_in);
  if (folder.empty() || path.empty()) return false;
  if (path == folder) return true;
  if (folder == "/") return path[0] == '/';
  return path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
         path[folder.size()] == '/';
}

LinkRule DecideLink(const LinkTarget& target, const std::string& outputFolder,
                    const std::string& installFolder, const std::string& currentPage) {
  if (target.scheme == "http" || target.scheme == "https" || target.scheme == "mailto")
    return LinkRule::kWebHandler;
  if (!target.local) return LinkRule::kAskFirst;
  if (PathInside(target.path, outputFolder)) return LinkRule::kOpen;
  if (PathInside(target.lexical.empty() ? target.path : target.lexical, installFolder) &&
      PathInside(currentPage, installFolder))
    return LinkRule::kOpen;
  return LinkRule::kAskFirst;
}

std::string LinkQuestion(const std::string& target) {
  // The target is shown exactly or not at all: one character replaced or
  // named could make one address look like another, so a target the code
  // page cannot show whole is percent-encoded whole.
  CpText text;
  bool ok = FromUtf8(target, &text);
  std::string shown = std::move(text).bytes();
  for (char c : shown)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) ok = false;
  if (!ok) {
    static const char kHex[] = "0123456789ABCDEF";
    shown.clear();
    for (char ch : target) {
      const unsigned char c = static_cast<unsigned char>(ch);
      if (c > 0x20 && c < 0x7F && c != '%') {
        shown.push_back(ch);
      } else {
        shown.push_back('%');
        shown.push_back(kHex[c >> 4]);
        shown.push_back(kHex[c & 15]);
      }
    }
  }
  return "This link leads outside Quillet!'s own pages and reports:\n\n" + shown +
         "\n\nDo you want to open it?";
}

}  // namespace quillet
