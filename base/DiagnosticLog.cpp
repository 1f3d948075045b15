#include "base/DiagnosticLog.h"

#include "base/AppPaths.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "base/RegistryKey.h"
#include "base/Strings.h"
#include "base/UserInterface.h"

namespace quillet {
namespace {

// Lines end in CR LF on disk whatever the platform: support staff read the
// file with the same tools everywhere, and the support tool ships it as is.
constexpr const char* kLineBreak = "\r\n";

struct LogState {
  std::mutex mu;
  std::string path;
  bool enabled = false;
  bool started = false;   // the file at `path` was begun in this run
  bool starting = false;  // StartLog is reading the settings
  DebugSink sink = nullptr;
};

LogState& L() {
  static LogState s;
  return s;
}

// Writes `text` the way a text-mode stream does: every line feed becomes a
// CR LF pair.
void WriteText(std::FILE* f, const std::string& text) {
  std::string out;
  out.reserve(text.size() + 8);
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  std::fwrite(out.data(), 1, out.size(), f);
}

// The log names the user's folders and what the program did with the
// records: a new log file is the user's alone; one that exists keeps its
// mode. `fresh` empties it, otherwise entries are appended.
std::FILE* OpenLog(const std::string& path, bool fresh) {
  const int flags = fresh ? (O_RDWR | O_CREAT | O_TRUNC) : (O_WRONLY | O_CREAT | O_APPEND);
  const int fd = ::open(path.c_str(), flags | O_CLOEXEC | O_NOCTTY, 0600);
  if (fd < 0) return nullptr;
  std::FILE* f = ::fdopen(fd, fresh ? "w+b" : "ab");
  if (f == nullptr) ::close(fd);
  return f;
}

// Appends one entry and its line break; the file is closed again at once so
// that others can read it while we run.
void AppendEntry(const std::string& entry) {
  LogState& s = L();
  std::lock_guard<std::mutex> lock(s.mu);
  if (!s.enabled || !s.started || s.starting || s.path.empty()) return;
  std::FILE* f = OpenLog(s.path, false);
  if (!f) return;  // dropped silently
  WriteText(f, entry);
  std::fputs(kLineBreak, f);
  std::fclose(f);
}

std::string FormatDebug(const char* format, va_list args) {
  char buffer[256];
  int n = std::vsnprintf(buffer, sizeof buffer, format, args);
  if (n < 0) buffer[0] = 0;
  return buffer;  // vsnprintf cut it to 255 characters
}

// Makes the log's folder, truncates the file and writes the header and
// start time. False when the file cannot be made.
bool BeginFile(const std::string& path) {
  EnsureFolder(path.substr(0, path.rfind('/') + 1));
  std::FILE* f = OpenLog(path, true);
  if (!f) return false;
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  WriteText(f, std::string("*** LOG START ***\n") + FormatLogStartTime(local) + "\n\n");
  std::fclose(f);
  return true;
}

}  // namespace

std::string FormatLogStartTime(const std::tm& t) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%d-%d-%d %d:%02d", t.tm_mday, t.tm_mon + 1, t.tm_year + 1900,
                t.tm_hour, t.tm_min);
  return buffer;
}

std::string DefaultLogFolder() { return FitAppPath(StateFolder()); }

void StartLog() {
  LogState& s = L();
  {
    std::lock_guard<std::mutex> lock(s.mu);
    s.enabled = false;
    s.started = false;
    s.starting = true;
  }
  // Settings failures would log through us while the file is not chosen
  // yet; `starting` drops those lines (the file is truncated below anyway).
  CRegistryKey reg;
  reg.OpenProgramKey();
  std::string folder;
  reg.ReadValueString("LogPath", &folder, kPathBufferSize);
  uint32_t enabled = 0;
  reg.ReadValueDword("Log", &enabled);
  // "LogPath" wins; without it the log goes to the user's state folder,
  // never beside the program or into the current folder.
  if (folder.empty()) folder = DefaultLogFolder();
  // A folder typed without its separator still means that folder.
  if (!folder.empty() && folder.back() != '/') folder += '/';
  std::string path = folder.empty() ? std::string() : folder + kLogFileName;

  // While logging is off nothing at all is written.
  const bool begun = enabled != 0 && !path.empty() && BeginFile(path);
  {
    std::lock_guard<std::mutex> lock(s.mu);
    s.path = path;
    s.enabled = enabled != 0;
    s.started = begun;
    s.starting = false;
  }
  if (enabled != 0 && !begun) ShowStringMessage(IDS_LOG_CREATE_FAILED, kCaption, kMbOk | kMbIconInformation);
}

void EndLog() {
  LogState& s = L();
  std::lock_guard<std::mutex> lock(s.mu);
  if (!s.enabled || !s.started || s.path.empty()) return;
  std::FILE* f = OpenLog(s.path, false);
  if (!f) return;
  WriteText(f, "\n\n*** LOG END ***");
  std::fclose(f);
}

void LogLine(const char* text) { AppendEntry(text ? text : ""); }

void LogValue(const char* text, int number) {
  AppendEntry(std::string(text ? text : "") + " " + std::to_string(number));
}

void LogPair(const char* text, const char* text2) {
  AppendEntry(std::string(text ? text : "") + " " + (text2 ? text2 : ""));
}

namespace {

bool TraceToStderr() {
  static const bool to_stderr = [] {
    const char* v = std::getenv("QUILLET_DEBUG");
    return v && *v;
  }();
  return to_stderr;
}

std::atomic<bool> g_errors_to_stderr{true};

}  // namespace

bool DebugTraceWanted() { return TraceToStderr() || L().sink != nullptr; }

void DebugTrace(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string line = FormatDebug(format, args);
  va_end(args);
  if (TraceToStderr()) std::fprintf(stderr, "%s\n", line.c_str());
  if (DebugSink sink = L().sink) {
    sink("");
    sink(line.c_str());
    sink("\n");
  }
}

void DebugError(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string line = FormatDebug(format, args);
  va_end(args);
  if (g_errors_to_stderr.load(std::memory_order_relaxed)) std::fprintf(stderr, "%s\n", line.c_str());
  if (DebugSink sink = L().sink) {
    sink("*** ");
    sink(line.c_str());
    sink(" ***\n");
  }
}

std::string LogFilePath() {
  std::lock_guard<std::mutex> lock(L().mu);
  return L().path;
}

bool LogEnabled() {
  std::lock_guard<std::mutex> lock(L().mu);
  return L().enabled;
}

void SetLogEnabled(bool enabled) {
  LogState& s = L();
  std::string path;
  {
    std::lock_guard<std::mutex> lock(s.mu);
    s.enabled = enabled;
    if (!enabled || s.started || s.path.empty()) return;
    path = s.path;
  }
  // Switched on while the log was off: the file is begun now, so its lines
  // start with the header like every other log.
  const bool begun = BeginFile(path);
  {
    std::lock_guard<std::mutex> lock(s.mu);
    s.started = begun;
  }
  if (!begun) ShowStringMessage(IDS_LOG_CREATE_FAILED, kCaption, kMbOk | kMbIconInformation);
}

bool SetDebugErrorsToStderr(bool on) { return g_errors_to_stderr.exchange(on); }

DebugSink SetDebugSink(DebugSink sink) {
  DebugSink previous = L().sink;
  L().sink = sink;
  return previous;
}

}  // namespace quillet
