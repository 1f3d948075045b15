// PictureBytes: the bytes of one picture record, wherever they are held.
//
// A store of 100,000 records holds well over a hundred megabytes of picture
// bytes. A whole load reads the file into one buffer of its own
// (CPictureArena) and every picture record refers to its slice of it,
// where the file has it, instead of each record getting a heap copy of its
// own: the buffer is allocated in one piece with large pages, which the
// kernel hands out a few hundred times faster than thousands of separate
// small allocations. (A load from memory puts the pictures into the buffer
// one after the other.)
//
// The buffer is this process's private memory, filled by reading the file:
// nothing refers to the file afterwards, so another program may rewrite,
// truncate or remove it while the records are in use.
//
// The bytes are never changed where they are shared. Copying a PictureBytes
// shares the bytes (no copy is made); assigning new bytes replaces the
// reference; MutableData() first copies shared bytes into a buffer of this
// object's own (copy on write). The bytes stay valid as long as any
// PictureBytes refers to them, also on another thread (a background writer
// holding a copy). No Qt.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace quillet {

// One buffer that a load fills with picture bytes, handed out in order.
// Made through Create; shared by the PictureBytes that refer into it.
class CPictureArena {
 public:
  // Room for up to `capacity` bytes (reserved, not yet in memory).
  static std::shared_ptr<CPictureArena> Create(size_t capacity);
  ~CPictureArena();
  CPictureArena(const CPictureArena&) = delete;
  CPictureArena& operator=(const CPictureArena&) = delete;

  // The next `n` bytes (n > 0), ready to be written; null when they do not
  // fit. Their offset from the start goes to *offset.
  uint8_t* Take(size_t n, size_t* offset);
  // As Take, without putting the pages in memory first: for a reader that
  // fills them with read(2), which puts each page in as it writes it.
  uint8_t* TakeToFill(size_t n, size_t* offset);
  // Gives back the bytes taken last at `offset` (a record that did not keep
  // them); anything else is ignored.
  void GiveBack(size_t offset);
  // Keeps only the first `n` bytes taken (a file that ended early).
  void Keep(size_t n) { used_ = std::min(used_, n); }
  // Returns the room not taken to the system; nothing more can be taken.
  void Trim();

  const uint8_t* At(size_t offset) const { return base_ + offset; }
  size_t used() const { return used_; }
  size_t capacity() const { return capacity_; }

 private:
  CPictureArena() = default;
  void Populate(size_t upTo);

  uint8_t* base_ = nullptr;
  size_t capacity_ = 0;
  size_t mapped_ = 0;      // bytes mapped at base_ (0: base_ is from new[])
  size_t used_ = 0;
  size_t populated_ = 0;   // bytes known to be in memory already
  size_t last_offset_ = 0;
};

class PictureBytes {
 public:
  using value_type = uint8_t;
  using const_iterator = const uint8_t*;
  using iterator = const uint8_t*;

  PictureBytes() = default;
  explicit PictureBytes(std::vector<uint8_t> bytes) { *this = std::move(bytes); }
  // `size` bytes at `offset` of `arena`.
  PictureBytes(std::shared_ptr<const CPictureArena> arena, size_t offset, size_t size);

  // Replaces the bytes with these (held by this object alone).
  PictureBytes& operator=(std::vector<uint8_t> bytes);
  template <class Iterator>
  void assign(Iterator first, Iterator last) {
    *this = std::vector<uint8_t>(first, last);
  }
  void clear() { *this = PictureBytes(); }

  const uint8_t* data() const { return data_; }
  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  const uint8_t* begin() const { return data_; }
  const uint8_t* end() const { return data_ + size_; }
  uint8_t operator[](size_t i) const { return data_[i]; }
  std::vector<uint8_t> ToVector() const { return std::vector<uint8_t>(begin(), end()); }

  // The bytes, writable: shared bytes (a load's buffer, or another copy's)
  // are first copied into a buffer of this object's own. Null when empty.
  uint8_t* MutableData();

  // Whether the bytes are a slice of a load's shared buffer.
  bool InArena() const { return in_arena_; }
  // Whether both refer into the same buffer (a load's, or one buffer shared
  // by copying).
  bool SharesBufferWith(const PictureBytes& other) const {
    return owner_ != nullptr && owner_ == other.owner_;
  }

  friend bool operator==(const PictureBytes& a, const PictureBytes& b);
  friend bool operator==(const PictureBytes& a, const std::vector<uint8_t>& b);

 private:
  std::shared_ptr<const void> owner_;  // keeps the bytes alive: an arena, or a vector
  const uint8_t* data_ = nullptr;
  size_t size_ = 0;
  bool in_arena_ = false;
};

}  // namespace quillet
