// The report source of the program: the current database (pDB) and the
// process-wide bShowPrivate.
#pragma once

#include "reports/StoreReportSource.h"

namespace quillet {

StoreReportSource& CurrentDatabaseSource();

}  // namespace quillet
