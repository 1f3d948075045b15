// quillet-cli new FILE: a fresh store with nothing but its settings record.
#include <sys/stat.h>

#include <cstdio>
#include <memory>

#include "programs/quillet-cli/CliCommand.h"
#include "store/RecordKinds.h"
#include "store/RecordStore.h"

namespace {

using namespace quillet;

int RunNew(const std::vector<std::string>& args) {
  cli::Args a(args);
  const bool force = a.TakeFlag("--force");
  if (!a.UnknownOption().empty()) return cli::UsageError("new: unknown option " + a.UnknownOption());
  if (a.Rest().size() != 1) return cli::UsageError("new takes one FILE");
  const std::string& file = a.Rest()[0];
  struct stat st;
  if (!force && ::lstat(file.c_str(), &st) == 0)
    return cli::UsageError("new: " + file + " exists (--force replaces it)");

  // The same file a fresh user gets: the settings record with lastRecordId 1,
  // added as the desktop adds every record.
  CRecordStore store(file, "");
  auto settings = std::make_unique<CSettingsRecord>();
  settings->lastRecordId = 1;
  DbResult rc = store.AddNew(std::move(settings));
  // SaveTo, not Save: --force replaces the file rather than merging into it.
  if (rc == DB_OK) rc = store.SaveTo(file);
  std::printf("result %u %s\n", rc, ResultCodeName(rc));
  return rc == DB_OK ? cli::kExitOk : cli::kExitFailed;
}

}  // namespace

QUILLET_CLI_COMMAND("new", "write a fresh store file",
                    "quillet-cli new [--force] FILE\n\n"
                    "Writes a fresh record store to FILE holding only a settings record\n"
                    "whose lastRecordId is 1 (66 bytes), and prints `result CODE NAME`.\n"
                    "An existing FILE is left alone unless --force is given.\n"
                    "Exit 0 on success, 1 when the file cannot be written, 2 for bad arguments.",
                    RunNew);
