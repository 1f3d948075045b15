#include "app/gui/Ansi.h"

#include <QList>

#include <algorithm>

#include "platform/codepage/CodePage.h"

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

// The code-page byte of one UTF-16 unit; false when there is none (a half
// of a pair never has one).
bool UnitToByte(char16_t u, char* out) {
  if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
    *out = static_cast<char>(u);
    return true;
  }
  for (int k = 0; k < 32; ++k) {
    const char16_t mapped = kHigh[k] != 0 ? kHigh[k] : static_cast<char16_t>(0x80 + k);
    if (mapped == u) {
      *out = static_cast<char>(0x80 + k);
      return true;
    }
  }
  return false;
}

}  // namespace

QString CharacterAt(const QString& text, qsizetype i) {
  const bool pair = text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate();
  return text.mid(i, pair ? 2 : 1);
}

qsizetype UnstorableAt(const QString& text, qsizetype from) {
  char unused = 0;
  for (qsizetype i = std::max<qsizetype>(from, 0); i < text.size(); ++i)
    if (!UnitToByte(text[i].unicode(), &unused)) return i;
  return -1;
}

QString FromAnsi(const CpText& bytes) {
  QString text(static_cast<qsizetype>(bytes.size()), Qt::Uninitialized);
  QChar* out = text.data();
  for (char c : bytes.view()) {
    const auto b = static_cast<unsigned char>(c);
    char16_t u = b;
    if (b >= 0x80 && b <= 0x9F && kHigh[b - 0x80] != 0) u = kHigh[b - 0x80];
    *out++ = QChar(u);
  }
  return text;
}

bool ToAnsiExact(const QString& text, CpText* result, QString* bad) {
  std::string bytes;
  bytes.reserve(static_cast<size_t>(text.size()));
  for (qsizetype i = 0; i < text.size(); ++i) {
    char out = 0;
    if (!UnitToByte(text[i].unicode(), &out)) {
      if (bad) *bad = CharacterAt(text, i);
      *result = CpText(std::move(bytes));
      return false;
    }
    bytes.push_back(out);
  }
  *result = CpText(std::move(bytes));
  return true;
}

QString FirstUnstorable(const QString& text) {
  const qsizetype at = UnstorableAt(text);
  return at >= 0 ? CharacterAt(text, at) : QString();
}

QString DescribeCharacter(const QString& character) {
  QString codes;
  for (const char32_t c : character.toUcs4()) {
    if (!codes.isEmpty()) codes += ' ';
    codes += QString::fromStdString(CodePointLabel(c));
  }
  return QString::fromUtf16(u"\u201C") + character + QString::fromUtf16(u"\u201D (") + codes + ')';
}

}  // namespace quillet
