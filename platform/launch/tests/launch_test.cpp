// Starting desktop programs: found on PATH, taken when they end well or
// keep running, failed when they end badly, missing when there is none.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "platform/launch/Launch.h"

namespace quillet {
namespace {

class Launch : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/quillet-launch-XXXXXX";
    dir_ = std::string(::mkdtemp(tmpl)) + "/";
    path_ = std::getenv("PATH") ? std::getenv("PATH") : "";
    ::setenv("PATH", (dir_ + ":/usr/bin:/bin").c_str(), 1);
  }
  void TearDown() override {
    ::setenv("PATH", path_.c_str(), 1);
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
  // A program that writes its arguments, one a line, into "args".
  void Program(const std::string& name, const std::string& tail) {
    std::ofstream(dir_ + name) << "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > '" << dir_
                               << "args'\n" << tail << "\n";
    ::chmod((dir_ + name).c_str(), 0755);
  }
  std::string Args() {
    std::ifstream in(dir_ + "args");
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  std::string dir_, path_;
};

TEST_F(Launch, ArgumentsArriveAsGivenAndTheStatusDecides) {
  Program("opener", "exit 0");
  EXPECT_EQ(RunSettled({"opener", "a b", "$(touch x)", "--z;ls"}), LaunchResult::kTaken);
  EXPECT_EQ(Args(), "a b\n$(touch x)\n--z;ls\n");  // no shell ever reads them
  EXPECT_FALSE(std::filesystem::exists(dir_ + "x"));
  Program("opener", "exit 4");
  EXPECT_EQ(RunSettled({"opener", "f"}), LaunchResult::kFailed);
  Program("opener", "kill -9 $$");
  EXPECT_EQ(RunSettled({"opener"}), LaunchResult::kFailed);
}

TEST_F(Launch, TheProgramGetsNoneOfOurFiles) {
  const int inherited = ::open((dir_ + "held").c_str(), O_WRONLY | O_CREAT, 0600);  // no O_CLOEXEC
  ASSERT_GE(inherited, 3);
  Program("lister", "ls /proc/$$/fd > '" + dir_ + "fds'");
  EXPECT_EQ(RunSettled({"lister"}), LaunchResult::kTaken);
  ::close(inherited);
  std::ifstream in(dir_ + "fds");
  std::set<std::string> fds;
  for (std::string fd; in >> fd;) fds.insert(fd);
  EXPECT_FALSE(fds.empty());
  EXPECT_EQ(fds.count("0") + fds.count("1") + fds.count("2"), 3u);
  EXPECT_EQ(fds.count(std::to_string(inherited)), 0u);
}

TEST_F(Launch, MissingOrNotExecutableProgramsAreMissing) {
  EXPECT_EQ(FindProgram("quillet-no-such-program"), "");
  EXPECT_EQ(RunSettled({"quillet-no-such-program"}), LaunchResult::kMissing);
  std::ofstream(dir_ + "plain") << "#!/bin/sh\n";
  EXPECT_EQ(FindProgram("plain"), "");  // not executable
  std::filesystem::create_directories(dir_ + "folder");
  ::chmod((dir_ + "folder").c_str(), 0755);
  EXPECT_EQ(FindProgram("folder"), "");
  // Executable, but nothing can run it.
  std::ofstream(dir_ + "broken") << "#!/nonexistent/interpreter\n";
  ::chmod((dir_ + "broken").c_str(), 0755);
  EXPECT_EQ(FindProgram("broken"), dir_ + "broken");
  EXPECT_EQ(RunSettled({"broken"}), LaunchResult::kMissing);
  EXPECT_EQ(RunSettled({}), LaunchResult::kMissing);
}

TEST_F(Launch, AProgramStillRunningAfterTheSettleTimeHasTheRequest) {
  // The program runs until the test lets it go (or its folder is gone),
  // then ends badly: an answer that waited for its end would say kFailed,
  // and would never come.
  Program("editor", "while [ ! -e '" + dir_ + "go' ] && [ -d '" + dir_ + "' ]; do sleep 0.05; done; touch '" + dir_ +
                        "ended'; exit 1");
  EXPECT_EQ(RunSettled({"editor", "file"}, 200), LaunchResult::kTaken);
  EXPECT_FALSE(std::filesystem::exists(dir_ + "ended"));
  std::ofstream(dir_ + "go") << "";
}

TEST_F(Launch, ADesktopEntrysExecLineTakesTheFileWhereItAsks) {
  auto command = [&](const std::string& exec, bool* terminal = nullptr) {
    std::ofstream(dir_ + "e.desktop") << "[Desktop Action new]\nExec=other %f\n[Desktop Entry]\nName=E\n"
                                      << exec << "\nTerminal=" << (terminal ? "true" : "false") << "\n";
    bool t = false;
    auto argv = DesktopEntryCommand(dir_ + "e.desktop", "/a b/theme.htm", &t);
    if (terminal) *terminal = t;
    return argv;
  };
  using V = std::vector<std::string>;
  EXPECT_EQ(command("Exec=gedit %U"), (V{"gedit", "/a b/theme.htm"}));
  EXPECT_EQ(command("Exec=editor --new %f %i %c %k"), (V{"editor", "--new", "/a b/theme.htm"}));
  EXPECT_EQ(command("Exec=editor"), (V{"editor", "/a b/theme.htm"}));  // no field code: appended
  EXPECT_EQ(command("Exec=\"/opt/my editor/bin/ed\" --file=%f 100%%"),
            (V{"/opt/my editor/bin/ed", "--file=/a b/theme.htm", "100%"}));
  EXPECT_EQ(command(R"(Exec=sh -c "echo \\"hi\\" \\$x" %F)"), (V{"sh", "-c", "echo \"hi\" $x", "/a b/theme.htm"}));
  bool terminal = false;
  EXPECT_EQ(command("Exec=vim %F", &terminal), (V{"vim", "/a b/theme.htm"}));
  EXPECT_TRUE(terminal);
  EXPECT_TRUE(command("Name=no exec").empty());
  bool t = false;
  EXPECT_TRUE(DesktopEntryCommand(dir_ + "missing.desktop", "f", &t).empty());
}

TEST_F(Launch, DesktopEntriesAreFoundInTheDataFolders) {
  const char* home = std::getenv("XDG_DATA_HOME");
  const char* dirs = std::getenv("XDG_DATA_DIRS");
  const std::string keepHome = home ? home : "", keepDirs = dirs ? dirs : "";
  std::filesystem::create_directories(dir_ + "user/applications");
  std::filesystem::create_directories(dir_ + "sys/applications");
  std::ofstream(dir_ + "sys/applications/ed.desktop") << "[Desktop Entry]\n";
  ::setenv("XDG_DATA_HOME", (dir_ + "user").c_str(), 1);
  ::setenv("XDG_DATA_DIRS", ("relative:" + dir_ + "sys").c_str(), 1);
  EXPECT_EQ(FindDesktopEntry("ed.desktop"), dir_ + "sys/applications/ed.desktop");
  std::ofstream(dir_ + "user/applications/ed.desktop") << "[Desktop Entry]\n";
  EXPECT_EQ(FindDesktopEntry("ed.desktop"), dir_ + "user/applications/ed.desktop");  // the user's first
  EXPECT_EQ(FindDesktopEntry("none.desktop"), "");
  EXPECT_EQ(FindDesktopEntry("../applications/ed.desktop"), "");
  if (home) ::setenv("XDG_DATA_HOME", keepHome.c_str(), 1); else ::unsetenv("XDG_DATA_HOME");
  if (dirs) ::setenv("XDG_DATA_DIRS", keepDirs.c_str(), 1); else ::unsetenv("XDG_DATA_DIRS");
}

}  // namespace
}  // namespace quillet
