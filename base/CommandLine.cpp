#include "base/CommandLine.h"

#include <cstring>

namespace quillet {

bool IsToolkitOption(const char* arg, bool* takesValue) {
  // The options the toolkit reads itself, for every program and on X11.
  static constexpr const char* kWithValue[] = {
      "platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry",
      "qwindowicon", "qwindowtitle", "style", "stylesheet", "session", "display", "geometry",
      "name", "title", "qmljsdebugger"};
  static constexpr const char* kFlags[] = {"reverse", "widgetcount", "nograb", "dograb", "sync"};
  *takesValue = false;
  if (arg[0] != '-') return false;
  const char* name = arg + (arg[1] == '-' ? 2 : 1);
  const char* equals = std::strchr(name, '=');
  const size_t length = equals ? static_cast<size_t>(equals - name) : std::strlen(name);
  auto is = [&](const char* known) {
    return std::strlen(known) == length && std::strncmp(known, name, length) == 0;
  };
  for (const char* known : kWithValue)
    if (is(known)) {
      *takesValue = equals == nullptr;
      return true;
    }
  if (equals != nullptr) return false;
  for (const char* known : kFlags)
    if (is(known)) return true;
  return false;
}

int AnswerHelpAndVersion(int argc, char** argv, const char* program, const char* helpText,
                         const char* version, std::FILE* out, std::FILE* err, bool toolkitOptions) {
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
    } else if (bool takesValue = false; !optionsEnded && toolkitOptions && IsToolkitOption(arg, &takesValue)) {
      if (takesValue) {
        if (i + 1 >= argc) {
          std::fprintf(err, "%s: Option '%s' needs a value.\nTry '%s --help'.\n", program, arg, program);
          return kExitBadArguments;
        }
        ++i;  // the value is the toolkit's to read
      }
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
