#include "store/ResultCodes.h"

namespace quillet {

const char* ResultCodeName(DbResult code) {
  switch (code) {
    case DB_OK: return "DB_OK";
    case DB_ERR_NO_MEMORY: return "DB_ERR_NO_MEMORY";
    case DB_ERR_NOT_FOUND: return "DB_ERR_NOT_FOUND";
    case DB_ERR_OPEN: return "DB_ERR_OPEN";
    case DB_ERR_EOF: return "DB_ERR_EOF";
    case DB_ERR_READ: return "DB_ERR_READ";
    case DB_ERR_SHORT_READ: return "DB_ERR_SHORT_READ";
    case DB_ERR_NO_NAME: return "DB_ERR_NO_NAME";
    case DB_ERR_NO_HEADER: return "DB_ERR_NO_HEADER";
    case DB_ERR_WRITE: return "DB_ERR_WRITE";
    case DB_ERR_BAD_FORMAT: return "DB_ERR_BAD_FORMAT";
  }
  return "DB_UNKNOWN";
}

}  // namespace quillet
