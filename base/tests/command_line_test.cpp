// --help, --version and everything else on the command line of the programs
// that take no arguments.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "base/CommandLine.h"

namespace quillet {
namespace {

struct Answer {
  int code;
  std::string out;
  std::string err;
};

std::string Drain(std::FILE* f) {
  std::rewind(f);
  std::string text;
  char buf[256];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, n);
  std::fclose(f);
  return text;
}

Answer Answered(std::vector<std::string> args, bool toolkitOptions = false) {
  args.insert(args.begin(), "/usr/bin/prog");
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  const int code = AnswerHelpAndVersion(static_cast<int>(args.size()), argv.data(), "prog",
                                        "Usage: prog [--help] [--version]\n", "1.2.3", out, err,
                                        toolkitOptions);
  return {code, Drain(out), Drain(err)};
}

TEST(CommandLine, HelpAndVersionAnswerOnStandardOutput) {
  for (const char* help : {"--help", "-h"}) {
    const Answer a = Answered({help});
    EXPECT_EQ(a.code, 0) << help;
    EXPECT_EQ(a.out, "Usage: prog [--help] [--version]\n") << help;
    EXPECT_EQ(a.err, "");
  }
  for (const char* version : {"--version", "-v"}) {
    const Answer a = Answered({version});
    EXPECT_EQ(a.code, 0) << version;
    EXPECT_EQ(a.out, "prog 1.2.3\n") << version;
  }
  // Help wins over version, whatever the order.
  EXPECT_EQ(Answered({"--version", "--help"}).out, "Usage: prog [--help] [--version]\n");
}

TEST(CommandLine, NothingOrALoneDoubleDashStartsTheProgram) {
  for (const auto& args : {std::vector<std::string>{}, std::vector<std::string>{"--"}}) {
    const Answer a = Answered(args);
    EXPECT_EQ(a.code, -1);
    EXPECT_EQ(a.out, "");
    EXPECT_EQ(a.err, "");
  }
}

TEST(CommandLine, AnythingElseIsRefusedWithAHint) {
  const Answer unknown = Answered({"--no-such-option"});
  EXPECT_EQ(unknown.code, kExitBadArguments);
  EXPECT_EQ(unknown.out, "");
  EXPECT_EQ(unknown.err, "prog: Unknown option 'no-such-option'.\nTry 'prog --help'.\n");

  EXPECT_EQ(Answered({"-x"}).err, "prog: Unknown option 'x'.\nTry 'prog --help'.\n");

  const Answer file = Answered({"file.dat"});
  EXPECT_EQ(file.code, kExitBadArguments);
  EXPECT_EQ(file.err, "prog: takes no arguments ('file.dat')\nTry 'prog --help'.\n");

  // After "--" even an option's spelling is an argument; an unknown one
  // beside --help still refuses, so a typo is never silently ignored.
  EXPECT_EQ(Answered({"--", "--help"}).err, "prog: takes no arguments ('--help')\nTry 'prog --help'.\n");
  EXPECT_EQ(Answered({"--help", "--bogus"}).code, kExitBadArguments);
  // A lone "-" is an argument (a file name by custom), not an option.
  EXPECT_EQ(Answered({"-"}).err, "prog: takes no arguments ('-')\nTry 'prog --help'.\n");
}

TEST(CommandLine, TheToolkitsOwnOptionsPassWhereTheProgramIsAWindowProgram) {
  // Every Qt program takes these; the toolkit reads them after us.
  for (const auto& args : {std::vector<std::string>{"-style", "Fusion"},
                           std::vector<std::string>{"-style=Fusion"},
                           std::vector<std::string>{"--style", "Fusion", "-reverse"},
                           std::vector<std::string>{"-platform", "offscreen", "--platformtheme=gtk3"},
                           std::vector<std::string>{"-qwindowgeometry", "800x600+0+0", "-widgetcount"}}) {
    const Answer a = Answered(args, true);
    EXPECT_EQ(a.code, -1) << args[0];
    EXPECT_EQ(a.err, "") << args[0];
  }
  // Their values are not arguments of ours, even when they look like one.
  EXPECT_EQ(Answered({"-title", "--help"}, true).code, -1);
  EXPECT_EQ(Answered({"-style", "Fusion", "--version"}, true).out, "prog 1.2.3\n");
  // An option that needs a value and has none; a flag given a value; a
  // name that only begins like one; and the same options without the toolkit.
  EXPECT_EQ(Answered({"-style"}, true).err, "prog: Option '-style' needs a value.\nTry 'prog --help'.\n");
  EXPECT_EQ(Answered({"-reverse=yes"}, true).code, kExitBadArguments);
  EXPECT_EQ(Answered({"-styles", "x"}, true).code, kExitBadArguments);
  EXPECT_EQ(Answered({"-style", "Fusion"}).err, "prog: Unknown option 'style'.\nTry 'prog --help'.\n");
  EXPECT_EQ(Answered({"--", "-reverse"}, true).code, kExitBadArguments);
}

}  // namespace
}  // namespace quillet
