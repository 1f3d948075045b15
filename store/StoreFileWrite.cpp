// CStoreFile: replacing a file (Rewrite, Write, Commit) and writing into
// memory. The rules for replacing are in StoreFile.h; rewriting a file with
// several names in place is in StoreFileInPlace.cpp.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "store/StoreEvents.h"
#include "store/StoreFile.h"
#include "store/StoreFileParts.h"

namespace quillet {

using namespace storefile;

DbResult CStoreFile::Rewrite(const std::string& path, std::chrono::milliseconds wait) {
  Close();
  ResetState();
  error_ = 0;
  if (path.empty()) return DB_ERR_NO_NAME;

  // Replace what a symbolic link points to, not the link itself; a link
  // that points nowhere yet gets its file where it points.
  std::string target = path;
  struct stat st;
  if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved) != nullptr) {
      target = resolved;
    } else {
      char link[PATH_MAX];
      ssize_t n = ::readlink(path.c_str(), link, sizeof link - 1);
      if (n <= 0) return DB_ERR_OPEN;
      link[n] = '\0';
      target = link[0] == '/' ? std::string(link) : FolderOf(path) + "/" + link;
    }
  }

  // Hold the existing file locked until it has been replaced, so that no one
  // reads or writes it in between. Opening it for writing also keeps a
  // read-only store file read-only, as a plain rewrite would.
  const bool exists = ::stat(target.c_str(), &st) == 0;
  if (exists) {
    if (!S_ISREG(st.st_mode)) {
      error_ = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;  // as CStoreLock says it
      return DB_ERR_OPEN;
    }
    DbResult rc = lock_.Acquire(target, O_RDWR, wait);
    if (rc != DB_OK) {
      error_ = lock_.error();
      return rc;
    }
    ::fstat(lock_.fd(), &st);  // the file as locked, which may be newer
    target_links_ = static_cast<uint32_t>(st.st_nlink);
  }
  RemoveStoreLeftovers(target);

  // Private from the start: the new bytes are the file's, and no one who
  // may not read the file may read them while they are being written.
  int fd = CreateBeside(target, TempPrefix(target), exists ? PrivateMode(st.st_mode) : 0600, &temp_path_);
  if (fd < 0) {
    error_ = errno;
    lock_.Release();
    return DB_ERR_OPEN;
  }
  NoteLiveTemp(temp_path_, true);
  if (!Step(StoreStep::kNewFileCreated)) {
    ::close(fd);
    ::unlink(temp_path_.c_str());
    NoteLiveTemp(temp_path_, false);
    temp_path_.clear();
    lock_.Release();
    return DB_ERR_OPEN;
  }
  if (exists) {
    // Owner and group first (changing them may clear mode bits), then the
    // mode. Another account's file stays that account's when we may say so;
    // otherwise at least its group where we belong to it.
    if (::fchown(fd, st.st_uid, st.st_gid) != 0) {
      const int ignored = ::fchown(fd, static_cast<uid_t>(-1), st.st_gid);
      (void)ignored;
    }
    ::fchmod(fd, st.st_mode & 07777);
  }
  fd_ = fd;
  owns_fd_ = true;
  mode_ = Mode::kWrite;
  target_path_ = target;
  buffer_.resize(kBufferSize);
  return DB_OK;
}

DbResult CStoreFile::RewriteMemory(std::vector<uint8_t>* out) {
  Close();
  ResetState();
  if (out == nullptr) return DB_ERR_OPEN;
  out->clear();
  memory_out_ = out;
  mode_ = Mode::kWrite;
  buffer_.resize(kBufferSize);
  return DB_OK;
}

DbResult CStoreFile::Commit() {
  if (mode_ != Mode::kWrite) {
    Close();
    return DB_ERR_WRITE;
  }
  committed_stamp_ = FileStamp{};
  if (memory_out_ != nullptr) {
    bool ok = !write_failed_ && FlushBuffer() == DB_OK;
    mode_ = Mode::kClosed;
    memory_out_ = nullptr;
    return ok ? DB_OK : DB_ERR_WRITE;
  }
  // The new bytes are on the disk before any name leads to them.
  bool ok = !write_failed_ && FlushBuffer() == DB_OK;
  if (ok && !SyncFile(fd_, StoreStep::kSyncNewFile)) {
    ok = false;
    error_ = errno;  // a full disk may only show here
  }
  DbResult rc = ok ? DB_OK : DB_ERR_WRITE;
  bool keep_temp = false;
  if (ok) {
    if (lock_.held() && target_links_ > 1) {
      rc = CommitInPlace(&keep_temp);
    } else {
      const FileStamp written = StampOfDescriptor(fd_);
      if (!Step(StoreStep::kPutInPlace)) {
        rc = DB_ERR_WRITE;
      } else if (!lock_.held()) {
        // A new file: a hard link cannot take the place of a file someone
        // created meanwhile, a rename would. Folders that know no hard
        // links get the rename.
        if (::link(temp_path_.c_str(), target_path_.c_str()) != 0) {
          if (errno == EEXIST) {
            lost_create_race_ = true;
            rc = DB_ERR_OPEN;
          } else if (::rename(temp_path_.c_str(), target_path_.c_str()) != 0) {
            rc = DB_ERR_WRITE;
          }
        }
      } else if (::rename(temp_path_.c_str(), target_path_.c_str()) != 0) {
        rc = DB_ERR_WRITE;
      }
      if (rc == DB_OK) {
        // The new name lasts only once the folder is synced; a save that
        // cannot promise that says so, although the new bytes are in place.
        committed_stamp_ = written;
        if (!SyncFolder(target_path_, StoreStep::kSyncFolder)) {
          StoreLog("Unable to sync the folder of %s", target_path_.c_str());
          rc = DB_ERR_WRITE;
        }
      }
    }
  }
  ::close(fd_);
  fd_ = -1;
  // Gone already after a rename; kept when it may be the only whole copy.
  if (!keep_temp && Step(StoreStep::kRemoveTemp)) ::unlink(temp_path_.c_str());
  NoteLiveTemp(temp_path_, false);
  temp_path_.clear();
  lock_.Release();
  mode_ = Mode::kClosed;
  buffer_.clear();
  buffer_.shrink_to_fit();
  return rc;
}

DbResult CStoreFile::FlushBuffer() {
  if (memory_out_ != nullptr) {
    memory_out_->insert(memory_out_->end(), buffer_.data(), buffer_.data() + buffer_pos_);
    buffer_pos_ = 0;
    return DB_OK;
  }
  size_t done = 0;
  while (done < buffer_pos_) {
    ssize_t put = ::write(fd_, buffer_.data() + done, buffer_pos_ - done);
    if (put > 0) {
      done += static_cast<size_t>(put);
    } else if (put < 0 && errno == EINTR) {
      continue;
    } else {
      error_ = put < 0 ? errno : ENOSPC;  // a write that puts nothing: no room
      write_failed_ = true;
      buffer_pos_ = 0;
      return DB_ERR_WRITE;
    }
  }
  buffer_pos_ = 0;
  return DB_OK;
}

DbResult CStoreFile::Write(const void* buffer, size_t n) {
  if (mode_ == Mode::kDigestSink) {
    if (digesting_) Feed(static_cast<const uint8_t*>(buffer), n);
    return DB_OK;
  }
  if (mode_ != Mode::kWrite || write_failed_) {
    write_failed_ = true;
    return DB_ERR_WRITE;
  }
  const auto* in = static_cast<const uint8_t*>(buffer);
  if (digesting_) Feed(in, n);
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

DbResult CStoreFile::WriteFromFile(int fd, uint64_t offset, uint64_t n) {
  if (mode_ != Mode::kWrite || write_failed_) {
    write_failed_ = true;
    return DB_ERR_WRITE;
  }
  // Straight from file to file in the kernel, when nothing needs to see
  // the bytes on their way.
  if (!digesting_ && memory_out_ == nullptr && n > 0) {
    if (FlushBuffer() != DB_OK) return DB_ERR_WRITE;
    while (n > 0) {
      loff_t from = static_cast<loff_t>(offset);
      const ssize_t put = ::copy_file_range(fd, &from, fd_, nullptr, static_cast<size_t>(n), 0);
      if (put < 0 && errno == EINTR) continue;
      if (put <= 0) break;  // the end of the source, or no such copy here: read it below
      offset += static_cast<uint64_t>(put);
      n -= static_cast<uint64_t>(put);
    }
  }
  std::vector<uint8_t> chunk(static_cast<size_t>(std::min<uint64_t>(n, kBufferSize)));
  while (n > 0) {
    const ssize_t got = ::pread(fd, chunk.data(), static_cast<size_t>(std::min<uint64_t>(n, chunk.size())),
                                static_cast<off_t>(offset));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      write_failed_ = true;  // what would be committed is not the source
      return DB_ERR_READ;
    }
    if (Write(chunk.data(), static_cast<size_t>(got)) != DB_OK) return DB_ERR_WRITE;
    offset += static_cast<uint64_t>(got);
    n -= static_cast<uint64_t>(got);
  }
  return DB_OK;
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
