// The program's texts are Windows-1252 bytes (what the handheld and the
// store use); Qt wants Unicode. These convert at the edge of every widget,
// and nowhere else: code-page text reaches Qt only through FromAnsi and
// comes back only through ToAnsiExact, which refuses a character the code
// page cannot hold rather than store another one in its place.
#pragma once

#include <QString>
#include <string>

#include "platform/codepage/CpText.h"

namespace quillet {

QString FromAnsi(const CpText& text);
// False when `text` holds a character the code page cannot hold, which
// `*bad` (when given) then names (both halves of a pair beyond the basic
// plane); `*out` holds the text converted up to it.
bool ToAnsiExact(const QString& text, CpText* out, QString* bad = nullptr);
// Where in `text`, from `from` on, the first character the code page cannot
// hold starts; -1 when there is none.
qsizetype UnstorableAt(const QString& text, qsizetype from = 0);
// The character starting at `at`: both halves of a pair beyond the basic
// plane, else one unit.
QString CharacterAt(const QString& text, qsizetype at);
// The first character of `text` the code page cannot hold, or an empty
// string when it holds none.
QString FirstUnstorable(const QString& text);
// How the person is told of such a character: "“Ω” (U+03A9)".
QString DescribeCharacter(const QString& character);

// File paths are bytes of the file system (UTF-8 here), not code-page text.
inline QString FromPath(const std::string& path) { return QString::fromLocal8Bit(path); }
inline std::string ToPath(const QString& path) { return path.toLocal8Bit().toStdString(); }

}  // namespace quillet
