// quillet-palm-desktop: sets up the Palm Desktop stand-in the way installing
// Palm Desktop and adding users in it would.
//
//   quillet-palm-desktop init [--path DATAFOLDER]
//   quillet-palm-desktop user add NAME [--folder FOLDER] [--password TEXT]
//   quillet-palm-desktop user list
//   quillet-palm-desktop user remove NAME
//   quillet-palm-desktop user password NAME TEXT      (an empty TEXT removes it)
//   quillet-palm-desktop --help | --version
//
// Exit codes: 0 done, 1 the store refused or the user is unknown, 2 bad
// arguments.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "QuilletVersion.h"
#include "platform/codepage/CodePage.h"
#include "platform/palm/PalmSetup.h"
#include "platform/palm/PalmUsers.h"
#include "platform/registry/Registry.h"

using namespace qplat;
using namespace qplat::palm;

namespace {

constexpr int kOk = 0, kFailed = 1, kUsage = 2;

const char kUsageText[] =
    "usage: quillet-palm-desktop init [--path DATAFOLDER]\n"
    "       quillet-palm-desktop user add NAME [--folder FOLDER] [--password TEXT]\n"
    "       quillet-palm-desktop user list\n"
    "       quillet-palm-desktop user remove NAME\n"
    "       quillet-palm-desktop user password NAME TEXT\n"
    "       quillet-palm-desktop --help | --version\n"
    "\n"
    "init writes the Palm Desktop data folder (default $XDG_DATA_HOME/palm-desktop),\n"
    "the HotSync program path, the preferences key and Quillet!'s add-on entry.\n"
    "NAME is taken in UTF-8 and kept in the Windows-1252 code page, as Palm Desktop\n"
    "keeps it; a name the code page cannot hold is refused.\n";

int Usage(const std::string& message) {
  if (!message.empty()) std::fprintf(stderr, "quillet-palm-desktop: %s\n", message.c_str());
  std::fputs(kUsageText, stderr);
  return kUsage;
}

int Failed(const std::string& what, LONG status) {
  std::fprintf(stderr, "quillet-palm-desktop: %s: %s\n", what.c_str(), RegStatusMessage(status).c_str());
  return kFailed;
}

std::string Absolute(std::string path) {
  if (!path.empty() && path[0] != '/') {
    char cwd[PATH_MAX];
    if (::getcwd(cwd, sizeof cwd)) path = std::string(cwd) + "/" + path;
  }
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

// Takes "--name VALUE" out of args; false with *bad set when VALUE is missing.
bool TakeOption(std::vector<std::string>* args, const std::string& name, std::string* value, bool* bad) {
  for (size_t i = 0; i < args->size(); ++i) {
    if ((*args)[i] != name) continue;
    if (i + 1 >= args->size()) {
      *bad = true;
      return false;
    }
    *value = (*args)[i + 1];
    args->erase(args->begin() + i, args->begin() + i + 2);
    return true;
  }
  return false;
}

// A password as Palm Desktop keeps it: its Windows-1252 bytes, which is what
// the password check hashes. The terminal hands us UTF-8. False, having
// said why, for a password the code page cannot hold or one too long.
bool PasswordBytes(const std::string& typed, std::string* bytes) {
  uint32_t bad = 0;
  quillet::CpText text;
  const bool held = quillet::FromUtf8(typed, &text, &bad);
  *bytes = std::move(text).bytes();
  if (!held) {
    if (bad == 0xFFFD)
      std::fprintf(stderr, "quillet-palm-desktop: the password is not valid UTF-8 text\n");
    else
      std::fprintf(stderr,
                   "quillet-palm-desktop: the password holds a character Palm Desktop passwords cannot hold "
                   "(U+%04X); use letters, digits and signs of the Western European (Windows-1252) "
                   "character set\n",
                   static_cast<unsigned>(bad));
    return false;
  }
  if (bytes->size() > kMaxPassword) {
    std::fprintf(stderr, "quillet-palm-desktop: a password has at most 31 characters\n");
    return false;
  }
  return true;
}

int Init(std::vector<std::string> args) {
  std::string path;
  bool bad = false;
  if (!TakeOption(&args, "--path", &path, &bad)) {
    if (bad) return Usage("--path needs a folder");
    path = DefaultDataFolder();
    if (path.empty()) return Usage("no home folder: give the data folder with --path");
  }
  if (!args.empty()) return Usage("unexpected argument '" + args[0] + "'");
  path = Absolute(path);
  const std::string hotsync = DefaultHotSyncPath();
  std::string what;
  if (LONG st = InitDesktop(path, hotsync, &what)) {
    if (st == ERROR_PATH_NOT_FOUND) {
      std::fprintf(stderr, "quillet-palm-desktop: cannot create %s\n", path.c_str());
      return kFailed;
    }
    return Failed(what, st);
  }
  std::printf("Palm Desktop data folder: %s\nHotSync: %s\nstore: %s\n", path.c_str(), hotsync.c_str(),
              RegStoreFile().c_str());
  return kOk;
}

// Names are typed in the terminal's UTF-8; Palm Desktop keeps them in the
// code page. A name the code page cannot hold is refused, never changed.
bool NameArgument(const std::string& typed, std::string* name, int* exitCode) {
  uint32_t bad = 0;
  quillet::CpText converted;
  const bool held = quillet::FromUtf8(typed, &converted, &bad);
  *name = std::move(converted).bytes();  // the user table keeps the code-page bytes
  if (held) return true;
  char text[96];
  if (bad == 0xFFFD) std::snprintf(text, sizeof text, "the name is not valid UTF-8");
  else std::snprintf(text, sizeof text, "the character U+%04X cannot be kept in a Palm user name", bad);
  *exitCode = Usage(text);
  return false;
}

int UserAdd(std::vector<std::string> args) {
  std::string folder, password;
  bool bad = false;
  TakeOption(&args, "--folder", &folder, &bad);
  TakeOption(&args, "--password", &password, &bad);
  if (bad) return Usage("--folder and --password need a value");
  if (args.size() != 1) return Usage("user add needs one NAME");
  std::string name;
  int code = kUsage;
  if (!NameArgument(args[0], &name, &code)) return code;
  if (!IsValidUserName(name)) return Usage("a user name has 1 to 127 bytes and no control characters");
  if (!folder.empty() && !IsValidFolderName(folder))
    return Usage("a folder is one plain name (no '/', '\\', '.' or '..', at most 64 bytes)");
  std::string password_bytes;
  if (!password.empty() && !PasswordBytes(password, &password_bytes)) return kUsage;

  if (!HasDataFolder()) {
    std::fprintf(stderr, "quillet-palm-desktop: no data folder yet; run quillet-palm-desktop init first\n");
    return kFailed;
  }
  PalmUser added;
  std::string user_folder;
  LONG st = AddUserWithFolder(name, folder, password_bytes, &added, &user_folder);
  if (st == ERROR_ALREADY_EXISTS) {
    std::fprintf(stderr, "quillet-palm-desktop: a user with that name or folder exists\n");
    return kFailed;
  }
  if (st == ERROR_PATH_NOT_FOUND) {
    std::fprintf(stderr, "quillet-palm-desktop: cannot create the folder of %s\n", args[0].c_str());
    return kFailed;
  }
  if (st) return Failed(args[0], st);
  std::printf("%u\t%s\t%s\n", added.id, quillet::ToUtf8(quillet::CpText(added.name)).c_str(), user_folder.c_str());
  return kOk;
}

int UserList(const std::vector<std::string>& args) {
  if (!args.empty()) return Usage("user list takes no arguments");
  std::vector<PalmUser> users;
  if (LONG st = ListUsers(&users)) return Failed("users", st);
  for (const auto& u : users)
    std::printf("%u\t%s\t%s\t%s\n", u.id, quillet::ToUtf8(quillet::CpText(u.name)).c_str(), u.folder.c_str(),
                u.hasPassword ? "password" : "-");
  return kOk;
}

int UserRemove(const std::vector<std::string>& args) {
  if (args.size() != 1) return Usage("user remove needs one NAME");
  std::string name;
  int code = kUsage;
  if (!NameArgument(args[0], &name, &code)) return code;
  LONG st = RemoveUser(name);
  if (st == ERROR_FILE_NOT_FOUND) {
    std::fprintf(stderr, "quillet-palm-desktop: no user named '%s'\n", args[0].c_str());
    return kFailed;
  }
  // The user's folder and files stay where they are, as in Palm Desktop.
  return st ? Failed(args[0], st) : kOk;
}

int UserPassword(const std::vector<std::string>& args) {
  if (args.size() != 2) return Usage("user password needs NAME and TEXT");
  std::string password_bytes;
  if (!args[1].empty() && !PasswordBytes(args[1], &password_bytes)) return kUsage;
  std::string name;
  int code = kUsage;
  if (!NameArgument(args[0], &name, &code)) return code;
  LONG st = SetUserPassword(name, password_bytes);
  if (st == ERROR_FILE_NOT_FOUND) {
    std::fprintf(stderr, "quillet-palm-desktop: no user named '%s'\n", args[0].c_str());
    return kFailed;
  }
  return st ? Failed(args[0], st) : kOk;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) return Usage("");
  if (args[0] == "--help" || args[0] == "-h") {
    std::fputs(kUsageText, stdout);
    return kOk;
  }
  if (args[0] == "--version") {
    std::printf("quillet-palm-desktop %s\n", QUILLET_VERSION);
    return kOk;
  }
  std::string command = args[0];
  args.erase(args.begin());
  if (command == "init") return Init(args);
  if (command == "user" && !args.empty()) {
    std::string sub = args[0];
    args.erase(args.begin());
    if (sub == "add") return UserAdd(args);
    if (sub == "list") return UserList(args);
    if (sub == "remove") return UserRemove(args);
    if (sub == "password") return UserPassword(args);
  }
  return Usage("unknown command");
}
