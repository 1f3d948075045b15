#include "desktop/records/PictureIndex.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string_view>

#include "platform/files/SafeFiles.h"
#include "store/StoreFile.h"

namespace quillet {
namespace {

// The index file: "QPIX", version, the folder it describes, the entries,
// and a digest of everything before it.
constexpr char kMagic[4] = {'Q', 'P', 'I', 'X'};
constexpr uint32_t kVersion = 1;
// The fewest bytes one entry takes: its name's size and five numbers.
constexpr size_t kMinEntryBytes = 4 + 5 * 8;
// No index of a real picture folder comes near this; a larger file is not
// read at all.
constexpr int64_t kMaxIndexBytes = int64_t{64} << 20;

void PutU32(std::string* out, uint32_t v) { out->append(reinterpret_cast<const char*>(&v), 4); }
void PutU64(std::string* out, uint64_t v) { out->append(reinterpret_cast<const char*>(&v), 8); }

class Reader {
 public:
  explicit Reader(std::string_view bytes) : bytes_(bytes) {}
  bool U32(uint32_t* v) { return Take(v, 4); }
  bool U64(uint64_t* v) { return Take(v, 8); }
  bool Text(size_t n, std::string* out) {
    if (bytes_.size() - pos_ < n) return false;
    out->assign(bytes_.data() + pos_, n);
    pos_ += n;
    return true;
  }
  size_t pos() const { return pos_; }

 private:
  bool Take(void* v, size_t n) {
    if (bytes_.size() - pos_ < n) return false;
    std::memcpy(v, bytes_.data() + pos_, n);
    pos_ += n;
    return true;
  }
  std::string_view bytes_;
  size_t pos_ = 0;
};

}  // namespace

uint64_t PictureDigest(const uint8_t* data, size_t size) {
  // The store's own digest: one routine for every file the program checks.
  StoreDigest digest;
  digest.Update(data, size);
  return digest.Final();
}

bool ReadPictureFileState(const std::string& path, PictureFileState* state) {
  struct stat st;
  // Only a regular file we own can be one this program wrote: a file
  // another user put under the name is never taken for ours.
  if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) return false;
  state->size = static_cast<int64_t>(st.st_size);
  state->mtimeNs = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  state->inode = static_cast<uint64_t>(st.st_ino);
  return true;
}

std::string CPictureIndex::PathFor(const std::string& cacheFolder, const std::string& outputFolder) {
  if (cacheFolder.empty()) return std::string();
  char name[40];
  std::snprintf(name, sizeof name, "pictures-%016llx.idx",
                static_cast<unsigned long long>(PictureDigest(
                    reinterpret_cast<const uint8_t*>(outputFolder.data()), outputFolder.size())));
  std::string path = cacheFolder;
  if (path.back() != '/') path += '/';
  return path + name;
}

bool CPictureIndex::Load(const std::string& path, const std::string& outputFolder) {
  entries_.clear();
  folder_ = outputFolder;
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > kMaxIndexBytes ||
      st.st_uid != ::geteuid())
    return false;
  std::string bytes;
  if (ReadFileWithin("", path, &bytes, static_cast<size_t>(kMaxIndexBytes)) != 0) return false;
  if (bytes.size() < 4 + 4 + 4 + 4 + 8 || std::memcmp(bytes.data(), kMagic, 4) != 0) return false;
  const size_t body = bytes.size() - 8;
  uint64_t stored = 0;
  std::memcpy(&stored, bytes.data() + body, 8);
  if (stored != PictureDigest(reinterpret_cast<const uint8_t*>(bytes.data()), body)) return false;

  Reader r(std::string_view(bytes.data(), body));
  std::string skip, folder;
  uint32_t version = 0, folderSize = 0, count = 0;
  if (!r.Text(4, &skip) || !r.U32(&version) || version != kVersion || !r.U32(&folderSize) ||
      !r.Text(folderSize, &folder) || folder != outputFolder || !r.U32(&count))
    return false;
  // The count is believed only as far as the bytes left can hold entries.
  if (count > (body - r.pos()) / kMinEntryBytes) return false;
  std::unordered_map<std::string, Entry> read;
  read.reserve(count);
  for (uint32_t i = 0; i < count; ++i) {
    uint32_t nameSize = 0;
    std::string name;
    Entry e;
    uint64_t size = 0, mtime = 0;
    if (!r.U32(&nameSize) || !r.Text(nameSize, &name) || !r.U64(&e.digest) || !r.U64(&e.dataSize) ||
        !r.U64(&size) || !r.U64(&mtime) || !r.U64(&e.file.inode))
      return false;
    e.file.size = static_cast<int64_t>(size);
    e.file.mtimeNs = static_cast<int64_t>(mtime);
    read[std::move(name)] = e;
  }
  if (r.pos() != body) return false;
  entries_ = std::move(read);
  return true;
}

bool CPictureIndex::Save(const std::string& path) const {
  std::string out;
  out.reserve(64 + folder_.size() + entries_.size() * 64);
  out.append(kMagic, 4);
  PutU32(&out, kVersion);
  PutU32(&out, static_cast<uint32_t>(folder_.size()));
  out += folder_;
  PutU32(&out, static_cast<uint32_t>(entries_.size()));
  for (const auto& [name, e] : entries_) {
    PutU32(&out, static_cast<uint32_t>(name.size()));
    out += name;
    PutU64(&out, e.digest);
    PutU64(&out, e.dataSize);
    PutU64(&out, static_cast<uint64_t>(e.file.size));
    PutU64(&out, static_cast<uint64_t>(e.file.mtimeNs));
    PutU64(&out, e.file.inode);
  }
  PutU64(&out, PictureDigest(reinterpret_cast<const uint8_t*>(out.data()), out.size()));
  return ReplaceFileContents(path, out) == 0;
}

const CPictureIndex::Entry* CPictureIndex::Find(const std::string& name) const {
  auto it = entries_.find(name);
  return it == entries_.end() ? nullptr : &it->second;
}

void CPictureIndex::Put(const std::string& name, const Entry& entry) { entries_[name] = entry; }

void CPictureIndex::Erase(const std::string& name) { entries_.erase(name); }

bool CPictureIndex::Fresh(const std::string& name, const std::string& path, uint64_t digest,
                          uint64_t dataSize) const {
  const Entry* e = Find(name);
  if (e == nullptr || e->digest != digest || e->dataSize != dataSize) return false;
  PictureFileState now;
  return ReadPictureFileState(path, &now) && now == e->file;
}

}  // namespace quillet
