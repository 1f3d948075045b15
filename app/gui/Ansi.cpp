#include "app/gui/Ansi.h"

#include <cstring>

namespace quillet {
namespace {

// 0x80 to 0x9F; 0 where the code page leaves a byte undefined (those pass
// through as the control character of the same number).
constexpr char16_t kHigh[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

}  // namespace

QString FromAnsi(const std::string& bytes) {
  QString text(static_cast<qsizetype>(bytes.size()), Qt::Uninitialized);
  QChar* out = text.data();
  for (char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    char16_t u = b;
    if (b >= 0x80 && b <= 0x9F && kHigh[b - 0x80] != 0) u = kHigh[b - 0x80];
    *out++ = QChar(u);
  }
  return text;
}

QString FromAnsi(const char* bytes) { return FromAnsi(std::string(bytes ? bytes : "")); }

bool ToAnsiExact(const QString& text, std::string* bytes, QString* bad) {
  bytes->clear();
  bytes->reserve(static_cast<size_t>(text.size()));
  for (qsizetype i = 0; i < text.size(); ++i) {
    const char16_t u = text[i].unicode();
    char out = 0;
    bool held = u < 0x80 || (u >= 0xA0 && u <= 0xFF);
    if (held) {
      out = static_cast<char>(u);
    } else {
      for (int k = 0; k < 32 && !held; ++k) {
        const char16_t mapped = kHigh[k] != 0 ? kHigh[k] : static_cast<char16_t>(0x80 + k);
        if (mapped == u) {
          out = static_cast<char>(0x80 + k);
          held = true;
        }
      }
    }
    if (!held) {
      if (bad) {
        // A character outside the basic plane is a pair of halves: name both.
        const bool pair = text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate();
        *bad = text.mid(i, pair ? 2 : 1);
      }
      return false;
    }
    bytes->push_back(out);
  }
  return true;
}

std::string ToAnsi(const QString& text) {
  std::string bytes;
  bytes.reserve(static_cast<size_t>(text.size()));
  for (QChar qc : text) {
    const char16_t u = qc.unicode();
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
      bytes.push_back(static_cast<char>(u));
      continue;
    }
    char out = '?';
    for (int i = 0; i < 32; ++i) {
      const char16_t mapped = kHigh[i] != 0 ? kHigh[i] : static_cast<char16_t>(0x80 + i);
      if (mapped == u) {
        out = static_cast<char>(0x80 + i);
        break;
      }
    }
    bytes.push_back(out);
  }
  return bytes;
}

}  // namespace quillet
