// quillet-cli check FILE: does the store file load cleanly?
#include <cerrno>
#include <cstdio>

#include "programs/quillet-cli/CliCommand.h"
#include "store/RecordStore.h"

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
  if (rc == DB_ERR_OPEN) {
    // Something that is there but is no file (a folder, a pipe) is a failed
    // check; a missing or held file is an input that cannot be read.
    const bool not_a_file = store.lastErrno() == EISDIR || store.lastErrno() == EINVAL;
    if (!not_a_file) return cli::UsageError("check: cannot open " + file + ": " + store.FailureReason(rc));
    std::fprintf(stderr, "quillet-cli: check: %s\n", store.FailureReason(rc).c_str());
    return cli::kExitFailed;
  }
  if (rc != DB_OK) std::fprintf(stderr, "quillet-cli: check: %s\n", store.FailureReason(rc).c_str());
  return rc == DB_OK ? cli::kExitOk : cli::kExitFailed;
}

}  // namespace

QUILLET_CLI_COMMAND("check", "load a store file and report the result",
                    "quillet-cli check FILE\n\n"
                    "Loads the record store FILE and prints two lines:\n"
                    "  result CODE NAME   the load's result code and its name (0 DB_OK)\n"
                    "  records N          the number of records loaded\n"
                    "A damaged file still reports the records read before the damage.\n"
                    "Exit 0 when the result is 0; 1 when it is not, or when FILE is no ordinary\n"
                    "file (a folder, a pipe, a device); 2 when FILE cannot be opened (missing,\n"
                    "no permission, or in use by another program).",
                    RunCheck);
