// CRegistryKey: the one way the program reads and writes its settings.
//
// Every key is under HKEY_CURRENT_USER and is opened with create-if-missing
// semantics. A failing operation keeps its status code in `status`, writes
// one "Registry <message>" line to the diagnostic log and returns the code;
// callers carry on with an empty string or their own default number.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/registry/Registry.h"

namespace quillet {

// The program key; a user's key is this followed by the user's folder name
// with its trailing separator.
inline constexpr char ProgramKey[] = "Software\\Brightfen\\Quillet\\";
std::string UserKey(const std::string& user_folder);

// Palm Desktop's keys (read, except for the add-on entries).
inline constexpr char kPalmDesktopKey[] = "Software\\U.S. Robotics\\Pilot Desktop";
inline constexpr char kPalmCoreKey[] = "Software\\U.S. Robotics\\Pilot Desktop\\Core\\";
inline constexpr char kPalmPreferencesKey[] = "Software\\U.S. Robotics\\Pilot Desktop\\Preferences";
// The browser's page set-up ("header" and "footer").
inline constexpr char kPageSetupKey[] = "Software\\Microsoft\\Internet Explorer\\PageSetup\\";

// Size of the path and name buffers the program reads settings into.
inline constexpr size_t kPathBufferSize = 260;
// Size of the buffers for texts typed by the user (names, author fields).
inline constexpr size_t kTextBufferSize = 8192;

class CRegistryKey {
 public:
  CRegistryKey() = default;
  ~CRegistryKey() { CloseKey(); }
  CRegistryKey(const CRegistryKey&) = delete;
  CRegistryKey& operator=(const CRegistryKey&) = delete;

  int32_t status = 0;        // status code of the last operation
  qplat::HKEY key = nullptr;  // the open key, or none

  // Closes any open key, then opens ProgramKey followed by `subkey` (""
  // for the program key itself, a user folder for a user's key).
  int32_t OpenProgramKey(const std::string& subkey = "");
  int32_t OpenPalmCoreKey();
  int32_t OpenPalmPreferencesKey();
  int32_t OpenPageSetupKey();
  // Any key under HKEY_CURRENT_USER, created when missing.
  int32_t OpenKey(const std::string& path);
  // Opens an existing key only (ERROR_FILE_NOT_FOUND when it is missing);
  // for looking at keys that belong to other programs without creating them.
  int32_t OpenExistingKey(const std::string& path);
  void CloseKey();

  // Clears `buffer` first, so a failed read leaves "". A string longer than
  // capacity - 1 bytes is not read (ERROR_MORE_DATA). A stored terminating
  // zero, if any, is accepted.
  int32_t ReadValueString(const char* name, char* buffer, size_t capacity);
  int32_t ReadValueString(const char* name, std::string* text, size_t capacity = kPathBufferSize);
  // Leaves *out unchanged unless a 4-byte number is stored under `name`.
  int32_t ReadValueDword(const char* name, uint32_t* out);
  // Stores the text's bytes without a terminating zero.
  int32_t WriteValueString(const char* name, const std::string& text);
  int32_t WriteValueDword(const char* name, uint32_t value);

  // "Path" of the Palm core key ending in '/' ("" when it is not set).
  int32_t ReadPalmPath(char* buffer, size_t capacity);
  int32_t ReadPalmPath(std::string* path);
  // "LastUserName" of the Palm preferences key.
  int32_t ReadPalmLastUserName(char* buffer, size_t capacity);
  int32_t ReadPalmLastUserName(std::string* name);

 private:
  int32_t Open(const std::string& path, bool create);
  int32_t Fail(int32_t code);
};

// The key start-up and the preferences share for the life of the process
// (user-interface thread only).
CRegistryKey& AppRegistry();

}  // namespace quillet
