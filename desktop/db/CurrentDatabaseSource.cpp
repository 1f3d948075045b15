#include "desktop/db/CurrentDatabaseSource.h"
#include "desktop/db/CurrentDatabase.h"

namespace quillet {

StoreReportSource& CurrentDatabaseSource() {
  static StoreReportSource source([] { return pDB; });
  return source;
}

}  // namespace quillet
