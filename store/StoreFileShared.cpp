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
std::atomic<StoreStepHook> g_step_hook{nullptr};

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
std::string MarkPrefix(const std::string& target) { return "." + BaseOf(target) + ".inplace-"; }

FileStamp StampOf(const struct stat& st) {
  FileStamp s;
  s.exists = true;
  s.device = static_cast<uint64_t>(st.st_dev);
  s.inode = static_cast<uint64_t>(st.st_ino);
  s.size = static_cast<uint64_t>(st.st_size);
  s.mtimeNs = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  return s;
}

bool Step(StoreStep step) {
  const StoreStepHook hook = g_step_hook.load();
  return hook == nullptr || hook(step);
}

bool SyncFolder(const std::string& file) {
  if (!g_sync.load()) return true;
  // A folder we may not open for reading cannot be synced by us; that is
  // no failure of the save.
  int dir = ::open(FolderOf(file).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir < 0) return true;
  const bool ok = ::fsync(dir) == 0;
  ::close(dir);
  return ok;
}

bool SyncFolder(const std::string& file, StoreStep step) { return Step(step) && SyncFolder(file); }

bool SyncFile(int fd) { return !g_sync.load() || ::fsync(fd) == 0; }

bool SyncFile(int fd, StoreStep step) { return Step(step) && SyncFile(fd); }

int CreateBeside(const std::string& target, const std::string& name_prefix, mode_t mode, std::string* made) {
  static std::atomic<unsigned> counter{0};
  const std::string folder = FolderOf(target);
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = folder + "/" + name_prefix + std::to_string(::getpid()) + "-" +
                       std::to_string(counter.fetch_add(1));
    int fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    if (fd >= 0) {
      *made = name;
      return fd;
    }
    if (errno != EEXIST) return -1;
  }
  return -1;
}

bool CopyBytes(int from, int to, uint64_t size, const StoreStep* step, StoreDigest* digest) {
  std::vector<char> chunk(static_cast<size_t>(std::min<uint64_t>(size, kCopyChunk)) + 1);
  uint64_t done = 0;
  while (done < size) {
    if (step != nullptr && !Step(*step)) return false;
    size_t want = static_cast<size_t>(std::min<uint64_t>(size - done, kCopyChunk));
    ssize_t got = ::pread(from, chunk.data(), want, static_cast<off_t>(done));
    while (got < 0 && errno == EINTR) got = ::pread(from, chunk.data(), want, static_cast<off_t>(done));
    if (got <= 0) return false;
    if (digest != nullptr) digest->Update(chunk.data(), static_cast<size_t>(got));
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

bool DigestOfFile(int fd, uint64_t* size, uint64_t* digest) {
  struct stat st;
  if (::fstat(fd, &st) != 0) return false;
  StoreDigest d;
  std::vector<char> chunk(kCopyChunk);
  uint64_t done = 0;
  for (;;) {
    ssize_t got = ::pread(fd, chunk.data(), chunk.size(), static_cast<off_t>(done));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return false;
    if (got == 0) break;
    d.Update(chunk.data(), static_cast<size_t>(got));
    done += static_cast<uint64_t>(got);
  }
  *size = done;
  *digest = d.Final();
  return true;
}

int OpenLeftover(const std::string& path, int flags) {
  int fd = ::open(path.c_str(), flags | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return -1;
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return -1;
  }
  return fd;
}

}  // namespace storefile

using namespace storefile;

namespace {

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

StoreStepHook SetStoreStepHook(StoreStepHook hook) { return g_step_hook.exchange(hook); }

const char* StoreStepName(StoreStep step) {
  switch (step) {
    case StoreStep::kNewFileCreated: return "new file created";
    case StoreStep::kSyncNewFile: return "sync new file";
    case StoreStep::kPutInPlace: return "put in place";
    case StoreStep::kSyncFolder: return "sync folder";
    case StoreStep::kCopyKeep: return "copy to kept file";
    case StoreStep::kSyncKeep: return "sync kept file";
    case StoreStep::kWriteMark: return "write note";
    case StoreStep::kSyncMark: return "sync note";
    case StoreStep::kOverwrite: return "write over file";
    case StoreStep::kCutToLength: return "cut to length";
    case StoreStep::kSyncStore: return "sync file";
    case StoreStep::kRemoveMark: return "remove note";
    case StoreStep::kRemoveKeep: return "remove kept file";
    case StoreStep::kRemoveTemp: return "remove temporary file";
    case StoreStep::kPutBack: return "put back";
  }
  return "?";
}

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
  const std::string mark_prefix = MarkPrefix(target);
  std::vector<std::string> temps, keeps, marks;
  // Notes of rewrites made through another name of the same file (a hard
  // link in the same folder) end in its inode.
  struct stat file_st;
  const std::string inode_suffix =
      ::stat(target.c_str(), &file_st) == 0 ? "-" + std::to_string(file_st.st_ino) : std::string();
  if (DIR* dir = ::opendir(folder.c_str())) {
    while (struct dirent* e = ::readdir(dir)) {
      const std::string name = e->d_name;
      const std::string path = folder + "/" + name;
      long owner = OwnerOf(name, temp_prefix);
      if (owner > 0 && OwnerGone(owner, path)) temps.push_back(name);
      owner = OwnerOf(name, keep_prefix);
      if (owner > 0 && OwnerGone(owner, path)) keeps.push_back(name);
      owner = OwnerOf(name, mark_prefix);
      if (owner > 0 && OwnerGone(owner, path)) {
        marks.push_back(name);
      } else if (owner < 0 && !inode_suffix.empty() && name.size() > inode_suffix.size() &&
                 name.compare(name.size() - inode_suffix.size(), inode_suffix.size(), inode_suffix) == 0) {
        const size_t at = name.rfind(".inplace-");
        owner = at != std::string::npos && at > 1 && name[0] == '.'
                    ? OwnerOf(name, name.substr(0, at) + ".inplace-")
                    : -1;
        if (owner > 0 && OwnerGone(owner, path)) marks.push_back(name);
      }
    }
    ::closedir(dir);
  }
  if (temps.empty() && keeps.empty() && marks.empty()) return 0;

  // Cut-off in-place rewrites first: they decide which of the files they
  // left may go.
  std::set<std::string> held;
  int removed = RecoverInPlaceRewrites(target, marks, keeps, temps, &held);
  for (const std::string& name : temps)
    if (held.count(name) == 0 && ::unlink((folder + "/" + name).c_str()) == 0) ++removed;
  if (removed > 0) {
    SyncFolder(target);
    StoreLog("Removed %d leftover file(s) of interrupted saves of %s", removed, target.c_str());
  }
  return removed;
}

}  // namespace quillet
