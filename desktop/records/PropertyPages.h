// The Properties sheet's pages without their widgets: the author details,
// the default Palm user, and the log settings.
#pragma once

#include <string>
#include <vector>

#include "platform/codepage/CpText.h"

namespace quillet {

// Start pages of the sheet.
enum PropertyPage : int {
  kPageAuthor = 0,
  kPageDefaultUser = 1,
  kPageCategories = 2,
  kPageLogging = 3,
};

// Each author value holds at most this many characters.
inline constexpr size_t kAuthorFieldLimit = 259;

// Code-page text, as the reports' {AUTHOR} tags write it; the registry
// keeps the bytes.
struct AuthorDetails {
  CpText name;   // "Author"
  CpText title;  // "Title"
  CpText email;  // "Email"
  CpText phone;  // "Phone"
  bool operator==(const AuthorDetails&) const = default;
};
// From the current user's key.
AuthorDetails ReadAuthorDetails();
// Into the current user's key, each value cut to its limit, in the order
// "Author", "Title", "Email", "Phone".
void WriteAuthorDetails(const AuthorDetails& details);

// The "Default User" page: the names of the user table in table order,
// the current user's position (-1 when none matches).
struct DefaultUserChoice {
  std::vector<std::string> names;
  int selected = -1;
};
DefaultUserChoice ReadDefaultUserChoice();
// The "User Path:" field for the user at `position` of the table: the
// user's "OutputPath" immediately followed by the user's folder.
std::string UserPathText(int position);
// The sheet closed with OK: switch to the chosen user. False when the
// switch did not happen.
bool ApplyDefaultUser(const std::string& name);

// The "Logging" page.
struct LoggingChoice {
  bool enabled = false;
  std::string folder;  // "LogPath"
};
LoggingChoice ReadLoggingChoice();
// "Browse": the folder browser titled "Choose a folder"; the chosen folder
// with a trailing '/'. False when cancelled.
bool BrowseLogFolder(std::string* folder);
// The sheet closed with OK: "LogPath" stored, the log ended and started
// again (with the "Log" value stored before), then the check box's value
// switched on and stored as "Log".
void ApplyLoggingChoice(const LoggingChoice& choice);

}  // namespace quillet
