#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/cdk/Cdk.h"
#include "platform/cdk/HotSyncStore.h"
#include "platform/palm/PalmUsers.h"
#include "platform/registry/Registry.h"

namespace qplat::hotsync {
namespace {

namespace fs = std::filesystem;

// The libraries as the installer loads them: by path, functions by name.
class Lib {
 public:
  explicit Lib(const char* file) {
    handle_ = dlopen((std::string(QUILLET_LIB_DIR) + "/" + file).c_str(), RTLD_NOW | RTLD_LOCAL);
  }
  ~Lib() {
    if (handle_) dlclose(handle_);
  }
  template <typename Fn>
  Fn Get(const char* name) {
    Fn fn = handle_ ? reinterpret_cast<Fn>(dlsym(handle_, name)) : nullptr;
    EXPECT_NE(fn, nullptr) << name;
    return fn;
  }
  bool loaded() const { return handle_; }

 private:
  void* handle_ = nullptr;
};

class CdkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/qcdk-XXXXXX";
    dir_ = mkdtemp(tmpl);
    setenv("QUILLET_REGISTRY", (dir_ + "/registry.db").c_str(), 1);
    ASSERT_TRUE(cm_.loaded() && aide_.loaded());
  }
  void TearDown() override {
    unsetenv("QUILLET_REGISTRY");
    fs::remove_all(dir_);
  }
  std::string dir_;
  Lib cm_{kCondMgrLibrary};
  Lib aide_{kInstAideLibrary};
};

TEST_F(CdkTest, ConduitEntryLifecycle) {
  auto install = cm_.Get<CmCreatorNumberFn>("CmInstallCreator");
  auto remove = cm_.Get<CmCreatorFn>("CmRemoveConduitByCreatorID");
  auto name = cm_.Get<CmCreatorTextFn>("CmSetCreatorName");
  auto priority = cm_.Get<CmCreatorNumberFn>("CmSetCreatorPriority");
  ASSERT_TRUE(install && remove && name && priority);

  EXPECT_EQ(name("QLTN", "/x.so"), kCmErrNotInstalled);
  EXPECT_EQ(remove("QLTN"), kCmErrNotInstalled);
  EXPECT_EQ(install("QLT", 1), kCmErrInvalidCreator);
  EXPECT_EQ(install("QL/N", 1), kCmErrInvalidCreator);
  EXPECT_EQ(install("QLTN", 7), kCmErrInvalidConduitType);
  EXPECT_EQ(install("QLTN", 1), 0);
  EXPECT_EQ(install("QLTN", 1), kCmErrCreatorInUse);
  EXPECT_EQ(name("QLTN", "/x.so"), 0);
  EXPECT_EQ(priority("QLTN", 9), kCmErrUnableToSetValue);
  EXPECT_EQ(priority("QLTN", 3), 0);
  EXPECT_EQ(name("QLTN", std::string(300, 'a').c_str()), kCmErrUnableToSetValue);

  Conduit c;
  ASSERT_EQ(FindConduit("QLTN", &c), 0);
  EXPECT_EQ(c.texts["Name"], "/x.so");
  EXPECT_EQ(c.numbers["Priority"], 3u);
  EXPECT_EQ(c.numbers["Type"], 1u);
  EXPECT_EQ(remove("QLTN"), 0);
  EXPECT_EQ(FindConduit("QLTN", &c), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(install("QLTN", 1), 0);  // free again after removal
}

TEST_F(CdkTest, NotifierListKeepsOrderAndHasNoDuplicates) {
  auto reg = cm_.Get<NmPathFn>("NmRegister");
  auto unreg = cm_.Get<NmPathFn>("NmUnregister");
  ASSERT_TRUE(reg && unreg);
  EXPECT_EQ(reg("/a.so"), 0);
  EXPECT_EQ(reg("/b.so"), 0);
  EXPECT_EQ(reg("/a.so"), 0);
  EXPECT_EQ(reg("/c.so"), 0);
  EXPECT_EQ(unreg("/B.so"), kCmErrValueNotFound);  // paths are case-sensitive here
  EXPECT_EQ(unreg("/b.so"), 0);
  std::vector<std::string> paths;
  ASSERT_EQ(ListNotifiers(&paths), 0);
  EXPECT_EQ(paths, (std::vector<std::string>{"/a.so", "/c.so"}));
  EXPECT_EQ(reg(""), kCmErrUnableToSetValue);
  EXPECT_EQ(reg(nullptr), kCmErrInvalidPointer);
}

TEST_F(CdkTest, HotSyncProgramPath) {
  auto get = cm_.Get<CmGetHotSyncExecPathFn>("CmGetHotSyncExecPath");
  ASSERT_TRUE(get);
  char buf[260];
  int32_t size = sizeof buf;
  EXPECT_EQ(get(buf, &size), kCmErrValueNotFound);
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKey(HKEY_CURRENT_USER, palm::kCoreKey, &key), 0);
  ASSERT_EQ(RegSetString(key, "HotSyncPath", "/opt/palm/HotSync"), 0);
  RegCloseKey(key);
  size = 5;
  EXPECT_EQ(get(buf, &size), kCmErrBufferTooSmall);
  EXPECT_EQ(size, 18);
  size = sizeof buf;
  EXPECT_EQ(get(buf, &size), 0);
  EXPECT_STREQ(buf, "/opt/palm/HotSync");
}

TEST_F(CdkTest, UsersAndInstallQueue) {
  auto count = aide_.Get<PltGetUserCountFn>("PltGetUserCount");
  auto get = aide_.Get<PltGetUserFn>("PltGetUser");
  auto queue = aide_.Get<PltInstallFileFn>("PltInstallFile");
  ASSERT_TRUE(count && get && queue);
  EXPECT_EQ(count(), 0);
  HKEY core = nullptr;
  ASSERT_EQ(RegCreateKey(HKEY_CURRENT_USER, palm::kCoreKey, &core), 0);
  ASSERT_EQ(RegSetString(core, "Path", dir_ + "/palm"), 0);
  RegCloseKey(core);
  palm::PalmUser u;
  ASSERT_EQ(palm::AddUser("Ann Lee", "Ann", "", &u), 0);
  fs::create_directories(dir_ + "/palm/Ann");
  EXPECT_EQ(count(), 1);
  char name[261];
  int32_t size = 4;
  EXPECT_EQ(get(0, name, &size), -2);
  size = sizeof name;
  EXPECT_EQ(get(0, name, &size), 0);
  EXPECT_STREQ(name, "Ann Lee");
  EXPECT_EQ(get(1, name, &size), -1);

  const std::string src = dir_ + "/app.prc";
  FILE* f = fopen(src.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  fputs("payload", f);
  fclose(f);
  EXPECT_EQ(queue("Nobody", src.c_str()), -1);
  EXPECT_EQ(queue("Ann Lee", (dir_ + "/missing.prc").c_str()), -5);
  EXPECT_EQ(queue("Ann Lee", src.c_str()), 0);
  EXPECT_EQ(fs::file_size(dir_ + "/palm/Ann/Install/app.prc"), 7u);
  EXPECT_FALSE(fs::exists(dir_ + "/palm/Ann/Install/app.prc.part"));
}

TEST_F(CdkTest, ManagerStatusFollowsTheRecordedProcess) {
  Lib hs(kHsApiLibrary);
  auto check = hs.Get<HsStatusFn>("HsCheckApiStatus");
  auto status = hs.Get<HsGetSyncStatusFn>("HsGetSyncStatus");
  auto refresh = hs.Get<HsStatusFn>("HsRefreshConduitInfo");
  ASSERT_TRUE(check && status && refresh);
  EXPECT_NE(check(), 0);
  EXPECT_NE(refresh(), 0);
  ASSERT_EQ(PublishManagerState(uint32_t(getpid()), 1), 0);
  EXPECT_EQ(check(), 0);
  uint32_t s = 9;
  EXPECT_EQ(status(&s), 0);
  EXPECT_EQ(s, 1u);
  EXPECT_EQ(refresh(), 0);
  EXPECT_EQ(refresh(), 0);
  ManagerState state;
  ASSERT_EQ(ReadManagerState(&state), 0);
  EXPECT_EQ(state.refreshes, 2u);
  EXPECT_NE(status(nullptr), 0);
  PublishManagerState(0, 0);
  EXPECT_NE(check(), 0);
}

}  // namespace
}  // namespace qplat::hotsync
