// Writing files into folders that other programs and other local users may
// also put things in: the output folder (the HotSync conduit, copies), the
// theme folder and the cache.
//
// A file is never opened for writing under its final name. It is made new,
// under a temporary name beside that name, without following a symbolic
// link, and renamed over the final name once it is complete. So:
//   - a symbolic link (or a hard link) planted under the final name is
//     replaced by our file, never written through;
//   - a write that fails part way leaves the old file exactly as it was and
//     no temporary file behind.
//
// Reading for a copy can be confined to a folder: a source that is, or
// passes through, a symbolic link leading outside that folder is refused.
//
// Every result is 0 for success or an errno value. No Qt; usable from every
// core and program.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace quillet {

// One file being made to replace `path`. The temporary file lives in the
// same folder, so the final rename never crosses file systems.
class ReplacingFile {
 public:
  ReplacingFile() = default;
  ~ReplacingFile();  // removes the temporary file unless committed
  ReplacingFile(const ReplacingFile&) = delete;
  ReplacingFile& operator=(const ReplacingFile&) = delete;

  // Creates the temporary file for `path` (its folder must exist; a
  // trailing '/' or an empty name is EINVAL; a folder under the name is
  // EISDIR; a device, pipe or socket under it is EINVAL and left alone). An
  // existing regular file at `path` lends its permission bits; otherwise
  // the file is 0600: what we write (pictures, pages, previews, indexes,
  // exports) holds the user's records and is nobody else's to read.
  int Open(const std::string& path);
  // The temporary file's descriptor, open for writing; -1 when not open.
  int fd() const { return fd_; }
  // Writes all of `bytes`.
  int Write(std::string_view bytes);
  // Puts the file in place. With `replace` false an existing entry under
  // the name is kept and EEXIST returned. With `durable` the data reach the
  // disk before the rename. Either way the temporary file is gone after.
  int Commit(bool replace = true, bool durable = false);
  // Gives up: the temporary file is removed, the final name untouched.
  void Discard();

  // The name the file is made under while it is written (for tests and
  // clean-up): "." + a prefix of the final name + a random suffix + ".tmp".
  const std::string& temporaryName() const { return temp_name_; }

 private:
  int dir_fd_ = -1;
  int fd_ = -1;
  std::string name_;       // final name inside the folder
  std::string temp_name_;  // temporary name inside the folder
};

// `bytes` as the whole new content of `path` (see ReplacingFile).
int ReplaceFileContents(const std::string& path, std::string_view bytes, bool durable = false);

// Reads the regular file `path` whole. With a non-empty `root`, the file is
// read only when its real location (every symbolic link followed) lies
// inside the real location of the folder `root`; otherwise EACCES. Folders,
// devices and pipes are EINVAL and are never opened for long; a file of
// more than `maxBytes` (or one that grows past them while read) is EFBIG,
// with nothing kept.
int ReadFileWithin(const std::string& root, const std::string& path, std::string* out, size_t maxBytes);

// Copies the regular file `from` (confined to `root` as ReadFileWithin) to
// `to`, replacing what is there (see ReplacingFile); with `replace` false an
// existing `to` is kept and EEXIST returned. Copying a file onto itself is
// EINVAL and changes nothing.
int CopyFileWithin(const std::string& root, const std::string& from, const std::string& to,
                   bool replace = true);

// Opens the regular file `path` for reading (binary), as every input the
// user names is opened: without waiting on a pipe or device planted under
// the name. Null with errno set otherwise (EINVAL: not a regular file).
std::FILE* OpenInputFile(const std::string& path);

// True when `path` is a regular file and not a symbolic link.
bool IsOwnRegularFile(const std::string& path);

// Creates `path` and every missing folder above it, each 0700; folders
// that exist are left as they are. 0, or the errno of the step that failed
// (ENOTDIR when something else is in the way).
int MakePrivateFolders(const std::string& path);

// Who may enter one of our folders.
enum class FolderAccess : uint8_t {
  kNotOurs,    // missing, not a folder (a link is not followed), or another user's
  kPrivate,    // no group or other permission bits
  kTightened,  // was 0755 or 0775, as our folders used to be made: now 0700
  kOpen,       // group or others may read or enter it, as the person set it
};
// Checks the folder; with `tighten` a folder with the old default modes is
// made 0700 (see kTightened).
FolderAccess CheckFolderAccess(const std::string& path, bool tighten);

}  // namespace quillet

