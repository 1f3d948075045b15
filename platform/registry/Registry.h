// The registry store: hives of keys and typed values in one SQLite file,
// shared by every Quillet! program on the machine.
//
// The interface follows the host registry the programs were written
// against: handles to open keys, create-if-missing opening, value names and
// key names compared without regard to (ASCII) case, Windows-style status
// codes. Every change is one SQLite transaction, so a crash leaves either
// the old or the new state, and several processes may use the file at once
// (WAL journal, busy timeout).
//
// The file is $QUILLET_REGISTRY when that is set, else
// $XDG_CONFIG_HOME/quillet/registry.db (~/.config when XDG_CONFIG_HOME is
// unset). The variable is looked at again whenever a key is opened from a
// hive, so a test may point it at a temporary file at any time; handles
// opened on the previous file then report ERROR_INVALID_HANDLE.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qplat {

using LONG = int32_t;
using DWORD = uint32_t;

// Status codes (the host's numbers, so that logs and callers agree).
enum : LONG {
  ERROR_SUCCESS = 0,
  ERROR_FILE_NOT_FOUND = 2,
  ERROR_PATH_NOT_FOUND = 3,
  ERROR_ACCESS_DENIED = 5,
  ERROR_INVALID_HANDLE = 6,
  ERROR_NOT_ENOUGH_MEMORY = 8,
  ERROR_INVALID_PARAMETER = 87,
  ERROR_DISK_FULL = 112,
  ERROR_BUSY = 170,
  ERROR_ALREADY_EXISTS = 183,
  ERROR_MORE_DATA = 234,
  ERROR_NO_MORE_ITEMS = 259,
  ERROR_BADDB = 1009,
  ERROR_BADKEY = 1010,
  ERROR_CANTOPEN = 1011,
  ERROR_CANTREAD = 1012,
  ERROR_CANTWRITE = 1013,
  ERROR_KEY_DELETED = 1018,
};

// Value types.
enum : DWORD {
  REG_NONE = 0,
  REG_SZ = 1,
  REG_BINARY = 3,
  REG_DWORD = 4,
};

// Longest key name component and value name, in bytes.
inline constexpr size_t kMaxKeyNameLength = 255;
inline constexpr size_t kMaxValueNameLength = 16383;
// Largest value data accepted, in bytes.
inline constexpr size_t kMaxValueDataSize = 1 << 20;

// An open key. The two hives are fixed handles that never need closing.
struct RegKeyHandle;
using HKEY = RegKeyHandle*;

extern const HKEY HKEY_CURRENT_USER;
extern const HKEY HKEY_LOCAL_MACHINE;

// Opens `subkey` below `parent`, creating every missing key on the way.
// `subkey` separates its parts with '\' or '/'; empty parts (leading,
// doubled or trailing separators) are ignored, so "Software\Quillet\" and
// "Software/Quillet" name the same key. An empty `subkey` opens a new handle
// to `parent` itself. *created (optional) tells whether the key was new.
LONG RegCreateKey(HKEY parent, const std::string& subkey, HKEY* result, bool* created = nullptr);
// Like RegCreateKey, but a missing key is ERROR_FILE_NOT_FOUND.
LONG RegOpenKey(HKEY parent, const std::string& subkey, HKEY* result);
// Closes a handle (the hives are left alone). Null is ERROR_INVALID_HANDLE.
LONG RegCloseKey(HKEY key);

// Reads a value. `data` may be null to ask only for type and size. On
// entry *size is the capacity of `data`; on return it is the stored size.
// A too small buffer is ERROR_MORE_DATA (nothing copied). The bytes are
// returned as stored: a string may or may not end in a zero byte.
LONG RegQueryValue(HKEY key, const std::string& name, DWORD* type, uint8_t* data, DWORD* size);
// Writes (creates or replaces) a value; the name "" is the key's unnamed value.
LONG RegSetValue(HKEY key, const std::string& name, DWORD type, const uint8_t* data, DWORD size);
// Removes a value; a missing one is ERROR_FILE_NOT_FOUND.
LONG RegDeleteValue(HKEY key, const std::string& name);
// Removes `subkey` below `key` with everything under it (an empty `subkey`
// removes the key's values and subkeys but not the key).
LONG RegDeleteTree(HKEY key, const std::string& subkey);

// Enumeration: subkeys in name order (without regard to case), values in
// the order they were first written. Past the end is ERROR_NO_MORE_ITEMS.
LONG RegEnumKey(HKEY key, DWORD index, std::string* name);
LONG RegEnumValue(HKEY key, DWORD index, std::string* name, DWORD* type, std::vector<uint8_t>* data);

// Convenience readers and writers used by the tools.
LONG RegGetValue(HKEY key, const std::string& name, DWORD* type, std::vector<uint8_t>* data);
LONG RegSetString(HKEY key, const std::string& name, const std::string& text);  // no zero stored
LONG RegSetDword(HKEY key, const std::string& name, DWORD value);

// The host's message text for a status code ("Access is denied."), without
// a line break; codes it has no text for give "Unknown error N.".
std::string RegStatusMessage(LONG status);

// The file the store uses now (after QUILLET_REGISTRY / XDG rules).
std::string RegStoreFile();

// "HKEY_CURRENT_USER" / "HKCU" and the same for the machine hive; null when
// `name` is neither. Case does not matter.
HKEY RegHiveByName(const std::string& name);
// Splits "HKEY_CURRENT_USER\Software\X" into the hive and "Software\X".
// False when the path does not start with a hive name.
bool RegSplitPath(const std::string& path, HKEY* hive, std::string* subkey);
const char* RegHiveName(HKEY hive);

}  // namespace qplat
