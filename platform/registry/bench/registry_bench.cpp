// Prints how fast the registry store opens keys, reads and writes values:
// start-up writes some thirty values per Palm user, each in its own
// transaction.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/registry/Registry.h"

using namespace qplat;
using Clock = std::chrono::steady_clock;

namespace {

double Seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

}  // namespace

int main(int argc, char** argv) {
  std::string folder = argc > 1 ? argv[1] : "/tmp";
  std::string file = folder + "/registry_bench.db";
  std::remove(file.c_str());
  setenv("QUILLET_REGISTRY", file.c_str(), 1);

  constexpr int kWrites = 2000, kReads = 20000, kOpens = 5000;
  HKEY key = nullptr;
  if (RegCreateKey(HKEY_CURRENT_USER, "Software\\Brightfen\\Quillet\\Bench\\", &key)) {
    std::fprintf(stderr, "cannot open the store at %s\n", file.c_str());
    return 1;
  }
  auto t = Clock::now();
  for (int i = 0; i < kWrites; ++i) RegSetDword(key, "v" + std::to_string(i % 50), i);
  double write_s = Seconds(t);

  t = Clock::now();
  std::vector<uint8_t> data;
  DWORD type;
  for (int i = 0; i < kReads; ++i) RegGetValue(key, "v" + std::to_string(i % 50), &type, &data);
  double read_s = Seconds(t);

  t = Clock::now();
  for (int i = 0; i < kOpens; ++i) {
    HKEY k = nullptr;
    RegCreateKey(HKEY_CURRENT_USER, "Software\\Brightfen\\Quillet\\Bench\\", &k);
    RegCloseKey(k);
  }
  double open_s = Seconds(t);
  RegCloseKey(key);

  std::printf("value writes: %8.0f per second (%d in %.3f s)\n", kWrites / write_s, kWrites, write_s);
  std::printf("value reads:  %8.0f per second (%d in %.3f s)\n", kReads / read_s, kReads, read_s);
  std::printf("key opens:    %8.0f per second (%d in %.3f s)\n", kOpens / open_s, kOpens, open_s);
  for (const char* suffix : {"", "-wal", "-shm"}) std::remove((file + suffix).c_str());
  return 0;
}
