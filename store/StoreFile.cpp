// CStoreFile: opening, closing and reading (writing is in StoreFileWrite.cpp,
// the lock, stamps and digest in StoreFileShared.cpp).
#include "store/StoreFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <system_error>
#include <thread>

#include "store/LoadPhases.h"
#include "store/StoreFileParts.h"

namespace quillet {

using namespace storefile;

// --- CStoreFile ------------------------------------------------------------------

// --- Streaming a whole file into the picture arena ---------------------------------

// The reading side: one thread (or, without one, the reads themselves) takes
// the file front to back into the arena; `available` says how far it got.
struct CStoreFile::Stream {
  int fd = -1;
  uint8_t* base = nullptr;
  size_t size = 0;  // the file's size when it was opened: read up to here
  std::mutex lock;
  std::condition_variable grown;
  size_t available = 0;  // guarded by lock
  bool done = false;     // guarded by lock: the end, a short file or a failure
  bool failed = false;   // guarded by lock: a read failed
  bool stop = false;     // guarded by lock: the load needs no more
  std::thread thread;
  size_t next = 0;  // the reader's own: where its next read starts

  // One read of the reader; false once there is nothing more to read.
  bool ReadPiece() {
    // Small at first, so that the records start coming at once; then large
    // pages' worth.
    const size_t piece = next == 0 ? size_t{256} << 10 : size_t{2} << 20;
    const size_t want = std::min(piece, size - next);
    ssize_t got;
    do {
      got = want == 0 ? 0 : ::pread(fd, base + next, want, static_cast<off_t>(next));
    } while (got < 0 && errno == EINTR);
    std::lock_guard<std::mutex> hold(lock);
    if (got > 0) {
      next += static_cast<size_t>(got);
      available = next;
    }
    if (got < 0) failed = true;
    if (got <= 0 || next >= size) done = true;
    return !done;
  }

  void Run() {
    for (;;) {
      {
        std::lock_guard<std::mutex> hold(lock);
        if (stop) break;
      }
      const bool more = ReadPiece();
      grown.notify_one();
      if (!more) break;
    }
  }
};

bool CStoreFile::StreamInto(std::shared_ptr<CPictureArena> arena) {
  if (mode_ != Mode::kRead || memory_source_ || stream_ || !arena || consumed_ != 0 || buffer_len_ != 0 ||
      file_offset_ != 0 || arena->used() != 0 || arena->capacity() < file_size_ || file_size_ == 0)
    return false;
  size_t offset = 0;
  uint8_t* base = arena->TakeToFill(static_cast<size_t>(file_size_), &offset);
  if (base == nullptr) return false;
  auto stream = std::make_unique<Stream>();
  stream->fd = fd_;
  stream->base = base;
  stream->size = static_cast<size_t>(file_size_);
  try {
    stream->thread = std::thread([s = stream.get()] { s->Run(); });
  } catch (const std::system_error&) {
    // No second thread: WaitForBytes reads the pieces itself.
  }
  stream_ = std::move(stream);
  arena_ = std::move(arena);
  src_ = base;
  buffer_pos_ = buffer_len_ = 0;
  digest_from_ = 0;
  return true;
}

void CStoreFile::WaitForBytes(size_t end) {
  const load_timing::Span timed(&StoreLoadPhases::bufferReadNs);
  if (load_timing::g_on) ++load_timing::g_now.bufferReads;
  Stream& s = *stream_;
  if (!s.thread.joinable()) {
    for (;;) {
      {
        std::lock_guard<std::mutex> hold(s.lock);
        if (s.available >= end || s.done) break;
      }
      s.ReadPiece();
    }
  }
  std::unique_lock<std::mutex> hold(s.lock);
  s.grown.wait(hold, [&] { return s.available >= end || s.done; });
  buffer_len_ = s.available;
  if (s.failed && s.available < end) NoteReadError(DB_ERR_READ);
}

uint64_t CStoreFile::EndStream() {
  if (!stream_) return 0;
  Stream& s = *stream_;
  {
    std::lock_guard<std::mutex> hold(s.lock);
    s.stop = true;
  }
  if (s.thread.joinable()) s.thread.join();
  const uint64_t read = s.available;
  stream_.reset();
  // What was read stays readable from the arena until Close, and a read
  // past it finds the end, as from memory.
  buffer_len_ = static_cast<size_t>(read);
  memory_source_ = true;
  return read;
}

CStoreFile::CStoreFile() = default;

CStoreFile::~CStoreFile() { Close(); }

void CStoreFile::ResetState() {
  buffer_pos_ = buffer_len_ = 0;
  file_size_ = consumed_ = file_offset_ = 0;
  first_read_error_ = DB_OK;
  write_failed_ = false;
  lost_create_race_ = false;
  memory_source_ = false;
  memory_out_ = nullptr;
  src_ = nullptr;
  digesting_ = false;
  digest_from_ = 0;
  deferred_ = false;
  deferred_rest_.clear();
  odd_form_ = false;
}

DbResult CStoreFile::OpenForRead(const std::string& path, std::chrono::milliseconds wait) {
  Close();
  error_ = 0;
  if (path.empty()) return DB_ERR_NO_NAME;
  DbResult rc = lock_.Acquire(path, O_RDONLY, wait);
  if (rc != DB_OK) {
    error_ = lock_.error();
    return rc;
  }
  RemoveStoreLeftovers(path);
  rc = OpenForReadLocked(lock_.fd());
  if (rc != DB_OK) {
    lock_.Release();
    return rc;
  }
  return DB_OK;
}

DbResult CStoreFile::OpenForReadLocked(int fd) {
  if (fd != lock_.fd()) Close();
  ResetState();
  struct stat st;
  if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return DB_ERR_OPEN;
  fd_ = fd;
  owns_fd_ = false;
  mode_ = Mode::kRead;
  open_stamp_ = StampOf(st);
  file_size_ = static_cast<uint64_t>(st.st_size);
  buffer_.resize(kBufferSize);
  src_ = buffer_.data();
  return DB_OK;
}

DbResult CStoreFile::OpenMemory(const uint8_t* data, size_t size) {
  Close();
  ResetState();
  mode_ = Mode::kRead;
  memory_source_ = true;
  src_ = data;
  buffer_len_ = size;
  file_size_ = size;
  open_stamp_ = FileStamp{};
  return DB_OK;
}

FileStamp CStoreFile::StampNow() const { return mode_ == Mode::kRead ? StampOfDescriptor(fd_) : FileStamp{}; }

DbResult CStoreFile::OpenDigestSink() {
  Close();
  ResetState();
  mode_ = Mode::kDigestSink;
  return DB_OK;
}

DbResult CStoreFile::Close() {
  EndStream();  // before the descriptor and the arena go
  if (fd_ >= 0 && owns_fd_) ::close(fd_);
  fd_ = -1;
  owns_fd_ = false;
  if (mode_ == Mode::kWrite && !temp_path_.empty()) {
    ::unlink(temp_path_.c_str());
    NoteLiveTemp(temp_path_, false);
  }
  temp_path_.clear();
  lock_.Release();
  mode_ = Mode::kClosed;
  memory_out_ = nullptr;
  memory_source_ = false;
  src_ = nullptr;
  buffer_.clear();
  buffer_.shrink_to_fit();
  buffer_pos_ = buffer_len_ = 0;
  digesting_ = false;
  deferred_ = false;
  deferred_rest_.clear();
  arena_.reset();
  return DB_OK;
}

DbResult CStoreFile::Fill() {
  buffer_pos_ = buffer_len_ = 0;
  digest_from_ = 0;
  if (memory_source_) return DB_OK;  // everything was there from the start
  const load_timing::Span timed(&StoreLoadPhases::bufferReadNs);
  if (load_timing::g_on) ++load_timing::g_now.bufferReads;
  for (;;) {
    ssize_t got = ::pread(fd_, buffer_.data(), buffer_.size(), static_cast<off_t>(file_offset_));
    if (got >= 0) {
      buffer_len_ = static_cast<size_t>(got);
      file_offset_ += static_cast<uint64_t>(got);
      return DB_OK;
    }
    if (errno != EINTR) return DB_ERR_READ;
  }
}

void CStoreFile::Feed(const uint8_t* data, size_t n) {
  static const uint8_t kZeros[4] = {};
  if (digest_pos_ >= 8) {  // past the slotIndex: nearly every byte
    digest_.Update(data, n);
    digest_pos_ += n;
    return;
  }
  if (digest_pos_ == 0 && n >= 32) {  // a whole record's start at once, its slotIndex as zeros
    uint8_t head[32];
    std::memcpy(head, data, sizeof head);
    std::memset(head + 4, 0, 4);
    digest_.Update(head, sizeof head);
    digest_.Update(data + sizeof head, n - sizeof head);
    digest_pos_ = n;
    return;
  }
  while (n > 0) {
    size_t take;
    if (digest_pos_ >= 4 && digest_pos_ < 8) {
      take = std::min<size_t>(n, static_cast<size_t>(8 - digest_pos_));
      digest_.Update(kZeros, take);
    } else {
      take = digest_pos_ < 4 ? std::min<size_t>(n, static_cast<size_t>(4 - digest_pos_)) : n;
      digest_.Update(data, take);
    }
    data += take;
    n -= take;
    digest_pos_ += take;
  }
}

void CStoreFile::FeedHandedOut() {
  const size_t n = buffer_pos_ - digest_from_;
  if (n >= kDirectRead && load_timing::g_on) {  // a picture's bytes, in a streamed load
    const load_timing::Span timed(&StoreLoadPhases::pictureDigestNs);
    Feed(src_ + digest_from_, n);
  } else if (n > 0) {
    Feed(src_ + digest_from_, n);
  }
  digest_from_ = buffer_pos_;
}

bool CStoreFile::TakeDeferredDigest(StoreDigest* state, PictureBytes* rest) {
  if (!deferred_) return false;
  deferred_ = false;
  *state = deferred_state_;
  *rest = std::move(deferred_rest_);
  deferred_rest_.clear();
  return true;
}

void CStoreFile::BeginDigest() {
  digest_.Reset();
  digest_pos_ = 0;
  deferred_ = false;
  deferred_rest_.clear();
  digest_from_ = buffer_pos_;
  digesting_ = true;
  odd_form_ = false;
}

uint64_t CStoreFile::EndDigest() {
  if (deferred_ && buffer_pos_ > digest_from_) {
    // Bytes came after the picture: its bytes are digested in their place
    // after all.
    deferred_ = false;
    Feed(deferred_rest_.data(), deferred_rest_.size());
    deferred_rest_.clear();
  }
  if (digesting_ && mode_ == Mode::kRead) FeedHandedOut();
  if (deferred_) deferred_state_ = digest_;
  digesting_ = false;
  return digest_.Final();
}

DbResult CStoreFile::ReadBeyondBuffer(void* buffer, size_t n) {
  if (mode_ != Mode::kRead) {
    NoteReadError(DB_ERR_READ);
    return DB_ERR_READ;
  }
  if (stream_) {
    // The bytes stay where they are in the arena: the digest takes them
    // from there with the rest of the record.
    WaitForBytes(buffer_pos_ + n);
    const size_t take = std::min(n, buffer_len_ - buffer_pos_);
    if (take > 0) std::memcpy(buffer, src_ + buffer_pos_, take);
    buffer_pos_ += take;
    consumed_ += take;
    if (take == n) return DB_OK;
    DbResult code = first_read_error_ == DB_ERR_READ ? DB_ERR_READ : take == 0 ? DB_ERR_EOF : DB_ERR_SHORT_READ;
    NoteReadError(code);
    return code;
  }
  // What Read handed out of the buffer before this reaches the digest
  // first, so that the digest sees the bytes in their order.
  if (digesting_) FeedHandedOut();
  auto* out = static_cast<uint8_t*>(buffer);
  size_t done = 0;
  while (done < n) {
    if (buffer_pos_ == buffer_len_ && !memory_source_ && n - done >= kDirectRead) {
      // A picture's bytes: straight from the file into their place, not
      // through the buffer.
      ssize_t got;
      {
        const load_timing::Span timed(&StoreLoadPhases::pictureReadNs);
        if (load_timing::g_on) ++load_timing::g_now.pictureReads;
        got = ::pread(fd_, out + done, n - done, static_cast<off_t>(file_offset_));
      }
      if (got < 0) {
        if (errno == EINTR) continue;
        NoteReadError(DB_ERR_READ);
        return DB_ERR_READ;
      }
      if (got == 0) break;  // end of file
      file_offset_ += static_cast<uint64_t>(got);
      done += static_cast<size_t>(got);
      continue;
    }
    if (buffer_pos_ == buffer_len_) {
      if (Fill() != DB_OK) {
        NoteReadError(DB_ERR_READ);
        return DB_ERR_READ;
      }
      if (buffer_len_ == 0) break;  // end of file
    }
    size_t take = std::min(n - done, buffer_len_ - buffer_pos_);
    std::memcpy(out + done, src_ + buffer_pos_, take);
    buffer_pos_ += take;
    done += take;
  }
  consumed_ += done;
  if (digesting_) {
    if (done >= kDirectRead && load_timing::g_on) {
      const load_timing::Span timed(&StoreLoadPhases::pictureDigestNs);
      Feed(out, done);
    } else {
      Feed(out, done);
    }
    digest_from_ = buffer_pos_;  // fed above, with the rest of this read
  }
  if (done == n) return DB_OK;
  DbResult code = done == 0 ? DB_ERR_EOF : DB_ERR_SHORT_READ;
  NoteReadError(code);
  return code;
}

void CStoreFile::NoteReadError(DbResult code) {
  if (first_read_error_ == DB_OK) first_read_error_ = code;
}

uint64_t CStoreFile::Remaining() const {
  if (mode_ != Mode::kRead || consumed_ >= file_size_) return 0;
  return file_size_ - consumed_;
}

void CStoreFile::SkipToEnd() {
  if (mode_ != Mode::kRead) return;
  // Counted as read (so the digest and the position agree with a reader
  // that took the bytes), without keeping them.
  uint8_t chunk[4096];
  while (Remaining() > 0) {
    size_t take = static_cast<size_t>(std::min<uint64_t>(Remaining(), sizeof chunk));
    if (Read(chunk, take) != DB_OK) break;
  }
}

DbResult CStoreFile::ReadPicture(size_t n, PictureBytes* out) {
  out->clear();
  if (n == 0) return DB_OK;
  if (stream_ && mode_ == Mode::kRead) {
    // Already in the arena, where the file has them: the record refers to
    // them there.
    if (n > buffer_len_ - buffer_pos_) WaitForBytes(buffer_pos_ + n);
    if (n <= buffer_len_ - buffer_pos_) {
      *out = PictureBytes(arena_, buffer_pos_, n);
      if (digesting_ && !deferred_) {
        // Left out of the digest for now (TakeDeferredDigest): what came
        // before them is fed, they are skipped.
        FeedHandedOut();
        deferred_ = true;
        deferred_rest_ = *out;
        digest_from_ = buffer_pos_ + n;
      }
      buffer_pos_ += n;
      consumed_ += n;
      return DB_OK;
    }
    // Cut off by the end of the file: as any read running into it.
  }
  size_t offset = 0;
  uint8_t* room = arena_ ? arena_->Take(n, &offset) : nullptr;
  if (room == nullptr) {
    std::vector<uint8_t> own(n);
    const DbResult rc = Read(own.data(), n);
    if (rc == DB_OK) *out = std::move(own);
    return rc;
  }
  const DbResult rc = Read(room, n);
  if (rc == DB_OK) {
    *out = PictureBytes(arena_, offset, n);
  } else {
    arena_->GiveBack(offset);
  }
  return rc;
}

DbResult CStoreFile::ReadString(std::string* text) {
  text->clear();
  uint8_t short_length = 0;
  DbResult rc = ReadU8(&short_length);
  if (rc != DB_OK) return rc;
  size_t length = short_length;
  if (short_length == 0xFF) {
    uint16_t long_length = 0;
    rc = ReadU16(&long_length);
    if (rc != DB_OK) return rc;
    length = long_length;
    if (length < 255) odd_form_ = true;  // a save writes this one shorter
  }
  if (length == 0) return DB_OK;
  if (mode_ == Mode::kRead && length <= buffer_len_ - buffer_pos_) {
    text->assign(reinterpret_cast<const char*>(src_ + buffer_pos_), length);
    buffer_pos_ += length;
    consumed_ += length;
    return DB_OK;
  }
  // Never make room for more than the file can still deliver: a damaged
  // length then reads to the end and fails like any cut-off read.
  size_t available = static_cast<size_t>(std::min<uint64_t>(length, Remaining()));
  text->resize(available);
  if (available > 0) {
    rc = Read(text->data(), available);
    if (rc != DB_OK) {
      text->clear();
      return rc;
    }
  }
  if (available < length) {
    rc = available == 0 ? DB_ERR_EOF : DB_ERR_SHORT_READ;
    NoteReadError(rc);
    return rc;
  }
  return DB_OK;
}

}  // namespace quillet
