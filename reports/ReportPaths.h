// Names and paths the report builder works with, and the rules that keep
// what a record or a theme says from reaching files outside the theme and
// output folders.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quillet {

// A name that can only ever mean a file directly inside a folder: not
// empty, at most 255 bytes, not "." or "..", and without '/', '\\', control
// characters, or the '"', '<' and '>' that would end the HTML attribute it
// is written into. File names taken from the store are used only when they
// pass; any other is treated as missing.
bool IsPlainFileName(std::string_view name);

// The part after the last '/' or '\\' (the whole text when there is none).
std::string BaseName(std::string_view path);
// Everything up to and including the last '/' or '\\' ("" when there is none).
std::string FolderOf(std::string_view path);
// `folder` with a trailing '/' added when it has none ("" stays "").
std::string WithSlash(std::string folder);

// Each "%20" replaced by a space.
std::string DecodeSpaces(std::string_view text);

// True for a value that names something elsewhere than a local file: a
// scheme ("http:", "mailto:", "data:", ...; a single letter before ':' is a
// drive instead), or a network path starting "//" or "\\\\".
bool IsWebAddress(std::string_view value);

// The local file a theme's src/background value may be copied from, or
// nothing. The value's '\\' count as '/'. A relative value is taken inside
// `themeFolder`; an absolute one only when it lies inside `themeFolder`.
// Web addresses, values with a ".." component, drive paths, and values with
// control characters name nothing that may be copied.
std::optional<std::string> ResolveThemeReference(const std::string& themeFolder,
                                                 std::string_view value);

// Copies a regular file over `to` (replacing it). False when `from` is not a
// regular file, when both name the same file, or when the copy fails.
bool CopyFileReplacing(const std::string& from, const std::string& to);
// The same, but fails when `to` already exists.
bool CopyFileKeeping(const std::string& from, const std::string& to);
// True when both paths exist and are the same file.
bool SameFile(const std::string& a, const std::string& b);

// The generated report name without extension: the current UTC day, month,
// year and milliseconds and one pseudo-random draw, all in decimal.
std::string unique_report_name();

// A generated name (as unique_report_name, then `extension`) that names no
// existing file in `folder`: names made within one millisecond are the
// same, so digits are appended until the name is free.
std::string FreshFileName(const std::string& folder, const char* extension);

}  // namespace quillet
