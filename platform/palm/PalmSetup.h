// Setting the Palm Desktop stand-in up the way installing Palm Desktop and
// adding a user in it would: shared by the quillet-palm-desktop command and
// by the main program's first start on an account without Palm Desktop data.
#pragma once

#include <string>

#include "platform/palm/PalmUsers.h"
#include "platform/registry/Registry.h"

namespace qplat::palm {

// $XDG_DATA_HOME/palm-desktop (no trailing '/'); "" without a home folder.
std::string DefaultDataFolder();
// The HotSync program's path that init records: "HotSync" in our library
// folder, where the Palm Desktop libraries are (the installer and the
// support tool load them from the HotSync folder).
std::string DefaultHotSyncPath();

// True when Palm Desktop's data folder ("Path" of the core key) is set.
bool HasDataFolder();
// The data folder as stored, without a trailing '/'; "" when unset.
std::string DataFolder();

// What `quillet-palm-desktop init` does: makes `dataFolder` (absolute),
// stores it as "Path" with `hotSyncPath` as "HotSyncPath", makes the
// preferences key and Quillet!'s add-on entry (creator 'QLTN').
// *failedWhat names what the store refused, or the folder that could not be
// made (then ERROR_PATH_NOT_FOUND).
LONG InitDesktop(const std::string& dataFolder, const std::string& hotSyncPath, std::string* failedWhat);

// What `quillet-palm-desktop user add` does after init: adds the user (name
// in the code page, as Palm Desktop keeps it), makes the user's folder under
// the data folder and, for the first user, makes the user the one Palm
// Desktop last showed. ERROR_PATH_NOT_FOUND without a data folder or when the
// user's folder cannot be made (the user is then taken away again); the
// codes of AddUser otherwise. *userFolder gets the full path of the folder.
LONG AddUserWithFolder(const std::string& name, const std::string& folder, const std::string& password,
                       PalmUser* added, std::string* userFolder);

}  // namespace qplat::palm
