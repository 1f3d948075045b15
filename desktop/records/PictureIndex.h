// What each picture file of one output folder was made from.
//
// The tree writes every shown JPEG picture into the output folder as the
// quality-100 encoding of the record's bytes. Encoding thousands of them at
// every start costs seconds, so the folder's files are remembered across
// runs: by file name, the digest of the record bytes the file was made from
// and the file's size, time and inode as the write left it. A file whose
// entry matches both the record's bytes and the file on disk is the same
// file an encoding would give, and is kept.
//
// The index is scratch data: it lives in the user's cache folder, one file
// per output folder, and an index that is missing, damaged or made for
// another folder is simply started again (every picture is encoded once
// more).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>

namespace quillet {

// A 64-bit digest of picture bytes: equal bytes, equal digests. Not a
// cryptographic one; with the size beside it a false match is out of reach
// of what a picture library holds.
uint64_t PictureDigest(const uint8_t* data, size_t size);

// A file's state as the index compares it.
struct PictureFileState {
  int64_t size = 0;
  int64_t mtimeNs = 0;
  uint64_t inode = 0;
  bool operator==(const PictureFileState&) const = default;
};
// The state of a regular file at `path`; false for none (or a link, or a
// file another user owns, which is no picture of ours).
bool ReadPictureFileState(const std::string& path, PictureFileState* state);

class CPictureIndex {
 public:
  struct Entry {
    uint64_t digest = 0;    // PictureDigest of the record bytes
    uint64_t dataSize = 0;  // their count
    PictureFileState file;  // the file as it was written
  };

  // The index file for `outputFolder` inside `cacheFolder`: named by a
  // digest of the folder's path, so that each output folder has its own.
  static std::string PathFor(const std::string& cacheFolder, const std::string& outputFolder);

  // Reads the index of `outputFolder` from `path`. False, with the index
  // empty, when there is none, it is damaged, or it belongs to another
  // folder.
  bool Load(const std::string& path, const std::string& outputFolder);
  // Writes it to `path` through a temporary file renamed into place, so a
  // reader never sees half an index. False when it cannot be written.
  bool Save(const std::string& path) const;

  const Entry* Find(const std::string& name) const;
  void Put(const std::string& name, const Entry& entry);
  void Erase(const std::string& name);
  void Clear() { entries_.clear(); }
  size_t size() const { return entries_.size(); }

  // Whether the file `name` at `path` is known to be made from these bytes
  // and is still as it was written.
  bool Fresh(const std::string& name, const std::string& path, uint64_t digest,
             uint64_t dataSize) const;

 private:
  std::string folder_;
  std::unordered_map<std::string, Entry> entries_;
};

}  // namespace quillet
