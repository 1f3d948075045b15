// palm-desktop: sets up the Palm Desktop stand-in the way installing Palm
// Desktop and adding users in it would.
//
//   palm-desktop init [--path DATAFOLDER]
//   palm-desktop user add NAME [--folder FOLDER] [--password TEXT]
//   palm-desktop user list
//   palm-desktop user remove NAME
//   palm-desktop user password NAME TEXT      (an empty TEXT removes it)
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

#include "platform/codepage/CodePage.h"
#include "platform/palm/PalmUsers.h"
#include "platform/registry/Registry.h"

using namespace qplat;
using namespace qplat::palm;

namespace {

constexpr int kOk = 0, kFailed = 1, kUsage = 2;

const char kUsageText[] =
    "usage: palm-desktop init [--path DATAFOLDER]\n"
    "       palm-desktop user add NAME [--folder FOLDER] [--password TEXT]\n"
    "       palm-desktop user list\n"
    "       palm-desktop user remove NAME\n"
    "       palm-desktop user password NAME TEXT\n"
    "\n"
    "init writes the Palm Desktop data folder (default $XDG_DATA_HOME/palm-desktop),\n"
    "the HotSync program path, the preferences key and Quillet!'s add-on entry.\n";

int Usage(const std::string& message) {
  if (!message.empty()) std::fprintf(stderr, "palm-desktop: %s\n", message.c_str());
  std::fputs(kUsageText, stderr);
  return kUsage;
}

int Failed(const std::string& what, LONG status) {
  std::fprintf(stderr, "palm-desktop: %s: %s\n", what.c_str(), RegStatusMessage(status).c_str());
  return kFailed;
}

bool MakeFolders(const std::string& path) {
  for (size_t pos = path.find('/', 1);; pos = path.find('/', pos + 1)) {
    std::string part = path.substr(0, pos);
    if (!part.empty() && ::mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) return false;
    if (pos == std::string::npos) return true;
  }
}

std::string ExeFolder() {
  char buf[PATH_MAX];
  ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return "";
  std::string p(buf, n);
  return p.substr(0, p.rfind('/') + 1);
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
  if (!quillet::Utf8ToCp1252(typed, bytes, &bad)) {
    if (bad == 0xFFFD)
      std::fprintf(stderr, "palm-desktop: the password is not valid UTF-8 text\n");
    else
      std::fprintf(stderr,
                   "palm-desktop: the password holds a character Palm Desktop passwords cannot hold "
                   "(U+%04X); use letters, digits and signs of the Western European (Windows-1252) "
                   "character set\n",
                   static_cast<unsigned>(bad));
    return false;
  }
  if (bytes->size() > kMaxPassword) {
    std::fprintf(stderr, "palm-desktop: a password has at most 31 characters\n");
    return false;
  }
  return true;
}

class Key {
 public:
  ~Key() {
    if (h) RegCloseKey(h);
  }
  HKEY h = nullptr;
};

LONG ReadString(HKEY key, const char* name, std::string* out) {
  DWORD type = 0;
  std::vector<uint8_t> data;
  out->clear();
  if (LONG st = RegGetValue(key, name, &type, &data)) return st;
  size_t n = 0;
  while (n < data.size() && data[n]) ++n;
  out->assign(data.begin(), data.begin() + n);
  return ERROR_SUCCESS;
}

int Init(std::vector<std::string> args) {
  std::string path;
  bool bad = false;
  if (!TakeOption(&args, "--path", &path, &bad)) {
    if (bad) return Usage("--path needs a folder");
    const char* xdg = std::getenv("XDG_DATA_HOME");
    const char* home = std::getenv("HOME");
    path = xdg && *xdg ? std::string(xdg) + "/palm-desktop"
                       : std::string(home ? home : ".") + "/.local/share/palm-desktop";
  }
  if (!args.empty()) return Usage("unexpected argument '" + args[0] + "'");
  path = Absolute(path);
  if (!MakeFolders(path)) {
    std::fprintf(stderr, "palm-desktop: cannot create %s\n", path.c_str());
    return kFailed;
  }
  Key core, prefs, addon;
  if (LONG st = RegCreateKey(HKEY_CURRENT_USER, kCoreKey, &core.h)) return Failed(kCoreKey, st);
  if (LONG st = RegSetString(core.h, "Path", path)) return Failed("Path", st);
  // HotSync lives beside this command; the support tool finds the user
  // library in that folder.
  std::string hotsync = ExeFolder() + "HotSync";
  if (LONG st = RegSetString(core.h, "HotSyncPath", hotsync)) return Failed("HotSyncPath", st);
  if (LONG st = RegCreateKey(HKEY_CURRENT_USER, kPreferencesKey, &prefs.h)) return Failed(kPreferencesKey, st);
  if (LONG st = RegCreateKey(HKEY_CURRENT_USER, kQuilletAddOnKey, &addon.h)) return Failed(kQuilletAddOnKey, st);
  if (LONG st = RegSetDword(addon.h, "Creator", kQuilletCreator)) return Failed("Creator", st);
  std::printf("Palm Desktop data folder: %s\nHotSync: %s\nstore: %s\n", path.c_str(), hotsync.c_str(),
              RegStoreFile().c_str());
  return kOk;
}

int UserAdd(std::vector<std::string> args) {
  std::string folder, password;
  bool bad = false;
  TakeOption(&args, "--folder", &folder, &bad);
  TakeOption(&args, "--password", &password, &bad);
  if (bad) return Usage("--folder and --password need a value");
  if (args.size() != 1) return Usage("user add needs one NAME");
  const std::string& name = args[0];
  if (!IsValidUserName(name)) return Usage("a user name has 1 to 127 bytes and no control characters");
  if (!folder.empty() && !IsValidFolderName(folder))
    return Usage("a folder is one plain name (no '/', '\\', '.' or '..', at most 64 bytes)");
  std::string password_bytes;
  if (!password.empty() && !PasswordBytes(password, &password_bytes)) return kUsage;

  Key core;
  std::string data;
  if (RegOpenKey(HKEY_CURRENT_USER, kCoreKey, &core.h) || ReadString(core.h, "Path", &data) || data.empty()) {
    std::fprintf(stderr, "palm-desktop: no data folder yet; run palm-desktop init first\n");
    return kFailed;
  }
  PalmUser added;
  LONG st = AddUser(name, folder, password_bytes, &added);
  if (st == ERROR_ALREADY_EXISTS) {
    std::fprintf(stderr, "palm-desktop: a user with that name or folder exists\n");
    return kFailed;
  }
  if (st) return Failed(name, st);
  std::string user_folder = data + "/" + added.folder;
  if (!MakeFolders(user_folder)) {
    std::fprintf(stderr, "palm-desktop: cannot create %s\n", user_folder.c_str());
    RemoveUser(name);
    return kFailed;
  }
  // The first user becomes the one Palm Desktop last showed.
  Key prefs;
  std::string last;
  if (RegCreateKey(HKEY_CURRENT_USER, kPreferencesKey, &prefs.h) == ERROR_SUCCESS &&
      (ReadString(prefs.h, "LastUserName", &last) != ERROR_SUCCESS || last.empty()))
    RegSetString(prefs.h, "LastUserName", name);
  std::printf("%u\t%s\t%s\n", added.id, added.name.c_str(), user_folder.c_str());
  return kOk;
}

int UserList(const std::vector<std::string>& args) {
  if (!args.empty()) return Usage("user list takes no arguments");
  std::vector<PalmUser> users;
  if (LONG st = ListUsers(&users)) return Failed("users", st);
  for (const auto& u : users)
    std::printf("%u\t%s\t%s\t%s\n", u.id, u.name.c_str(), u.folder.c_str(), u.hasPassword ? "password" : "-");
  return kOk;
}

int UserRemove(const std::vector<std::string>& args) {
  if (args.size() != 1) return Usage("user remove needs one NAME");
  LONG st = RemoveUser(args[0]);
  if (st == ERROR_FILE_NOT_FOUND) {
    std::fprintf(stderr, "palm-desktop: no user named '%s'\n", args[0].c_str());
    return kFailed;
  }
  // The user's folder and files stay where they are, as in Palm Desktop.
  return st ? Failed(args[0], st) : kOk;
}

int UserPassword(const std::vector<std::string>& args) {
  if (args.size() != 2) return Usage("user password needs NAME and TEXT");
  std::string password_bytes;
  if (!args[1].empty() && !PasswordBytes(args[1], &password_bytes)) return kUsage;
  LONG st = SetUserPassword(args[0], password_bytes);
  if (st == ERROR_FILE_NOT_FOUND) {
    std::fprintf(stderr, "palm-desktop: no user named '%s'\n", args[0].c_str());
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
