// Which page the browser pane shows, by rule, without touching the pane.
//
// All page files lie under the install folder. Each of the program's own
// pages may have a version in the person's language, in a folder named for
// the language beside the English one ("components/de/main.htm",
// "help/de/index.html"); the English page stands in for a language without
// one. A page loaded "with check"
// that does not exist is replaced by the missing page, so a deleted report
// or a damaged install shows an explanation instead of nothing.
#pragma once

#include <string>

namespace quillet {

inline constexpr char kMainPage[] = "components/main.htm";
inline constexpr char kVelaMainPage[] = "components/velamain.htm";
inline constexpr char kTopicCenterPage[] = "components/topiccenter.htm";
inline constexpr char kImageCenterPage[] = "components/imagecenter.htm";
inline constexpr char kNotFoundPage[] = "components/notfound.htm";
inline constexpr char kHelpPage[] = "help/index.html";
// The theme whose presence switches the start page to its own version.
inline constexpr char kVelaTheme[] = "VELA Contacts.htm";

// `page` (one of the names above) under the install folder, in `language`
// when the install has that version of it, else the English one. A
// language that is not a plain name (letters and '_') counts as English.
std::string OwnPagePath(const std::string& installFolder, const char* page, const std::string& language);
// The same in the language installed (Language(), base/Translate.h).
std::string OwnPagePath(const std::string& installFolder, const char* page);

// The start page under the data folder, in the language installed: the
// alternative one when the user's theme folder holds "VELA Contacts.htm",
// else the main one.
std::string StartPagePath(const std::string& installFolder, const std::string& themeFolder);

// True for addresses the pane hands to the user's web browser rather than
// loading itself (http, https, mailto, ftp).
bool IsWebAddress(const std::string& path);

// The path Navigate with check loads: `path` when its file exists in its
// folder, else the missing page in the language installed (and
// *missing = true). Web addresses are
// not checked.
std::string CheckedPagePath(const std::string& path, const std::string& installFolder,
                            bool* missing);

// True when `path` names an existing regular file.
bool PageFileExists(const std::string& path);

}  // namespace quillet
