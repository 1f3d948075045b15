#include <cstdio>

#include "base/Strings.h"
#include "platform/codepage/CodePage.h"
#include "programs/quillet-cli/CliCommand.h"

namespace {

int RunVersion(const std::vector<std::string>& args) {
  if (!args.empty()) return quillet::cli::UsageError("version takes no arguments");
  std::printf("quillet-cli %s\n", quillet::ToUtf8(quillet::LoadString(quillet::IDS_VERSION)).c_str());
  return quillet::cli::kExitOk;
}

}  // namespace

QUILLET_CLI_COMMAND("version", "print the program version", "quillet-cli version\n\nPrints the version.", RunVersion);
