// The command line of the programs that take no arguments of their own
// (quillet, quillet-installer): --help (-h) and --version (-v) are answered
// on the terminal before any window system or setting is touched, anything
// else is refused.
#pragma once

#include <cstdio>

namespace quillet {

// Exit code for arguments a program does not take.
inline constexpr int kExitBadArguments = 2;

// Prints `helpText` or "<program> <version>" on `out` and returns 0 for
// --help / --version; for an unknown option or any other argument, prints
// why and "Try '<program> --help'." on `err` and returns kExitBadArguments;
// returns -1 when the program is to start. A lone "--" is no argument.
//
// With `toolkitOptions`, the window toolkit's own options that every Qt
// program takes (-style Fusion, -style=Fusion, -platform xcb, -reverse, and
// the same with two dashes) are let through for the toolkit to read, with
// the value that follows an option that takes one.
int AnswerHelpAndVersion(int argc, char** argv, const char* program, const char* helpText,
                         const char* version, std::FILE* out = stdout, std::FILE* err = stderr,
                         bool toolkitOptions = false);

// Whether `arg` is one of the toolkit's options; *takesValue tells whether
// the next argument is its value (unless it was given as "-name=value").
bool IsToolkitOption(const char* arg, bool* takesValue);

}  // namespace quillet
