// The first start on an account without Palm Desktop data.
//
// Quillet! reads the Palm users and their records from Palm Desktop. On an
// account where Palm Desktop was never set up, the program sets its
// stand-in up for the login user, as `quillet-palm-desktop init` and
// `quillet-palm-desktop user add` would (the Palm user named after the
// account's full name) with an empty store of records, says so once, and
// then starts normally. An account that has Palm Desktop data is left
// exactly as it is.
#pragma once

#include <string>

namespace quillet {

enum class PalmSetupResult {
  kAlreadySetUp,  // Palm Desktop data exists: nothing was touched
  kSetUp,         // set up now for the login user
  kFailed,        // it could not be set up (logged); the program starts without users
};

struct PalmSetup {
  std::string userName;    // the Palm user's name (code page)
  std::string dataFolder;  // Palm Desktop's data folder (file system)
  std::string userFolder;  // the user's folder in it (file system)
};

// Sets Palm Desktop up for the login user when its data folder is not set.
PalmSetupResult SetUpPalmDesktopIfMissing(PalmSetup* done);

// The account's full name (the first field of the password file's comment
// field) in UTF-8, else the login name; "" when neither is known.
std::string AccountFullName();
// The Palm user name for an account: `fullName` in the code page when it
// can be held and is a valid Palm user name, else `loginName` likewise,
// else "User".
std::string PalmUserNameFor(const std::string& fullName, const std::string& loginName);

// What the person is told once after the set-up (code-page text).
std::string PalmSetUpMessage(const PalmSetup& done);

}  // namespace quillet
