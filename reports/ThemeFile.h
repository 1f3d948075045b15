// ThemeFile: one theme, read whole into memory, and load_theme().
//
// A theme is single-byte HTML text with brace tags. Its bytes are kept as
// they are (no decoding, no terminator needed: the engine works from the
// size), together with the folder it came from, because the pictures a
// theme refers to by relative names are copied from that folder.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace quillet {

// Accepted theme sizes: 1 to 819200 bytes.
inline constexpr size_t kMaxThemeSize = 819200;

struct ThemeFile {
  std::vector<char> bytes;
  std::string folder;  // ends in '/'
  std::string name;    // file name with extension

  size_t size() const { return bytes.size(); }
  const char* data() const { return bytes.data(); }
};

// Where load_theme turns when the asked-for theme cannot be opened.
struct ThemeFallback {
  std::string themeFolder;  // "TemplatePath", ends in '/'
  // Refills the toolbar's theme box and returns the file name of the first
  // theme in the theme folder ("" when there is none). May be empty; then
  // nothing is tried.
  std::function<std::string()> refillThemeBox;
};

// Reads the theme at `path` into *theme. When the file cannot be opened the
// first theme of the theme folder (fallback.themeFolder) is read
// instead. On failure the person is told why (message box) and false is
// returned; *theme is then left empty.
bool load_theme(const std::string& path, ThemeFile* theme, const ThemeFallback& fallback = {});

}  // namespace quillet
