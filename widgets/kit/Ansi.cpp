#include "widgets/kit/Ansi.h"

#include <QList>

#include <algorithm>

#include "platform/codepage/CodePage.h"

namespace quillet {
namespace {

// The code-page byte of one UTF-16 unit; false when there is none (a half
// of a pair never has one).
bool UnitToByte(char16_t u, char* out) { return CodePointToCp1252(u, out); }

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
    *out++ = QChar(static_cast<char16_t>(Cp1252ToCodePoint(static_cast<unsigned char>(c))));
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
