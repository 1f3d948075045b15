#include "platform/launch/Launch.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <sstream>
#include <string>

#include "platform/files/SafeFiles.h"

extern char** environ;

namespace quillet {
namespace {

bool Executable(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

// Exit statuses of the go-between.
constexpr int kBetweenTaken = 0;
constexpr int kBetweenFailed = 1;
constexpr int kBetweenMissing = 2;

}  // namespace

std::string FindProgram(const std::string& program) {
  if (program.empty()) return "";
  if (program.find('/') != std::string::npos) return Executable(program) ? program : "";
  const char* path = std::getenv("PATH");
  const std::string dirs = path != nullptr ? path : "/usr/bin:/bin";
  size_t start = 0;
  while (start <= dirs.size()) {
    size_t end = dirs.find(':', start);
    if (end == std::string::npos) end = dirs.size();
    const std::string dir = dirs.substr(start, end - start);
    start = end + 1;
    if (dir.empty()) continue;
    const std::string full = dir + (dir.back() == '/' ? "" : "/") + program;
    if (Executable(full)) return full;
  }
  return "";
}

LaunchResult RunSettled(const std::vector<std::string>& argv, int settleMilliseconds) {
  if (argv.empty()) return LaunchResult::kMissing;
  const std::string program = FindProgram(argv[0]);
  if (program.empty()) return LaunchResult::kMissing;
  // Everything the children need is made before forking: after fork() only
  // async-signal-safe calls are made.
  std::vector<char*> words;
  words.reserve(argv.size() + 1);
  words.push_back(const_cast<char*>(program.c_str()));
  for (size_t i = 1; i < argv.size(); ++i) words.push_back(const_cast<char*>(argv[i].c_str()));
  words.push_back(nullptr);
  const int devnull = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
  const int rounds = settleMilliseconds > 0 ? (settleMilliseconds + 19) / 20 : 0;

  const pid_t between = ::fork();
  if (between < 0) {
    if (devnull >= 0) ::close(devnull);
    return LaunchResult::kFailed;
  }
  if (between == 0) {
    // A pipe closed by a successful exec tells a program that could not be
    // started from one that failed.
    int ready[2];
    if (::pipe2(ready, O_CLOEXEC) != 0) ::_exit(kBetweenFailed);
    const pid_t child = ::fork();
    if (child < 0) ::_exit(kBetweenFailed);
    if (child == 0) {
      ::close(ready[0]);
      if (devnull >= 0) ::dup2(devnull, STDIN_FILENO);
      // A program that outlives us keeps none of our files open (a store
      // lock, a socket), whatever flags they were opened with; the pipe
      // closes itself with a successful exec.
      if (ready[1] > 3) ::close_range(3, static_cast<unsigned>(ready[1]) - 1, 0);
      ::close_range(static_cast<unsigned>(ready[1]) + 1, ~0U, 0);
      ::setsid();
      ::execve(words[0], words.data(), environ);
      const char failed = 1;
      (void)!::write(ready[1], &failed, 1);
      ::_exit(127);
    }
    ::close(ready[1]);
    char failed = 0;
    ssize_t n;
    do {
      n = ::read(ready[0], &failed, 1);
    } while (n < 0 && errno == EINTR);
    if (n == 1) ::_exit(kBetweenMissing);
    for (int round = 0; round < rounds; ++round) {
      int status = 0;
      const pid_t r = ::waitpid(child, &status, WNOHANG);
      if (r == child)
        ::_exit(WIFEXITED(status) && WEXITSTATUS(status) == 0 ? kBetweenTaken : kBetweenFailed);
      if (r < 0 && errno != EINTR) ::_exit(kBetweenFailed);
      struct timespec pause{0, 20 * 1000000L};
      ::nanosleep(&pause, nullptr);
    }
    ::_exit(kBetweenTaken);  // still running: it has the request
  }
  if (devnull >= 0) ::close(devnull);
  int status = 0;
  pid_t r;
  do {
    r = ::waitpid(between, &status, 0);
  } while (r < 0 && errno == EINTR);
  if (r != between || !WIFEXITED(status)) return LaunchResult::kFailed;
  switch (WEXITSTATUS(status)) {
    case kBetweenTaken: return LaunchResult::kTaken;
    case kBetweenMissing: return LaunchResult::kMissing;
    default: return LaunchResult::kFailed;
  }
}

std::string FindDesktopEntry(const std::string& id) {
  if (id.empty() || id.find('/') != std::string::npos || id == "." || id == "..") return "";
  std::vector<std::string> roots;
  if (const char* data = std::getenv("XDG_DATA_HOME"); data != nullptr && *data == '/')
    roots.push_back(data);
  else if (const char* home = std::getenv("HOME"); home != nullptr && *home != 0)
    roots.push_back(std::string(home) + "/.local/share");
  const char* dirs = std::getenv("XDG_DATA_DIRS");
  const std::string list = dirs != nullptr && *dirs != 0 ? dirs : "/usr/local/share:/usr/share";
  size_t start = 0;
  while (start <= list.size()) {
    size_t end = list.find(':', start);
    if (end == std::string::npos) end = list.size();
    if (end > start && list[start] == '/') roots.push_back(list.substr(start, end - start));
    start = end + 1;
  }
  for (const std::string& root : roots) {
    const std::string path = root + "/applications/" + id;
    struct stat st;
    if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) return path;
  }
  return "";
}

std::vector<std::string> DesktopEntryCommand(const std::string& entryPath, const std::string& file,
                                             bool* terminal) {
  *terminal = false;
  // A desktop entry is a few kilobytes; whatever else is planted under its
  // name (a pipe, a huge file) is not read.
  std::string text;
  if (ReadFileWithin("", entryPath, &text, size_t{1} << 20) != 0) return {};
  std::istringstream in(text);
  std::string line, exec;
  bool inEntry = false;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty() && line[0] == '[') {
      inEntry = line == "[Desktop Entry]";
      continue;
    }
    if (!inEntry) continue;
    if (line.rfind("Exec=", 0) == 0) exec = line.substr(5);
    else if (line.rfind("Terminal=", 0) == 0) *terminal = line.substr(9) == "true";
  }
  // The value's own escapes first, then the quoting of the command line.
  std::string value;
  for (size_t i = 0; i < exec.size(); ++i) {
    if (exec[i] != '\\' || i + 1 == exec.size()) {
      value += exec[i];
      continue;
    }
    const char next = exec[++i];
    switch (next) {
      case 's': value += ' '; break;
      case 'n': value += '\n'; break;
      case 't': value += '\t'; break;
      case 'r': value += '\r'; break;
      case '\\': value += '\\'; break;
      default: value += '\\'; value += next; break;
    }
  }
  struct Word {
    std::string text;
    bool quoted = false;
  };
  std::vector<Word> words;
  Word word;
  bool inWord = false, inQuotes = false;
  for (size_t i = 0; i < value.size(); ++i) {
    const char c = value[i];
    if (inQuotes) {
      if (c == '"') inQuotes = false;
      else if (c == '\\' && i + 1 < value.size() && std::string("\"`$\\").find(value[i + 1]) != std::string::npos)
        word.text += value[++i];
      else word.text += c;
    } else if (c == ' ' || c == '\t' || c == '\n') {
      if (inWord) words.push_back(word);
      word = Word{};
      inWord = false;
    } else if (c == '"') {
      inQuotes = inWord = word.quoted = true;
    } else {
      word.text += c;
      inWord = true;
    }
  }
  if (inWord) words.push_back(word);

  std::vector<std::string> argv;
  bool placed = false;
  for (const Word& w : words) {
    // A word that is a field code alone stands for the file or for nothing.
    if (!w.quoted && w.text.size() == 2 && w.text[0] == '%' && w.text[1] != '%') {
      if (std::string("fFuU").find(w.text[1]) != std::string::npos && !placed) {
        argv.push_back(file);
        placed = true;
      }
      continue;
    }
    std::string out;
    for (size_t i = 0; i < w.text.size(); ++i) {
      if (w.text[i] != '%' || i + 1 == w.text.size()) {
        out += w.text[i];
        continue;
      }
      const char code = w.text[++i];
      if (code == '%') out += '%';
      else if (std::string("fFuU").find(code) != std::string::npos && !placed) {
        out += file;
        placed = true;
      }
    }
    argv.push_back(out);
  }
  if (argv.empty()) return {};
  if (!placed) argv.push_back(file);
  return argv;
}

}  // namespace quillet
