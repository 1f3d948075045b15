// The diagnostic log ("log.txt") and the debug channel.
//
// Every subsystem writes through these free functions. The log is switched
// on by the "Log" setting; while it is off LogLine/LogValue/LogPair do
// nothing. The file is opened and closed for every entry so that another
// program can read it while we run.
#pragma once

namespace quillet {

// (Re)starts the log: reads "LogPath" and "Log" from the program key, picks
// the file, truncates it and writes the header and start time.
void StartLog();
// Writes the end marker when logging is enabled.
void EndLog();

void LogLine(const char* text);                  // the text unchanged
void LogValue(const char* text, int number);     // "%s %d"
void LogPair(const char* text, const char* text2);  // "%s %s"

// Debug channel, printf-style; lines are cut to 255 characters.
void DebugTrace(const char* format, ...) __attribute__((format(printf, 1, 2)));
void DebugError(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace quillet
