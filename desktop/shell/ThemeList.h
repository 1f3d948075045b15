// How the toolbar's theme box shows and selects themes. The list of theme
// files itself comes from the theme folder (reports/ThemeFolder.h).
#pragma once

#include <string>
#include <vector>

namespace quillet {

// The name shown in the box: the file name without its extension.
std::string ThemeDisplayName(const std::string& fileName);

// The position to select for `lastTemplate` (a file name, possibly with a
// folder part): the entry whose display name equals its name part without
// regard to case, else 0; -1 when there are no themes.
// Where `lastTemplate` (a file name, any folder before it ignored, compared
// by its shown name without regard to case) is among `files`; -1 when it
// is not.
int ThemeListedAt(const std::vector<std::string>& files, const std::string& lastTemplate);
int ThemeSelection(const std::vector<std::string>& files, const std::string& lastTemplate);

}  // namespace quillet
