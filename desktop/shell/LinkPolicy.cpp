#include "desktop/shell/LinkPolicy.h"

#include <cctype>
#include <cstring>
#include <string_view>

#include "base/Translate.h"
#include "platform/codepage/CodePage.h"
#include "reports/ReportPaths.h"

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

bool PlainMailto(const std::string& address) {
  constexpr size_t kScheme = 7;  // "mailto:"
  if (address.size() < kScheme) return false;
  for (size_t i = 0; i < kScheme; ++i)
    if (static_cast<char>(std::tolower(static_cast<unsigned char>(address[i]))) != "mailto:"[i]) return false;
  const std::string_view rest = std::string_view(address).substr(kScheme);
  const size_t ask = rest.find('?');
  for (char c : rest.substr(0, ask)) {
    const bool plain = std::isalnum(static_cast<unsigned char>(c)) || c == '@' || c == '.' || c == '_' ||
                       c == '+' || c == '-';
    if (!plain) return false;
  }
  if (ask == std::string_view::npos) return true;
  std::string_view fields = rest.substr(ask + 1);
  while (!fields.empty()) {
    const size_t amp = fields.find('&');
    const std::string_view field = fields.substr(0, amp);
    fields = amp == std::string_view::npos ? std::string_view() : fields.substr(amp + 1);
    const size_t eq = field.find('=');
    if (eq == std::string_view::npos) return false;
    std::string key(field.substr(0, eq));
    for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (key != "subject" && key != "body") return false;
    for (char ch : PercentDecode(field.substr(eq + 1))) {
      const unsigned char c = static_cast<unsigned char>(ch);
      if (c < 0x20 || c == 0x7F || std::strchr("'\",=&?%<>\\", ch) != nullptr) return false;
    }
  }
  return true;
}

LinkRule DecideLink(const LinkTarget& target, const std::string& outputFolder,
                    const std::string& installFolder, const std::string& currentPage) {
  (void)outputFolder;  // records put files there: none of them opens unasked
  if (target.scheme == "http" || target.scheme == "https") return LinkRule::kWebHandler;
  if (target.scheme == "mailto") return PlainMailto(target.address) ? LinkRule::kWebHandler : LinkRule::kAskFirst;
  if (!target.local) return LinkRule::kAskFirst;
  // A '#' link within the page shown.
  if (!currentPage.empty() && (target.lexical.empty() ? target.path : target.lexical) == currentPage)
    return LinkRule::kOpen;
  if (PathInside(target.lexical.empty() ? target.path : target.lexical, installFolder) &&
      PathInside(currentPage, installFolder))
    return LinkRule::kOpen;
  return LinkRule::kAskFirst;
}

std::string LinkQuestion(const std::string& target) {
  // The target is shown exactly or not at all: one character replaced or
  // named could make one address look like another, so a target the code
  // page cannot show whole is percent-encoded whole.
  // (The code page's letters are the Latin ones: a target that holds only
  // them cannot pass for another address with letters of another script.)
  CpText text;
  bool ok = FromUtf8(target, &text);
  for (char c : text.view())
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) ok = false;
  std::string shown = ok ? target : std::string();
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
  return FillIn(translate("LinkPolicy", "This link leads outside Quillet!'s own pages:\n\n%1\n\n"
                                        "Do you want to open it?"),
                {shown});
}

}  // namespace quillet
