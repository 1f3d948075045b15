#include "reports/StoreReportSource.h"
#include "store/db/CurrentDatabase.h"

namespace quillet {

StoreReportSource& CurrentDatabaseSource() {
  static StoreReportSource source([] { return pDB; });
  return source;
}

}  // namespace quillet
