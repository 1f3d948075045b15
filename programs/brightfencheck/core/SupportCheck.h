// The support report collector: finds the maker's installed products,
// gathers their themes, the Palm users' HotSync logs, conduit folders and
// handheld backups and a text export of the registry, and packs them into
// one cabinet for the support desk. It only reads what it inspects.
#pragma once

#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "base/Translate.h"
#include "programs/brightfencheck/core/Cabinet.h"

namespace brightfen {

struct Product {
  const char* displayName;
  const char* programFile;
  const char* registryKey;    // under HKEY_CURRENT_USER
  const char* themeFolder;    // below the installation folder
  const char* cabinetFolder;  // inside the cabinet, ends in '\'
};

// Searched in this order; every row is examined.
extern const std::array<Product, 7> kProducts;
extern const std::array<const char*, 7> kConduitFolders;
extern const std::array<const char*, 16> kBackupFiles;

inline constexpr char kReportCabinet[] = "BrightfenCheckReport1.zip";
inline constexpr char kRegistryReport[] = "regreport.txt";
inline constexpr char kSupportEmail[] = "support@brightfen.example";
inline constexpr char kSupportPage[] = "https://www.brightfen.example/support/";
inline constexpr char kUserDataCaption[] = "Brightfen Check";
// Shown through quillet::translate("SupportCheck", ...).
inline constexpr char kReportCaption[] = QT_TRANSLATE_NOOP("SupportCheck", "BrightfenCheck Report");
inline constexpr char kChooseFolderTitle[] = QT_TRANSLATE_NOOP("SupportCheck", "Choose a folder");
inline constexpr char kPasswordNote[] =
    "Values whose name contains \"password\" are not included; they read \"<removed>\".";

struct InstalledProduct {
  const Product* product = nullptr;
  std::string installFolder;  // ends in '/'
};

struct PalmUserFolder {
  std::string name;
  std::string folder;  // a plain folder name, no separator
};

struct FilePair {
  std::string source;
  std::string cabinetName;  // '\' separated
};

// Steps, as the window ticks them.
enum CheckStep { kStepProducts = 0, kStepDatabases, kStepRegistry, kStepReport };

class CSupportCheck {
 public:
  // `tempFolder` (ends in '/' or gets one) holds "regreport.txt" and the
  // cabinet. `trace` receives the cabinet's progress lines.
  explicit CSupportCheck(std::string tempFolder, std::FILE* trace = stdout);

  // Step 1: the rows of kProducts whose key holds "InstallPath" and whose
  // program file is in that folder.
  const std::vector<InstalledProduct>& EnumerateProducts();
  // Step 2: builds the file list (reads the Palm users; a missing user
  // library shows "Unable to load UserData.dll" and goes on without users).
  void CollectFiles();
  // Step 3: writes "regreport.txt" (RegistryReportText with carriage return
  // and line feed at every line end). False when it cannot be written.
  bool WriteRegistryReport();
  // Step 4, first half: the cabinet from the file list, then the list is
  // released. Returns the cabinet error number (kCabOk on success); on
  // failure no cabinet is left in the temporary folder.
  int MakeCabinet();
  // Step 4, second half: copies the cabinet into `folder` as
  // "BrightfenCheckReport1.zip", replacing an existing file (a link there is
  // replaced, never written through). 0, or the errno of the failure.
  int CopyReport(const std::string& folder) const;
  // True once a cabinet is finished in the temporary folder.
  bool HasCabinet() const;

  // The HotSync folder ("HotSyncPath" cut after its last separator, ending
  // in '/'), "" when not set.
  static std::string HotSyncFolder();
  // The folder the users' folders are in: the Palm data folder ("Path" of
  // the core key) when set, else the HotSync folder. Ends in '/' or is "".
  static std::string UserDataFolder();
  // The users as the user library in the HotSync folder reports them; users
  // whose folder is not a plain name are left out. False (and the message
  // shown) when the library cannot be loaded.
  static bool ReadPalmUsers(std::vector<PalmUserFolder>* users);
  // The text of "regreport.txt", with line feeds: first the line
  // kPasswordNote, then the Windows version, the export and "Done". Every
  // value whose name contains "password" (any case) reads "<removed>".
  static std::string RegistryReportText();

  const std::vector<InstalledProduct>& Products() const { return products_; }
  const std::vector<PalmUserFolder>& Users() const { return users_; }
  const std::vector<FilePair>& Files() const { return files_; }
  std::string TempFolder() const { return temp_; }
  std::string CabinetPath() const { return temp_ + kReportCabinet; }

 private:
  void AddPair(const std::string& source, const std::string& cabinetName);

  std::string temp_;
  std::FILE* trace_;
  std::vector<InstalledProduct> products_;
  std::vector<PalmUserFolder> users_;
  std::vector<FilePair> files_;
};

// What the window offers the diagnostic run.
class IDiagnosticView {
 public:
  virtual ~IDiagnosticView() = default;
  virtual void ClearProducts() = 0;
  virtual void AddProduct(const std::string& displayName) = 0;
  virtual void TickStep(CheckStep step) = 0;
  virtual void DisableStart() = 0;
  // The folder question was cancelled: the finished cabinet is kept and
  // the window offers to save it again (SaveReport).
  virtual void OfferSave() = 0;
  virtual void CloseProgram() = 0;
};

// "Start Diagnostic": the four steps in order, then SaveReport. Messages
// and the folder chooser go through quillet::UI(). Returns true when the
// program was told to close (a folder was chosen).
bool RunDiagnostic(CSupportCheck* check, IDiagnosticView* view);

// The folder question and the copy of the finished cabinet. Cancelled: the
// cabinet stays, the view offers to save again, and false is returned.
bool SaveReport(CSupportCheck* check, IDiagnosticView* view);

// The collection without a window, for support desks and scripts: the four
// steps, then the cabinet copied into `folder` (which must exist). True when
// the cabinet was written there; otherwise *error says why.
bool RunUnattended(CSupportCheck* check, const std::string& folder, std::string* error);

}  // namespace brightfen
