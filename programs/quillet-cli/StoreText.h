// Helpers the store subcommands share: text conversion between the store's
// Windows-1252 bytes and the terminal's UTF-8, JSON string quoting, record
// kind names and data digests.
#pragma once

#include <openssl/evp.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "platform/codepage/CodePage.h"
#include "store/Record.h"

namespace quillet::cli {

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

// Store text as a JSON string.
inline std::string JsonText(const CpText& text) { return JsonString(ToUtf8(text)); }

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
