// The diagnostic log ("log.txt") and the debug channel.
//
// Every subsystem writes through these free functions. The log is switched
// on by the "Log" setting; while it is off LogLine/LogValue/LogPair do
// nothing. The file is opened and closed for every entry so that another
// program can read it while we run.
#pragma once

#include <ctime>
#include <string>

namespace quillet {

// (Re)starts the log: reads "LogPath" and "Log" from the program key and
// picks the file ("LogPath", else DefaultLogFolder()). While logging is on
// it makes the folder, truncates the file and writes the header and start
// time; while it is off nothing is written at all.
void StartLog();
// Writes the end marker when logging is enabled.
void EndLog();

void LogLine(const char* text);                  // the text unchanged
void LogValue(const char* text, int number);     // "%s %d"
void LogPair(const char* text, const char* text2);  // "%s %s"

// Debug channel, printf-style; lines are cut to 255 characters. Trace lines
// go to standard error only when QUILLET_DEBUG is set (standard output
// belongs to the command-line tools' results); error lines always go to
// standard error. Both also reach the debug sink below.
void DebugTrace(const char* format, ...) __attribute__((format(printf, 1, 2)));
void DebugError(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Whether a trace line goes anywhere now (QUILLET_DEBUG or a debug sink):
// callers that trace thousands of objects skip making lines nobody gets.
bool DebugTraceWanted();

// --- Additions used by the preferences page, tools and tests ---

// The log's file name inside its folder.
inline constexpr const char* kLogFileName = "log.txt";
// Full path of the current log file ("" before the first StartLog).
std::string LogFilePath();
bool LogEnabled();
// The preferences page switches logging on and off after restarting the log.
// Switching it on begins the file (header and start time) when StartLog
// did not.
void SetLogEnabled(bool enabled);
// Where the log goes while "LogPath" is empty: $XDG_STATE_HOME/quillet/.
std::string DefaultLogFolder();
// The start time line without its line breaks: day-month-year hour:minute,
// no leading zeros except for the two-digit minute ("7-12-2026 5:03").
std::string FormatLogStartTime(const std::tm& local);

// Where the debug channel goes besides the standard streams: each line is
// handed over as the separate pieces a debugger output would get. Null (the
// default) means nowhere. Tests install one to see the lines.
using DebugSink = void (*)(const char* piece);
DebugSink SetDebugSink(DebugSink sink);

// Whether error lines also go to standard error (on by default). A fuzzer or
// a benchmark feeding millions of bad inputs turns it off; the sink still
// gets them. Returns the previous setting.
bool SetDebugErrorsToStderr(bool on);

}  // namespace quillet
