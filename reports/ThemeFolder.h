// The theme folder as a list: the theme files ("*.htm") it holds, in the
// order the toolbar's theme box shows them.
#pragma once

#include <string>
#include <vector>

namespace quillet {

// At most this many themes are looked at.
inline constexpr size_t kMaxThemeFiles = 1001;

// The names (with extension) of the files in `folder` whose names end in
// ".htm" in any case, in name order without regard to case. Folders and
// other entries are left out.
std::vector<std::string> ListThemeFiles(const std::string& folder);

// The name of the theme at `index` of that list, or "".
std::string ThemeFileAt(const std::string& folder, int index);

// The first theme of the folder, or "".
std::string FirstThemeFile(const std::string& folder);

}  // namespace quillet
