// Pieces of the store file wrapper shared by its parts (StoreFileShared.cpp,
// StoreFile.cpp: reading, StoreFileWrite.cpp: writing). Not for use outside
// the store file code.
#pragma once

#include <sys/stat.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "store/StoreFile.h"

namespace quillet::storefile {

inline constexpr size_t kBufferSize = 64 * 1024;
// Reads this big (what is left of them once the buffer is used up) bypass it.
inline constexpr size_t kDirectRead = 8 * 1024;
inline constexpr size_t kCopyChunk = 1 << 20;

std::string FolderOf(const std::string& path);
std::string TempPrefix(const std::string& target);
std::string KeepPrefix(const std::string& target);
FileStamp StampOf(const struct stat& st);
// Syncs the folder `file` is in, unless syncing is off (SetStoreSync).
void SyncFolder(const std::string& file);
// fsync unless syncing is off.
bool SyncFile(int fd);
// Creates a temporary file beside `target`; O_EXCL with mode 0666 lets the
// umask decide the permissions, as for any new file.
int CreateBeside(const std::string& target, const std::string& name_prefix, std::string* made);
// Copies `size` bytes from the start of `from` over the start of `to`.
bool CopyBytes(int from, int to, uint64_t size);
// Notes a temporary file this process is writing right now (or no longer),
// so that a clean-up never takes it for a leftover.
void NoteLiveTemp(const std::string& path, bool live);

}  // namespace quillet::storefile
