#include "app/core/CommandLine.h"

#include <cstring>

namespace quillet {

int AnswerHelpAndVersion(int argc, char** argv, const char* program, const char* helpText,
                         const char* version, std::FILE* out, std::FILE* err) {
  bool help = false;
  bool showVersion = false;
  bool optionsEnded = false;
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    if (!optionsEnded && std::strcmp(arg, "--") == 0) {
      optionsEnded = true;
      continue;
    }
    if (!optionsEnded && (std::strcmp(arg, "-h") == 0 || std::strcmp(arg, "--help") == 0)) {
      help = true;
    } else if (!optionsEnded && (std::strcmp(arg, "-v") == 0 || std::strcmp(arg, "--version") == 0)) {
      showVersion = true;
    } else if (!optionsEnded && arg[0] == '-' && arg[1] != '\0') {
      std::fprintf(err, "%s: Unknown option '%s'.\nTry '%s --help'.\n", program,
                   arg + (arg[1] == '-' ? 2 : 1), program);
      return kExitBadArguments;
    } else {
      std::fprintf(err, "%s: takes no arguments ('%s')\nTry '%s --help'.\n", program, arg, program);
      return kExitBadArguments;
    }
  }
  if (help) {
    std::fputs(helpText, out);
    return 0;
  }
  if (showVersion) {
    std::fprintf(out, "%s %s\n", program, version);
    return 0;
  }
  return -1;
}

}  // namespace quillet
