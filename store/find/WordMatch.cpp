// Word splitting and the two ways a word matches a field.
#include <cstring>

#include "store/find/FindEngine.h"

namespace quillet {
namespace {

// Only the letters a-z fold: the texts are in a Windows ANSI code page, and
// the search has always treated every other byte (accented letters, lead and
// trail bytes of multi-byte characters) as itself.
inline unsigned char Fold(unsigned char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 'a' + 'A') : c;
}

// A text ends at its first zero byte, as it does for every reader of the
// store's zero-terminated texts.
inline size_t TextLength(const std::string& s) { return ::strnlen(s.data(), s.size()); }

}  // namespace

std::vector<std::string> SplitWords(const std::string& text) {
  std::vector<std::string> words;
  const char* s = text.c_str();
  const size_t length = TextLength(text);
  size_t start = 0;
  bool quoted = false;
  for (size_t p = 0; p <= length; ++p) {
    const char c = p < length ? s[p] : '\0';
    if (c == '"') {
      quoted = !quoted;
      if (quoted) start = p + 1;  // the opening quote is not part of the word
      continue;
    }
    const bool ends = c == '\0' || c == ',' || c == '+' || (c == ' ' && !quoted);
    if (!ends) continue;
    size_t end = (p > 0 && s[p - 1] == '"') ? p - 1 : p;
    words.emplace_back(end > start ? std::string(s + start, end - start) : std::string());
    start = p + 1;
  }
  return words;
}

bool ContainsWord(const std::string& field, const std::string& word) {
  const size_t n = TextLength(word);
  const size_t m = TextLength(field);
  if (n == 0 || n > m) return false;
  const auto* f = reinterpret_cast<const unsigned char*>(field.data());
  const auto* w = reinterpret_cast<const unsigned char*>(word.data());
  const unsigned char first = Fold(w[0]);
  for (size_t i = 0; i + n <= m; ++i) {
    if (Fold(f[i]) != first) continue;
    size_t k = 1;
    while (k < n && Fold(f[i + k]) == Fold(w[k])) ++k;
    if (k == n) return true;
  }
  return false;
}

bool EqualsWord(const std::string& field, const std::string& word) {
  const size_t n = TextLength(word);
  if (n == 0 || TextLength(field) != n) return false;
  for (size_t i = 0; i < n; ++i)
    if (Fold(static_cast<unsigned char>(field[i])) != Fold(static_cast<unsigned char>(word[i])))
      return false;
  return true;
}

}  // namespace quillet
