#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

// Runs quillet-reg with `args` against a temporary store; returns the exit
// code and fills *out with what it printed on standard output.
class QuilletRegTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/qreg-cli-XXXXXX";
    dir_ = mkdtemp(tmpl);
    setenv("QUILLET_REGISTRY", (dir_ + "/registry.db").c_str(), 1);
  }
  void TearDown() override {
    unsetenv("QUILLET_REGISTRY");
    std::filesystem::remove_all(dir_);
  }
  int Run(const std::string& args, std::string* out = nullptr) {
    std::string cmd = std::string(QUILLET_BIN_DIR) + "/quillet-reg " + args + " 2>/dev/null";
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return -1;
    std::string text;
    char buf[512];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) text.append(buf, n);
    int status = pclose(p);
    if (out) *out = text;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  std::string dir_;
};

TEST_F(QuilletRegTest, SetGetExportDelete) {
  EXPECT_EQ(Run("set 'HKCU\\Software\\Brightfen\\Quillet' InstallPath --sz '/opt/q\\x/'"), 0);
  EXPECT_EQ(Run("set Software/Brightfen/Quillet Log --dword 0x10"), 0);
  EXPECT_EQ(Run("set Software/Brightfen/Quillet/Ann/ Blob --binary 01,FF"), 0);
  std::string out;
  EXPECT_EQ(Run("get HKEY_CURRENT_USER/Software/Brightfen/Quillet installpath", &out), 0);
  EXPECT_EQ(out, "/opt/q\\x/\n");
  EXPECT_EQ(Run("get Software/Brightfen/Quillet LOG", &out), 0);
  EXPECT_EQ(out, "16\n");
  EXPECT_EQ(Run("export 'HKEY_CURRENT_USER\\Software\\Brightfen'", &out), 0);
  EXPECT_EQ(out,
            "Windows Registry Editor Version 5.00\n"
            "\n[HKEY_CURRENT_USER\\Software\\Brightfen]\n"
            "\n[HKEY_CURRENT_USER\\Software\\Brightfen\\Quillet]\n"
            "\"InstallPath\"=\"/opt/q\\\\x/\"\n"
            "\"Log\"=dword:00000010\n"
            "\n[HKEY_CURRENT_USER\\Software\\Brightfen\\Quillet\\Ann]\n"
            "\"Blob\"=hex:01,ff\n");

  EXPECT_EQ(Run("delete Software/Brightfen/Quillet Log"), 0);
  EXPECT_EQ(Run("get Software/Brightfen/Quillet Log"), 1);
  EXPECT_EQ(Run("delete Software/Brightfen/Quillet/Ann"), 0);
  EXPECT_EQ(Run("export HKCU/Software/Brightfen/Quillet/Ann"), 1);
  EXPECT_EQ(Run("export HKCU/Software/Brightfen/Quillet", &out), 0);
  EXPECT_EQ(out.find("Ann"), std::string::npos);
}

TEST_F(QuilletRegTest, BadArgumentsAreUsageErrors) {
  EXPECT_EQ(Run(""), 2);
  EXPECT_EQ(Run("frobnicate"), 2);
  EXPECT_EQ(Run("set Software/X v --dword -1"), 2);
  EXPECT_EQ(Run("set Software/X v --dword 4294967296"), 2);
  EXPECT_EQ(Run("set Software/X v --binary 0g"), 2);
  EXPECT_EQ(Run("set Software/X v --binary 123"), 2);
  EXPECT_EQ(Run("set Software/X v --text hello"), 2);
  EXPECT_EQ(Run("get Software/X"), 2);
  EXPECT_EQ(Run("delete HKCU"), 2);
  EXPECT_EQ(Run("get Software/Missing v"), 1);
  EXPECT_EQ(Run("set Software/X v --dword 4294967295"), 0);
  std::string out;
  EXPECT_EQ(Run("get Software/X v", &out), 0);
  EXPECT_EQ(out, "4294967295\n");
}

}  // namespace
