#include "base/RegistryKey.h"

#include <cstring>
#include <vector>

#include "base/DiagnosticLog.h"

namespace quillet {

std::string UserKey(const std::string& user_folder) { return std::string(ProgramKey) + user_folder; }

int32_t CRegistryKey::Fail(int32_t code) {
  status = code;
  LogPair("Registry", qplat::RegStatusMessage(code).c_str());
  return code;
}

int32_t CRegistryKey::Open(const std::string& path, bool create) {
  CloseKey();
  int32_t st = create ? qplat::RegCreateKey(qplat::HKEY_CURRENT_USER, path, &key)
                      : qplat::RegOpenKey(qplat::HKEY_CURRENT_USER, path, &key);
  if (st != qplat::ERROR_SUCCESS) {
    key = nullptr;
    return Fail(st);
  }
  return status = 0;
}

int32_t CRegistryKey::OpenProgramKey(const std::string& subkey) { return Open(UserKey(subkey), true); }
int32_t CRegistryKey::OpenPalmCoreKey() { return Open(kPalmCoreKey, true); }
int32_t CRegistryKey::OpenPalmPreferencesKey() { return Open(kPalmPreferencesKey, true); }
int32_t CRegistryKey::OpenPageSetupKey() { return Open(kPageSetupKey, true); }
int32_t CRegistryKey::OpenKey(const std::string& path) { return Open(path, true); }
int32_t CRegistryKey::OpenExistingKey(const std::string& path) { return Open(path, false); }

void CRegistryKey::CloseKey() {
  if (key) qplat::RegCloseKey(key);
  key = nullptr;
}

int32_t CRegistryKey::ReadValueString(const char* name, char* buffer, size_t capacity) {
  if (buffer && capacity) std::memset(buffer, 0, capacity);
  if (!buffer || capacity == 0) return Fail(qplat::ERROR_INVALID_PARAMETER);
  if (!key) return Fail(qplat::ERROR_INVALID_HANDLE);
  qplat::DWORD type = 0;
  std::vector<uint8_t> data;
  int32_t st = qplat::RegGetValue(key, name, &type, &data);
  if (st != qplat::ERROR_SUCCESS) return Fail(st);
  if (type != qplat::REG_SZ) return Fail(qplat::ERROR_INVALID_PARAMETER);
  // Written by us without a zero, by others often with one: either reads
  // the same.
  size_t length = 0;
  while (length < data.size() && data[length] != 0) ++length;
  if (length >= capacity) return Fail(qplat::ERROR_MORE_DATA);
  if (length) std::memcpy(buffer, data.data(), length);
  return status = 0;
}

int32_t CRegistryKey::ReadValueString(const char* name, std::string* text, size_t capacity) {
  std::vector<char> buffer(capacity ? capacity : 1);
  int32_t st = ReadValueString(name, buffer.data(), buffer.size());
  *text = buffer.data();
  return st;
}

int32_t CRegistryKey::ReadValueDword(const char* name, uint32_t* out) {
  if (!key) return Fail(qplat::ERROR_INVALID_HANDLE);
  qplat::DWORD type = 0;
  std::vector<uint8_t> data;
  int32_t st = qplat::RegGetValue(key, name, &type, &data);
  if (st != qplat::ERROR_SUCCESS) return Fail(st);
  if (data.size() != 4 || (type != qplat::REG_DWORD && type != qplat::REG_BINARY))
    return Fail(qplat::ERROR_INVALID_PARAMETER);
  *out = static_cast<uint32_t>(data[0]) | static_cast<uint32_t>(data[1]) << 8 |
         static_cast<uint32_t>(data[2]) << 16 | static_cast<uint32_t>(data[3]) << 24;
  return status = 0;
}

int32_t CRegistryKey::WriteValueString(const char* name, const std::string& text) {
  if (!key) return Fail(qplat::ERROR_INVALID_HANDLE);
  int32_t st = qplat::RegSetString(key, name, text);
  return st ? Fail(st) : (status = 0);
}

int32_t CRegistryKey::WriteValueDword(const char* name, uint32_t value) {
  if (!key) return Fail(qplat::ERROR_INVALID_HANDLE);
  int32_t st = qplat::RegSetDword(key, name, value);
  return st ? Fail(st) : (status = 0);
}

int32_t CRegistryKey::ReadPalmPath(char* buffer, size_t capacity) {
  std::string path;
  int32_t st = ReadPalmPath(&path);
  if (buffer && capacity) {
    std::memset(buffer, 0, capacity);
    // The separator must fit too; a path that does not fit reads as empty.
    if (path.size() < capacity) std::memcpy(buffer, path.data(), path.size());
  }
  return st;
}

int32_t CRegistryKey::ReadPalmPath(std::string* path) {
  OpenPalmCoreKey();
  int32_t st = ReadValueString("Path", path, kPathBufferSize);
  // An unset path stays empty rather than becoming the root folder.
  if (!path->empty() && path->back() != '/') *path += '/';
  return st;
}

int32_t CRegistryKey::ReadPalmLastUserName(char* buffer, size_t capacity) {
  OpenPalmPreferencesKey();
  return ReadValueString("LastUserName", buffer, capacity);
}

int32_t CRegistryKey::ReadPalmLastUserName(std::string* name) {
  OpenPalmPreferencesKey();
  return ReadValueString("LastUserName", name, kPathBufferSize);
}

CRegistryKey& AppRegistry() {
  static CRegistryKey key;
  return key;
}

}  // namespace quillet
