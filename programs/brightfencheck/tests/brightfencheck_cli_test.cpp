// BrightfenCheck's command line, run as support desks and scripts run it.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "platform/registry/Registry.h"
#include "programs/brightfencheck/tests/CabinetReadBack.h"
#include "testing/TempRegistry.h"

namespace brightfen {
namespace {

using quillet::testing::ReadFileBytes;
using quillet::testing::TempRegistry;

struct ProgramRun {
  int code = -1;
  std::string out;
  std::string err;
};

// Runs BrightfenCheck with `args` (already quoted), without a display.
ProgramRun RunProgram(const std::string& args, const std::string& scratch) {
  const std::string out_file = scratch + "stdout.txt";
  const std::string err_file = scratch + "stderr.txt";
  const std::string cmd = "env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=none '" +
                          std::string(QUILLET_BIN_DIR) + "/BrightfenCheck' " + args + " >'" + out_file +
                          "' 2>'" + err_file + "' </dev/null";
  ProgramRun r;
  int rc = std::system(cmd.c_str());
  r.code = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
  r.out = ReadFileBytes(out_file);
  r.err = ReadFileBytes(err_file);
  std::filesystem::remove(out_file);
  std::filesystem::remove(err_file);
  return r;
}

class BrightfenCheckCli : public ::testing::Test {
 protected:
  void SetUp() override {
    scratch_ = tmp_.MakeDir("scratch");
    ::setenv("TMPDIR", tmp_.MakeDir("tmp").c_str(), 1);
  }
  void TearDown() override { ::unsetenv("TMPDIR"); }
  bool RegistryExists() const { return std::filesystem::exists(tmp_.dir() + "registry.db"); }

  TempRegistry tmp_;
  std::string scratch_;
};

TEST_F(BrightfenCheckCli, HelpAndVersionTouchNothing) {
  for (const char* arg : {"--help", "-h"}) {
    ProgramRun r = RunProgram(arg, scratch_);
    EXPECT_EQ(r.code, 0) << arg;
    EXPECT_EQ(r.out.rfind("Usage: BrightfenCheck [--output DIR]\n", 0), 0u) << r.out;
    EXPECT_NE(r.out.find("--output DIR"), std::string::npos);
    EXPECT_EQ(r.err, "");
  }
  for (const char* arg : {"--version", "-v"}) {
    ProgramRun r = RunProgram(arg, scratch_);
    EXPECT_EQ(r.code, 0) << arg;
    EXPECT_EQ(r.out.rfind("BrightfenCheck ", 0), 0u) << r.out;
    EXPECT_EQ(r.out.back(), '\n');
  }
  // No settings were read or made, no temporary folder left.
  EXPECT_FALSE(RegistryExists());
  EXPECT_TRUE(std::filesystem::is_empty(tmp_.dir() + "tmp"));
}

TEST_F(BrightfenCheckCli, UnknownOptionsAndArgumentsExitWithTwo) {
  for (const char* args : {"--frobnicate", "-x", "extra", "--output", "--output a b"}) {
    ProgramRun r = RunProgram(args, scratch_);
    EXPECT_EQ(r.code, 2) << args;
    EXPECT_EQ(r.out, "") << args;
    EXPECT_NE(r.err.find("BrightfenCheck: "), std::string::npos) << args;
    EXPECT_NE(r.err.find("--help"), std::string::npos) << args;
  }
  EXPECT_FALSE(RegistryExists());
}

TEST_F(BrightfenCheckCli, OutputWritesTheCabinetWithoutAWindow) {
  const std::string install = tmp_.MakeDir("install");
  std::ofstream(install + "quillet") << "#!";
  tmp_.MakeDir("install/template");
  std::ofstream(install + "template/default.htm") << "<html>{TITLE}</html>";
  qplat::HKEY k = nullptr;
  ASSERT_EQ(qplat::RegCreateKey(qplat::HKEY_CURRENT_USER, "Software\\Brightfen\\Quillet", &k), 0);
  ASSERT_EQ(qplat::RegSetString(k, "InstallPath", install), 0);
  qplat::RegCloseKey(k);

  const std::string desk = tmp_.MakeDir("desk");
  ProgramRun r = RunProgram("--output '" + desk + "'", scratch_);
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("BrightfenCheck: report written to " + desk + "BrightfenCheckReport1.zip\n"),
            std::string::npos)
      << r.out;
  auto rb = testing::ReadCabinet(desk + "BrightfenCheckReport1.zip", tmp_.MakeDir("unpacked"));
  ASSERT_TRUE(rb.loaded);
  EXPECT_EQ(rb.files["Quillet!\\Templates\\default.htm"], "<html>{TITLE}</html>");
  EXPECT_EQ(rb.files.count("regreport.txt"), 1u);
  // Its scratch folder is gone again.
  EXPECT_TRUE(std::filesystem::is_empty(tmp_.dir() + "tmp"));

  // A folder that is not there: exit 1 and the reason, nothing written.
  r = RunProgram("-o '" + tmp_.dir() + "nowhere'", scratch_);
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err, "BrightfenCheck: the folder " + tmp_.dir() + "nowhere does not exist\n");
  EXPECT_FALSE(std::filesystem::exists(tmp_.dir() + "nowhere"));
}

}  // namespace
}  // namespace brightfen
