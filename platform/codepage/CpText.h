// CpText: text in the Windows-1252 code page, the way the handheld, the
// store file and the string table hold it.
//
// A CpText is only ever made from bytes that already are code-page text
// (a record read from the store, the string table, another CpText) or by a
// conversion that checks: FromUtf8 (platform/codepage/CodePage.h) for the
// file system, URLs and terminals, ToAnsiExact (widgets/kit/Ansi.h) for Qt.
// Nothing turns a std::string, a const char* or a QString into one on its
// own, so a UTF-8 text cannot slip into a record, nor a record text into a
// file name, without a conversion the compiler can point at.
//
// Code that only carries the bytes along (the store file, a report writing
// code-page HTML) reads them with bytes() or view().
#pragma once

#include <compare>
#include <cstddef>
#include <functional>
#include <iosfwd>
#include <string>
#include <string_view>
#include <utility>

namespace quillet {

class CpText {
 public:
  static constexpr size_t npos = std::string::npos;

  CpText() = default;
  // `bytes` are code-page bytes, taken as they are.
  explicit CpText(std::string bytes) : bytes_(std::move(bytes)) {}
  explicit CpText(std::string_view bytes) : bytes_(bytes) {}
  explicit CpText(const char* bytes) : bytes_(bytes != nullptr ? bytes : "") {}
  explicit CpText(const char* bytes, size_t n) : bytes_(bytes, n) {}

  const std::string& bytes() const& { return bytes_; }
  std::string bytes() && { return std::move(bytes_); }
  std::string_view view() const { return bytes_; }
  const char* c_str() const { return bytes_.c_str(); }
  const char* data() const { return bytes_.data(); }

  bool empty() const { return bytes_.empty(); }
  size_t size() const { return bytes_.size(); }
  char operator[](size_t i) const { return bytes_[i]; }
  void clear() { bytes_.clear(); }

  // Pieces and joins of code-page text stay code-page text.
  CpText substr(size_t pos, size_t n = npos) const { return CpText(bytes_.substr(pos, n)); }
  size_t find(char c, size_t pos = 0) const { return bytes_.find(c, pos); }
  CpText& operator+=(const CpText& more) {
    bytes_ += more.bytes_;
    return *this;
  }
  friend CpText operator+(CpText a, const CpText& b) { return a += b; }

  friend bool operator==(const CpText&, const CpText&) = default;
  friend std::strong_ordering operator<=>(const CpText& a, const CpText& b) {
    return a.bytes_ <=> b.bytes_;
  }

 private:
  std::string bytes_;
};

// Writes the text as a C string literal with every byte outside printable
// ASCII escaped (test failures, logs).
std::ostream& operator<<(std::ostream& out, const CpText& text);

namespace cptext_detail {
// An ASCII string literal: ASCII reads the same in the code page and in
// UTF-8, so a literal in the (UTF-8) source is code-page text exactly when
// every byte is ASCII. Any other byte stops the build.
template <size_t N>
struct AsciiLiteral {
  char text[N] = {};
  consteval AsciiLiteral(const char (&s)[N]) {
    for (size_t i = 0; i < N; ++i) {
      if (static_cast<unsigned char>(s[i]) >= 0x80) throw "not ASCII: write the code-page byte with CpText(\"\\x..\")";
      text[i] = s[i];
    }
  }
};
}  // namespace cptext_detail

inline namespace cptext_literals {
// "Unfiled"_cp: an ASCII literal as code-page text, checked while compiling.
template <cptext_detail::AsciiLiteral L>
CpText operator""_cp() {
  return CpText(L.text, sizeof(L.text) - 1);
}
}  // namespace cptext_literals

}  // namespace quillet

template <>
struct std::hash<quillet::CpText> {
  size_t operator()(const quillet::CpText& t) const noexcept { return std::hash<std::string_view>()(t.view()); }
};
