#include "programs/brightfencheck/core/SupportCheck.h"

#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <strings.h>

#include "base/Translate.h"
#include "base/UserInterface.h"
#include "platform/files/SafeFiles.h"
#include "platform/palm/UserData.h"
#include "platform/registry/Registry.h"
#include "platform/registry/RegistryExport.h"

namespace brightfen {

using namespace qplat;

const std::array<Product, 7> kProducts = {{
    {"Pelorin Meeting v2.x (English)", "Pelorin.exe", "Software\\Brightfen\\Pelorin\\", "Templates\\",
     "Pelorin\\Templates\\"},
    {"Pelorin Meeting v2.x (Japanese)", "PelorinJP.exe", "Software\\Brightfen\\Pelorin\\", "Templates\\",
     "PelorinJP\\Templates\\"},
    {"Pelorin Meeting v2.x (German)", "PelorinDE.exe", "Software\\Brightfen\\Pelorin\\", "Templates\\",
     "PelorinDE\\Templates\\"},
    {"Pelorin Meeting v3.x (English)", "PelorinMeeting3EN.exe", "Software\\Brightfen\\PelorinMeeting3\\",
     "Template\\", "Pelorin Meeting 3\\Templates\\"},
    {"Quillet! v1.x (English)", "quillet.exe", "Software\\Brightfen\\Quillet\\", "Template\\",
     "Quillet!\\Templates\\"},
    {"Pelorin Sales Professional v2.x (English)", "PelorinSalesProEN.exe", "Software\\Brightfen\\PelorinSales\\",
     "Templates\\", "Pelorin Sales\\Templates\\"},
    {"Zanderly v1.x (English)", "Zanderly.exe", "Software\\Brightfen\\Zanderly\\", "Templates\\",
     "Zanderly\\Templates\\"},
}};

const std::array<const char*, 7> kConduitFolders = {"Pelorin", "PelorinMeeting3", "PelorinSales", "Quillet",
                                                    "Zanderly", "ToDo",          "Address"};

const std::array<const char*, 16> kBackupFiles = {
    "Saved_Preferences.prc", "PelorinAgendaDB.pdb",  "PelorinAttendeeDB.pdb", "PelorinLinkDB.pdb",
    "PelorinMeetingDB.pdb",  "PelorinNoteDB.pdb",    "PelorinSketchDB.pdb",   "PelorinToDoDB.pdb",
    "PelorinSalesDB.pdb",    "QuilletDB.pdb",        "ZanderlyAssignmentDB.pdb", "ZanderlyClassDB.pdb",
    "ZanderlyLinkDB.pdb",    "ZanderlyNoteDB.pdb",   "ZanderlyReferenceDB.pdb", "ZanderlySketchDB.pdb",
};

namespace {

constexpr char kCoreKey[] = "Software\\U.S. Robotics\\Pilot Desktop\\Core";
constexpr size_t kUserNameBuffer = 2000;
constexpr size_t kUserFolderBuffer = 260;

std::string WithSlash(std::string folder) {
  if (!folder.empty() && folder.back() != '/') folder += '/';
  return folder;
}

// A REG_SZ value up to its first zero byte; "" when missing or not a string.
std::string ReadString(const char* key_path, const char* name) {
  HKEY key = nullptr;
  if (RegOpenKey(HKEY_CURRENT_USER, key_path, &key) != ERROR_SUCCESS) return "";
  DWORD type = REG_NONE;
  std::vector<uint8_t> data;
  std::string out;
  if (RegGetValue(key, name, &type, &data) == ERROR_SUCCESS && type == REG_SZ) {
    size_t n = 0;
    while (n < data.size() && data[n]) ++n;
    out.assign(data.begin(), data.begin() + n);
  }
  RegCloseKey(key);
  return out;
}

// The entries of a folder in name order, without "." and "..".
std::vector<std::string> ListFolder(const std::string& folder) {
  std::vector<std::string> names;
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return names;
  while (dirent* e = ::readdir(dir)) {
    if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0) continue;
    names.emplace_back(e->d_name);
  }
  ::closedir(dir);
  std::sort(names.begin(), names.end());
  return names;
}

// The products' folder and file names come from a file system that ignores
// case; here the entry that matches without regard to case is used, the
// exact spelling first.
std::string Resolve(const std::string& folder, const std::string& name) {
  struct stat st {};
  if (::lstat((folder + name).c_str(), &st) == 0) return folder + name;
  for (const auto& entry : ListFolder(folder))
    if (::strcasecmp(entry.c_str(), name.c_str()) == 0) return folder + entry;
  return folder + name;
}

bool IsRegularFile(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// "Template\" -> "Template".
std::string PlainPart(const char* text) {
  std::string s = text;
  while (!s.empty() && (s.back() == '\\' || s.back() == '/')) s.pop_back();
  return s;
}

// A user folder name as the user library reports it must be one plain
// name: it is joined to paths on disk and to names inside the cabinet.
bool IsPlainFolderName(const std::string& folder) {
  if (folder.empty() || folder == "." || folder == ".." || folder.size() >= kUserFolderBuffer) return false;
  for (unsigned char c : folder)
    if (c < 0x20 || c == 0x7f || c == '/' || c == '\\' || c == ':') return false;
  return true;
}

void ShowUserDataMissing() {
  quillet::MessageRequest r;
  r.text = quillet::translate("UserData", kUserDataLoadFailed);
  r.caption = kUserDataCaption;
  r.flags = quillet::kMbOk | quillet::kMbIconError;
  quillet::UI().ShowMessage(r);
}

// Writes `bytes` to `path` through a temporary file in the same folder, so
// that a symbolic link or an old file at `path` is replaced, never written
// through, and a failure leaves the old state. 0 or an errno value.
int ReplaceFile(const std::string& path, const std::string& bytes) {
  return quillet::ReplaceFileContents(path, bytes, true);
}

// Every line feed as carriage return and line feed, as the support desk's
// text files have them.
std::string WithCrLf(const std::string& text) {
  std::string out;
  out.reserve(text.size() + text.size() / 16);
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

bool ReadFile(const std::string& path, std::string* out) {
  int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return false;
  }
  out->clear();
  char buf[65536];
  for (;;) {
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      ::close(fd);
      return false;
    }
    if (n == 0) break;
    out->append(buf, static_cast<size_t>(n));
  }
  ::close(fd);
  return true;
}

}  // namespace

CSupportCheck::CSupportCheck(std::string tempFolder, std::FILE* trace)
    : temp_(WithSlash(std::move(tempFolder))), trace_(trace) {}

std::string CSupportCheck::HotSyncFolder() {
  std::string program = ReadString(kCoreKey, "HotSyncPath");
  size_t cut = program.find_last_of("/\\");
  if (cut == std::string::npos) return "";
  std::string folder = program.substr(0, cut + 1);
  if (folder.back() == '\\') folder.back() = '/';
  return folder;
}

std::string CSupportCheck::UserDataFolder() {
  std::string path = ReadString(kCoreKey, "Path");
  if (!path.empty()) return WithSlash(path);
  return HotSyncFolder();
}

bool CSupportCheck::ReadPalmUsers(std::vector<PalmUserFolder>* users) {
  users->clear();
  std::string folder = HotSyncFolder();
  // Without a folder dlopen would search the system's library path.
  void* lib = folder.empty() ? nullptr : ::dlopen((folder + kUserDataLibrary).c_str(), RTLD_NOW | RTLD_LOCAL);
  UmGetUserCountFn count = nullptr;
  UmGetUserIDFn id_at = nullptr;
  UmGetUserNameFn name_of = nullptr;
  UmGetUserDirectoryFn folder_of = nullptr;
  if (lib) {
    count = reinterpret_cast<UmGetUserCountFn>(::dlsym(lib, "UmGetUserCount"));
    id_at = reinterpret_cast<UmGetUserIDFn>(::dlsym(lib, "UmGetUserID"));
    name_of = reinterpret_cast<UmGetUserNameFn>(::dlsym(lib, "UmGetUserName"));
    folder_of = reinterpret_cast<UmGetUserDirectoryFn>(::dlsym(lib, "UmGetUserDirectory"));
    (void)::dlsym(lib, "UmGetIDFromPath");
  }
  // A library without one of the functions used is as good as none.
  if (!lib || !count || !id_at || !name_of || !folder_of) {
    if (lib) ::dlclose(lib);
    ShowUserDataMissing();
    return false;
  }
  uint16_t n = count();
  for (uint16_t i = 0; i < n; ++i) {
    uint32_t id = 0;
    if (id_at(i, &id) != kUmOk) continue;
    char name[kUserNameBuffer] = {};
    char dir[kUserFolderBuffer] = {};
    int32_t name_size = sizeof name;
    int32_t dir_size = sizeof dir;
    if (name_of(id, name, &name_size) != kUmOk) name[0] = 0;
    if (folder_of(id, dir, &dir_size) != kUmOk) continue;
    name[sizeof name - 1] = 0;
    dir[sizeof dir - 1] = 0;
    std::string f = dir;
    while (!f.empty() && (f.back() == '/' || f.back() == '\\')) f.pop_back();
    if (!IsPlainFolderName(f)) continue;
    users->push_back({name, f});
  }
  ::dlclose(lib);
  return true;
}

const std::vector<InstalledProduct>& CSupportCheck::EnumerateProducts() {
  products_.clear();
  for (const auto& p : kProducts) {
    std::string install = ReadString(p.registryKey, "InstallPath");
    if (install.empty()) continue;
    install = WithSlash(install);
    // Programs here carry no ".exe"; either spelling counts.
    std::string program = p.programFile;
    std::string bare = program.size() > 4 && ::strcasecmp(program.c_str() + program.size() - 4, ".exe") == 0
                           ? program.substr(0, program.size() - 4)
                           : program;
    // Installed on Linux, "InstallPath" names the data folder
    // (prefix/share/quillet/) and the program is in prefix/bin/.
    const std::string bin = install + "../../bin/";
    if (!IsRegularFile(Resolve(install, program)) && !IsRegularFile(Resolve(install, bare)) &&
        !IsRegularFile(bin + bare))
      continue;
    products_.push_back({&p, install});
  }
  return products_;
}

void CSupportCheck::AddPair(const std::string& source, const std::string& cabinetName) {
  files_.push_back({source, cabinetName});
}

void CSupportCheck::CollectFiles() {
  files_.clear();
  for (const auto& ip : products_) {
    std::string theme = WithSlash(Resolve(ip.installFolder, PlainPart(ip.product->themeFolder)));
    for (const auto& entry : ListFolder(theme)) AddPair(theme + entry, ip.product->cabinetFolder + entry);
  }

  ReadPalmUsers(&users_);
  const std::string data = UserDataFolder();
  if (data.empty()) users_.clear();

  for (const auto& u : users_) {
    std::string user = data + u.folder + '/';
    AddPair(Resolve(user, "Hotsync.Log"), u.folder + "\\Hotsync.Log");
  }
  AddPair(temp_ + kRegistryReport, kRegistryReport);
  for (const char* conduit : kConduitFolders) {
    for (const auto& u : users_) {
      std::string folder = WithSlash(Resolve(data + u.folder + '/', conduit));
      for (const auto& entry : ListFolder(folder))
        AddPair(folder + entry, u.folder + "\\" + conduit + "\\" + entry);
    }
  }
  for (const auto& u : users_) {
    std::string backup = WithSlash(Resolve(data + u.folder + '/', "Backup"));
    for (const char* file : kBackupFiles) {
      std::string source = Resolve(backup, file);
      if (IsRegularFile(source)) AddPair(source, u.folder + "\\Backup\\" + file);
    }
  }
}

std::string CSupportCheck::RegistryReportText() {
  std::string text;
  struct utsname un {};
  int major = 0, minor = 0;
  std::string service_pack;
  if (::uname(&un) == 0) {
    std::sscanf(un.release, "%d.%d", &major, &minor);
    service_pack = un.version;
  }
  char line[64];
  text += kPasswordNote;
  text += '\n';
  std::snprintf(line, sizeof line, "WinMajor = %d\nWinMinor = %d", major, minor);
  text += line;
  if (major > 4) text += "\n" + service_pack;
  text += "\n";
  text += kExportFileHeader;
  ExportKey(HKEY_CURRENT_USER, "Software\\Brightfen", &text, kSupportReportLimits);
  ExportKey(HKEY_LOCAL_MACHINE, "Software\\Brightfen", &text, kSupportReportLimits);
  ExportKey(HKEY_CURRENT_USER, "Software\\U.S. Robotics\\Pilot Desktop", &text, kSupportReportLimits);
  text += "\nDone\n";
  return text;
}

bool CSupportCheck::WriteRegistryReport() {
  return ReplaceFile(temp_ + kRegistryReport, WithCrLf(RegistryReportText())) == 0;
}

int CSupportCheck::MakeCabinet() {
  CabinetParameters params;
  params.destinationFolder = temp_;
  CCabinetWriter writer(params, trace_);
  // An old cabinet must not pass for this run's when this one fails.
  ::unlink(writer.CabinetPath().c_str());
  int result = kCabOk;
  for (const auto& pair : files_) {
    // Folders, links and missing files drop out, and so do names that would
    // unpack outside the support desk's folder.
    if (!IsRegularFile(pair.source) || !IsSafeCabinetName(pair.cabinetName)) continue;
    result = writer.Add(pair.source, pair.cabinetName);
    if (result != kCabOk) break;
  }
  if (result == kCabOk) result = writer.Finish();
  if (result != kCabOk) std::fprintf(stderr, "%s\n", CabinetErrorText(result));
  files_.clear();
  files_.shrink_to_fit();
  return result;
}

int CSupportCheck::CopyReport(const std::string& folder) const {
  if (folder.empty()) return ENOENT;
  std::string bytes;
  if (!ReadFile(CabinetPath(), &bytes)) return ENOENT;
  return ReplaceFile(WithSlash(folder) + kReportCabinet, bytes);
}

bool CSupportCheck::HasCabinet() const { return IsRegularFile(CabinetPath()); }

namespace {

// Steps 1 to 3; false when the registry report could not be written.
bool RunSteps(CSupportCheck* check, IDiagnosticView* view) {
  if (view) view->ClearProducts();
  for (const auto& p : check->EnumerateProducts())
    if (view) view->AddProduct(p.product->displayName);
  if (view) view->TickStep(kStepProducts);

  check->CollectFiles();
  if (view) view->TickStep(kStepDatabases);

  const bool written = check->WriteRegistryReport();
  if (view) view->TickStep(kStepRegistry);
  return written;
}

}  // namespace

bool RunDiagnostic(CSupportCheck* check, IDiagnosticView* view) {
  RunSteps(check, view);
  check->MakeCabinet();
  view->TickStep(kStepReport);
  view->DisableStart();
  return SaveReport(check, view);
}

bool SaveReport(CSupportCheck* check, IDiagnosticView* view) {
  std::string folder;
  if (!quillet::UI().ChooseFolder(quillet::translate("SupportCheck", kChooseFolderTitle), &folder)) {
    // The cabinet took a while to make; the person may still want it.
    if (check->HasCabinet()) view->OfferSave();
    return false;
  }
  quillet::MessageRequest r;
  r.caption = quillet::translate("SupportCheck", kReportCaption);
  if (check->CopyReport(folder) == 0) {
    r.text = quillet::FillIn(quillet::translate("SupportCheck", "The report file saved successfully.\n\nPlease send "
                                                                "BrightfenCheckReport1.zip to %1 now."),
                             {kSupportEmail});
    r.flags = quillet::kMbOk | quillet::kMbIconInformation;
  } else {
    r.text = quillet::FillIn(
        quillet::translate("SupportCheck", "The report file DID NOT save successfully.\n\nPlease contact %1."),
        {kSupportEmail});
    r.flags = quillet::kMbOk | quillet::kMbIconError;
  }
  quillet::UI().ShowMessage(r);
  view->CloseProgram();
  return true;
}

bool RunUnattended(CSupportCheck* check, const std::string& folder, std::string* error) {
  struct stat st {};
  if (folder.empty() || ::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
    *error = "the folder " + folder + " does not exist";
    return false;
  }
  if (!RunSteps(check, nullptr)) {
    *error = "could not write " + check->TempFolder() + kRegistryReport;
    return false;
  }
  int cab = check->MakeCabinet();
  if (cab != kCabOk) {
    *error = std::string("could not make the cabinet: ") + CabinetErrorText(cab);
    return false;
  }
  int copy = check->CopyReport(folder);
  if (copy != 0) {
    *error = "could not write " + WithSlash(folder) + kReportCabinet + ": " + std::strerror(copy);
    return false;
  }
  return true;
}

}  // namespace brightfen
