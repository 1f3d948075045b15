// Names and paths the report builder works with, and the rules that keep
// what a record or a theme says from reaching files outside the theme and
// output folders.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace quillet {

// A name, as stored with a record (code-page bytes), that can only ever
// mean a file of ours directly inside the output folder, whatever reads it
// (the page, the browser pane, a mail program given it as an attachment):
// it is not empty, does not start with '.', holds only letters (ASCII or
// of the code page), digits, spaces, '.', '-' and '_' (no '%', quote,
// comma, '=', slash, colon or control character, so it neither decodes
// nor quotes into anything else), and is not one of the record store's own
// files ("quillet.dat...", "Quillet.arc...", any case); its file-system form
// (OutputFileName) is at most 255 bytes. File names taken from the store are used only when they
// pass; any other is treated as missing and replaced by a generated one.
bool IsPlainFileName(std::string_view name);

// The same rules for a name already in the file system's form (UTF-8), as
// a report's src values decode to.
bool IsPlainDiskName(std::string_view name);

// The file-system form (UTF-8) of a stored name: the one conversion from
// the code page used for every file of the output folder a record names.
std::string OutputFileName(std::string_view storedName);

// How a page refers to the file of a stored name: its file-system form with
// every byte but letters, digits and "-._~" percent-encoded, so the browser
// pane finds exactly that file (accents included) and nothing else.
std::string PageReference(std::string_view storedName);

// Each "%XX" (two hex digits) replaced by its byte, once.
std::string PercentDecode(std::string_view text);

// The part after the last '/' or '\\' (the whole text when there is none).
std::string BaseName(std::string_view path);
// Everything up to and including the last '/' or '\\' ("" when there is none).
std::string FolderOf(std::string_view path);
// `folder` with a trailing '/' added when it has none ("" stays "").
std::string WithSlash(std::string folder);

// Each "%20" replaced by a space.
std::string DecodeSpaces(std::string_view text);
// The file name a report's src/background value stands for: the value
// percent-decoded (so "%20" is a space and an accented name written by
// PageReference is its file-system name again).
std::string DecodeReference(std::string_view value);

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

// Whether regular files exist, answered from one listing per folder: a
// report names the same few theme folders hundreds of times, and most names
// (the topic's own pictures) are not there. For one pass over a report.
class FileLookup {
 public:
  bool IsFile(const std::string& path);

 private:
  std::unordered_map<std::string, std::unordered_set<std::string>> folders_;
};

// The copies into one folder made while one report is built. The post-
// processing, the reference scan and the builder each copy the theme's
// pictures; a copy whose destination already holds what it would write (the
// same source copied earlier in the session, or the same bytes) is not made
// again. Missing sources are recognised from one listing per folder.
class CopySession {
 public:
  explicit CopySession(const std::string& folder);
  // Copies `from` to the folder as `name` (a plain file-system name),
  // replacing a file there (a link under that name is replaced, never
  // written through). `from` is read only when it really lies inside
  // `root` (no symbolic link leads out of it).
  void Copy(const std::string& root, const std::string& from, const std::string& name);
  const std::string& folder() const { return folder_; }

 private:
  std::string folder_;
  FileLookup sources_;
  std::unordered_map<std::string, std::string> last_source_;  // name -> what it holds
};

// Copies the regular file `from`, read only when it lies inside `root`
// (see ReadFileWithin), over `to`, which is replaced and never written
// through. False when `from` is not such a file, when both name the same
// file, or when the copy fails.
bool CopyFileReplacing(const std::string& root, const std::string& from, const std::string& to);
// The same, but fails when `to` already exists.
bool CopyFileKeeping(const std::string& root, const std::string& from, const std::string& to);
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
