#include "platform/codepage/CodePage.h"

#include <cstdio>
#include <ostream>
#include <utility>

namespace quillet {
using codepage_detail::kCp1252High;

void AppendUtf8(std::string* out, uint32_t cp) {
  if (cp < 0x80) {
    out->push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

std::string ToUtf8(const CpText& text) {
  std::string out;
  out.reserve(text.size());
  for (unsigned char c : text.view()) {
    if (c < 0x80) out.push_back(static_cast<char>(c));
    else AppendUtf8(&out, Cp1252ToCodePoint(c));
  }
  return out;
}

bool CodePointToCp1252(uint32_t cp, char* byte) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
    *byte = static_cast<char>(cp);
    return true;
  }
  for (int b = 0; b < 32; ++b) {
    if (kCp1252High[b] == cp) {
      *byte = static_cast<char>(0x80 + b);
      return true;
    }
  }
  return false;
}

namespace {

// The UTF-8 sequence starting at `i`: its code point and length; false when
// the bytes there are no UTF-8 (cut off, over-long, a surrogate, beyond
// Unicode), with `*length` 1.
bool DecodeUtf8(std::string_view text, size_t i, uint32_t* codePoint, size_t* length) {
  *length = 1;
  unsigned char c = static_cast<unsigned char>(text[i]);
  uint32_t cp;
  size_t extra;
  if (c < 0x80) { cp = c; extra = 0; }
  else if ((c & 0xE0) == 0xC0) { cp = c & 0x1F; extra = 1; }
  else if ((c & 0xF0) == 0xE0) { cp = c & 0x0F; extra = 2; }
  else if ((c & 0xF8) == 0xF0) { cp = c & 0x07; extra = 3; }
  else return false;
  if (i + extra >= text.size() && extra > 0) return false;  // cut off
  for (size_t k = 1; k <= extra; ++k) {
    unsigned char t = static_cast<unsigned char>(text[i + k]);
    if ((t & 0xC0) != 0x80) return false;
    cp = (cp << 6) | (t & 0x3F);
  }
  static constexpr uint32_t kMinForLength[4] = {0, 0x80, 0x800, 0x10000};
  if (cp < kMinForLength[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
    return false;  // over-long form, beyond Unicode or a surrogate
  *codePoint = cp;
  *length = extra + 1;
  return true;
}

}  // namespace

bool FromUtf8(std::string_view text, CpText* result, uint32_t* badChar) {
  std::string bytes;
  bytes.reserve(text.size());
  auto fail = [&](uint32_t cp) {
    if (badChar) *badChar = cp;
    *result = CpText(std::move(bytes));
    return false;
  };
  for (size_t i = 0; i < text.size();) {
    uint32_t cp = 0;
    size_t length = 1;
    if (!DecodeUtf8(text, i, &cp, &length)) return fail(0xFFFD);
    i += length;
    char byte;
    if (!CodePointToCp1252(cp, &byte)) return fail(cp);
    bytes.push_back(byte);
  }
  *result = CpText(std::move(bytes));
  return true;
}

std::string PathForMessage(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (size_t i = 0; i < bytes.size();) {
    uint32_t cp = 0;
    size_t length = 1;
    if (DecodeUtf8(bytes, i, &cp, &length)) {
      out.append(bytes.substr(i, length));
    } else {
      char label[8];
      std::snprintf(label, sizeof label, "<0x%02X>", static_cast<unsigned char>(bytes[i]));
      out += label;
    }
    i += length;
  }
  return out;
}

CpText TextForMessage(std::string_view utf8) {
  CpText all;
  if (FromUtf8(utf8, &all)) return all;
  std::string out;
  size_t i = 0;
  while (i < utf8.size()) {
    size_t next = i + 1;  // one UTF-8 sequence: its lead byte and what continues it
    while (next < utf8.size() && next - i < 4 && (static_cast<unsigned char>(utf8[next]) & 0xC0) == 0x80) ++next;
    CpText one;
    uint32_t bad = 0;
    if (FromUtf8(utf8.substr(i, next - i), &one, &bad)) {
      out += one.bytes();
    } else if (bad != 0xFFFD) {
      out += "<" + CodePointLabel(bad) + ">";
    } else {
      // Not UTF-8: each byte of the sequence by its value.
      for (size_t k = i; k < next; ++k) {
        char label[8];
        std::snprintf(label, sizeof label, "<0x%02X>", static_cast<unsigned char>(utf8[k]));
        out += label;
      }
    }
    i = next;
  }
  return CpText(std::move(out));
}

std::string CharacterForMessage(uint32_t cp) {
  const bool shown = cp >= 0x20 && cp != 0x7F && !(cp >= 0x80 && cp < 0xA0) &&
                     !(cp >= 0xD800 && cp <= 0xDFFF) && cp != 0xFFFD && cp <= 0x10FFFF;
  if (!shown) return CodePointLabel(cp);
  std::string out = "\u201C";  // the quotes of the message texts
  AppendUtf8(&out, cp);
  return out + "\u201D (" + CodePointLabel(cp) + ")";
}

std::string CodePointLabel(uint32_t cp) {
  char label[16];
  std::snprintf(label, sizeof label, "U+%04X", static_cast<unsigned>(cp));
  return label;
}

std::ostream& operator<<(std::ostream& out, const CpText& text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  out << '"';
  for (unsigned char c : text.view()) {
    if (c == '"' || c == '\\') {
      out << '\\' << static_cast<char>(c);
    } else if (c >= 0x20 && c < 0x7F) {
      out << static_cast<char>(c);
    } else {
      out << "\\x" << kHex[c >> 4] << kHex[c & 15];
    }
  }
  return out << '"';
}

}  // namespace quillet
