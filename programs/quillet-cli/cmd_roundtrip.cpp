// quillet-cli roundtrip IN OUT: load a store and write it out again.
#include <cstdio>

#include "programs/quillet-cli/CliCommand.h"
#include "store/RecordStore.h"

namespace {

using namespace quillet;

int RunRoundtrip(const std::vector<std::string>& args) {
  cli::Args a(args);
  if (!a.UnknownOption().empty())
    return cli::UsageError("roundtrip: unknown option " + a.UnknownOption());
  if (a.Rest().size() != 2) return cli::UsageError("roundtrip takes IN and OUT");
  const std::string& in = a.Rest()[0];
  const std::string& out = a.Rest()[1];
  CRecordStore store(in, "");
  const DbResult load = store.Load();
  std::printf("load %u %s\n", load, ResultCodeName(load));
  if (load == DB_ERR_OPEN) return cli::UsageError("roundtrip: cannot open " + in);
  // A damaged file is still written out: OUT then holds every record that
  // could be read, which is how a damaged store is salvaged.
  const DbResult save = store.SaveTo(out);
  std::printf("save %u %s\n", save, ResultCodeName(save));
  return load == DB_OK && save == DB_OK ? cli::kExitOk : cli::kExitFailed;
}

}  // namespace

QUILLET_CLI_COMMAND("roundtrip", "load a store file and save it to another file",
                    "quillet-cli roundtrip IN OUT\n\n"
                    "Loads the record store IN and saves its records to OUT (replacing OUT\n"
                    "in one step; IN is never changed unless it is OUT). Prints\n"
                    "  load CODE NAME\n"
                    "  save CODE NAME\n"
                    "A clean store gives back the same bytes. A damaged IN is still saved,\n"
                    "with the records read before the damage.\n"
                    "Exit 0 when both results are 0, 1 otherwise, 2 when IN cannot be opened.",
                    RunRoundtrip);
