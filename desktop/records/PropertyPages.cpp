#include "desktop/records/PropertyPages.h"

#include "base/AppPaths.h"
#include "base/DiagnosticLog.h"
#include "base/RegistryKey.h"
#include "base/UserInterface.h"
#include "desktop/startup/Startup.h"
#include "desktop/users/UserSwitch.h"

namespace quillet {
namespace {

// The page reads the folder field into a buffer of this many bytes.
constexpr size_t kLogFolderBuffer = 512;

std::string Read(CRegistryKey& key, const char* name, size_t capacity = kPathBufferSize) {
  std::string value;
  key.ReadValueString(name, &value, capacity);
  return value;
}

std::string Cut(const std::string& text, size_t limit) { return text.substr(0, limit); }

CpText ReadText(CRegistryKey& key, const char* name) { return CpText(Read(key, name)); }

}  // namespace

AuthorDetails ReadAuthorDetails() {
  CRegistryKey key;
  key.OpenProgramKey(AppPaths.userFolder);
  return {ReadText(key, "Author"), ReadText(key, "Title"), ReadText(key, "Email"), ReadText(key, "Phone")};
}

void WriteAuthorDetails(const AuthorDetails& details) {
  CRegistryKey key;
  key.OpenProgramKey(AppPaths.userFolder);
  key.WriteValueString("Author", Cut(details.name.bytes(), kAuthorFieldLimit));
  key.WriteValueString("Title", Cut(details.title.bytes(), kAuthorFieldLimit));
  key.WriteValueString("Email", Cut(details.email.bytes(), kAuthorFieldLimit));
  key.WriteValueString("Phone", Cut(details.phone.bytes(), kAuthorFieldLimit));
}

DefaultUserChoice ReadDefaultUserChoice() {
  DefaultUserChoice choice;
  const CUserTable* table = RegisteredUserTable();
  if (table == nullptr) return choice;
  for (size_t i = 0; i < table->entries.size(); ++i) {
    choice.names.push_back(table->entries[i].name);
    if (choice.selected < 0 && table->entries[i].folder == AppPaths.userFolder)
      choice.selected = static_cast<int>(i);
  }
  return choice;
}

std::string UserPathText(int position) {
  const CUserTable* table = RegisteredUserTable();
  if (table == nullptr || position < 0 || static_cast<size_t>(position) >= table->entries.size())
    return std::string();
  const PalmUserEntry& entry = table->entries[static_cast<size_t>(position)];
  CRegistryKey key;
  key.OpenProgramKey(entry.folder);
  // "OutputPath" is the folder that holds the user's records (it already
  // ends in the user's own folders); only a user without one yet is shown
  // by the folder name alone.
  const std::string output = Read(key, "OutputPath");
  return output.empty() ? entry.folder : output;
}

bool ApplyDefaultUser(const std::string& name) { return SwitchUser(name); }

LoggingChoice ReadLoggingChoice() {
  CRegistryKey key;
  key.OpenProgramKey();
  uint32_t log = 0;
  key.ReadValueDword("Log", &log);
  return {log != 0, Read(key, "LogPath")};
}

bool BrowseLogFolder(std::string* folder) {
  std::string chosen;
  if (!UI().ChooseFolder("Choose a folder", &chosen) || chosen.empty()) return false;
  if (chosen.back() != '/') chosen += '/';
  *folder = chosen;
  return true;
}

void ApplyLoggingChoice(const LoggingChoice& choice) {
  std::string folder = Cut(choice.folder, kLogFolderBuffer - 1);
  // A folder typed by hand lacks the separator the log's file name is put
  // after; without it the log would land beside the folder, not in it.
  if (!folder.empty() && folder.back() != '/') folder += '/';
  {
    CRegistryKey key;
    key.OpenProgramKey();
    key.WriteValueString("LogPath", folder);
  }
  EndLog();
  StartLog();
  SetLogEnabled(choice.enabled);
  CRegistryKey key;
  key.OpenProgramKey();
  key.WriteValueDword("Log", choice.enabled ? 1 : 0);
}

}  // namespace quillet
