#include "platform/files/SafeFiles.h"

#include <fcntl.h>
#include <limits.h>
#include <stdio.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <ctime>

namespace quillet {
namespace {

// Prefix of the final name kept in the temporary one, so that it stays
// under the file system's 255-byte limit and still tells whose it is.
constexpr size_t kTempPrefix = 200;

void SplitPath(const std::string& path, std::string* folder, std::string* name) {
  const size_t cut = path.rfind('/');
  if (cut == std::string::npos) {
    *folder = ".";
    *name = path;
  } else {
    *folder = cut == 0 ? "/" : path.substr(0, cut);
    *name = path.substr(cut + 1);
  }
}

std::string RandomSuffix() {
  static const char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
  uint64_t bits = 0;
  if (getrandom(&bits, sizeof bits, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof bits)) {
    // No entropy yet (early boot): a name that only has to be unlikely to
    // be taken, since the file is made exclusively anyway.
    static uint64_t counter = 0;
    bits = (static_cast<uint64_t>(::getpid()) << 32) ^ static_cast<uint64_t>(std::time(nullptr)) ^
           (++counter * 0x9E3779B97F4A7C15ull);
  }
  std::string s;
  for (int i = 0; i < 8; ++i) {
    s.push_back(kDigits[bits % 36]);
    bits /= 36;
  }
  return s;
}

int WriteAll(int fd, const char* p, size_t n) {
  while (n > 0) {
    ssize_t put = ::write(fd, p, n);
    if (put < 0 && errno == EINTR) continue;
    if (put < 0) return errno;
    if (put == 0) return EIO;
    p += put;
    n -= static_cast<size_t>(put);
  }
  return 0;
}

bool RealPath(const std::string& path, std::string* out) {
  char* real = ::realpath(path.c_str(), nullptr);
  if (real == nullptr) return false;
  *out = real;
  std::free(real);
  return true;
}

// Where an open descriptor really is, every link resolved.
bool RealPathOf(int fd, const std::string& fallback, std::string* out) {
  char link[64];
  std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
  char buf[PATH_MAX + 1];
  ssize_t n = ::readlink(link, buf, PATH_MAX);
  if (n > 0) {
    out->assign(buf, static_cast<size_t>(n));
    return true;
  }
  // Without /proc the path is resolved again; the file was already opened,
  // so at worst a link swapped in between is refused wrongly.
  return RealPath(fallback, out);
}

bool Inside(const std::string& real, const std::string& root) {
  if (root == "/") return real.size() > 1 && real[0] == '/';
  return real.size() > root.size() + 1 && real.compare(0, root.size(), root) == 0 &&
         real[root.size()] == '/';
}

// Opens a regular file for reading, confined to `root` when one is given.
int OpenWithin(const std::string& root, const std::string& path, int* fd_out, struct stat* st) {
  *fd_out = -1;
  if (path.empty()) return EINVAL;
  // Non-blocking, so a pipe planted under the name cannot hold us up.
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return errno;
  if (::fstat(fd, st) != 0 || !S_ISREG(st->st_mode)) {
    ::close(fd);
    return EINVAL;
  }
  if (!root.empty()) {
    std::string real_root, real;
    if (!RealPath(root, &real_root) || !RealPathOf(fd, path, &real) || !Inside(real, real_root)) {
      ::close(fd);
      return EACCES;
    }
  }
  int flags = ::fcntl(fd, F_GETFL);
  if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  *fd_out = fd;
  return 0;
}

}  // namespace

ReplacingFile::~ReplacingFile() { Discard(); }

void ReplacingFile::Discard() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (dir_fd_ >= 0) {
    if (!temp_name_.empty()) ::unlinkat(dir_fd_, temp_name_.c_str(), 0);
    ::close(dir_fd_);
  }
  dir_fd_ = -1;
  temp_name_.clear();
}

int ReplacingFile::Open(const std::string& path) {
  Discard();
  std::string folder;
  SplitPath(path, &folder, &name_);
  if (name_.empty() || name_ == "." || name_ == "..") return EINVAL;
  dir_fd_ = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir_fd_ < 0) return errno;

  // A file we replace keeps its permissions; a link or anything else under
  // the name lends nothing, and a new file is the user's alone.
  struct stat st;
  const bool exists = ::fstatat(dir_fd_, name_.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
  if (exists && S_ISDIR(st.st_mode)) {
    // Could never be renamed over: said now, before anything is written.
    Discard();
    return EISDIR;
  }
  if (exists && !S_ISREG(st.st_mode) && !S_ISLNK(st.st_mode)) {
    // A device, a pipe or a socket is nothing a file of ours may replace.
    Discard();
    return EINVAL;
  }
  const bool keep_mode = exists && S_ISREG(st.st_mode);
  const std::string prefix = "." + name_.substr(0, kTempPrefix) + ".";
  int error = EEXIST;
  for (int attempt = 0; attempt < 100 && error == EEXIST; ++attempt) {
    std::string candidate = prefix + RandomSuffix() + ".tmp";
    int fd = ::openat(dir_fd_, candidate.c_str(),
                      O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, 0600);
    if (fd >= 0) {
      fd_ = fd;
      temp_name_ = candidate;
      error = 0;
    } else {
      error = errno;
    }
  }
  if (error != 0) {
    Discard();
    return error;
  }
  if (keep_mode) ::fchmod(fd_, st.st_mode & 0777);
  return 0;
}

int ReplacingFile::Write(std::string_view bytes) {
  if (fd_ < 0) return EBADF;
  return WriteAll(fd_, bytes.data(), bytes.size());
}

int ReplacingFile::Commit(bool replace, bool durable) {
  if (fd_ < 0) return EBADF;
  int error = 0;
  if (durable && ::fsync(fd_) != 0) error = errno;
  if (::close(fd_) != 0 && error == 0) error = errno;
  fd_ = -1;
  if (error == 0) {
    if (replace) {
      if (::renameat(dir_fd_, temp_name_.c_str(), dir_fd_, name_.c_str()) != 0) error = errno;
    } else {
#ifdef SYS_renameat2
      long r = ::syscall(SYS_renameat2, dir_fd_, temp_name_.c_str(), dir_fd_, name_.c_str(),
                         1u /* RENAME_NOREPLACE */);
      if (r != 0) error = errno;
#else
      error = ENOSYS;
#endif
      if (error == ENOSYS || error == EINVAL) {
        // A file system without the exclusive rename: a new hard link fails
        // just the same when the name is taken.
        error = ::linkat(dir_fd_, temp_name_.c_str(), dir_fd_, name_.c_str(), 0) == 0 ? 0 : errno;
      }
    }
  }
  if (error == 0 && durable) ::fsync(dir_fd_);
  Discard();  // removes the temporary name if it is still there
  return error;
}

int ReplaceFileContents(const std::string& path, std::string_view bytes, bool durable) {
  ReplacingFile file;
  int error = file.Open(path);
  if (error == 0) error = file.Write(bytes);
  if (error == 0) error = file.Commit(true, durable);
  return error;
}

std::FILE* OpenInputFile(const std::string& path) {
  int fd = -1;
  struct stat st;
  const int error = OpenWithin("", path, &fd, &st);
  if (error != 0) {
    errno = error;
    return nullptr;
  }
  std::FILE* f = ::fdopen(fd, "rb");
  if (f == nullptr) {
    const int saved = errno;
    ::close(fd);
    errno = saved;
  }
  return f;
}

int ReadFileWithin(const std::string& root, const std::string& path, std::string* out, size_t maxBytes) {
  out->clear();
  int fd = -1;
  struct stat st;
  int error = OpenWithin(root, path, &fd, &st);
  if (error != 0) return error;
  if (st.st_size > 0 && static_cast<uint64_t>(st.st_size) > maxBytes) {
    ::close(fd);
    return EFBIG;
  }
  if (st.st_size > 0) out->reserve(static_cast<size_t>(st.st_size));
  char buf[65536];
  for (;;) {
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      error = errno;
      break;
    }
    if (n == 0) break;
    if (static_cast<size_t>(n) > maxBytes - out->size()) {
      error = EFBIG;
      break;
    }
    out->append(buf, static_cast<size_t>(n));
  }
  ::close(fd);
  if (error != 0) out->clear();
  return error;
}

int CopyFileWithin(const std::string& root, const std::string& from, const std::string& to,
                   bool replace) {
  int in = -1;
  struct stat st;
  int error = OpenWithin(root, from, &in, &st);
  if (error != 0) return error;
  // Copying a file onto itself would only make a second copy of it; the
  // caller asked for something else.
  struct stat dest;
  if (::lstat(to.c_str(), &dest) == 0 && dest.st_dev == st.st_dev && dest.st_ino == st.st_ino) {
    ::close(in);
    return EINVAL;
  }
  if (!replace && ::lstat(to.c_str(), &dest) == 0) {
    ::close(in);
    return EEXIST;
  }
  ReplacingFile out;
  error = out.Open(to);
  char buf[65536];
  while (error == 0) {
    ssize_t n = ::read(in, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) error = errno;
    if (n <= 0) break;
    error = WriteAll(out.fd(), buf, static_cast<size_t>(n));
  }
  ::close(in);
  if (error == 0) error = out.Commit(replace);
  return error;
}

bool IsOwnRegularFile(const std::string& path) {
  struct stat st;
  return !path.empty() && ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

int MakePrivateFolders(const std::string& path) {
  if (path.empty()) return EINVAL;
  for (size_t pos = path.find('/', 1);; pos = path.find('/', pos + 1)) {
    const std::string part = path.substr(0, pos);
    if (!part.empty() && ::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return errno;
    if (pos == std::string::npos || pos + 1 >= path.size()) break;
  }
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return errno;
  return S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
}

FolderAccess CheckFolderAccess(const std::string& path_in, bool tighten) {
  // A trailing '/' would follow a link under the name.
  std::string path = path_in;
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  struct stat st;
  if (path.empty() || ::lstat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid())
    return FolderAccess::kNotOurs;
  const mode_t mode = st.st_mode & 07777;
  if ((mode & 077) == 0) return FolderAccess::kPrivate;
  // 0755 and 0775 are what our folders used to be made with (mkdir's
  // default under the usual umasks), not a choice of the person's: taken
  // back.
  if (tighten && (mode == 0755 || mode == 0775)) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd >= 0) {
      const bool done = ::fchmod(fd, 0700) == 0;
      ::close(fd);
      if (done) return FolderAccess::kTightened;
    }
  }
  return FolderAccess::kOpen;
}

}  // namespace quillet
