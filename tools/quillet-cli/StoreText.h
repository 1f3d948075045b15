// Helpers the store subcommands share: text conversion between the store's
// Windows-1252 bytes and the terminal's UTF-8, JSON string quoting, record
// kind names and data digests.
#pragma once

#include <openssl/evp.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "store/Record.h"

namespace quillet::cli {

// Unicode code points of the bytes 0x80-0x9F in Windows-1252. The five
// bytes the code page leaves undefined map to the C1 control of the same
// number, as the Windows conversion does, so every byte survives.
inline constexpr uint16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

inline void AppendUtf8(std::string* out, uint32_t cp) {
  if (cp < 0x80) {
    out->push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

inline std::string Cp1252ToUtf8(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (unsigned char c : text) {
    if (c < 0x80) out.push_back(static_cast<char>(c));
    else if (c < 0xA0) AppendUtf8(&out, kCp1252High[c - 0x80]);
    else AppendUtf8(&out, c);
  }
  return out;
}

// UTF-8 to Windows-1252; false when the text is not valid UTF-8 or holds a
// character the code page cannot represent.
inline bool Utf8ToCp1252(const std::string& text, std::string* out) {
  out->clear();
  for (size_t i = 0; i < text.size();) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    uint32_t cp;
    size_t extra;
    if (c < 0x80) { cp = c; extra = 0; }
    else if ((c & 0xE0) == 0xC0) { cp = c & 0x1F; extra = 1; }
    else if ((c & 0xF0) == 0xE0) { cp = c & 0x0F; extra = 2; }
    else if ((c & 0xF8) == 0xF0) { cp = c & 0x07; extra = 3; }
    else return false;
    if (extra > 0 && i + extra >= text.size()) return false;  // cut off
    for (size_t k = 1; k <= extra; ++k) {
      unsigned char t = static_cast<unsigned char>(text[i + k]);
      if ((t & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (t & 0x3F);
    }
    i += extra + 1;
    if (extra > 0 && cp < 0x80) return false;  // over-long form
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
      out->push_back(static_cast<char>(cp));
      continue;
    }
    bool mapped = false;
    for (int b = 0; b < 32; ++b) {
      if (kCp1252High[b] == cp) {
        out->push_back(static_cast<char>(0x80 + b));
        mapped = true;
        break;
      }
    }
    if (!mapped) return false;
  }
  return true;
}

// A JSON string literal (quotes included) of UTF-8 text.
inline std::string JsonString(const std::string& utf8) {
  std::string out = "\"";
  for (unsigned char c : utf8) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20) {
          char esc[8];
          std::snprintf(esc, sizeof esc, "\\u%04x", c);
          out += esc;
        } else {
          out.push_back(static_cast<char>(c));
        }
    }
  }
  return out + "\"";
}

// Store text (Windows-1252) as a JSON string.
inline std::string JsonText(const std::string& cp1252) { return JsonString(Cp1252ToUtf8(cp1252)); }

// The names the tools use for the record kinds.
inline const char* KindName(uint32_t kind) {
  static const char* const kNames[kKindCount] = {"settings", "reserved", "stringList",
                                                 "category", "topic",    "note",
                                                 "image",    "reference", "topicLinks"};
  return kind < kKindCount ? kNames[kind] : "unknown";
}

// Lower-case hex SHA-256 of the bytes (the same as sha256sum prints for a
// file holding them).
inline std::string Sha256Hex(const uint8_t* data, size_t size) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  EVP_Digest(data, size, digest, &length, EVP_sha256(), nullptr);
  static const char kHex[] = "0123456789abcdef";
  std::string out;
  for (unsigned int i = 0; i < length; ++i) {
    out.push_back(kHex[digest[i] >> 4]);
    out.push_back(kHex[digest[i] & 15]);
  }
  return out;
}

}  // namespace quillet::cli
