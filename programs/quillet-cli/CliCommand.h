// quillet-cli: one program, many subcommands. Each subcommand lives in its
// own cmd_*.cpp file and registers itself with QUILLET_CLI_COMMAND, so that
// adding one touches no shared file.
#pragma once

#include <string>
#include <vector>

namespace quillet::cli {

// Exit codes shared by every subcommand.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;    // the operation ran and failed
inline constexpr int kExitUsage = 2;     // bad arguments or unreadable input

using CommandFn = int (*)(const std::vector<std::string>& args);

struct Command {
  const char* name;
  const char* synopsis;  // one line for the overall --help
  const char* help;      // full text for `quillet-cli NAME --help`
  CommandFn run;
};

// Registers a command; used by QUILLET_CLI_COMMAND.
bool RegisterCommand(const Command& command);

// Prints "quillet-cli: <message>" on stderr and returns kExitUsage.
int UsageError(const std::string& message);

// Small argument helpers: `--name value` options and flags.
class Args {
 public:
  // Everything after a "--" is an operand, never an option: a file named
  // "--help.jpg" is a file.
  explicit Args(const std::vector<std::string>& args);
  // Removes `--name VALUE` and returns VALUE; false when absent. A missing
  // VALUE after the name sets *missing_value.
  bool TakeOption(const std::string& name, std::string* value, bool* missing_value = nullptr);
  bool TakeFlag(const std::string& name);
  // What is left, in order, the operands after "--" last.
  const std::vector<std::string>& Rest() const { return rest_; }
  // First leftover before "--" beginning with "--", or "".
  std::string UnknownOption() const;

 private:
  void Sync();
  std::vector<std::string> args_;      // before "--"
  std::vector<std::string> operands_;  // after "--"
  std::vector<std::string> rest_;
};

}  // namespace quillet::cli

#define QUILLET_CLI_CONCAT2(a, b) a##b
#define QUILLET_CLI_CONCAT(a, b) QUILLET_CLI_CONCAT2(a, b)
#define QUILLET_CLI_COMMAND(name, synopsis, help, fn)                        \
  static const bool QUILLET_CLI_CONCAT(quillet_cli_registered_, __LINE__) = \
      ::quillet::cli::RegisterCommand({name, synopsis, help, fn})
