#include "store/backup/StoreBackups.h"


#include <dirent.h>
#include <fcntl.h>
#include <openssl/evp.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <numeric>
#include <set>

#include "base/Translate.h"
#include "platform/paths/ProgramPaths.h"
#include "store/RecordKinds.h"
#include "store/RecordStore.h"
#include "store/StoreEvents.h"
#include "store/StoreFile.h"

namespace quillet {
namespace {

constexpr char kPrefix[] = "quillet-";
constexpr char kDamagedTail[] = "-damaged";
constexpr char kExtension[] = ".dat";
constexpr long kSecondsPerDay = 86400;
// Temporary files of a copy that was never finished (the program died
// during the write) are removed once they are this old.
constexpr std::time_t kStaleTempSeconds = 3600;
// How the sentences about the folders name them.
constexpr char kFolderPurpose[] = "for Quillet!'s backups";
// Nobody else may write to either folder; whether others may read their
// names is the person's choice.
constexpr mode_t kRefusedFolderModes = 022;

bool StatvfsFreeSpace(const std::string& folder, uint64_t* available) {
  struct statvfs st;
  if (::statvfs(folder.c_str(), &st) != 0) return false;
  *available = static_cast<uint64_t>(st.f_bavail) * static_cast<uint64_t>(st.f_frsize);
  return true;
}

FreeSpaceFunction& FreeSpace() {
  static FreeSpaceFunction function = StatvfsFreeSpace;
  return function;
}

// The pid in the name of a copy's temporary file (".NAME.tmp-PID-N"), or -1.
long TempWriter(const std::string& name) {
  const size_t at = name.rfind(".tmp-");
  if (at == std::string::npos) return -1;
  const char* digits = name.c_str() + at + 5;
  char* end = nullptr;
  const long pid = std::strtol(digits, &end, 10);
  return end != digits && *end == '-' && pid > 0 ? pid : -1;
}

// Whether the process that wrote a temporary file is gone. This process
// writes no copy while it scans for leftovers, so its own are leftovers too.
bool WriterGone(long pid) {
  if (pid <= 0) return false;
  if (pid == static_cast<long>(::getpid())) return true;
  return ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}

// Copies of dates ahead of the clock the log has named already.
std::mutex g_future_mutex;
std::set<std::string>& FutureCopiesLogged() {
  static std::set<std::string> paths;
  return paths;
}

std::string StripTrailingSlashes(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

std::string BaseName(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string FolderPart(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return "";
  return slash == 0 ? "/" : path.substr(0, slash);
}

bool AllDigits(const std::string& text, size_t from, size_t count) {
  if (from + count > text.size()) return false;
  for (size_t i = from; i < from + count; ++i)
    if (text[i] < '0' || text[i] > '9') return false;
  return true;
}

int Number(const std::string& text, size_t from, size_t count) {
  int n = 0;
  for (size_t i = from; i < from + count; ++i) n = n * 10 + (text[i] - '0');
  return n;
}

long DayOf(std::time_t t) {
  long s = static_cast<long>(t);
  return s >= 0 ? s / kSecondsPerDay : -((-s + kSecondsPerDay - 1) / kSecondsPerDay);
}

// Reads exactly n bytes at `offset`; false at a failure or the end of the file.
bool ReadFully(int fd, uint64_t offset, uint8_t* out, size_t n) {
  while (n > 0) {
    const ssize_t got = ::pread(fd, out, n, static_cast<off_t>(offset));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    out += got;
    n -= static_cast<size_t>(got);
    offset += static_cast<uint64_t>(got);
  }
  return true;
}

// Whether the file at `fd` starts like a store: its header word.
bool HasStoreHeader(int fd) {
  uint8_t header[4];
  if (!ReadFully(fd, 0, header, sizeof header)) return false;
  const uint32_t word = static_cast<uint32_t>(header[0]) | static_cast<uint32_t>(header[1]) << 8 |
                        static_cast<uint32_t>(header[2]) << 16 | static_cast<uint32_t>(header[3]) << 24;
  return word == kFormatWord;
}

enum class Compared { kSame, kDiffers, kStoreUnreadable };

// The first `size` bytes of the store at `fd` against the copy at `path`
// (a regular file of that size; a link is refused), a chunk at a time.
Compared CompareWithFile(int fd, uint64_t size, const std::string& path, std::vector<uint8_t>* mine,
                         std::vector<uint8_t>* theirs) {
  const int copy = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (copy < 0) return Compared::kDiffers;
  mine->resize(kBackupChunk);
  theirs->resize(kBackupChunk);
  struct stat st;
  Compared result = Compared::kSame;
  if (::fstat(copy, &st) != 0 || !S_ISREG(st.st_mode) || static_cast<uint64_t>(st.st_size) != size)
    result = Compared::kDiffers;
  for (uint64_t at = 0; result == Compared::kSame && at < size;) {
    const size_t n = static_cast<size_t>(std::min<uint64_t>(size - at, mine->size()));
    if (!ReadFully(fd, at, mine->data(), n)) {
      result = Compared::kStoreUnreadable;
    } else if (!ReadFully(copy, at, theirs->data(), n) || std::memcmp(mine->data(), theirs->data(), n) != 0) {
      result = Compared::kDiffers;
    }
    at += n;
  }
  ::close(copy);
  return result;
}

enum class CopyResult { kDone, kReadFailed, kWriteFailed };

// The first `size` bytes at `fd` into `out`.
CopyResult CopyInto(int fd, uint64_t size, CStoreFile* out) {
  const DbResult rc = out->WriteFromFile(fd, 0, size);
  if (rc == DB_OK) return CopyResult::kDone;
  return rc == DB_ERR_READ ? CopyResult::kReadFailed : CopyResult::kWriteFailed;
}

// What a folder path names, without following a link at its end.
enum class FolderState { kFolder, kMissing, kLink, kOther };

FolderState StateOf(const std::string& path) {
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0) return errno == ENOENT ? FolderState::kMissing : FolderState::kOther;
  if (S_ISLNK(st.st_mode)) return FolderState::kLink;
  return S_ISDIR(st.st_mode) ? FolderState::kFolder : FolderState::kOther;
}

// A name that can be one folder below the backups folder.
std::string SafeFolderName(std::string name) {
  for (char& c : name)
    if (c == '/' || c == '\0') c = '_';
  if (name.empty() || name == "." || name == "..") return "store";
  return name;
}

bool NewerFirst(const BackupEntry& a, const BackupEntry& b) {
  if (a.taken != b.taken) return a.taken > b.taken;
  if (a.sequence != b.sequence) return a.sequence > b.sequence;
  return a.name > b.name;
}

}  // namespace

void CStoreBackups::StoreSource::Release() {
  lock.Release();
  if (plain >= 0) ::close(plain);
  plain = -1;
  fd = -1;
}

const char* BackupResultText(BackupResult result) {
  switch (result) {
    case BackupResult::kOk: return QT_TRANSLATE_NOOP("StoreBackups", "done");
    case BackupResult::kNoStore: return QT_TRANSLATE_NOOP("StoreBackups", "the store file does not exist");
    case BackupResult::kStoreBusy: return QT_TRANSLATE_NOOP("StoreBackups", "the store file is in use by another program or cannot be written");
    case BackupResult::kStoreUnreadable: return QT_TRANSLATE_NOOP("StoreBackups", "the store file cannot be read");
    case BackupResult::kFolderIsLink:
      return QT_TRANSLATE_NOOP("StoreBackups", "the backup folder is a symbolic link (backups are never written through links)");
    case BackupResult::kFolderFailed: return QT_TRANSLATE_NOOP("StoreBackups", "the backup folder cannot be created or read");
    case BackupResult::kWriteFailed: return QT_TRANSLATE_NOOP("StoreBackups", "the backup could not be written");
    case BackupResult::kNotABackup: return QT_TRANSLATE_NOOP("StoreBackups", "there is no such backup file");
    case BackupResult::kDamaged: return QT_TRANSLATE_NOOP("StoreBackups", "the backup is damaged");
    case BackupResult::kStoreWriteFailed: return QT_TRANSLATE_NOOP("StoreBackups", "the store file could not be replaced");
    case BackupResult::kFolderNotPrivate:
      return QT_TRANSLATE_NOOP("StoreBackups", "the backup folder belongs to another user or other users may write to it");
    case BackupResult::kNoSpace: return QT_TRANSLATE_NOOP("StoreBackups", "there is not enough free disk space for a backup");
    case BackupResult::kNotAStore: return QT_TRANSLATE_NOOP("StoreBackups", "the file is not a Quillet! store");
  }
  return QT_TRANSLATE_NOOP("StoreBackups", "unknown failure");
}

std::string ShownBackupResultText(BackupResult result) {
  return translate("StoreBackups", BackupResultText(result));
}

FreeSpaceFunction SetBackupFreeSpaceFunction(FreeSpaceFunction function) {
  FreeSpaceFunction previous = std::move(FreeSpace());
  FreeSpace() = function ? std::move(function) : FreeSpaceFunction(StatvfsFreeSpace);
  return previous;
}

std::string BackupFileName(std::time_t utc, int sequence, bool damaged) {
  std::tm tm{};
  gmtime_r(&utc, &tm);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &tm);
  std::string name = std::string(kPrefix) + stamp;
  if (sequence > 0) name += "-" + std::to_string(sequence);
  if (damaged) name += kDamagedTail;
  return name + kExtension;
}

bool ParseBackupFileName(const std::string& name, std::time_t* utc, int* sequence, bool* damaged) {
  const size_t prefix = sizeof kPrefix - 1;
  const size_t ext = sizeof kExtension - 1;
  // quillet- YYYYMMDD - HHMMSS
  if (name.compare(0, prefix, kPrefix) != 0) return false;
  if (!AllDigits(name, prefix, 8) || name.size() < prefix + 15 || name[prefix + 8] != '-' ||
      !AllDigits(name, prefix + 9, 6))
    return false;
  if (name.size() < prefix + 15 + ext || name.compare(name.size() - ext, ext, kExtension) != 0) return false;
  std::string rest = name.substr(prefix + 15, name.size() - ext - prefix - 15);

  bool marked = false;
  const size_t tail = sizeof kDamagedTail - 1;
  if (rest.size() >= tail && rest.compare(rest.size() - tail, tail, kDamagedTail) == 0) {
    marked = true;
    rest.resize(rest.size() - tail);
  }
  int seq = 0;
  if (!rest.empty()) {
    // "-N": N without leading zeros, at most four digits.
    if (rest[0] != '-' || rest.size() < 2 || rest.size() > 5 || rest[1] == '0' ||
        !AllDigits(rest, 1, rest.size() - 1))
      return false;
    seq = Number(rest, 1, rest.size() - 1);
  }

  std::tm tm{};
  tm.tm_year = Number(name, prefix, 4) - 1900;
  tm.tm_mon = Number(name, prefix + 4, 2) - 1;
  tm.tm_mday = Number(name, prefix + 6, 2);
  tm.tm_hour = Number(name, prefix + 9, 2);
  tm.tm_min = Number(name, prefix + 11, 2);
  tm.tm_sec = Number(name, prefix + 13, 2);
  const std::tm wanted = tm;
  std::time_t t = timegm(&tm);
  // timegm folds 31 February into March: such a name is not ours.
  if (tm.tm_year != wanted.tm_year || tm.tm_mon != wanted.tm_mon || tm.tm_mday != wanted.tm_mday ||
      tm.tm_hour != wanted.tm_hour || tm.tm_min != wanted.tm_min || tm.tm_sec != wanted.tm_sec)
    return false;
  if (utc) *utc = t;
  if (sequence) *sequence = seq;
  if (damaged) *damaged = marked;
  return true;
}

std::string FormatUtcTime(std::time_t utc) {
  std::tm tm{};
  gmtime_r(&utc, &tm);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &tm);
  return text;
}

std::string AbsoluteStorePath(const std::string& storePath) {
  if (storePath.empty()) return storePath;
  char resolved[PATH_MAX];
  if (::realpath(storePath.c_str(), resolved) != nullptr) return resolved;
  std::string folder = FolderPart(storePath);
  if (folder.empty()) folder = ".";
  if (::realpath(folder.c_str(), resolved) != nullptr) {
    std::string abs = resolved;
    if (abs.back() != '/') abs += '/';
    return abs + BaseName(storePath);
  }
  if (storePath[0] == '/') return storePath;
  char cwd[PATH_MAX];
  if (::getcwd(cwd, sizeof cwd) == nullptr) return storePath;
  return std::string(cwd) + "/" + storePath;
}

std::string BackupFolderName(const std::string& absoluteStorePath, const std::string& palmUserFolder) {
  std::string user = palmUserFolder;
  while (!user.empty() && user.back() == '/') user.pop_back();
  if (!user.empty()) return SafeFolderName(user);

  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  char hex[9] = "00000000";
  if (EVP_Digest(absoluteStorePath.data(), absoluteStorePath.size(), digest, &length, EVP_sha256(),
                 nullptr) == 1 &&
      length >= 4)
    std::snprintf(hex, sizeof hex, "%02x%02x%02x%02x", digest[0], digest[1], digest[2], digest[3]);
  std::string folder = BaseName(FolderPart(absoluteStorePath));
  if (folder.empty() || folder == "/") folder = "store";
  return SafeFolderName(folder + "-" + hex);
}

std::vector<size_t> BackupsToRemove(const std::vector<BackupEntry>& entries, std::time_t now) {
  std::vector<size_t> order(entries.size());
  std::iota(order.begin(), order.end(), size_t{0});
  std::sort(order.begin(), order.end(),
            [&entries](size_t a, size_t b) { return NewerFirst(entries[a], entries[b]); });
  std::vector<bool> keep(entries.size(), false);
  for (size_t i = 0; i < order.size() && i < static_cast<size_t>(kBackupsKeptNewest); ++i) keep[order[i]] = true;

  const long today = DayOf(now);
  std::set<long> days_kept;
  for (size_t index : order) {
    const BackupEntry& e = entries[index];
    if (e.markedDamaged) continue;
    const long day = DayOf(e.taken);
    if (day > today || day <= today - kBackupsKeptDays) continue;
    if (days_kept.insert(day).second) keep[index] = true;  // the first seen is the day's newest
  }

  std::vector<size_t> removed;
  for (size_t i = 0; i < entries.size(); ++i)
    if (!keep[i]) removed.push_back(i);
  return removed;
}

uint32_t ReadBackupCounts(const std::string& path, BackupCounts* counts) {
  *counts = BackupCounts{};
  CRecordStore store(path, "");
  // Load waits for a reader or writer holding the copy for a moment.
  const DbResult rc = store.Load();
  counts->records = store.liveCount();
  counts->topics = store.CountLive(kKindTopic);
  counts->notes = store.CountLive(kKindNote);
  counts->references = store.CountLive(kKindCustom);
  for (uint32_t i = 0; i < store.highWater(); ++i) {
    const CRecord* r = store.RecordAt(i);
    if (!r || !r->IsLive()) continue;
    if (const auto* image = RecordAs<CImageRecord>(r)) {
      if (image->format == kImageFormatSketch) ++counts->sketches;
      else ++counts->pictures;
    }
  }
  return rc;
}

CStoreBackups::CStoreBackups(std::string storePath, std::string backupsRoot, std::string folderName,
                             BackupClock clock)
    : store_path_(std::move(storePath)),
      root_(StripTrailingSlashes(std::move(backupsRoot))),
      clock_(std::move(clock)) {
  folder_ = root_ + "/" + SafeFolderName(std::move(folderName));
}

std::time_t CStoreBackups::Now() const { return clock_ ? clock_() : std::time(nullptr); }

BackupResult CStoreBackups::CheckFolder(bool create) const {
  folder_problem_.clear();
  folder_check_ = qplat::PrivateFolderCheck{};
  if (root_.empty() || root_[0] != '/') {
    folder_check_.problem = qplat::PrivateFolderCheck::Problem::kNotAbsolute;
    folder_check_.folder = root_;
    folder_problem_ = qplat::PrivateFolderProblem(folder_check_, kFolderPurpose);
    return BackupResult::kFolderFailed;
  }
  // Each folder as the socket folder is checked: a real folder of ours
  // that nobody else may write to.
  auto check = [this](const std::string& folder, FolderState state) {
    if (state == FolderState::kMissing) return BackupResult::kNoStore;  // nothing kept yet
    folder_check_ = qplat::CheckPrivateFolder(folder, kRefusedFolderModes);
    folder_problem_ = qplat::PrivateFolderProblem(folder_check_, kFolderPurpose);
    if (state == FolderState::kLink) return BackupResult::kFolderIsLink;
    if (state != FolderState::kFolder) return BackupResult::kFolderFailed;
    return folder_problem_.empty() ? BackupResult::kOk : BackupResult::kFolderNotPrivate;
  };
  FolderState root = StateOf(root_);
  if (root == FolderState::kMissing && create) {
    qplat::MakeFolders(root_, 0700);
    root = StateOf(root_);
    if (root == FolderState::kMissing) root = FolderState::kOther;  // could not be made
  }
  BackupResult rc = check(root_, root);
  if (rc != BackupResult::kOk) return rc;

  FolderState own = StateOf(folder_);
  if (own == FolderState::kMissing && create) {
    ::mkdir(folder_.c_str(), 0700);
    own = StateOf(folder_);
    if (own == FolderState::kMissing) own = FolderState::kOther;
  }
  return check(folder_, own);
}

std::vector<BackupEntry> CStoreBackups::Scan() const {
  std::vector<BackupEntry> entries;
  int dir_fd = ::open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (dir_fd < 0) return entries;
  DIR* dir = ::fdopendir(dir_fd);
  if (dir == nullptr) {
    ::close(dir_fd);
    return entries;
  }
  const std::time_t real_now = std::time(nullptr);
  while (const dirent* d = ::readdir(dir)) {
    const std::string name = d->d_name;
    struct stat st;
    if (::fstatat(dir_fd, d->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode)) continue;
    BackupEntry e;
    if (!ParseBackupFileName(name, &e.taken, &e.sequence, &e.markedDamaged)) {
      // The temporary file of a copy whose writer died half-way: gone
      // once its process is, or an hour old (its pid taken again since).
      if (name.compare(0, 1 + sizeof kPrefix - 1, std::string(".") + kPrefix) == 0 &&
          name.find(".tmp-") != std::string::npos &&
          (WriterGone(TempWriter(name)) || real_now - st.st_mtime > kStaleTempSeconds))
        ::unlinkat(dir_fd, d->d_name, 0);
      continue;
    }
    e.name = name;
    e.path = folder_ + "/" + name;
    e.size = static_cast<uint64_t>(st.st_size);
    entries.push_back(std::move(e));
  }
  ::closedir(dir);
  std::sort(entries.begin(), entries.end(), NewerFirst);
  return entries;
}

BackupResult CStoreBackups::OpenStore(bool callerHoldsLock, StoreSource* source) const {
  struct stat st;
  if (::stat(store_path_.c_str(), &st) != 0)
    return errno == ENOENT ? BackupResult::kNoStore : BackupResult::kStoreUnreadable;
  if (!S_ISREG(st.st_mode)) return BackupResult::kStoreUnreadable;
  if (callerHoldsLock) {
    source->plain = ::open(store_path_.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (source->plain < 0 || ::fstat(source->plain, &st) != 0 || !S_ISREG(st.st_mode))
      return BackupResult::kStoreUnreadable;
    source->fd = source->plain;
    return BackupResult::kOk;
  }
  // Under the store's own lock, like every reader of the store; the open
  // waits its usual time for another holder.
  if (source->lock.Acquire(store_path_, O_RDONLY) != DB_OK) {
    if (::access(store_path_.c_str(), R_OK) != 0) return BackupResult::kStoreUnreadable;
    return BackupResult::kStoreBusy;
  }
  RemoveStoreLeftovers(store_path_);
  source->fd = source->lock.fd();
  return BackupResult::kOk;
}

BackupResult CStoreBackups::Create(const BackupOptions& options, std::string* path, bool* written) {
  if (written) *written = false;
  dropped_.clear();
  StoreSource source;
  BackupResult rc = OpenStore(options.callerHoldsLock, &source);
  if (rc != BackupResult::kOk) return rc;
  return KeepFrom(source, options, path, written);
}

BackupResult CStoreBackups::KeepFrom(StoreSource& source, const BackupOptions& options, std::string* path,
                                     bool* written) {
  if (written) *written = false;
  BackupResult rc = CheckFolder(true);
  if (rc == BackupResult::kNoStore) rc = BackupResult::kFolderFailed;
  if (rc != BackupResult::kOk) return rc;
  // Whatever is not a store (a file named by mistake, a sparse file of any
  // size) is not copied; a damaged store being set aside is kept as it is.
  if (!options.markDamaged && !HasStoreHeader(source.fd)) return BackupResult::kNotAStore;

  // The file is never read whole: it is compared with the copies of its
  // size a chunk at a time, and copied file to file. A writer that does not
  // take the lock and changes it meanwhile makes us start again (a few
  // times; then the copy is what was read, as a single read would give).
  std::vector<uint8_t> chunk, other;  // made once a copy of the same size turns up
  for (int attempt = 0;; ++attempt) {
    const FileStamp before = StampOfDescriptor(source.fd);
    if (!before.exists) return BackupResult::kStoreUnreadable;
    const bool last_attempt = attempt >= 2;

    // The same contents kept already: that copy stands for this one.
    std::string same;
    for (const BackupEntry& e : Scan()) {
      if (e.markedDamaged != options.markDamaged || e.size != before.size) continue;
      const Compared compared = CompareWithFile(source.fd, before.size, e.path, &chunk, &other);
      if (compared == Compared::kStoreUnreadable) return BackupResult::kStoreUnreadable;
      if (compared == Compared::kSame) {
        same = e.path;
        break;
      }
    }
    if (!same.empty()) {
      if (StampOfDescriptor(source.fd) != before && !last_attempt) continue;
      if (path) *path = same;
      return BackupResult::kOk;
    }

    const std::time_t now = Now();
    std::string target;
    for (int sequence = 0; sequence < 10000 && target.empty(); ++sequence) {
      std::string candidate = folder_ + "/" + BackupFileName(now, sequence, options.markDamaged);
      struct stat st;
      if (::lstat(candidate.c_str(), &st) != 0 && errno == ENOENT) target = candidate;
    }
    if (target.empty()) return BackupResult::kWriteFailed;
    if (!MakeRoomFor(before.size)) return BackupResult::kNoSpace;

    // The store's own atomic write: temporary file, sync, rename.
    CStoreFile file;
    if (file.Rewrite(target) != DB_OK) return BackupResult::kWriteFailed;
    const CopyResult copied = CopyInto(source.fd, before.size, &file);
    if (copied != CopyResult::kDone) {
      file.Close();
      return copied == CopyResult::kReadFailed ? BackupResult::kStoreUnreadable : BackupResult::kWriteFailed;
    }
    if (StampOfDescriptor(source.fd) != before && !last_attempt) {
      file.Close();  // a mixture of two versions: thrown away
      continue;
    }
    // Everything is read: the store is free again while the copy is synced.
    source.Release();
    if (file.Commit() != DB_OK) return BackupResult::kWriteFailed;
    if (!options.markDamaged) {
      BackupCounts counts;
      if (ReadBackupCounts(target, &counts) != DB_OK) {
        ::unlink(target.c_str());
        return BackupResult::kNotAStore;
      }
    }
    if (path) *path = target;
    if (written) *written = true;
    if (options.rotate) Rotate(target);
    return BackupResult::kOk;
  }
}

BackupResult CStoreBackups::List(std::vector<BackupEntry>* out, bool withCounts) const {
  out->clear();
  BackupResult rc = CheckFolder(false);
  if (rc == BackupResult::kNoStore) return BackupResult::kOk;  // nothing kept yet
  if (rc != BackupResult::kOk) return rc;
  *out = Scan();
  if (withCounts) {
    for (BackupEntry& e : *out) {
      e.loadResult = ReadBackupCounts(e.path, &e.counts);
      e.damaged = e.markedDamaged || e.loadResult != DB_OK;
    }
  } else {
    for (BackupEntry& e : *out) e.damaged = e.markedDamaged;
  }
  return BackupResult::kOk;
}

std::time_t CStoreBackups::NewestTaken() const {
  if (CheckFolder(false) != BackupResult::kOk) return 0;
  const std::time_t now = Now();
  for (const BackupEntry& e : Scan()) {  // newest first
    if (e.markedDamaged) continue;
    if (e.taken <= now) return e.taken;
    std::lock_guard<std::mutex> hold(g_future_mutex);
    if (FutureCopiesLogged().insert(e.path).second)
      StoreLog("Backup %s is dated in the future (%s, the clock says %s): it does not count as a recent copy",
               e.path.c_str(), FormatUtcTime(e.taken).c_str(), FormatUtcTime(now).c_str());
  }
  return 0;
}

bool CStoreBackups::MakeRoomFor(uint64_t size) {
  // The copy itself, then twice the store for its next save and the spare.
  const uint64_t wanted = size + 2 * size + kBackupSpareBytes;
  for (;;) {
    uint64_t available = 0;
    if (!FreeSpace()(folder_, &available)) return true;  // cannot be told: the write will say
    if (available >= wanted) return true;
    const std::vector<BackupEntry> entries = Scan();  // newest first
    // Copies are removed only when that makes room; else all stay.
    if (dropped_.empty()) {
      uint64_t reclaimable = 0;
      for (const BackupEntry& e : entries)
        if (!e.markedDamaged) reclaimable += e.size;
      if (available + reclaimable < wanted) return false;
    }
    auto oldest = std::find_if(entries.rbegin(), entries.rend(),
                               [](const BackupEntry& e) { return !e.markedDamaged; });
    if (oldest == entries.rend() || ::unlink(oldest->path.c_str()) != 0) return false;
    dropped_.push_back(oldest->path);
  }
}

void CStoreBackups::Rotate(const std::string& keep) {
  if (CheckFolder(false) != BackupResult::kOk) return;
  const std::vector<BackupEntry> entries = Scan();
  for (size_t index : BackupsToRemove(entries, Now()))
    if (entries[index].path != keep) ::unlink(entries[index].path.c_str());
}

BackupResult CStoreBackups::Restore(const std::string& backupPath, std::string* previousCopy) {
  if (previousCopy) previousCopy->clear();
  struct stat st;
  if (::lstat(backupPath.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return BackupResult::kNotABackup;
  bool marked = false;
  if (ParseBackupFileName(BaseName(backupPath), nullptr, nullptr, &marked) && marked)
    return BackupResult::kDamaged;
  BackupCounts counts;
  if (ReadBackupCounts(backupPath, &counts) != DB_OK) return BackupResult::kDamaged;
  const int chosen = ::open(backupPath.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (chosen < 0) return BackupResult::kNotABackup;
  struct stat chosen_st;
  if (::fstat(chosen, &chosen_st) != 0 || !S_ISREG(chosen_st.st_mode)) {
    ::close(chosen);
    return BackupResult::kNotABackup;
  }
  BackupResult rc = RestoreFrom(chosen, static_cast<uint64_t>(chosen_st.st_size), previousCopy);
  ::close(chosen);
  if (rc == BackupResult::kOk) Rotate(backupPath);
  return rc;
}

BackupResult CStoreBackups::RestoreFrom(int chosen, uint64_t size, std::string* previousCopy) {
  // From here on the store is locked: nobody writes it between the copy of
  // the current file and its replacement.
  CStoreFile store;
  struct stat st;
  if (store.Rewrite(store_path_) != DB_OK) {
    return ::stat(store_path_.c_str(), &st) == 0 ? BackupResult::kStoreBusy : BackupResult::kStoreWriteFailed;
  }
  StoreSource current;
  BackupResult rc = OpenStore(true, &current);
  if (rc == BackupResult::kOk) {
    BackupOptions options;
    options.rotate = false;  // the chosen copy must outlive this restore
    std::string copy;
    rc = KeepFrom(current, options, &copy);
    if (rc == BackupResult::kNotAStore) {
      // The store being replaced does not load (often why it is being
      // replaced): it is kept as a damaged store's copy.
      StoreSource again;
      options.markDamaged = true;
      rc = OpenStore(true, &again);
      if (rc == BackupResult::kOk) rc = KeepFrom(again, options, &copy);
    }
    if (rc != BackupResult::kOk) {
      store.Close();
      return rc;
    }
    if (previousCopy) *previousCopy = copy;
  } else if (rc != BackupResult::kNoStore) {
    store.Close();
    return rc;
  }

  if (CopyInto(chosen, size, &store) != CopyResult::kDone || store.Commit() != DB_OK) {
    store.Close();
    return BackupResult::kStoreWriteFailed;
  }
  return BackupResult::kOk;
}

}  // namespace quillet
