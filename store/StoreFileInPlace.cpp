// CStoreFile: rewriting a file with several names in place, and finishing
// such a rewrite when its process was cut off.
//
// A store file F with more than one name (hard links) cannot be replaced by
// a rename without splitting its names, so a save writes the new bytes over
// F itself. Three files beside F take part; P is the saving process, I the
// inode of F, N a counter:
//   T  ".F.tmp-P-N"       the new bytes, complete and synced before any of
//                         the following happens;
//   K  ".F.keep-P-I"      a copy of F's old bytes;
//   M  ".F.inplace-P-I"   the note: I, the size and digest of the old bytes
//                         and of the new ones, the name of T, and a closing
//                         "end" line.
// The saver, holding F's lock throughout:
//   copy F to K, sync K; write M, sync M, sync the folder;
//   copy T over F, cut F to length, sync F;
//   remove M, then K, then T.
//
// Invariants (what makes a save cut off at any point safe):
//  1. F is written to only while a complete M is on disk: M and the folder
//     are synced before the first byte of F changes.
//  2. M is written only after K holds all of F's old bytes and is synced,
//     and T the new ones; M gives the size and digest of each, so K and T
//     can be checked before they are trusted.
//  3. M is removed only when F holds one whole version, the new one or the
//     old one put back, and is synced. K and T are removed after M.
//  4. So without M, F is whole (old or new): K and T of a process that is
//     gone are mere leftovers and are removed. A K cut off half-way (the
//     saver died while copying) is such a leftover; F was never touched.
//  5. With M for F's current inode, the next open (any reader or writer of
//     F, under F's lock) compares F with M's two digests:
//       - F is the new version: the save was done; M, K and T go;
//       - F is the old version: the overwrite never started (or was undone);
//         M, K and T go;
//       - otherwise F is a mixture: K is copied back over F (when K is the
//         old version) or else T over it (when T is the new one), F is cut
//         to length, synced and checked; then M, K and T go. When neither
//         is whole, or copying fails, everything stays as it is for a later
//         open to try again, and the log says so. A finished T is never
//         removed while it may be the only whole copy.
//  6. An M that cannot be read whole (cut off while being written, which is
//     before F was touched, by 1) or that names another inode (F has since
//     been replaced by another file) tells nothing about F: it goes, with
//     its K.
//  7. Finishing a rewrite is itself safe to cut off: it changes F only while
//     M exists and removes M only after F is whole, so the next open simply
//     starts again at 5.
//  8. Only files of processes that are gone (the pid in the name) are
//     touched, or of this process when it is not writing them right now.
//  9. A saver whose own writing over F fails puts K back at once, as in 5;
//     if that fails too, it leaves M, K and T for the next open.
// 10. No saver writes over F while an M for F's inode is left (one that
//     could not be finished): the next open would take the new version for
//     a mixture and put the old one back.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "store/StoreEvents.h"
#include "store/StoreFile.h"
#include "store/StoreFileParts.h"

namespace quillet {

using namespace storefile;

namespace {

constexpr size_t kMaxMarkBytes = 1024;

// What M says.
struct InPlaceMark {
  uint64_t inode = 0;
  uint64_t old_size = 0;
  uint64_t old_digest = 0;
  uint64_t new_size = 0;
  uint64_t new_digest = 0;
  std::string temp;  // name of T, in F's folder
};

std::string MarkText(const InPlaceMark& m) {
  char text[kMaxMarkBytes];
  std::snprintf(text, sizeof text,
                "quillet in-place rewrite\ninode %" PRIu64 "\nold %" PRIu64 " %016" PRIx64 "\nnew %" PRIu64
                " %016" PRIx64 "\ntemp %s\nend\n",
                m.inode, m.old_size, m.old_digest, m.new_size, m.new_digest, m.temp.c_str());
  return text;
}

// Reads M; false unless it is whole and names a temporary file that starts
// with `temp_prefix` (F's, of the same process).
bool ReadMark(const std::string& path, const std::string& temp_prefix, InPlaceMark* m) {
  int fd = OpenLeftover(path, O_RDONLY);
  if (fd < 0) return false;
  struct stat st;
  char text[kMaxMarkBytes + 1];
  ssize_t got = -1;
  if (::fstat(fd, &st) == 0 && st.st_size > 0 && static_cast<uint64_t>(st.st_size) <= kMaxMarkBytes)
    got = ::pread(fd, text, kMaxMarkBytes, 0);
  ::close(fd);
  if (got <= 4) return false;
  text[got] = '\0';
  if (std::strlen(text) != static_cast<size_t>(got) || std::strcmp(text + got - 4, "end\n") != 0) return false;
  char temp[256] = {};
  if (std::sscanf(text,
                  "quillet in-place rewrite\ninode %" SCNu64 "\nold %" SCNu64 " %" SCNx64 "\nnew %" SCNu64
                  " %" SCNx64 "\ntemp %255[^\n]\nend",
                  &m->inode, &m->old_size, &m->old_digest, &m->new_size, &m->new_digest, temp) != 6)
    return false;
  m->temp = temp;
  return m->temp.compare(0, temp_prefix.size(), temp_prefix) == 0 && m->temp.find('/') == std::string::npos &&
         MarkText(*m) == text;
}

// Whether a note for F's inode is still there (left by a rewrite that could
// not be finished; the clean-up before every save removes all others).
bool RewritePending(const std::string& target, uint64_t inode) {
  const std::string prefix = MarkPrefix(target);
  const std::string suffix = "-" + std::to_string(inode);
  bool pending = false;
  if (DIR* dir = ::opendir(FolderOf(target).c_str())) {
    while (struct dirent* e = ::readdir(dir)) {
      const std::string name = e->d_name;
      if (name.size() > prefix.size() + suffix.size() && name.compare(0, prefix.size(), prefix) == 0 &&
          name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
        pending = true;
    }
    ::closedir(dir);
  }
  return pending;
}

bool WriteWhole(int fd, const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    ssize_t put = ::write(fd, text.data() + done, text.size() - done);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return false;
    done += static_cast<size_t>(put);
  }
  return true;
}

bool Matches(int fd, uint64_t size, uint64_t digest) {
  uint64_t s = 0, d = 0;
  return DigestOfFile(fd, &s, &d) && s == size && d == digest;
}

// Copies the file at `source` over `file` and cuts it to `size`, when the
// source is exactly the version `size` and `digest` describe; true when
// `file` is that version afterwards, synced.
bool PutBack(int file, const std::string& source, uint64_t size, uint64_t digest) {
  int from = OpenLeftover(source, O_RDONLY);
  if (from < 0) return false;
  const StoreStep step = StoreStep::kPutBack;
  const bool ok = Matches(from, size, digest) && CopyBytes(from, file, size, &step) &&
                  ::ftruncate(file, static_cast<off_t>(size)) == 0 && SyncFile(file) &&
                  Matches(file, size, digest);
  ::close(from);
  return ok;
}

}  // namespace

DbResult CStoreFile::CommitInPlace(bool* keep_temp) {
  *keep_temp = false;
  const int file = lock_.fd();
  struct stat old_st;
  InPlaceMark mark;
  if (::fstat(file, &old_st) != 0 || !DigestOfFile(fd_, &mark.new_size, &mark.new_digest))
    return DB_ERR_WRITE;
  mark.inode = static_cast<uint64_t>(old_st.st_ino);
  mark.old_size = static_cast<uint64_t>(old_st.st_size);
  mark.temp = temp_path_.substr(temp_path_.rfind('/') + 1);
  // The names carry F's inode, so that a later clean-up never takes them
  // for another file's.
  const std::string folder = FolderOf(target_path_);
  const std::string tag = std::to_string(::getpid()) + "-" + std::to_string(old_st.st_ino);
  const std::string keep_path = folder + "/" + KeepPrefix(target_path_) + tag;
  const std::string mark_path = folder + "/" + MarkPrefix(target_path_) + tag;
  if (RewritePending(target_path_, mark.inode)) {
    // An earlier rewrite that could not be finished still needs its files,
    // and would take any other version of F for a mixture: F is not written
    // over until an open has sorted it out.
    StoreLog("Save of %s refused: an interrupted rewrite is still pending (%s)", target_path_.c_str(),
             mark_path.c_str());
    return DB_ERR_WRITE;
  }
  ::unlink(keep_path.c_str());  // one of ours from before that never got its note: F was whole

  int keep = ::open(keep_path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                    PrivateMode(old_st.st_mode));
  if (keep < 0) return DB_ERR_WRITE;
  NoteLiveTemp(keep_path, true);
  StoreDigest old_digest;
  const StoreStep copy_step = StoreStep::kCopyKeep;
  bool ok = CopyBytes(file, keep, mark.old_size, &copy_step, &old_digest) &&
            SyncFile(keep, StoreStep::kSyncKeep);
  mark.old_digest = old_digest.Final();
  int note = -1;
  if (ok) {
    note = ::open(mark_path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    ok = note >= 0;
  }
  if (ok) {
    NoteLiveTemp(mark_path, true);
    ok = Step(StoreStep::kWriteMark) && WriteWhole(note, MarkText(mark)) &&
         SyncFile(note, StoreStep::kSyncMark) && SyncFolder(target_path_, StoreStep::kSyncFolder);
  }
  if (note >= 0) ::close(note);
  auto done_with_files = [&] {
    ::close(keep);
    NoteLiveTemp(keep_path, false);
    NoteLiveTemp(mark_path, false);
  };
  if (!ok) {
    // F has not been touched: the note and the kept copy are only in the way.
    if (note >= 0) ::unlink(mark_path.c_str());
    ::unlink(keep_path.c_str());
    done_with_files();
    return DB_ERR_WRITE;
  }

  const StoreStep over_step = StoreStep::kOverwrite;
  const bool written = CopyBytes(fd_, file, mark.new_size, &over_step) && Step(StoreStep::kCutToLength) &&
                       ::ftruncate(file, static_cast<off_t>(mark.new_size)) == 0 &&
                       SyncFile(file, StoreStep::kSyncStore);
  DbResult rc = DB_OK;
  if (!written) {
    rc = DB_ERR_WRITE;
    if (!PutBack(file, keep_path, mark.old_size, mark.old_digest)) {
      // The next open tries again; until then F, the note, the kept copy
      // and the new bytes stay as they are.
      StoreLog("Interrupted save of %s could not be undone; kept %s", target_path_.c_str(), keep_path.c_str());
      done_with_files();
      *keep_temp = true;
      return rc;
    }
  }
  // F is whole: the note goes first. Should removing it fail, the next open
  // finds F whole and only tidies up.
  if (Step(StoreStep::kRemoveMark)) ::unlink(mark_path.c_str());
  if (Step(StoreStep::kRemoveKeep)) ::unlink(keep_path.c_str());
  done_with_files();
  if (rc == DB_OK) committed_stamp_ = StampOfDescriptor(file);
  return rc;
}

int storefile::RecoverInPlaceRewrites(const std::string& target, const std::vector<std::string>& marks,
                                      const std::vector<std::string>& keeps,
                                      const std::vector<std::string>& temps, std::set<std::string>* held) {
  (void)temps;  // removed by the caller unless held here
  const std::string folder = FolderOf(target);
  int removed = 0;
  auto remove = [&](const std::string& name) {
    if (!name.empty() && ::unlink((folder + "/" + name).c_str()) == 0) ++removed;
  };
  for (const std::string& name : marks) {
    // ".NAME.inplace-PID-INODE", NAME being the one the saver wrote through.
    const size_t at = name.rfind(".inplace-");
    if (at == std::string::npos) continue;
    const std::string lead = name.substr(0, at);
    const std::string tag = name.substr(at + 9);
    const std::string owner = tag.substr(0, tag.find('-'));
    const std::string keep_name = lead + ".keep-" + tag;
    InPlaceMark mark;
    bool settled = true;
    if (ReadMark(folder + "/" + name, lead + ".tmp-" + owner + "-", &mark)) {
      int file = ::open(target.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
      if (file < 0 && errno != ENOENT) file = ::open(target.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
      struct stat st;
      if (file < 0) {
        settled = errno == ENOENT;  // F is gone: nothing left to finish
      } else if (::fstat(file, &st) != 0 || !S_ISREG(st.st_mode)) {
        settled = false;
      } else if (static_cast<uint64_t>(st.st_ino) == mark.inode &&
                 !Matches(file, mark.new_size, mark.new_digest) &&
                 !Matches(file, mark.old_size, mark.old_digest)) {
        // A mixture of the two versions.
        if (PutBack(file, folder + "/" + keep_name, mark.old_size, mark.old_digest)) {
          StoreLog("Interrupted save of %s undone from %s", target.c_str(), (folder + "/" + keep_name).c_str());
        } else if (PutBack(file, folder + "/" + mark.temp, mark.new_size, mark.new_digest)) {
          StoreLog("Interrupted save of %s finished from %s", target.c_str(), (folder + "/" + mark.temp).c_str());
        } else {
          StoreLog("Interrupted save of %s cannot be finished yet; its files are kept", target.c_str());
          settled = false;
        }
      }
      if (file >= 0) ::close(file);
    }
    if (settled) {
      // The note first (3), then the copies it vouched for.
      remove(name);
      remove(keep_name);
      remove(mark.temp);
    } else {
      held->insert(name);
      held->insert(keep_name);
      held->insert(mark.temp);
    }
  }
  for (const std::string& name : keeps)
    if (held->count(name) == 0) remove(name);
  return removed;
}

}  // namespace quillet
