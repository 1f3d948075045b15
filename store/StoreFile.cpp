#include "store/StoreFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace quillet {
namespace {

constexpr size_t kBufferSize = 64 * 1024;
// Attempts to lock a file that is being replaced under us before giving up.
constexpr int kLockAttempts = 5;

std::string FolderOf(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string BaseOf(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Opens `path` and takes an exclusive, non-blocking flock on it. The lock is
// only worth something if it is on the file the path names *now*: a writer
// that replaced the file between our open and our lock leaves us holding a
// lock on an unlinked file, so compare inodes and start over in that case.
// Returns the descriptor, -1 with errno set (EWOULDBLOCK when in use).
int OpenLocked(const std::string& path, int flags) {
  for (int attempt = 0; attempt < kLockAttempts; ++attempt) {
    int fd = ::open(path.c_str(), flags | O_CLOEXEC);
    if (fd < 0) return -1;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      int err = errno;
      ::close(fd);
      errno = err;
      return -1;
    }
    struct stat held, named;
    if (::fstat(fd, &held) == 0 && ::stat(path.c_str(), &named) == 0 &&
        held.st_dev == named.st_dev && held.st_ino == named.st_ino)
      return fd;
    ::close(fd);
  }
  errno = EWOULDBLOCK;
  return -1;
}

// Creates a temporary file beside `target`; O_EXCL with mode 0666 lets the
// umask decide the permissions, as for any new file.
int CreateTemp(const std::string& target, std::string* temp_path) {
  static std::atomic<unsigned> counter{0};
  const std::string folder = FolderOf(target);
  const std::string base = BaseOf(target);
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = folder + "/." + base + ".tmp-" + std::to_string(::getpid()) + "-" +
                       std::to_string(counter.fetch_add(1));
    int fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
      *temp_path = name;
      return fd;
    }
    if (errno != EEXIST) return -1;
  }
  return -1;
}

void SyncFolder(const std::string& file) {
  int dir = ::open(FolderOf(file).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir < 0) return;
  ::fsync(dir);
  ::close(dir);
}

}  // namespace

CStoreFile::CStoreFile() = default;

CStoreFile::~CStoreFile() { Close(); }

DbResult CStoreFile::OpenForRead(const std::string& path) {
  Close();
  if (path.empty()) return DB_ERR_NO_NAME;
  int fd = OpenLocked(path, O_RDONLY);
  if (fd < 0) return DB_ERR_OPEN;
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return DB_ERR_OPEN;
  }
  fd_ = fd;
  mode_ = Mode::kRead;
  file_size_ = static_cast<uint64_t>(st.st_size);
  consumed_ = 0;
  buffer_.resize(kBufferSize);
  buffer_pos_ = buffer_len_ = 0;
  first_read_error_ = DB_OK;
  return DB_OK;
}

DbResult CStoreFile::Rewrite(const std::string& path) {
  Close();
  if (path.empty()) return DB_ERR_NO_NAME;

  // Replace what a symbolic link points to, not the link itself.
  std::string target = path;
  struct stat st;
  bool exists = ::lstat(path.c_str(), &st) == 0;
  if (exists && S_ISLNK(st.st_mode)) {
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved) != nullptr) {
      target = resolved;
      exists = ::stat(target.c_str(), &st) == 0;
    } else {
      exists = false;  // dangling link: the new file takes its place
    }
  }

  // Hold the existing file locked until it has been replaced, so that no one
  // reads or writes it in between. Opening it for writing also keeps a
  // read-only store file read-only, as a plain rewrite would.
  if (exists) {
    if (!S_ISREG(st.st_mode)) return DB_ERR_OPEN;
    lock_fd_ = OpenLocked(target, O_RDWR);
    if (lock_fd_ < 0) return DB_ERR_OPEN;
  }

  int fd = CreateTemp(target, &temp_path_);
  if (fd < 0) {
    ReleaseLock();
    return DB_ERR_OPEN;
  }
  if (exists) ::fchmod(fd, st.st_mode & 07777);
  fd_ = fd;
  mode_ = Mode::kWrite;
  target_path_ = target;
  buffer_.resize(kBufferSize);
  buffer_pos_ = 0;
  write_failed_ = false;
  return DB_OK;
}

DbResult CStoreFile::Commit() {
  if (mode_ != Mode::kWrite) {
    Close();
    return DB_ERR_WRITE;
  }
  bool ok = !write_failed_ && FlushBuffer() == DB_OK && ::fsync(fd_) == 0;
  ok = (::close(fd_) == 0) && ok;
  fd_ = -1;
  if (ok) ok = ::rename(temp_path_.c_str(), target_path_.c_str()) == 0;
  if (ok) {
    SyncFolder(target_path_);
  } else {
    ::unlink(temp_path_.c_str());
  }
  temp_path_.clear();
  ReleaseLock();
  mode_ = Mode::kClosed;
  return ok ? DB_OK : DB_ERR_WRITE;
}

DbResult CStoreFile::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (mode_ == Mode::kWrite && !temp_path_.empty()) ::unlink(temp_path_.c_str());
  temp_path_.clear();
  ReleaseLock();
  mode_ = Mode::kClosed;
  buffer_.clear();
  buffer_.shrink_to_fit();
  buffer_pos_ = buffer_len_ = 0;
  return DB_OK;
}

void CStoreFile::ReleaseLock() {
  if (lock_fd_ >= 0) ::close(lock_fd_);
  lock_fd_ = -1;
}

DbResult CStoreFile::Fill() {
  buffer_pos_ = buffer_len_ = 0;
  for (;;) {
    ssize_t got = ::read(fd_, buffer_.data(), buffer_.size());
    if (got >= 0) {
      buffer_len_ = static_cast<size_t>(got);
      return DB_OK;
    }
    if (errno != EINTR) return DB_ERR_READ;
  }
}

DbResult CStoreFile::Read(void* buffer, size_t n) {
  if (mode_ != Mode::kRead) {
    NoteReadError(DB_ERR_READ);
    return DB_ERR_READ;
  }
  auto* out = static_cast<uint8_t*>(buffer);
  size_t done = 0;
  while (done < n) {
    if (buffer_pos_ == buffer_len_) {
      if (Fill() != DB_OK) {
        NoteReadError(DB_ERR_READ);
        return DB_ERR_READ;
      }
      if (buffer_len_ == 0) break;  // end of file
    }
    size_t take = std::min(n - done, buffer_len_ - buffer_pos_);
    std::memcpy(out + done, buffer_.data() + buffer_pos_, take);
    buffer_pos_ += take;
    done += take;
  }
  consumed_ += done;
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

DbResult CStoreFile::FlushBuffer() {
  size_t done = 0;
  while (done < buffer_pos_) {
    ssize_t put = ::write(fd_, buffer_.data() + done, buffer_pos_ - done);
    if (put > 0) {
      done += static_cast<size_t>(put);
    } else if (put < 0 && errno == EINTR) {
      continue;
    } else {
      write_failed_ = true;
      buffer_pos_ = 0;
      return DB_ERR_WRITE;
    }
  }
  buffer_pos_ = 0;
  return DB_OK;
}

DbResult CStoreFile::Write(const void* buffer, size_t n) {
  if (mode_ != Mode::kWrite || write_failed_) {
    write_failed_ = true;
    return DB_ERR_WRITE;
  }
  const auto* in = static_cast<const uint8_t*>(buffer);
  while (n > 0) {
    if (buffer_pos_ == buffer_.size() && FlushBuffer() != DB_OK) return DB_ERR_WRITE;
    size_t take = std::min(n, buffer_.size() - buffer_pos_);
    std::memcpy(buffer_.data() + buffer_pos_, in, take);
    buffer_pos_ += take;
    in += take;
    n -= take;
  }
  return DB_OK;
}

DbResult CStoreFile::ReadU8(uint8_t* value) {
  uint8_t b;
  DbResult rc = Read(&b, 1);
  if (rc == DB_OK) *value = b;
  return rc;
}

DbResult CStoreFile::ReadU16(uint16_t* value) {
  uint8_t b[2];
  DbResult rc = Read(b, 2);
  if (rc == DB_OK) *value = static_cast<uint16_t>(b[0] | (b[1] << 8));
  return rc;
}

DbResult CStoreFile::ReadU32(uint32_t* value) {
  uint8_t b[4];
  DbResult rc = Read(b, 4);
  if (rc == DB_OK)
    *value = static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) |
             (static_cast<uint32_t>(b[2]) << 16) | (static_cast<uint32_t>(b[3]) << 24);
  return rc;
}

DbResult CStoreFile::ReadI32(int32_t* value) {
  uint32_t u;
  DbResult rc = ReadU32(&u);
  if (rc == DB_OK) *value = static_cast<int32_t>(u);
  return rc;
}

DbResult CStoreFile::WriteU8(uint8_t value) { return Write(&value, 1); }

DbResult CStoreFile::WriteU16(uint16_t value) {
  uint8_t b[2] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8)};
  return Write(b, 2);
}

DbResult CStoreFile::WriteU32(uint32_t value) {
  uint8_t b[4] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                  static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
  return Write(b, 4);
}

DbResult CStoreFile::WriteI32(int32_t value) { return WriteU32(static_cast<uint32_t>(value)); }

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
  }
  if (length == 0) return DB_OK;
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

DbResult CStoreFile::WriteString(const std::string& text) {
  const size_t length = text.size();
  if (length > kMaxStringBytes) {
    write_failed_ = true;
    return DB_ERR_WRITE;
  }
  DbResult rc;
  if (length < 255) {
    rc = WriteU8(static_cast<uint8_t>(length));
  } else {
    rc = WriteU8(0xFF);
    if (rc == DB_OK) rc = WriteU16(static_cast<uint16_t>(length));
  }
  if (rc != DB_OK || length == 0) return rc;
  return Write(text.data(), length);
}

}  // namespace quillet
