#include "store/PictureBytes.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <new>

#include "store/LoadPhases.h"

#ifndef MADV_POPULATE_WRITE
#define MADV_POPULATE_WRITE 23  // Linux 5.14; older kernels refuse it, which is harmless
#endif

namespace quillet {
namespace {

constexpr size_t kLargePage = size_t{2} << 20;
// Buffers smaller than this come from the heap.
constexpr size_t kMapAtLeast = kLargePage;
// The buffer is put in memory this much at a time ahead of the bytes taken.
constexpr size_t kPopulateStep = size_t{8} << 20;

size_t RoundUp(size_t n, size_t to) { return (n + to - 1) / to * to; }

size_t PageSize() {
  static const size_t size = [] {
    const long page = ::sysconf(_SC_PAGESIZE);
    return page > 0 ? static_cast<size_t>(page) : size_t{4096};
  }();
  return size;
}

}  // namespace

// --- CPictureArena ----------------------------------------------------------------

std::shared_ptr<CPictureArena> CPictureArena::Create(size_t capacity) {
  std::shared_ptr<CPictureArena> arena(new (std::nothrow) CPictureArena());
  if (!arena || capacity == 0) return arena;
  if (capacity >= kMapAtLeast) {
    // Aligned to a large page, so that the kernel can back it with large
    // pages: a fresh small page costs a fault each, and a load touches tens
    // of thousands of them.
    const size_t rounded = RoundUp(capacity, kLargePage);
    const size_t reserve = rounded + kLargePage;
    void* at = ::mmap(nullptr, reserve, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE,
                      -1, 0);
    if (at != MAP_FAILED) {
      auto* raw = static_cast<uint8_t*>(at);
      auto* aligned = reinterpret_cast<uint8_t*>(RoundUp(reinterpret_cast<uintptr_t>(raw), kLargePage));
      const size_t head = static_cast<size_t>(aligned - raw);
      if (head > 0) ::munmap(raw, head);
      const size_t tail = reserve - head - rounded;
      if (tail > 0) ::munmap(aligned + rounded, tail);
      ::madvise(aligned, rounded, MADV_HUGEPAGE);
      arena->base_ = aligned;
      arena->mapped_ = rounded;
      arena->capacity_ = capacity;
      return arena;
    }
  }
  arena->base_ = new (std::nothrow) uint8_t[capacity];
  if (arena->base_ != nullptr) arena->capacity_ = capacity;
  return arena;
}

CPictureArena::~CPictureArena() {
  if (mapped_ > 0) {
    ::munmap(base_, mapped_);
  } else {
    delete[] base_;
  }
}

void CPictureArena::Populate(size_t upTo) {
  // Asks for the pages in one call rather than one fault per page as the
  // bytes are written.
  if (mapped_ == 0 || upTo <= populated_) return;
  const size_t end = std::min(mapped_, RoundUp(std::max(upTo, populated_ + kPopulateStep), kLargePage));
  const load_timing::Span timed(&StoreLoadPhases::pictureMemoryNs);
  ::madvise(base_ + populated_, end - populated_, MADV_POPULATE_WRITE);
  populated_ = end;
}

uint8_t* CPictureArena::Take(size_t n, size_t* offset) {
  if (n == 0 || n > capacity_ - used_) return nullptr;
  Populate(used_ + n);
  *offset = last_offset_ = used_;
  used_ += n;
  return base_ + *offset;
}

uint8_t* CPictureArena::TakeToFill(size_t n, size_t* offset) {
  if (n == 0 || n > capacity_ - used_) return nullptr;
  *offset = last_offset_ = used_;
  used_ += n;
  return base_ + *offset;
}

void CPictureArena::GiveBack(size_t offset) {
  if (offset == last_offset_ && offset < used_) used_ = offset;
}

void CPictureArena::Trim() {
  capacity_ = used_;
  if (mapped_ == 0) return;
  const size_t keep = RoundUp(used_, PageSize());
  if (keep < mapped_ && ::munmap(base_ + keep, mapped_ - keep) == 0) {
    mapped_ = keep;
    populated_ = std::min(populated_, keep);
  }
  if (mapped_ == 0) base_ = nullptr;  // nothing taken: nothing left mapped
}

// --- PictureBytes -----------------------------------------------------------------

PictureBytes::PictureBytes(std::shared_ptr<const CPictureArena> arena, size_t offset, size_t size) {
  if (!arena || size == 0 || offset > arena->used() || size > arena->used() - offset) return;
  data_ = arena->At(offset);
  size_ = size;
  owner_ = std::move(arena);
  in_arena_ = true;
}

PictureBytes& PictureBytes::operator=(std::vector<uint8_t> bytes) {
  in_arena_ = false;
  if (bytes.empty()) {
    owner_.reset();
    data_ = nullptr;
    size_ = 0;
    return *this;
  }
  auto own = std::make_shared<std::vector<uint8_t>>(std::move(bytes));
  data_ = own->data();
  size_ = own->size();
  owner_ = std::move(own);
  return *this;
}

uint8_t* PictureBytes::MutableData() {
  if (size_ == 0) return nullptr;
  // Bytes of our own that no copy shares can be written where they are.
  if (in_arena_ || owner_.use_count() != 1) {
    *this = ToVector();
  } else {
    // Seen alone: whoever shared the bytes last (another thread, maybe)
    // has let go, and its reads happen before our writes.
    std::atomic_thread_fence(std::memory_order_acquire);
  }
  return const_cast<uint8_t*>(data_);
}

bool operator==(const PictureBytes& a, const PictureBytes& b) {
  return a.size_ == b.size_ && (a.data_ == b.data_ || std::memcmp(a.data_, b.data_, a.size_) == 0);
}

bool operator==(const PictureBytes& a, const std::vector<uint8_t>& b) {
  return a.size_ == b.size() && (a.size_ == 0 || std::memcmp(a.data_, b.data(), a.size_) == 0);
}

}  // namespace quillet
