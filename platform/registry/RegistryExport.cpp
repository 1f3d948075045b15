#include "platform/registry/RegistryExport.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <vector>

namespace qplat {
namespace {

// "Software/Brightfen\\Quillet\" -> "Software\Brightfen\Quillet".
std::string CanonicalPath(const std::string& path) {
  std::string out;
  for (char c : path) {
    if (c == '/' || c == '\\') {
      if (!out.empty() && out.back() != '\\') out += '\\';
    } else {
      out += c;
    }
  }
  while (!out.empty() && out.back() == '\\') out.pop_back();
  return out;
}

bool NamesAPassword(const std::string& name) {
  static constexpr char kWord[] = "password";
  const size_t n = sizeof(kWord) - 1;
  for (size_t i = 0; i + n <= name.size(); ++i) {
    size_t j = 0;
    while (j < n && std::tolower(static_cast<unsigned char>(name[i + j])) == kWord[j]) ++j;
    if (j == n) return true;
  }
  return false;
}

void AppendValue(const std::string& name, DWORD type, const std::vector<uint8_t>& data, std::string* out) {
  if (name.empty()) {
    *out += "@=";
  } else {
    *out += '"';
    *out += name;
    *out += "\"=";
  }
  char buf[16];
  switch (type) {
    case REG_SZ: {
      // The text ends at the first zero byte, if one was stored.
      size_t n = 0;
      while (n < data.size() && data[n] != 0) ++n;
      if (n == 0) break;
      *out += '"';
      for (size_t i = 0; i < n; ++i) {
        char c = static_cast<char>(data[i]);
        if (c == '\\') *out += '\\';
        *out += c;
      }
      *out += '"';
      break;
    }
    case REG_DWORD: {
      uint32_t v = 0;
      for (size_t i = 0; i < 4 && i < data.size(); ++i) v |= static_cast<uint32_t>(data[i]) << (8 * i);
      std::snprintf(buf, sizeof buf, "dword:%08x", v);
      *out += buf;
      break;
    }
    case REG_BINARY: {
      *out += "hex:";
      for (size_t i = 0; i < data.size(); ++i) {
        std::snprintf(buf, sizeof buf, i ? ",%02x" : "%02x", data[i]);
        *out += buf;
      }
      break;
    }
    default:
      break;
  }
  *out += '\n';
}

LONG ExportOne(HKEY hive, const std::string& path, std::string* out, const ExportLimits& limits) {
  *out += "\n[";
  *out += RegHiveName(hive);
  if (!path.empty()) {
    *out += '\\';
    *out += path;
  }
  *out += "]\n";
  HKEY key = nullptr;
  LONG status = RegOpenKey(hive, path, &key);
  if (status != ERROR_SUCCESS) return status;

  bool values_complete = true;
  for (DWORD i = 0;; ++i) {
    std::string name;
    DWORD type = REG_NONE;
    std::vector<uint8_t> data;
    LONG st = RegEnumValue(key, i, &name, &type, &data);
    if (st == ERROR_NO_MORE_ITEMS) break;
    if (st != ERROR_SUCCESS ||
        (limits.maxNameChars && name.size() > limits.maxNameChars) ||
        (limits.maxDataBytes && data.size() > limits.maxDataBytes)) {
      values_complete = false;
      break;
    }
    if (limits.removePasswords && NamesAPassword(name)) {
      *out += name.empty() ? std::string("@=") : "\"" + name + "\"=";
      *out += kRemovedValue;
      *out += '\n';
      continue;
    }
    AppendValue(name, type, data, out);
  }
  if (values_complete) {
    // Subkey names first, then recurse: the handle is closed before the
    // deeper keys are opened.
    std::vector<std::string> subkeys;
    std::string sub;
    for (DWORD i = 0; RegEnumKey(key, i, &sub) == ERROR_SUCCESS; ++i) subkeys.push_back(sub);
    RegCloseKey(key);
    key = nullptr;
    for (const auto& s : subkeys) ExportOne(hive, path.empty() ? s : path + "\\" + s, out, limits);
  }
  if (key) RegCloseKey(key);
  return ERROR_SUCCESS;
}

}  // namespace

LONG ExportKey(HKEY hive, const std::string& subkey, std::string* out, const ExportLimits& limits) {
  return ExportOne(hive, CanonicalPath(subkey), out, limits);
}

}  // namespace qplat
