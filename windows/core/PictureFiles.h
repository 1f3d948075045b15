// The picture files the topic tree leaves in the output folder.
//
// Every fill of the tree writes each shown JPEG picture to its file: the
// stored bytes decoded and encoded again at quality 100, so that the files
// the reports and the image list use match what the store holds. With many
// pictures that is the cost of every change, so a file this run already
// wrote from the same bytes, and that is still as it was left, is not
// encoded again: the result would be the same file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>

namespace quillet {

class CImageRecord;
class IImageWriter;

class CPictureFiles {
 public:
  // `writer` (not owned) does the decoding and encoding; null uses the
  // imaging core's.
  explicit CPictureFiles(IImageWriter* writer = nullptr);
  ~CPictureFiles();
  CPictureFiles(const CPictureFiles&) = delete;
  CPictureFiles& operator=(const CPictureFiles&) = delete;

  enum class Outcome : uint8_t { kWritten, kKept, kNotJpeg };
  // Writes `image`'s picture to `path`. A sketch is never JPEG data and
  // writes nothing; data that does not decode writes nothing either.
  Outcome Write(const std::string& path, const CImageRecord& image);
  // Forgets what was written to `path` (the file was removed).
  void Forget(const std::string& path);
  void Clear();

  // Counts since construction.
  size_t written() const { return written_; }
  size_t kept() const { return kept_; }

 private:
  struct Written {
    size_t dataHash = 0;
    size_t dataSize = 0;
    bool hasFile = false;
    int64_t fileSize = 0;
    int64_t fileMtimeNs = 0;
    uint64_t fileInode = 0;
  };
  static bool FileState(const std::string& path, Written* state);

  IImageWriter* writer_;
  IImageWriter* own_writer_ = nullptr;
  std::unordered_map<std::string, Written> files_;
  size_t written_ = 0;
  size_t kept_ = 0;
};

}  // namespace quillet
