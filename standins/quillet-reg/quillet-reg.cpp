// quillet-reg: looks at and edits the registry store from a shell, the way
// a registry editor would.
//
//   quillet-reg export [KEY]
//   quillet-reg get KEY NAME
//   quillet-reg set KEY NAME --sz TEXT | --dword N | --binary HEX
//   quillet-reg delete KEY [NAME]
//
// KEY is "HKEY_CURRENT_USER\Software\..." (or HKCU / HKEY_LOCAL_MACHINE /
// HKLM); without a hive name it is taken under HKEY_CURRENT_USER. Either
// '\' or '/' separates the parts. NAME "@" is the key's unnamed value.
// Exit codes: 0 done, 1 the store refused or the key/value is missing,
// 2 bad arguments.
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "QuilletVersion.h"
#include "platform/registry/Registry.h"
#include "platform/registry/RegistryExport.h"

using namespace qplat;

namespace {

constexpr int kOk = 0, kFailed = 1, kUsage = 2;

const char kUsageText[] =
    "usage: quillet-reg export [KEY]\n"
    "       quillet-reg get KEY NAME\n"
    "       quillet-reg set KEY NAME --sz TEXT | --dword N | --binary HEX\n"
    "       quillet-reg delete KEY [NAME]\n"
    "       quillet-reg --help | --version\n"
    "\n"
    "KEY: HKEY_CURRENT_USER\\Software\\... (HKCU, HKEY_LOCAL_MACHINE, HKLM; '\\' or '/'),\n"
    "     under HKEY_CURRENT_USER when no hive is named. NAME @ is the unnamed value.\n"
    "The store file is $QUILLET_REGISTRY, else $XDG_CONFIG_HOME/quillet/registry.db.\n";

int Usage(const char* message) {
  if (message) std::fprintf(stderr, "quillet-reg: %s\n", message);
  std::fputs(kUsageText, stderr);
  return kUsage;
}

int Failed(const std::string& what, LONG status) {
  std::fprintf(stderr, "quillet-reg: %s: %s\n", what.c_str(), RegStatusMessage(status).c_str());
  return kFailed;
}

void ParseKey(const std::string& text, HKEY* hive, std::string* subkey) {
  if (!RegSplitPath(text, hive, subkey)) {
    *hive = HKEY_CURRENT_USER;
    *subkey = text;
  }
}

std::string ValueName(const std::string& arg) { return arg == "@" ? "" : arg; }

bool ParseDword(const std::string& text, DWORD* out) {
  if (text.empty() || text[0] == '-') return false;
  errno = 0;
  char* end = nullptr;
  unsigned long long v = std::strtoull(text.c_str(), &end, 0);  // decimal or 0x...
  if (errno || *end || v > 0xFFFFFFFFull) return false;
  *out = static_cast<DWORD>(v);
  return true;
}

// "01,ff,10", "01ff10" or "01 ff 10".
bool ParseHex(const std::string& text, std::vector<uint8_t>* out) {
  std::string digits;
  for (char c : text) {
    if (c == ',' || c == ' ' || c == ':') continue;
    if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
    digits += c;
  }
  if (digits.size() % 2) return false;
  out->clear();
  for (size_t i = 0; i < digits.size(); i += 2)
    out->push_back(static_cast<uint8_t>(std::strtoul(digits.substr(i, 2).c_str(), nullptr, 16)));
  return true;
}

int Export(const std::vector<std::string>& args) {
  if (args.size() > 1) return Usage("export takes at most one KEY");
  std::string out = kExportFileHeader;
  LONG status = ERROR_SUCCESS;
  if (args.empty()) {
    ExportKey(HKEY_CURRENT_USER, "", &out);
    ExportKey(HKEY_LOCAL_MACHINE, "", &out);
  } else {
    HKEY hive;
    std::string subkey;
    ParseKey(args[0], &hive, &subkey);
    status = ExportKey(hive, subkey, &out);
  }
  if (status != ERROR_SUCCESS) return Failed(args[0], status);
  std::fwrite(out.data(), 1, out.size(), stdout);
  return kOk;
}

int Get(const std::vector<std::string>& args) {
  if (args.size() != 2) return Usage("get needs KEY and NAME");
  HKEY hive, key = nullptr;
  std::string subkey;
  ParseKey(args[0], &hive, &subkey);
  if (LONG st = RegOpenKey(hive, subkey, &key)) return Failed(args[0], st);
  DWORD type = REG_NONE;
  std::vector<uint8_t> data;
  LONG st = RegGetValue(key, ValueName(args[1]), &type, &data);
  RegCloseKey(key);
  if (st) return Failed(args[1], st);
  switch (type) {
    case REG_SZ: {
      size_t n = 0;
      while (n < data.size() && data[n]) ++n;
      std::fwrite(data.data(), 1, n, stdout);
      std::fputc('\n', stdout);
      break;
    }
    case REG_DWORD: {
      DWORD v = 0;
      for (size_t i = 0; i < 4 && i < data.size(); ++i) v |= static_cast<DWORD>(data[i]) << (8 * i);
      std::printf("%u\n", v);
      break;
    }
    default: {
      for (size_t i = 0; i < data.size(); ++i) std::printf(i ? ",%02x" : "%02x", data[i]);
      std::fputc('\n', stdout);
      break;
    }
  }
  return kOk;
}

int Set(const std::vector<std::string>& args) {
  if (args.size() != 4) return Usage("set needs KEY NAME and one of --sz TEXT, --dword N, --binary HEX");
  const std::string& kind = args[2];
  const std::string& text = args[3];
  DWORD type;
  std::vector<uint8_t> data;
  if (kind == "--sz") {
    type = REG_SZ;
    data.assign(text.begin(), text.end());  // stored without a zero, as the program does
  } else if (kind == "--dword") {
    DWORD v = 0;
    if (!ParseDword(text, &v)) return Usage("--dword needs a number from 0 to 4294967295");
    type = REG_DWORD;
    data = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
            static_cast<uint8_t>(v >> 24)};
  } else if (kind == "--binary") {
    if (!ParseHex(text, &data)) return Usage("--binary needs pairs of hex digits, e.g. 01,ff");
    type = REG_BINARY;
  } else {
    return Usage("set needs --sz, --dword or --binary");
  }
  HKEY hive, key = nullptr;
  std::string subkey;
  ParseKey(args[0], &hive, &subkey);
  if (LONG st = RegCreateKey(hive, subkey, &key)) return Failed(args[0], st);
  LONG st = RegSetValue(key, ValueName(args[1]), type, data.data(), static_cast<DWORD>(data.size()));
  RegCloseKey(key);
  return st ? Failed(args[1], st) : kOk;
}

int Delete(const std::vector<std::string>& args) {
  if (args.empty() || args.size() > 2) return Usage("delete needs KEY and maybe NAME");
  HKEY hive, key = nullptr;
  std::string subkey;
  ParseKey(args[0], &hive, &subkey);
  if (args.size() == 2) {
    if (LONG st = RegOpenKey(hive, subkey, &key)) return Failed(args[0], st);
    LONG st = RegDeleteValue(key, ValueName(args[1]));
    RegCloseKey(key);
    return st ? Failed(args[1], st) : kOk;
  }
  bool names_a_key = false;
  for (char c : subkey) names_a_key |= c != '\\' && c != '/';
  if (!names_a_key) return Usage("delete will not empty a whole hive");
  if (LONG st = RegDeleteTree(hive, subkey)) return Failed(args[0], st);
  return kOk;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage(nullptr);
  std::string command = argv[1];
  std::vector<std::string> args(argv + 2, argv + argc);
  if (command == "--help" || command == "-h") {
    std::fputs(kUsageText, stdout);
    return kOk;
  }
  if (command == "--version") {
    std::printf("quillet-reg %s\n", QUILLET_VERSION);
    return kOk;
  }
  if (command == "export") return Export(args);
  if (command == "get") return Get(args);
  if (command == "set") return Set(args);
  if (command == "delete") return Delete(args);
  return Usage(("unknown command '" + command + "'").c_str());
}
