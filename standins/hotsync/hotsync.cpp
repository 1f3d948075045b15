// quillet-hotsync: stands in for the HotSync manager on this platform. It loads
// each notifier library the way the manager does, asks its version, and
// calls HS_Notify once for each stage of a synchronisation, printing what
// every call returned.
//
//   quillet-hotsync [--notifier LIB]... [--user-id N] [--stage N]...
//   quillet-hotsync --help | --version
//
// Without --notifier the notifiers registered with the Conduit Manager are
// used, or ours (libQuilletNotify10.so in lib/quillet/) when none is
// registered; without --stage the stages 0 to 4 are run in
// order. N of --user-id is passed as every call's parameter.
#include <dlfcn.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "QuilletVersion.h"
#include "platform/cdk/HotSyncStore.h"
#include "platform/paths/ProgramPaths.h"

namespace {

bool ParseInt(const char* text, long* out) {
  char* end = nullptr;
  errno = 0;
  long v = std::strtol(text, &end, 10);
  if (errno || end == text || *end || v < INT32_MIN || v > INT32_MAX) return false;
  *out = v;
  return true;
}

int Usage(const char* why) {
  std::fprintf(stderr,
               "quillet-hotsync: %s\n"
               "usage: quillet-hotsync [--notifier LIB]... [--user-id N] [--stage N]...\n",
               why);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> notifiers;
  std::vector<int> stages;
  long userId = 0;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    long v = 0;
    if (a == "--help" || a == "-h") {
      std::printf(
          "usage: quillet-hotsync [--notifier LIB]... [--user-id N] [--stage N]...\n"
          "       quillet-hotsync --help | --version\n\n"
          "Calls HS_Notify of each notifier library for each stage of a synchronisation\n"
          "(stages 0 to 4 when none is given). Without --notifier the notifiers registered\n"
          "with the Conduit Manager are called, else libQuilletNotify10.so from lib/quillet/.\n");
      return 0;
    } else if (a == "--version") {
      std::printf("quillet-hotsync %s\n", QUILLET_VERSION);
      return 0;
    } else if (a == "--notifier" && i + 1 < argc) {
      notifiers.push_back(argv[++i]);
    } else if (a == "--user-id" && i + 1 < argc) {
      if (!ParseInt(argv[++i], &userId)) return Usage("--user-id takes a number");
    } else if (a == "--stage" && i + 1 < argc) {
      if (!ParseInt(argv[++i], &v)) return Usage("--stage takes a number");
      stages.push_back(int(v));
    } else {
      return Usage(("unexpected argument '" + a + "'").c_str());
    }
  }
  if (notifiers.empty()) qplat::hotsync::ListNotifiers(&notifiers);
  if (notifiers.empty()) notifiers.push_back(qplat::LibraryFolder() + "libQuilletNotify10.so");
  if (stages.empty()) stages = {0, 1, 2, 3, 4};

  // Seen by the HotSync API library: running, and synchronising while the
  // notifiers are called.
  const uint32_t pid = uint32_t(getpid());
  qplat::hotsync::PublishManagerState(pid, 1);

  int failures = 0;
  for (const std::string& path : notifiers) {
    void* lib = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!lib) {
      std::fprintf(stderr, "quillet-hotsync: cannot load notifier %s: %s\n", path.c_str(), dlerror());
      ++failures;
      continue;
    }
    auto version = reinterpret_cast<int32_t (*)()>(dlsym(lib, "GetNotifierVersion"));
    auto notify = reinterpret_cast<int32_t (*)(int32_t, int32_t)>(dlsym(lib, "HS_Notify"));
    if (!version || !notify) {
      std::fprintf(stderr, "quillet-hotsync: %s is not a notifier (GetNotifierVersion/HS_Notify missing)\n",
                   path.c_str());
      dlclose(lib);
      ++failures;
      continue;
    }
    std::printf("%s: GetNotifierVersion -> %d\n", path.c_str(), version());
    for (int stage : stages)
      std::printf("%s: HS_Notify(%d, %ld) -> %d\n", path.c_str(), stage, userId,
                  notify(stage, int32_t(userId)));
    dlclose(lib);
  }
  qplat::hotsync::PublishManagerState(0, 0);
  return failures ? 1 : 0;
}
