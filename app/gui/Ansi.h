// The program's texts are Windows-1252 bytes (what the handheld and the
// store use); Qt wants Unicode. These convert at the edge of every widget.
#pragma once

#include <QString>
#include <string>

namespace quillet {

QString FromAnsi(const std::string& bytes);
QString FromAnsi(const char* bytes);
// Characters the code page cannot hold become '?'.
std::string ToAnsi(const QString& text);
// The same, refusing instead: false when `text` holds a character the code
// page cannot hold, which `*bad` (when given) then names; `*bytes` holds the
// text converted up to it.
bool ToAnsiExact(const QString& text, std::string* bytes, QString* bad = nullptr);

// File paths are bytes of the file system (UTF-8 here), not code-page text.
inline QString FromPath(const std::string& path) { return QString::fromLocal8Bit(path); }
inline std::string ToPath(const QString& path) { return path.toLocal8Bit().toStdString(); }

}  // namespace quillet
