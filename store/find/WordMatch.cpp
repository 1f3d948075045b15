// Word splitting and the two ways a word matches a field.
#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "store/find/FindEngine.h"

namespace quillet {
namespace {

// Only the letters a-z fold: the texts are in a Windows ANSI code page, and
// the search has always treated every other byte (accented letters, lead and
// trail bytes of multi-byte characters) as itself.
constexpr unsigned char Fold(unsigned char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 'a' + 'A') : c;
}

// The same folding as a table, for the loops that run over whole stores.
struct FoldTable {
  unsigned char to[256];
  constexpr FoldTable() : to() {
    for (int c = 0; c < 256; ++c) to[c] = Fold(static_cast<unsigned char>(c));
  }
};
constexpr FoldTable kFold;

}  // namespace

// A text ends at its first zero byte, as it does for every reader of the
// store's zero-terminated texts.
size_t TextLength(const std::string& s) { return ::strnlen(s.data(), s.size()); }

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

// The word's first and last bytes as a field byte is tested against them:
// a letter matches its two cases, which differ only in the bit 0x20, so
// the byte with that bit set must equal the small letter; any other byte
// must equal itself.
CFindWord::CFindWord(const std::string& word) {
  const size_t n = TextLength(word);
  folded_.resize(n);
  for (size_t i = 0; i < n; ++i) folded_[i] = static_cast<char>(kFold.to[static_cast<unsigned char>(word[i])]);
  if (n == 0) return;
  auto test = [](unsigned char folded, unsigned char* bits, unsigned char* value) {
    const bool letter = folded >= 'A' && folded <= 'Z';
    *bits = letter ? 0x20 : 0x00;
    *value = letter ? static_cast<unsigned char>(folded | 0x20) : folded;
  };
  test(static_cast<unsigned char>(folded_.front()), &first_bits_, &first_value_);
  test(static_cast<unsigned char>(folded_.back()), &last_bits_, &last_value_);
}

bool CFindWord::MatchesAt(const unsigned char* at) const {
  const auto* w = reinterpret_cast<const unsigned char*>(folded_.data());
  for (size_t k = 0; k < folded_.size(); ++k)
    if (kFold.to[at[k]] != w[k]) return false;
  return true;
}

// Places where both the first and the last byte fit are looked for sixteen
// at a time where the processor can, and only those are compared whole. The
// first place found decides: the field ends at its first zero byte, and a
// word holds none, so the place counts unless a zero byte comes before it.
bool CFindWord::OccursIn(const char* field, size_t size) const {
  const size_t n = folded_.size();
  if (n == 0 || n > size) return false;
  const auto* f = reinterpret_cast<const unsigned char*>(field);
  // Kept apart from the field's bytes, which could be any memory for the
  // compiler, so that the loops hold them in registers.
  const unsigned char first_bits = first_bits_, first_value = first_value_;
  const unsigned char last_bits = last_bits_, last_value = last_value_;
  const size_t places = size - n + 1;  // where the word could begin
  size_t i = 0;
#if defined(__SSE2__)
  if (places >= 16) {
    const __m128i fb = _mm_set1_epi8(static_cast<char>(first_bits));
    const __m128i fv = _mm_set1_epi8(static_cast<char>(first_value));
    const __m128i lb = _mm_set1_epi8(static_cast<char>(last_bits));
    const __m128i lv = _mm_set1_epi8(static_cast<char>(last_value));
    // Sixteen places at a time; the last sixteen overlap the ones before
    // rather than leave a rest, and a place seen twice changes nothing.
    for (;;) {
      const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(f + i));
      const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(f + i + n - 1));
      const __m128i fits = _mm_and_si128(_mm_cmpeq_epi8(_mm_or_si128(a, fb), fv),
                                         _mm_cmpeq_epi8(_mm_or_si128(b, lb), lv));
      for (auto m = static_cast<unsigned>(_mm_movemask_epi8(fits)); m != 0; m &= m - 1) {
        const size_t p = i + static_cast<size_t>(__builtin_ctz(m));
        if (MatchesAt(f + p)) return std::memchr(f, 0, p) == nullptr;
      }
      if (i + 16 == places) return false;
      i = std::min(i + 16, places - 16);
    }
  }
#endif
  for (; i < places; ++i) {
    if ((f[i] | first_bits) != first_value || (f[i + n - 1] | last_bits) != last_value) continue;
    if (MatchesAt(f + i)) return std::memchr(f, 0, i) == nullptr;
  }
  return false;
}

// Equal up to the field's first zero byte: the word's bytes, none of them
// zero, and then the field's end or a zero byte.
bool CFindWord::Equals(const char* field, size_t size) const {
  const size_t n = folded_.size();
  if (n == 0 || size < n || (size > n && field[n] != '\0')) return false;
  return MatchesAt(reinterpret_cast<const unsigned char*>(field));
}

}  // namespace quillet
