#include "windows/core/PictureFiles.h"

#include <sys/stat.h>

#include <functional>
#include <string_view>

#include "reports/ImagingWriter.h"
#include "store/RecordKinds.h"

namespace quillet {

CPictureFiles::CPictureFiles(IImageWriter* writer) : writer_(writer) {
  if (writer_ == nullptr) writer_ = own_writer_ = new ImagingWriter;
}

CPictureFiles::~CPictureFiles() { delete own_writer_; }

bool CPictureFiles::FileState(const std::string& path, Written* state) {
  struct stat st;
  // A link under the picture's name is no picture of ours: written again
  // (which replaces the link).
  if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  state->fileSize = static_cast<int64_t>(st.st_size);
  state->fileMtimeNs = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  state->fileInode = static_cast<uint64_t>(st.st_ino);
  return true;
}

CPictureFiles::Outcome CPictureFiles::Write(const std::string& path, const CImageRecord& image) {
  if (image.format == kImageFormatSketch || image.data.empty()) return Outcome::kNotJpeg;

  Written now;
  now.dataSize = image.data.size();
  now.dataHash = std::hash<std::string_view>{}(
      std::string_view(reinterpret_cast<const char*>(image.data.data()), image.data.size()));

  auto it = files_.find(path);
  if (it != files_.end() && it->second.dataHash == now.dataHash &&
      it->second.dataSize == now.dataSize) {
    Written on_disk;
    if (FileState(path, &on_disk) && on_disk.fileSize == it->second.fileSize &&
        on_disk.fileMtimeNs == it->second.fileMtimeNs &&
        on_disk.fileInode == it->second.fileInode) {
      ++kept_;
      return Outcome::kKept;
    }
  }

  now.hasFile = writer_->WriteJpeg(path, image.width, image.height, image.data.data(),
                                   image.data.size()) &&
                FileState(path, &now);
  if (!now.hasFile) {
    // Not remembered: a write that failed (a full disk, a missing folder)
    // is tried again on the next fill.
    files_.erase(path);
    return Outcome::kNotJpeg;
  }
  files_[path] = now;
  ++written_;
  return Outcome::kWritten;
}

void CPictureFiles::Forget(const std::string& path) { files_.erase(path); }

void CPictureFiles::Clear() { files_.clear(); }

}  // namespace quillet
