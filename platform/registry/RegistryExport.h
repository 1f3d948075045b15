// Text export of a registry key with all its subkeys, in the registry
// editor's form:
//
//   [HKEY_CURRENT_USER\Software\Brightfen\Quillet]
//   "InstallPath"="/opt/quillet/"
//   "Log"=dword:00000001
//   "Blob"=hex:01,ff
//
// Used by quillet-reg and by the support tool's registry report.
#pragma once

#include <cstddef>
#include <string>

#include "platform/registry/Registry.h"

namespace qplat {

struct ExportLimits {
  // A value whose name is longer than this (characters), or whose data is
  // larger (bytes), ends the key's export: its remaining values and all its
  // subkeys are skipped, as the support report has always done with its
  // fixed buffers. 0 means no limit.
  size_t maxNameChars = 0;
  size_t maxDataBytes = 0;
  // Every value whose name contains "password" (any case) is written as
  // "name"="<removed>", whatever its type and data: such values hold
  // password digests, which leave the machine with nobody's report.
  bool removePasswords = false;
};

// What stands in place of a removed value's data.
inline constexpr const char* kRemovedValue = "\"<removed>\"";

// The support report's buffers: 256 characters of name (with the
// terminating zero) and 2048 bytes of data; passwords removed.
inline constexpr ExportLimits kSupportReportLimits{255, 2048, true};

// Appends to *out, for `subkey` under `hive` and then each subkey in
// enumeration order: "\n[HIVE\path]\n" (also when the key cannot be
// opened), then one line per value: "name"= or @= for the unnamed value,
// then a string in quotes with every backslash doubled (nothing for empty
// data; quotes inside are left as they are), "dword:%08x", or "hex:" and
// "%02x" bytes separated by commas; any other type writes nothing after
// '='. Path separators in `subkey` may be '\' or '/'; the header always
// uses '\'. Returns the status of opening the top key (the header is
// written either way).
LONG ExportKey(HKEY hive, const std::string& subkey, std::string* out,
               const ExportLimits& limits = ExportLimits{});

// The first line of a complete export file.
inline constexpr const char* kExportFileHeader = "Windows Registry Editor Version 5.00\n";

}  // namespace qplat
