// quillet-cli check FILE: does the store file load cleanly?
#include <cstdio>

#include "store/RecordStore.h"
#include "tools/quillet-cli/CliCommand.h"

namespace {

using namespace quillet;

int RunCheck(const std::vector<std::string>& args) {
  cli::Args a(args);
  if (!a.UnknownOption().empty()) return cli::UsageError("check: unknown option " + a.UnknownOption());
  if (a.Rest().size() != 1) return cli::UsageError("check takes one FILE");
  const std::string& file = a.Rest()[0];
  CRecordStore store(file, "");
  const DbResult rc = store.Load();
  std::printf("result %u %s\n", rc, ResultCodeName(rc));
  std::printf("records %u\n", store.liveCount());
  if (rc == DB_ERR_OPEN) return cli::UsageError("check: cannot open " + file);
  return rc == DB_OK ? cli::kExitOk : cli::kExitFailed;
}

}  // namespace

QUILLET_CLI_COMMAND("check", "load a store file and report the result",
                    "quillet-cli check FILE\n\n"
                    "Loads the record store FILE and prints two lines:\n"
                    "  result CODE NAME   the load's result code and its name (0 DB_OK)\n"
                    "  records N          the number of records loaded\n"
                    "A damaged file still reports the records read before the damage.\n"
                    "Exit 0 when the result is 0, 1 when it is not, 2 when FILE cannot be\n"
                    "opened (missing, not a file, or in use by another program).",
                    RunCheck);
