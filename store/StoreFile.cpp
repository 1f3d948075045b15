#include "store/StoreFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <mutex>
#include <set>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "store/StoreEvents.h"

namespace quillet {
namespace {

constexpr size_t kBufferSize = 64 * 1024;
// Reads this big (what is left of them once the buffer is used up) bypass it.
constexpr size_t kDirectRead = 8 * 1024;
constexpr size_t kCopyChunk = 1 << 20;

std::atomic<int64_t> g_lock_wait_ms{10000};
std::atomic<bool> g_sync{true};

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

std::string TempPrefix(const std::string& target) { return "." + BaseOf(target) + ".tmp-"; }
std::string KeepPrefix(const std::string& target) { return "." + BaseOf(target) + ".keep-"; }

FileStamp StampOf(const struct stat& st) {
  FileStamp s;
  s.exists = true;
  s.device = static_cast<uint64_t>(st.st_dev);
  s.inode = static_cast<uint64_t>(st.st_ino);
  s.size = static_cast<uint64_t>(st.st_size);
  s.mtimeNs = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  return s;
}

void SyncFolder(const std::string& file) {
  if (!g_sync.load()) return;
  int dir = ::open(FolderOf(file).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir < 0) return;
  ::fsync(dir);
  ::close(dir);
}

bool SyncFile(int fd) { return !g_sync.load() || ::fsync(fd) == 0; }

// Creates a temporary file beside `target`; O_EXCL with mode 0666 lets the
// umask decide the permissions, as for any new file.
int CreateBeside(const std::string& target, const std::string& name_prefix, std::string* made) {
  static std::atomic<unsigned> counter{0};
  const std::string folder = FolderOf(target);
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = folder + "/" + name_prefix + std::to_string(::getpid()) + "-" +
                       std::to_string(counter.fetch_add(1));
    int fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
      *made = name;
      return fd;
    }
    if (errno != EEXIST) return -1;
  }
  return -1;
}

// Copies `size` bytes from the start of `from` over the start of `to`.
bool CopyBytes(int from, int to, uint64_t size) {
  std::vector<char> chunk(static_cast<size_t>(std::min<uint64_t>(size, kCopyChunk)) + 1);
  uint64_t done = 0;
  while (done < size) {
    size_t want = static_cast<size_t>(std::min<uint64_t>(size - done, kCopyChunk));
    ssize_t got = ::pread(from, chunk.data(), want, static_cast<off_t>(done));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    size_t put_done = 0;
    while (put_done < static_cast<size_t>(got)) {
      ssize_t put = ::pwrite(to, chunk.data() + put_done, static_cast<size_t>(got) - put_done,
                             static_cast<off_t>(done + put_done));
      if (put < 0 && errno == EINTR) continue;
      if (put <= 0) return false;
      put_done += static_cast<size_t>(put);
    }
    done += static_cast<uint64_t>(got);
  }
  return true;
}

// Byte-for-byte equality of two open files.
bool SameBytes(int a, int b) {
  struct stat sa, sb;
  if (::fstat(a, &sa) != 0 || ::fstat(b, &sb) != 0 || sa.st_size != sb.st_size) return false;
  std::vector<char> ba(kCopyChunk), bb(kCopyChunk);
  off_t at = 0;
  while (at < sa.st_size) {
    ssize_t ga = ::pread(a, ba.data(), ba.size(), at);
    ssize_t gb = ::pread(b, bb.data(), bb.size(), at);
    if (ga <= 0 || ga != gb || std::memcmp(ba.data(), bb.data(), static_cast<size_t>(ga)) != 0)
      return false;
    at += ga;
  }
  return true;
}

// The pid written into a leftover's name after `prefix`, or -1.
long OwnerOf(const std::string& name, const std::string& prefix) {
  if (name.compare(0, prefix.size(), prefix) != 0) return -1;
  const char* digits = name.c_str() + prefix.size();
  char* end = nullptr;
  long pid = std::strtol(digits, &end, 10);
  if (end == digits || *end != '-' || pid <= 0) return -1;
  return pid;
}

// Temporary files this process is writing right now.
std::mutex g_live_mutex;
std::set<std::string>& LiveTemps() {
  static std::set<std::string> names;
  return names;
}

void NoteLiveTemp(const std::string& path, bool live) {
  std::lock_guard<std::mutex> hold(g_live_mutex);
  if (live) LiveTemps().insert(path);
  else LiveTemps().erase(path);
}

bool IsLiveTemp(const std::string& path) {
  std::lock_guard<std::mutex> hold(g_live_mutex);
  return LiveTemps().count(path) > 0;
}

// Whether the process that named a leftover is gone (or is this one, which
// is not writing it).
bool OwnerGone(long pid, const std::string& path) {
  if (pid == static_cast<long>(::getpid())) return !IsLiveTemp(path);
  return ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}

}  // namespace

FileStamp StampOfPath(const std::string& path) {
  struct stat st;
  if (path.empty() || ::stat(path.c_str(), &st) != 0) return FileStamp{};
  return StampOf(st);
}

FileStamp StampOfDescriptor(int fd) {
  struct stat st;
  if (fd < 0 || ::fstat(fd, &st) != 0) return FileStamp{};
  return StampOf(st);
}

std::chrono::milliseconds StoreLockWait() { return std::chrono::milliseconds(g_lock_wait_ms.load()); }

std::chrono::milliseconds SetStoreLockWait(std::chrono::milliseconds wait) {
  return std::chrono::milliseconds(g_lock_wait_ms.exchange(wait.count()));
}

bool SetStoreSync(bool sync) { return g_sync.exchange(sync); }

// --- StoreDigest ---------------------------------------------------------------

namespace {
constexpr uint64_t kP1 = 0x9E3779B185EBCA87ull;
constexpr uint64_t kP2 = 0xC2B2AE3D27D4EB4Full;
constexpr uint64_t kP3 = 0x165667B19E3779F9ull;
constexpr uint64_t kP4 = 0x85EBCA77C2B2AE63ull;
inline uint64_t Rotl(uint64_t x, int r) { return (x << r) | (x >> (64 - r)); }
inline uint64_t LoadWord(const uint8_t* p) {
  uint64_t w;
  std::memcpy(&w, p, 8);
  return w;
}
}  // namespace

void StoreDigest::Reset() {
  h_ = kP4;
  length_ = 0;
  tail_n_ = 0;
}

void StoreDigest::Word(uint64_t w) {
  h_ ^= Rotl(w * kP2, 31) * kP1;
  h_ = Rotl(h_, 27) * kP1 + kP4;
}

void StoreDigest::Update(const void* data, size_t n) {
  const auto* p = static_cast<const uint8_t*>(data);
  length_ += n;
  if (tail_n_ > 0) {
    size_t take = std::min(n, 8 - tail_n_);
    std::memcpy(tail_ + tail_n_, p, take);
    tail_n_ += take;
    p += take;
    n -= take;
    if (tail_n_ < 8) return;
    Word(LoadWord(tail_));
    tail_n_ = 0;
  }
  for (; n >= 8; p += 8, n -= 8) Word(LoadWord(p));
  if (n > 0) {
    std::memcpy(tail_, p, n);
    tail_n_ = n;
  }
}

uint64_t StoreDigest::Final() const {
  uint64_t h = h_;
  for (size_t i = 0; i < tail_n_; ++i) {
    h ^= tail_[i] * kP3;
    h = Rotl(h, 11) * kP1;
  }
  h ^= length_;
  h ^= h >> 33;
  h *= kP2;
  h ^= h >> 29;
  h *= kP3;
  h ^= h >> 32;
  return h;
}

// --- CStoreLock ------------------------------------------------------------------

DbResult CStoreLock::Acquire(const std::string& path, int flags, std::chrono::milliseconds wait) {
  Release();
  error_ = 0;
  if (path.empty()) return DB_ERR_NO_NAME;
  using Clock = std::chrono::steady_clock;
  const Clock::time_point deadline = Clock::now() + wait;
  auto pause = std::chrono::milliseconds(2);
  for (;;) {
    int fd = ::open(path.c_str(), flags | O_CLOEXEC);
    if (fd < 0) {
      error_ = errno;
      return DB_ERR_OPEN;
    }
    struct stat held;
    if (::fstat(fd, &held) != 0 || !S_ISREG(held.st_mode)) {
      error_ = EISDIR;  // a folder or a device is no store file
      ::close(fd);
      return DB_ERR_OPEN;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
      // The lock is only worth something on the file the path names now: a
      // writer that replaced the file between our open and our lock leaves
      // us holding a lock on a file nobody will read again.
      struct stat named;
      if (::fstat(fd, &held) == 0 && ::stat(path.c_str(), &named) == 0 &&
          held.st_dev == named.st_dev && held.st_ino == named.st_ino) {
        fd_ = fd;
        return DB_OK;
      }
      ::close(fd);
      continue;  // try the new file at once
    }
    const int err = errno;
    ::close(fd);
    if (err != EWOULDBLOCK && err != EINTR) {
      error_ = err;
      return DB_ERR_OPEN;
    }
    const Clock::time_point now = Clock::now();
    if (now >= deadline) {
      error_ = EWOULDBLOCK;
      return DB_ERR_OPEN;
    }
    std::this_thread::sleep_for(std::min<Clock::duration>(pause, deadline - now));
    pause = std::min(pause * 2, std::chrono::milliseconds(100));
  }
}

void CStoreLock::Release() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

// --- Leftovers -------------------------------------------------------------------

int RemoveStoreLeftovers(const std::string& target) {
  const std::string folder = FolderOf(target);
  const std::string temp_prefix = TempPrefix(target);
  const std::string keep_prefix = KeepPrefix(target);
  std::vector<std::string> temps, keeps;
  if (DIR* dir = ::opendir(folder.c_str())) {
    while (struct dirent* e = ::readdir(dir)) {
      const std::string name = e->d_name;
      const std::string path = folder + "/" + name;
      long owner = OwnerOf(name, temp_prefix);
      if (owner > 0 && OwnerGone(owner, path)) temps.push_back(name);
      owner = OwnerOf(name, keep_prefix);
      if (owner > 0 && OwnerGone(owner, path)) keeps.push_back(name);
    }
    ::closedir(dir);
  }
  if (temps.empty() && keeps.empty()) return 0;
  int removed = 0;

  // A kept copy means an in-place rewrite of a file with several names was
  // cut off. The file then holds the new bytes (done), the old ones (not
  // started) or a mixture: only a mixture of the same file gets the old
  // bytes back.
  for (const std::string& name : keeps) {
    const std::string kept_path = folder + "/" + name;
    const std::string rest = name.substr(keep_prefix.size());
    const uint64_t inode = std::strtoull(rest.substr(rest.find('-') + 1).c_str(), nullptr, 10);
    int kept = ::open(kept_path.c_str(), O_RDONLY | O_CLOEXEC);
    int file = ::open(target.c_str(), O_RDWR | O_CLOEXEC);
    struct stat st;
    if (kept >= 0 && file >= 0 && ::fstat(file, &st) == 0 && static_cast<uint64_t>(st.st_ino) == inode &&
        !SameBytes(kept, file)) {
      const std::string owner = rest.substr(0, rest.find('-'));
      bool finished = false;
      for (const std::string& temp : temps) {
        if (temp.compare(temp_prefix.size(), owner.size() + 1, owner + "-") != 0) continue;
        int t = ::open((folder + "/" + temp).c_str(), O_RDONLY | O_CLOEXEC);
        if (t >= 0) {
          finished = finished || SameBytes(t, file);
          ::close(t);
        }
      }
      if (!finished) {
        struct stat ks;
        ::fstat(kept, &ks);
        if (CopyBytes(kept, file, static_cast<uint64_t>(ks.st_size)) &&
            ::ftruncate(file, ks.st_size) == 0 && SyncFile(file))
          StoreLog("Interrupted save of %s undone from %s", target.c_str(), kept_path.c_str());
      }
    }
    if (kept >= 0) ::close(kept);
    if (file >= 0) ::close(file);
    if (::unlink(kept_path.c_str()) == 0) ++removed;
  }
  for (const std::string& name : temps)
    if (::unlink((folder + "/" + name).c_str()) == 0) ++removed;
  if (removed > 0) {
    SyncFolder(target);
    StoreLog("Removed %d leftover file(s) of interrupted saves of %s", removed, target.c_str());
  }
  return removed;
}

// --- CStoreFile ------------------------------------------------------------------

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
    if (!S_ISREG(st.st_mode)) return DB_ERR_OPEN;
    DbResult rc = lock_.Acquire(target, O_RDWR, wait);
    if (rc != DB_OK) {
      error_ = lock_.error();
      return rc;
    }
    ::fstat(lock_.fd(), &st);  // the file as locked, which may be newer
    target_links_ = static_cast<uint32_t>(st.st_nlink);
  }
  RemoveStoreLeftovers(target);

  int fd = CreateBeside(target, TempPrefix(target), &temp_path_);
  if (fd < 0) {
    error_ = errno;
    lock_.Release();
    return DB_ERR_OPEN;
  }
  NoteLiveTemp(temp_path_, true);
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

DbResult CStoreFile::OpenDigestSink() {
  Close();
  ResetState();
  mode_ = Mode::kDigestSink;
  return DB_OK;
}

DbResult CStoreFile::CommitInPlace() {
  // The file has other names: write over it, with its old bytes kept beside
  // it until the new ones are safely there.
  const int file = lock_.fd();
  struct stat old_st, new_st;
  if (::fstat(file, &old_st) != 0 || ::fstat(fd_, &new_st) != 0) return DB_ERR_WRITE;
  // The kept copy's name carries the file's inode, so that a later clean-up
  // never puts it back over a different file.
  const std::string kept_path = FolderOf(target_path_) + "/" + KeepPrefix(target_path_) +
                                std::to_string(::getpid()) + "-" + std::to_string(old_st.st_ino);
  ::unlink(kept_path.c_str());  // one of ours from before, never completed
  int kept = ::open(kept_path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (kept < 0) return DB_ERR_WRITE;
  bool ok = CopyBytes(file, kept, static_cast<uint64_t>(old_st.st_size)) && SyncFile(kept);
  if (ok) SyncFolder(target_path_);
  if (ok) {
    bool written = CopyBytes(fd_, file, static_cast<uint64_t>(new_st.st_size)) &&
                   ::ftruncate(file, new_st.st_size) == 0 && SyncFile(file);
    if (!written) {
      // Put the old bytes back; they fit where they were.
      CopyBytes(kept, file, static_cast<uint64_t>(old_st.st_size));
      const int ignored = ::ftruncate(file, old_st.st_size);
      (void)ignored;
      SyncFile(file);
      ok = false;
    }
  }
  ::close(kept);
  ::unlink(kept_path.c_str());
  if (ok) committed_stamp_ = StampOfDescriptor(file);
  return ok ? DB_OK : DB_ERR_WRITE;
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
  bool ok = !write_failed_ && FlushBuffer() == DB_OK && SyncFile(fd_);
  DbResult rc = ok ? DB_OK : DB_ERR_WRITE;
  if (ok) {
    if (lock_.held() && target_links_ > 1) {
      rc = CommitInPlace();
    } else {
      const FileStamp written = StampOfDescriptor(fd_);
      if (!lock_.held()) {
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
        SyncFolder(target_path_);
        committed_stamp_ = written;
      }
    }
  }
  ::close(fd_);
  fd_ = -1;
  ::unlink(temp_path_.c_str());  // gone already after a rename
  NoteLiveTemp(temp_path_, false);
  temp_path_.clear();
  lock_.Release();
  mode_ = Mode::kClosed;
  buffer_.clear();
  buffer_.shrink_to_fit();
  return rc;
}

DbResult CStoreFile::Close() {
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
  return DB_OK;
}

DbResult CStoreFile::Fill() {
  buffer_pos_ = buffer_len_ = 0;
  if (memory_source_) return DB_OK;  // everything was there from the start
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

void CStoreFile::BeginDigest() {
  digest_.Reset();
  digest_pos_ = 0;
  digesting_ = true;
  odd_form_ = false;
}

uint64_t CStoreFile::EndDigest() {
  digesting_ = false;
  return digest_.Final();
}

DbResult CStoreFile::Read(void* buffer, size_t n) {
  if (mode_ != Mode::kRead) {
    NoteReadError(DB_ERR_READ);
    return DB_ERR_READ;
  }
  auto* out = static_cast<uint8_t*>(buffer);
  size_t done = 0;
  while (done < n) {
    if (buffer_pos_ == buffer_len_ && !memory_source_ && n - done >= kDirectRead) {
      // A picture's bytes: straight from the file into their place, not
      // through the buffer.
      const ssize_t got = ::pread(fd_, out + done, n - done, static_cast<off_t>(file_offset_));
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
  if (digesting_) Feed(out, done);
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
    if (length < 255) odd_form_ = true;  // a save writes this one shorter
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
