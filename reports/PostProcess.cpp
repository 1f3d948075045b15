#include "reports/PostProcess.h"

#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <algorithm>
#include <cstring>
#include <new>
#include <unordered_set>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "base/DiagnosticLog.h"
#include "base/Strings.h"
#include "base/UserInterface.h"
#include "platform/codepage/CodePage.h"
#include "platform/files/SafeFiles.h"
#include "reports/ReportPaths.h"

namespace quillet {
namespace {

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EndsWithName(std::string_view text, size_t end, std::string_view name, bool anyCase) {
  if (end < name.size()) return false;
  size_t start = end - name.size();
  for (size_t i = 0; i < name.size(); ++i) {
    char c = text[start + i];
    if (anyCase) c = LowerAscii(c);
    if (c != name[i]) return false;
  }
  return true;
}

// The next position at or after `from` of an '=' directly followed by '"'
// and directly after a 'c' or 'd' in either case (the last letters of "src"
// and "background"), or npos. Every value ForEachValue acts on is found
// here; most other '=' of a page (style=, href=, width=100) are not, so
// they cost nothing further. Sixteen bytes at a time where SSE2 is there.
size_t NextValueCandidate(std::string_view text, size_t from) {
  const char* t = text.data();
  const size_t n = text.size();
  size_t c = from == 0 ? 0 : from - 1;  // where the letter before '=' is
#if defined(__SSE2__)
  const __m128i lower = _mm_set1_epi8(0x20);
  const __m128i letter_c = _mm_set1_epi8('c');
  const __m128i letter_d = _mm_set1_epi8('d');
  const __m128i equals = _mm_set1_epi8('=');
  const __m128i quote = _mm_set1_epi8('"');
  for (; c + 18 <= n; c += 16) {
    __m128i v0 = _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(t + c)), lower);
    __m128i v1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(t + c + 1));
    __m128i v2 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(t + c + 2));
    __m128i hit = _mm_and_si128(
        _mm_or_si128(_mm_cmpeq_epi8(v0, letter_c), _mm_cmpeq_epi8(v0, letter_d)),
        _mm_and_si128(_mm_cmpeq_epi8(v1, equals), _mm_cmpeq_epi8(v2, quote)));
    unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(hit));
    if (mask != 0) return c + static_cast<size_t>(__builtin_ctz(mask)) + 1;
  }
#endif
  for (; c + 2 < n; ++c) {
    char l = static_cast<char>(t[c] | 0x20);
    if ((l == 'c' || l == 'd') && t[c + 1] == '=' && t[c + 2] == '"') return c + 1;
  }
  return std::string_view::npos;
}

// The next "{FILE_SIZE}" at or after `from`, or npos. A report may hold
// tens of thousands of other brace runs (copied-through tags, style
// sheets), so candidates are "{F" with "}" ten bytes on, picked out sixteen
// positions at a time, and only they are compared whole.
size_t NextFileSizeTag(std::string_view text, size_t from) {
  static constexpr std::string_view kTag = "{FILE_SIZE}";
  const char* t = text.data();
  const size_t n = text.size();
  if (n < kTag.size()) return std::string_view::npos;
  const size_t last = n - kTag.size();  // the last position a tag may start at
  size_t c = from;
#if defined(__SSE2__)
  const __m128i open = _mm_set1_epi8('{');
  const __m128i letter = _mm_set1_epi8('F');
  const __m128i close = _mm_set1_epi8('}');
  for (; c + 16 + kTag.size() - 1 <= n; c += 16) {
    __m128i hit = _mm_and_si128(
        _mm_and_si128(_mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(t + c)), open),
                      _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(t + c + 1)), letter)),
        _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(t + c + 10)), close));
    unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(hit));
    while (mask != 0) {
      size_t at = c + static_cast<size_t>(__builtin_ctz(mask));
      if (text.compare(at, kTag.size(), kTag) == 0) return at;
      mask &= mask - 1;
    }
  }
#endif
  for (; c <= last; ++c)
    if (t[c] == '{' && text.compare(c, kTag.size(), kTag) == 0) return c;
  return std::string_view::npos;
}

// Answers whether a stretch of a report touches text that came from a
// record. Asked with stretches that never start earlier than the last one.
class SpanCursor {
 public:
  explicit SpanCursor(const std::vector<TextSpan>* spans) : spans_(spans) {}
  bool Overlaps(size_t begin, size_t end) {
    if (spans_ == nullptr) return false;
    while (next_ < spans_->size() && (*spans_)[next_].end <= begin) ++next_;
    return next_ < spans_->size() && (*spans_)[next_].begin < end;
  }

 private:
  const std::vector<TextSpan>* spans_;
  size_t next_ = 0;
};

// Calls fn(begin, end) with the bounds of the value of every non-empty
// src="..." and background="..." that has its closing quote. Values are
// taken in order; one that has been taken is skipped over whole. An
// attribute name or '="' that touches record text is no attribute at all
// and the scan goes on right after it; a value that holds record text is
// skipped over without being handed on.
template <class Fn>
void ForEachValue(std::string_view text, bool anyCase, const std::vector<TextSpan>* spans, Fn fn) {
  SpanCursor records(spans);
  size_t pos = 0;
  while (pos + 1 < text.size()) {
    size_t eq = NextValueCandidate(text, pos);
    if (eq == std::string_view::npos) return;
    pos = eq + 1;
    size_t name = 0;
    if (EndsWithName(text, eq, "src", anyCase))
      name = eq - 3;
    else if (EndsWithName(text, eq, "background", anyCase))
      name = eq - 10;
    else
      continue;
    if (records.Overlaps(name, eq + 2)) continue;
    size_t begin = eq + 2;
    size_t end = text.find('"', begin);
    if (end == std::string_view::npos) return;  // no closing quote: left alone
    pos = end + 1;
    if (end > begin && !records.Overlaps(begin, end + 1)) fn(begin, end);
  }
}

// Counts line feeds from a position on, moving forward only.
class LineFeedCounter {
 public:
  explicit LineFeedCounter(std::string_view text) : text_(text) {}
  size_t CountTo(size_t to) {
    while (at_ < to) {
      const void* hit = std::memchr(text_.data() + at_, '\n', to - at_);
      if (hit == nullptr) {
        at_ = to;
        break;
      }
      at_ = static_cast<size_t>(static_cast<const char*>(hit) - text_.data()) + 1;
      ++count_;
    }
    return count_;
  }

 private:
  std::string_view text_;
  size_t at_ = 0;
  size_t count_ = 0;
};

unsigned Address(const void* p) { return static_cast<unsigned>(reinterpret_cast<uintptr_t>(p)); }

void Tell(const char* text) {
  MessageRequest request;
  request.text = translate("PostProcess", text);
  request.caption = kCaption;
  request.flags = kMbOk | kMbIconInformation;
  UI().ShowMessage(request);
}

}  // namespace

std::vector<std::string> FindReferenceValues(std::string_view text, bool anyCase,
                                             const std::vector<TextSpan>* recordSpans) {
  std::vector<std::string> values;
  ForEachValue(text, anyCase, recordSpans,
               [&](size_t b, size_t e) { values.emplace_back(text.substr(b, e - b)); });
  return values;
}

std::string post_process_report(char* text, size_t length, const std::string& themeFolder,
                                const std::string& outputPath) {
  std::string out;
  post_process_report(text, length, themeFolder, outputPath, &out);
  return out;
}

void AppendWithCrLf(std::string* out, std::string_view text) {
  const char* p = text.data();
  const char* end = p + text.size();
  while (p < end) {
    const char* lf = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
    if (lf == nullptr) {
      out->append(p, static_cast<size_t>(end - p));
      return;
    }
    out->append(p, static_cast<size_t>(lf - p));
    out->append("\r\n", 2);
    p = lf + 1;
  }
}

void post_process_report(char* text, size_t length, const std::string& themeFolder,
                         const std::string& outputPath, std::string* result,
                         CopySession* copies, LineEnds ends,
                         const std::vector<TextSpan>* recordSpans,
                         std::vector<TextSpan>* writtenSpans) {
  static constexpr char kFileSize[] = "{FILE_SIZE}";
  static constexpr size_t kFileSizeLen = sizeof(kFileSize) - 1;
  const std::string digits = std::to_string(length);
  std::string_view whole(text, length);
  SpanCursor size_records(recordSpans);
  for (size_t at = NextFileSizeTag(whole, 0); at != std::string_view::npos;
       at = NextFileSizeTag(whole, at + kFileSizeLen)) {
    if (size_records.Overlaps(at, at + kFileSizeLen)) continue;  // a note's text, not the theme's
    std::memset(text + at, ' ', kFileSizeLen);
    std::memcpy(text + at, digits.data(), std::min(digits.size(), kFileSizeLen));
  }

  std::string_view view(text, length);
  std::string& out = *result;
  out.clear();
  if (writtenSpans != nullptr) writtenSpans->clear();
  const bool crlf = ends == LineEnds::kCrLf;
  // Lines of a report average well over 16 bytes, so this is room enough
  // for nearly any report without growing.
  out.reserve(crlf ? length + length / 16 + 16 : length);
  // Record stretches are never rewritten, so each lies inside one piece of
  // unchanged text; where it lands in the output is found as that piece is
  // copied.
  size_t next_span = 0;
  TextSpan part_left;  // the rest of a span that goes on into the next piece
  bool has_left = false;
  LineFeedCounter feeds(view);
  auto emit = [&](size_t from, size_t to) {
    const size_t base = out.size();
    const size_t feeds_before = crlf ? feeds.CountTo(from) : 0;
    auto where = [&](size_t at) {
      return base + (at - from) + (crlf ? feeds.CountTo(at) - feeds_before : 0);
    };
    if (writtenSpans != nullptr && recordSpans != nullptr) {
      for (;;) {
        TextSpan span;
        if (has_left) {
          span = part_left;
        } else if (next_span < recordSpans->size() && (*recordSpans)[next_span].begin < to) {
          span = (*recordSpans)[next_span++];
        } else {
          break;
        }
        has_left = false;
        const size_t b = std::max(span.begin, from);
        const size_t e = std::min(span.end, to);
        if (b < e) writtenSpans->push_back({where(b), where(e)});
        if (span.end > to) {
          part_left = {to, span.end};
          has_left = true;
          break;
        }
      }
    }
    std::string_view part = view.substr(from, to - from);
    if (crlf)
      AppendWithCrLf(&out, part);
    else
      out.append(part);
  };
  auto emit_text = [&](std::string_view replaced) {
    if (crlf)
      AppendWithCrLf(&out, replaced);
    else
      out.append(replaced);
  };
  size_t copied_to = 0;  // text before this offset is already in `out`
  CopySession own(outputPath);
  CopySession& copier = copies != nullptr ? *copies : own;
  const std::string folder = WithSlash(themeFolder);
  // A theme that shows one picture in every note names it thousands of
  // times; each value is looked at once.
  std::unordered_set<std::string_view> handled;
  ForEachValue(view, false, recordSpans, [&](size_t b, size_t e) {
    std::string_view value = view.substr(b, e - b);
    bool first_time = handled.insert(value).second;
    if (IsWebAddress(value)) return;
    if (value.find_first_of("/\\") == std::string_view::npos) {
      if (!first_time) return;
      std::string name = DecodeReference(value);
      if (auto source = ResolveThemeReference(folder, name)) copier.Copy(folder, *source, name);
      return;
    }
    // A path: the file is copied beside the report under its last component,
    // and the report refers to it by that name, whether or not it may be
    // copied, so a finished report never points outside its own folder.
    std::string last = BaseName(value);
    if (first_time) {
      if (auto source = ResolveThemeReference(folder, DecodeReference(value)))
        copier.Copy(folder, *source, DecodeReference(last));
    }
    emit(copied_to, b);
    emit_text(last);
    copied_to = e;
  });
  emit(copied_to, view.size());
}

bool collect_references(const std::string& reportPath, const std::string& templatePath,
                        const std::string& outputPath, std::vector<std::string>* names) {
  names->clear();
  std::FILE* file = OpenInputFile(reportPath);  // a folder, pipe or device is no report
  if (file == nullptr) return false;
  struct stat st;
  if (fstat(fileno(file), &st) != 0) {
    std::fclose(file);
    Tell(QT_TRANSLATE_NOOP("PostProcess", "The size of the report file could not be read."));
    return false;
  }
  if (!S_ISREG(st.st_mode)) {  // a folder or a device cannot be opened as a report
    std::fclose(file);
    return false;
  }
  if (st.st_size == 0) {
    std::fclose(file);
    Tell(QT_TRANSLATE_NOOP("PostProcess", "This file is currently empty and cannot be used."));
    return false;
  }
  std::string text;
  try {
    text.resize(static_cast<size_t>(st.st_size));
  } catch (const std::bad_alloc&) {
    std::fclose(file);
    Tell(QT_TRANSLATE_NOOP("PostProcess", "There is not enough memory to read the report file."));
    return false;
  }
  text.resize(std::fread(text.data(), 1, text.size(), file));
  std::fclose(file);
  collect_references_in(text, templatePath, outputPath, names);
  return true;
}

void collect_references_in(std::string_view text, const std::string& templatePath,
                           const std::string& outputPath, std::vector<std::string>* names,
                           CopySession* copies, const std::vector<TextSpan>* recordSpans) {
  names->clear();
  const std::string folder = WithSlash(templatePath);
  CopySession own(outputPath);
  CopySession& copier = copies != nullptr ? *copies : own;
  std::unordered_set<std::string> seen;
  std::unordered_set<std::string_view> handled;
  ForEachValue(text, true, recordSpans, [&](size_t b, size_t e) {
    std::string_view value = text.substr(b, e - b);
    if (!handled.insert(value).second) return;  // the same value again
    std::string name = DecodeReference(BaseName(value));
    if (!IsPlainDiskName(name) || seen.count(name) != 0) return;
    auto source = ResolveThemeReference(folder, DecodeReference(value));
    if (!source) return;  // a web address, or nothing that may be copied or attached
    seen.insert(name);
    names->push_back(name);
    int index = static_cast<int>(names->size()) - 1;
    char line[96];
    std::snprintf(line, sizeof line, "NEW &szImage[%i] = 0x%08x, szImage[%i] = 0x%08x", index,
                  Address(&names->back()), index, Address(names->back().data()));
    LogLine(line);
    copier.Copy(folder, *source, name);
  });
}

}  // namespace quillet
