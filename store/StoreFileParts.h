// Pieces of the store file wrapper shared by its parts (StoreFileShared.cpp,
// StoreFile.cpp: reading, StoreFileWrite.cpp: writing). Not for use outside
// the store file code.
#pragma once

#include <sys/stat.h>

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "store/StoreFile.h"

namespace quillet::storefile {

inline constexpr size_t kBufferSize = 64 * 1024;
// Reads this big (what is left of them once the buffer is used up) bypass it.
inline constexpr size_t kDirectRead = 8 * 1024;
inline constexpr size_t kCopyChunk = 1 << 20;

std::string FolderOf(const std::string& path);
std::string TempPrefix(const std::string& target);
std::string KeepPrefix(const std::string& target);
std::string MarkPrefix(const std::string& target);
FileStamp StampOf(const struct stat& st);
// Tells the step hook (SetStoreStepHook) about `step`; false when it says
// the step fails.
bool Step(StoreStep step);
// Syncs the folder `file` is in (after telling the hook `step`), unless
// syncing is off (SetStoreSync). False when the hook or fsync fails.
bool SyncFolder(const std::string& file, StoreStep step);
bool SyncFolder(const std::string& file);
// fsync (after telling the hook `step`) unless syncing is off.
bool SyncFile(int fd, StoreStep step);
bool SyncFile(int fd);
// The mode a file holding a copy of a file of mode `mode` is created with:
// 0600, or narrower where `mode` is narrower.
inline mode_t PrivateMode(mode_t mode) { return mode & 0600; }
// Creates a temporary file beside `target` (O_EXCL) with mode `mode` (under
// the umask).
int CreateBeside(const std::string& target, const std::string& name_prefix, mode_t mode, std::string* made);
// Copies `size` bytes from the start of `from` over the start of `to`.
// With `step`, the hook sees it before each piece; with `digest`, the bytes
// copied are fed to it.
bool CopyBytes(int from, int to, uint64_t size, const StoreStep* step = nullptr,
               StoreDigest* digest = nullptr);
// Digest and size of a whole open file; false when it cannot be read.
bool DigestOfFile(int fd, uint64_t* size, uint64_t* digest);
// Opens a leftover file beside a store: no symbolic link followed, no
// waiting, only a regular file. -1 otherwise.
int OpenLeftover(const std::string& path, int flags);
// The in-place rewrites of `target` that were cut off, given the leftovers
// of processes that are gone (`marks` may include notes of rewrites made
// through another name of the same file): each is finished one way or the
// other (StoreFileInPlace.cpp). Removes the notes, kept copies and
// temporary files it no longer needs and adds to `held` the files that must
// stay. Returns how many files it removed.
int RecoverInPlaceRewrites(const std::string& target, const std::vector<std::string>& marks,
                           const std::vector<std::string>& keeps, const std::vector<std::string>& temps,
                           std::set<std::string>* held);
// Notes a temporary file this process is writing right now (or no longer),
// so that a clean-up never takes it for a leftover.
void NoteLiveTemp(const std::string& path, bool live);

}  // namespace quillet::storefile
