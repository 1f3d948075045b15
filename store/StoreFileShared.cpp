// The store file's shared parts: file stamps, the lock every reader and
// writer takes, the digest, the settings (lock wait, sync) and the clean-up
// of interrupted saves. Reading is in StoreFile.cpp, writing in
// StoreFileWrite.cpp.
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "store/StoreEvents.h"
#include "store/StoreFile.h"
#include "store/StoreFileParts.h"

namespace quillet {
namespace {

std::atomic<int64_t> g_lock_wait_ms{10000};
std::atomic<bool> g_sync{true};

std::string BaseOf(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

namespace storefile {

std::string FolderOf(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
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

}  // namespace storefile

using namespace storefile;

namespace {

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

void storefile::NoteLiveTemp(const std::string& path, bool live) {
  std::lock_guard<std::mutex> hold(g_live_mutex);
  if (live) LiveTemps().insert(path);
  else LiveTemps().erase(path);
}

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

// Four lanes over 32-byte stripes, so that the processor works on four
// words at once: a load digests every byte of the file, pictures included.
namespace {
constexpr uint64_t kP1 = 0x9E3779B185EBCA87ull;
constexpr uint64_t kP2 = 0xC2B2AE3D27D4EB4Full;
constexpr uint64_t kP3 = 0x165667B19E3779F9ull;
constexpr uint64_t kP4 = 0x85EBCA77C2B2AE63ull;
constexpr uint64_t kP5 = 0x27D4EB2F165667C5ull;
inline uint64_t Rotl(uint64_t x, int r) { return (x << r) | (x >> (64 - r)); }
inline uint64_t LoadWord(const uint8_t* p) {
  uint64_t w;
  std::memcpy(&w, p, 8);
  return w;
}
inline uint64_t Round(uint64_t lane, uint64_t w) { return Rotl(lane + w * kP2, 31) * kP1; }
inline uint64_t MergeLane(uint64_t h, uint64_t lane) { return (h ^ Round(0, lane)) * kP1 + kP4; }
}  // namespace

void StoreDigest::Reset() {
  lane_[0] = kP1 + kP2;
  lane_[1] = kP2;
  lane_[2] = 0;
  lane_[3] = 0 - kP1;
  length_ = 0;
  tail_n_ = 0;
}

void StoreDigest::Stripe(const uint8_t* p) {
  lane_[0] = Round(lane_[0], LoadWord(p));
  lane_[1] = Round(lane_[1], LoadWord(p + 8));
  lane_[2] = Round(lane_[2], LoadWord(p + 16));
  lane_[3] = Round(lane_[3], LoadWord(p + 24));
}

void StoreDigest::Update(const void* data, size_t n) {
  const auto* p = static_cast<const uint8_t*>(data);
  length_ += n;
  if (tail_n_ > 0) {
    size_t take = std::min(n, kStripe - tail_n_);
    std::memcpy(tail_ + tail_n_, p, take);
    tail_n_ += take;
    p += take;
    n -= take;
    if (tail_n_ < kStripe) return;
    Stripe(tail_);
    tail_n_ = 0;
  }
  for (; n >= kStripe; p += kStripe, n -= kStripe) Stripe(p);
  if (n > 0) {
    std::memcpy(tail_, p, n);
    tail_n_ = n;
  }
}

uint64_t StoreDigest::Final() const {
  uint64_t h;
  if (length_ >= kStripe) {
    h = Rotl(lane_[0], 1) + Rotl(lane_[1], 7) + Rotl(lane_[2], 12) + Rotl(lane_[3], 18);
    for (uint64_t lane : lane_) h = MergeLane(h, lane);
  } else {
    h = lane_[2] + kP5;
  }
  h += length_;
  size_t i = 0;
  for (; i + 8 <= tail_n_; i += 8) h = Rotl(h ^ Round(0, LoadWord(tail_ + i)), 27) * kP1 + kP4;
  for (; i < tail_n_; ++i) h = Rotl(h ^ (tail_[i] * kP5), 11) * kP1;
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
    // Without O_NONBLOCK a pipe put at the path would block the open until
    // some other program opened its other end; it is cleared once the file
    // is known to be a regular one.
    int fd = ::open(path.c_str(), flags | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
      error_ = errno;
      return DB_ERR_OPEN;
    }
    struct stat held;
    if (::fstat(fd, &held) != 0 || !S_ISREG(held.st_mode)) {
      // A folder, a pipe, a device or a socket is no store file.
      error_ = ::fstat(fd, &held) == 0 && S_ISDIR(held.st_mode) ? EISDIR : EINVAL;
      ::close(fd);
      return DB_ERR_OPEN;
    }
    const int fl = ::fcntl(fd, F_GETFL);
    if (fl < 0 || ::fcntl(fd, F_SETFL, fl & ~O_NONBLOCK) != 0) {
      error_ = errno;
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

}  // namespace quillet
