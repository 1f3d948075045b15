// Starting the desktop's own programs (the mail program, editors, the file
// manager, the web browser) from an argument vector, never a shell line,
// and telling whether they took the request.
//
// A desktop program either ends soon, with a status that says whether it
// could do what it was asked (xdg-open, xdg-email, gio), or stays running
// because it is the editor or mail program itself. RunSettled waits a short
// settle time for the first kind and takes the second as success. The
// program is started through a go-between process, so it outlives us and no
// one has to collect its exit status.
#pragma once

#include <string>
#include <vector>

namespace quillet {

// How long a program may take to say that it failed.
inline constexpr int kDefaultSettleMilliseconds = 2000;

enum class LaunchResult {
  kTaken,    // ended with status 0, or still running after the settle time
  kFailed,   // ended with another status within the settle time, or died
  kMissing,  // the program cannot be run (not found, not executable)
};

// The full path of `program`: as given when it holds a '/', else the first
// executable regular file of that name in the folders of $PATH; "" when
// there is none.
std::string FindProgram(const std::string& program);

// Runs argv[0] (looked up with FindProgram) with the other words as its
// arguments; standard input is /dev/null, the program gets its own session.
LaunchResult RunSettled(const std::vector<std::string>& argv,
                        int settleMilliseconds = kDefaultSettleMilliseconds);

// The file of a desktop entry by its id ("org.example.Editor.desktop"): in
// the applications folder of $XDG_DATA_HOME (default ~/.local/share), then
// of each folder of $XDG_DATA_DIRS (default /usr/local/share:/usr/share);
// "" when there is none.
std::string FindDesktopEntry(const std::string& id);

// The command of the desktop entry in file `entryPath` that opens `file`:
// its Exec line split into words as the entry format quotes them, the file
// put where a %f, %F, %u or %U asks for it (appended when none does), the
// other field codes dropped. `*terminal` tells whether the entry runs in a
// terminal. Empty when the file cannot be read or has no Exec line.
std::vector<std::string> DesktopEntryCommand(const std::string& entryPath, const std::string& file,
                                             bool* terminal);

}  // namespace quillet
