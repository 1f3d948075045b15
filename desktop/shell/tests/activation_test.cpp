// A second start's activation token reaches the running window once, and
// nothing but a token does.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "desktop/shell/Activation.h"
#include "platform/winmsg/WindowMessage.h"
#include "testing/TempRegistry.h"

using namespace quillet;
using quillet::testing::TempRegistry;

namespace {

class ActivationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    runtime_ = tmp_.MakeDir("runtime");
    ::chmod(runtime_.c_str(), 0700);
    ::setenv("XDG_RUNTIME_DIR", runtime_.c_str(), 1);
    ::unsetenv("XDG_ACTIVATION_TOKEN");
    ::unsetenv("DESKTOP_STARTUP_ID");
  }
  void TearDown() override {
    ::unsetenv("XDG_ACTIVATION_TOKEN");
    ::unsetenv("DESKTOP_STARTUP_ID");
  }
  std::string File() const { return winmsg::SocketPathForClass("TestWND") + ".activation"; }
  void Plant(const std::string& text) { std::ofstream(File()) << text; }

  TempRegistry tmp_;
  std::string runtime_;
};

TEST_F(ActivationTest, TheLaunchersTokenIsHandedOverAndTakenOnce) {
  EXPECT_FALSE(LaunchToken());
  ::setenv("DESKTOP_STARTUP_ID", "launcher-1234_TIME5678", 1);
  ASSERT_TRUE(LaunchToken());
  EXPECT_EQ(LaunchToken()->variable, "DESKTOP_STARTUP_ID");
  ::setenv("XDG_ACTIVATION_TOKEN", "wl:4f2a-0001", 1);  // Wayland's first
  const auto token = LaunchToken();
  ASSERT_TRUE(token);
  EXPECT_EQ(token->variable, "XDG_ACTIVATION_TOKEN");
  EXPECT_EQ(token->value, "wl:4f2a-0001");

  ASSERT_TRUE(HandOverActivationToken("TestWND", *token));
  struct stat st;
  ASSERT_EQ(::stat(File().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);  // nobody else's to read
  const auto taken = TakeActivationToken("TestWND");
  ASSERT_TRUE(taken);
  EXPECT_EQ(taken->variable, "XDG_ACTIVATION_TOKEN");
  EXPECT_EQ(taken->value, "wl:4f2a-0001");
  EXPECT_FALSE(TakeActivationToken("TestWND"));  // used once
  EXPECT_NE(::access(File().c_str(), F_OK), 0);
}

TEST_F(ActivationTest, WhatIsNoTokenIsRefusedAndRemoved) {
  // From the environment: spaces, control characters, too long.
  for (const std::string bad : {std::string("two words"), std::string("a\tb"), std::string(kMaxActivationToken + 1, 'x')}) {
    ::setenv("XDG_ACTIVATION_TOKEN", bad.c_str(), 1);
    EXPECT_FALSE(LaunchToken()) << bad;
  }
  EXPECT_FALSE(HandOverActivationToken("TestWND", {"LD_PRELOAD", "x.so"}));
  EXPECT_FALSE(HandOverActivationToken("TestWND", {"XDG_ACTIVATION_TOKEN", ""}));
  // From the file: another variable, no '=', a token with a line break in
  // it, an oversized file; each is dropped and the file removed.
  for (const std::string text : {std::string("LD_PRELOAD=/tmp/x.so\n"), std::string("XDG_ACTIVATION_TOKEN\n"),
                                 std::string("XDG_ACTIVATION_TOKEN=a\nb\n"),
                                 "XDG_ACTIVATION_TOKEN=" + std::string(4096, 'y') + "\n"}) {
    Plant(text);
    EXPECT_FALSE(TakeActivationToken("TestWND")) << text.substr(0, 40);
    EXPECT_NE(::access(File().c_str(), F_OK), 0);
  }
  // A link planted under the name is not followed (and goes).
  const std::string target = runtime_ + "/elsewhere";
  std::ofstream(target) << "XDG_ACTIVATION_TOKEN=planted\n";
  ASSERT_EQ(::symlink(target.c_str(), File().c_str()), 0);
  EXPECT_FALSE(TakeActivationToken("TestWND"));
  EXPECT_EQ(::access(target.c_str(), F_OK), 0);  // the link's target is left alone
  // A folder under the name is no token either.
  ASSERT_EQ(::mkdir(File().c_str(), 0700), 0);
  EXPECT_FALSE(TakeActivationToken("TestWND"));
}

}  // namespace
