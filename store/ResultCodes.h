// Result codes of the record store and its file wrapper.
//
// Every store and file operation returns DB_OK (0) or one of the failure
// numbers below; callers outside the store treat any non-zero result as a
// failure. The numbers are part of what the conduit and the log show, so they
// never change.
#pragma once

#include <cstdint>

namespace quillet {

using DbResult = uint32_t;

inline constexpr DbResult DB_OK = 0;
inline constexpr DbResult DB_ERR_NO_MEMORY = 0x1102;   // 4354: the slot array could not grow
inline constexpr DbResult DB_ERR_NOT_FOUND = 0x110F;   // 4367: no such record / end of iteration
inline constexpr DbResult DB_ERR_OPEN = 0x1115;        // 4373: file could not be opened, created or locked
inline constexpr DbResult DB_ERR_EOF = 0x1117;         // 4375: a read returned no bytes
inline constexpr DbResult DB_ERR_READ = 0x1118;        // 4376: system read failed; unknown kind on load
inline constexpr DbResult DB_ERR_SHORT_READ = 0x1119;  // 4377: a read returned some, but too few, bytes
inline constexpr DbResult DB_ERR_NO_NAME = 0x111B;     // 4379: the file name is empty
inline constexpr DbResult DB_ERR_NO_HEADER = 0x111C;   // 4380: the header word could not be read
inline constexpr DbResult DB_ERR_WRITE = 0x1120;       // 4384: a write failed or was short
inline constexpr DbResult DB_ERR_BAD_FORMAT = 0x1129;  // 4393: the header word is wrong

// The code's name, e.g. "DB_ERR_EOF" for 4375; "DB_UNKNOWN" for a number that
// is not one of the codes above.
const char* ResultCodeName(DbResult code);

}  // namespace quillet
