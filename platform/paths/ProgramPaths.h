// Where a program of ours and its files are, and where the user's files go.
//
// Every program is laid out the same way, installed or in the build tree:
//   <prefix>/bin/            the programs
//   <prefix>/lib/quillet/    our shared libraries (the platform stand-ins,
//                            the notifier), found through this folder
//   <prefix>/share/quillet/  read-only data: pages, help, the shipped themes
// and nothing is ever written there. What a program writes goes to the
// user's XDG base folders ($XDG_CONFIG_HOME, $XDG_DATA_HOME,
// $XDG_STATE_HOME, $XDG_CACHE_HOME), each with a "quillet" folder of ours.
//
// No Qt, no registry; every program and library may use it. Folders are
// returned with a trailing '/'; "" when they cannot be told.
#pragma once

#include <sys/types.h>

#include <string>

namespace qplat {

// The folders of the layout, relative to the prefix.
inline constexpr char kBinFolder[] = "bin/";
inline constexpr char kLibraryFolder[] = "lib/quillet/";
inline constexpr char kDataFolder[] = "share/quillet/";
// Our folder inside each XDG base folder.
inline constexpr char kUserFolderName[] = "quillet/";

// The running program file, absolute, with links resolved.
std::string ProgramFile();
// Its folder (the prefix's bin/).
std::string ProgramFolder();
// The prefix: the folder above the program's folder.
std::string PrefixFolder();
// <prefix>/lib/quillet/ and <prefix>/share/quillet/.
std::string LibraryFolder();
std::string DataFolder();
// Tests stand in for the running program file ("" restores the real one).
void SetProgramFileForTesting(const std::string& path);

// The XDG base folders, from the environment when it holds an absolute
// path (relative ones are ignored, as the XDG rules say), else the
// defaults under the home folder: ~/.config/, ~/.local/share/,
// ~/.local/state/, ~/.cache/. $XDG_RUNTIME_DIR has no default ("").
std::string XdgConfigHome();
std::string XdgDataHome();
std::string XdgStateHome();
std::string XdgCacheHome();
std::string XdgRuntimeDir();
// The home folder: $HOME, else the account's entry in the password file.
std::string HomeFolder();

// Creates `path` and every missing folder above it, each made with `mode`;
// an existing folder is no error. True when `path` is a folder afterwards.
bool MakeFolders(const std::string& path, mode_t mode = 0700);

// Whether the folder `dir` may hold files only this user may reach.
// Refused: a folder that cannot be looked at, a symbolic link (another user
// could have made it point anywhere), anything that is not a folder, a
// folder of another user, and one whose mode has any of `refusedModeBits`
// (077: open to other users at all). The link itself is never followed.
struct PrivateFolderCheck {
  enum class Problem { kNone, kUnusable, kLink, kNotFolder, kOtherOwner, kOpen, kNotAbsolute };
  Problem problem = Problem::kNone;
  std::string folder;
  int error = 0;        // kUnusable: the errno of looking at it
  unsigned owner = 0;   // kOtherOwner: its user id
  unsigned mode = 0;    // kOpen: its mode bits
  bool ok() const { return problem == Problem::kNone; }
};
PrivateFolderCheck CheckPrivateFolder(const std::string& dir, mode_t refusedModeBits = 077);

// The check said in English, for the log ("" when the folder may be used):
// it names the folder as "The folder DIR " + `purpose` ("for Quillet!'s
// messages") and says how to put it right. What the person reads is said
// in their language from the check (base/FolderSentences.h).
std::string PrivateFolderProblem(const PrivateFolderCheck& check, const std::string& purpose);
std::string PrivateFolderProblem(const std::string& dir, const std::string& purpose,
                                 mode_t refusedModeBits = 077);

// `path` with a trailing '/' (unchanged when empty or already there).
std::string WithSlash(const std::string& path);

}  // namespace qplat
