#include "desktop/startup/LargePageHeap.h"

#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace quillet {
namespace {

constexpr uintptr_t kLargePage = uintptr_t{2} << 20;
// glibc's largest automatic threshold for blocks that get a mapping of
// their own: above it, a block is big enough to be worth one.
constexpr int kOwnMappingFrom = 32 << 20;
constexpr size_t kProbe = size_t{1} << 20;

}  // namespace

size_t ReserveLargePageHeap(size_t bytes) {
  if (bytes < kLargePage || bytes > (size_t{1} << 30)) return 0;
  if (mallopt(M_TOP_PAD, static_cast<int>(bytes)) != 1) return 0;
  mallopt(M_MMAP_THRESHOLD, kOwnMappingFrom);
  // A block the heap cannot hold yet makes it grow now, by the reserve.
  void* volatile probe = std::malloc(kProbe);
  if (probe == nullptr) return 0;
  const auto start = reinterpret_cast<uintptr_t>(probe);
  std::free(probe);
  const auto end = reinterpret_cast<uintptr_t>(::sbrk(0));
  // Only a heap that grew where it is (not a mapping elsewhere) is advised.
  if (end <= start || end - start < bytes / 2) return 0;
  const uintptr_t from = (start + kLargePage - 1) & ~(kLargePage - 1);
  const uintptr_t to = end & ~(kLargePage - 1);
  if (to <= from) return 0;
  if (::madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE) != 0) return 0;
  return to - from;
}

bool InLargePageRange(const void* address) {
  FILE* smaps = std::fopen("/proc/self/smaps", "re");
  if (smaps == nullptr) return false;
  const auto at = reinterpret_cast<uintptr_t>(address);
  bool inside = false, advised = false;
  char line[512];
  while (std::fgets(line, sizeof line, smaps) != nullptr) {
    unsigned long from = 0, to = 0;
    if (std::sscanf(line, "%lx-%lx ", &from, &to) == 2) {  // a range starts
      inside = at >= from && at < to;
    } else if (inside && std::strncmp(line, "VmFlags:", 8) == 0) {
      advised = std::strstr(line, " hg") != nullptr;
      break;
    }
  }
  std::fclose(smaps);
  return advised;
}

}  // namespace quillet
