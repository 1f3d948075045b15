#include "reports/ReportPaths.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>
#include <system_error>

#include "platform/codepage/CodePage.h"
#include "platform/files/SafeFiles.h"
#include "store/FileNames.h"

namespace quillet {

namespace fs = std::filesystem;

namespace {

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    char c = text[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != prefix[i]) return false;
  }
  return true;
}

}  // namespace

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// A letter of the code page above ASCII: the accented Latin letters and
// the few others (S, Z, OE with caron or ligature, f with hook, y with
// diaeresis, ordinal indicators, micro sign); never a sign, quote or space.
bool IsCodePageLetter(unsigned char c) {
  switch (c) {
    case 0x83: case 0x8A: case 0x8C: case 0x8E: case 0x9A: case 0x9C: case 0x9E: case 0x9F:
    case 0xAA: case 0xB5: case 0xBA:
      return true;
    default:
      return c >= 0xC0 && c != 0xD7 && c != 0xF7;
  }
}

// The one form a name of ours may have, in the code page: letters (ASCII
// or the code page's), digits, space, '.', '-' and '_', not starting with
// '.'. Nothing that quotes, separates, escapes or decodes ('%', ',', '\'',
// '=', '/', ':' ...) gets through, so no reader of the name (the page, the
// browser pane, a mail program's command line) can take it for more than
// one file name in the output folder.
bool IsPlainForm(std::string_view name) {
  if (name.empty() || name.size() > 255 || name[0] == '.') return false;
  for (char ch : name) {
    const unsigned char c = static_cast<unsigned char>(ch);
    const bool ascii = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       c == ' ' || c == '.' || c == '-' || c == '_';
    if (!ascii && !IsCodePageLetter(c)) return false;
  }
  // The output folder also holds the user's record store (and its archive,
  // temporary and set-aside copies): no picture, page or copy may land on it.
  return !StartsWithNoCase(name, "quillet.dat") && !StartsWithNoCase(name, "quillet.arc");
}

}  // namespace

std::string PercentDecode(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    int hi = -1, lo = -1;
    if (text[i] == '%' && i + 2 < text.size()) {
      hi = HexValue(text[i + 1]);
      lo = HexValue(text[i + 2]);
    }
    if (hi >= 0 && lo >= 0) {
      out.push_back(static_cast<char>(hi * 16 + lo));
      i += 2;
    } else {
      out.push_back(text[i]);
    }
  }
  return out;
}

bool IsPlainDiskName(std::string_view name) {
  // The same rules in the code page: a character it cannot hold is no
  // letter of ours.
  if (name.size() > 255) return false;
  CpText stored;
  return FromUtf8(name, &stored) && IsPlainForm(stored.view());
}

bool IsPlainFileName(std::string_view name) {
  if (!IsPlainForm(name)) return false;
  for (char c : name)
    if (static_cast<unsigned char>(c) >= 0x80) return OutputFileName(name).size() <= 255;
  return true;
}

// A record keeps its file name in the code page, like its texts.
std::string OutputFileName(std::string_view storedName) { return ToUtf8(CpText(storedName)); }

std::string PageReference(std::string_view storedName) {
  static const char kHex[] = "0123456789ABCDEF";
  const std::string disk = OutputFileName(storedName);
  std::string out;
  out.reserve(disk.size());
  for (char ch : disk) {
    unsigned char c = static_cast<unsigned char>(ch);
    bool keep = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                c == '-' || c == '.' || c == '_' || c == '~';
    if (keep) {
      out.push_back(ch);
    } else {
      out.push_back('%');
      out.push_back(kHex[c >> 4]);
      out.push_back(kHex[c & 15]);
    }
  }
  return out;
}

std::string DecodeReference(std::string_view value) { return PercentDecode(value); }

std::string BaseName(std::string_view path) {
  size_t cut = path.find_last_of("/\\");
  return std::string(cut == std::string_view::npos ? path : path.substr(cut + 1));
}

std::string FolderOf(std::string_view path) {
  size_t cut = path.find_last_of("/\\");
  return cut == std::string_view::npos ? std::string() : std::string(path.substr(0, cut + 1));
}

std::string WithSlash(std::string folder) {
  if (!folder.empty() && folder.back() != '/') folder.push_back('/');
  return folder;
}

std::string DecodeSpaces(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && text[i + 1] == '2' && text[i + 2] == '0') {
      out.push_back(' ');
      i += 2;
    } else {
      out.push_back(text[i]);
    }
  }
  return out;
}

bool IsWebAddress(std::string_view value) {
  if (value.size() >= 2 && (value[0] == '/' || value[0] == '\\') && (value[1] == '/' || value[1] == '\\'))
    return true;
  size_t colon = value.find(':');
  if (colon == std::string_view::npos || colon < 2) return false;  // none, or a drive letter
  for (size_t i = 0; i < colon; ++i) {
    char c = value[i];
    bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    bool other = (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
    if (!letter && !(i > 0 && other)) return false;
  }
  return true;
}

std::optional<std::string> ResolveThemeReference(const std::string& themeFolder,
                                                 std::string_view value) {
  if (value.empty() || IsWebAddress(value)) return std::nullopt;
  std::string path(value);
  for (char& c : path) {
    unsigned char u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7F) return std::nullopt;
    if (c == '\\') c = '/';
  }
  if (path.size() >= 2 && path[1] == ':') return std::nullopt;  // a drive path of another machine
  // No component may climb out of the folder it is read from.
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find('/', start);
    if (end == std::string::npos) end = path.size();
    if (path.compare(start, end - start, "..") == 0 && end - start == 2) return std::nullopt;
    start = end + 1;
  }
  if (path.back() == '/') return std::nullopt;  // a folder, not a file
  std::string folder = WithSlash(themeFolder);
  if (path[0] == '/') {
    std::string clean = fs::path(path).lexically_normal().string();
    std::string root = fs::path(folder).lexically_normal().string();
    if (root.empty() || clean.size() <= root.size() || clean.compare(0, root.size(), root) != 0)
      return std::nullopt;
    return clean;
  }
  return folder + path;
}

bool FileLookup::IsFile(const std::string& path) {
  std::string folder = FolderOf(path);
  auto it = folders_.find(folder);
  if (it == folders_.end()) {
    std::unordered_set<std::string> names;
    std::error_code ec;
    fs::directory_iterator dir(folder.empty() ? std::string(".") : folder, ec);
    for (; !ec && dir != fs::directory_iterator(); dir.increment(ec)) {
      std::error_code type_ec;
      if (dir->is_regular_file(type_ec)) names.insert(dir->path().filename().string());
    }
    it = folders_.emplace(folder, std::move(names)).first;
  }
  return it->second.count(BaseName(path)) != 0;
}

CopySession::CopySession(const std::string& folder) : folder_(WithSlash(folder)) {}

namespace {

// True when both are regular files of at most 1 MiB with the same bytes.
bool SameBytes(const std::string& a, const std::string& b) {
  std::error_code ec1, ec2;
  auto size_a = fs::file_size(a, ec1);
  auto size_b = fs::file_size(b, ec2);
  if (ec1 || ec2 || size_a != size_b || size_a > (1u << 20)) return false;
  std::FILE* fa = OpenInputFile(a);
  std::FILE* fb = OpenInputFile(b);
  bool same = fa != nullptr && fb != nullptr;
  std::vector<char> x(64 * 1024), y(64 * 1024);
  while (same) {
    size_t na = std::fread(x.data(), 1, x.size(), fa);
    size_t nb = std::fread(y.data(), 1, y.size(), fb);
    if (na != nb || std::memcmp(x.data(), y.data(), na) != 0) same = false;
    if (na < x.size()) break;
  }
  if (fa) std::fclose(fa);
  if (fb) std::fclose(fb);
  return same;
}

}  // namespace

void CopySession::Copy(const std::string& root, const std::string& from, const std::string& name) {
  if (folder_.empty() || !IsPlainDiskName(name) || !sources_.IsFile(from)) return;
  auto it = last_source_.find(name);
  if (it != last_source_.end() && it->second == from) return;
  const std::string to = folder_ + name;
  // Bytes already there are left alone, unless what holds them is a link.
  if ((IsOwnRegularFile(to) && SameBytes(from, to)) || CopyFileReplacing(root, from, to))
    last_source_[name] = from;
}

bool SameFile(const std::string& a, const std::string& b) {
  std::error_code ec;
  bool same = fs::equivalent(a, b, ec);
  return !ec && same;
}

bool CopyFileReplacing(const std::string& root, const std::string& from, const std::string& to) {
  return CopyFileWithin(root, from, to, true) == 0;
}

bool CopyFileKeeping(const std::string& root, const std::string& from, const std::string& to) {
  return CopyFileWithin(root, from, to, false) == 0;
}

std::string unique_report_name() { return GenerateFileName(""); }

std::string FreshFileName(const std::string& folder, const char* extension) {
  const std::string base = unique_report_name();
  std::string name = base + extension;
  if (folder.empty()) return name;
  const std::string dir = WithSlash(folder);
  std::error_code ec;
  for (int n = 1; fs::exists(dir + name, ec) && n < 100000; ++n)
    name = base + std::to_string(n) + extension;
  return name;
}

}  // namespace quillet
