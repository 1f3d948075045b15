#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "QuilletVersion.h"
#include "programs/quillet-cli/CliCommand.h"

namespace quillet::cli {
namespace {

std::map<std::string, Command>& Registry() {
  static std::map<std::string, Command> commands;
  return commands;
}

void PrintOverview() {
  std::printf("usage: quillet-cli COMMAND [ARGS...]\n"
              "       quillet-cli --help | --version\n\n"
              "Works on Quillet! record stores and the files around them.\n\n"
              "Commands:\n");
  for (const auto& [name, c] : Registry()) std::printf("  %-12s %s\n", name.c_str(), c.synopsis);
  std::printf("\n`quillet-cli COMMAND --help` describes one command.\n"
              "Exit codes: 0 success, 1 the operation failed, 2 bad arguments or unreadable input.\n");
}

}  // namespace

bool RegisterCommand(const Command& command) {
  Registry()[command.name] = command;
  return true;
}

int UsageError(const std::string& message) {
  std::fprintf(stderr, "quillet-cli: %s\n", message.c_str());
  return kExitUsage;
}

Args::Args(const std::vector<std::string>& args) {
  auto end = std::find(args.begin(), args.end(), "--");
  args_.assign(args.begin(), end);
  if (end != args.end()) operands_.assign(end + 1, args.end());
  Sync();
}

void Args::Sync() {
  rest_ = args_;
  rest_.insert(rest_.end(), operands_.begin(), operands_.end());
}

bool Args::TakeOption(const std::string& name, std::string* value, bool* missing_value) {
  auto it = std::find(args_.begin(), args_.end(), name);
  if (it == args_.end()) return false;
  if (it + 1 == args_.end()) {
    if (missing_value) *missing_value = true;
    args_.erase(it);
    Sync();
    return false;
  }
  *value = *(it + 1);
  args_.erase(it, it + 2);
  Sync();
  return true;
}

bool Args::TakeFlag(const std::string& name) {
  auto it = std::find(args_.begin(), args_.end(), name);
  if (it == args_.end()) return false;
  args_.erase(it);
  Sync();
  return true;
}

std::string Args::UnknownOption() const {
  for (const auto& a : args_)
    if (a.size() > 2 && a.compare(0, 2, "--") == 0) return a;
  return "";
}

}  // namespace quillet::cli

int main(int argc, char** argv) {
  using namespace quillet::cli;
  if (argc < 2 || !std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h")) {
    PrintOverview();
    return argc < 2 ? kExitUsage : kExitOk;
  }
  if (!std::strcmp(argv[1], "--version")) {
    std::printf("quillet-cli %s\n", QUILLET_VERSION);
    return kExitOk;
  }
  auto it = Registry().find(argv[1]);
  if (it == Registry().end()) return UsageError(std::string("unknown command '") + argv[1] + "' (try --help)");
  std::vector<std::string> args(argv + 2, argv + argc);
  const auto operands = std::find(args.begin(), args.end(), "--");
  if (std::find(args.begin(), operands, "--help") != operands) {
    std::printf("%s\n", it->second.help);
    return kExitOk;
  }
  return it->second.run(args);
}
