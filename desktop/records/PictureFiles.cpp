#include "desktop/records/PictureFiles.h"

#include <chrono>
#include <filesystem>
#include <system_error>
#include <utility>

#include "desktop/db/CurrentDatabase.h"
#include "platform/files/SafeFiles.h"
#include "reports/ImagingWriter.h"
#include "reports/ReportPaths.h"
#include "store/RecordKinds.h"

namespace quillet {
namespace {

// Picture bytes handed to the background thread at any one time.
constexpr size_t kJobBytes = 4u << 20;

using Clock = std::chrono::steady_clock;

bool EnsureFolderOfIndex(const std::string& indexPath) {
  const std::filesystem::path folder = std::filesystem::path(indexPath).parent_path();
  return MakePrivateFolders(folder.string()) == 0;
}

}  // namespace

CPictureFiles::CPictureFiles(IImageWriter* writer) : writer_(writer) {
  if (writer_ == nullptr) {
    own_writer_ = std::make_unique<ImagingWriter>();
    writer_ = own_writer_.get();
  }
}

CPictureFiles::~CPictureFiles() {
  StopThread();
  SaveIndexes();
}

void CPictureFiles::SetCacheFolder(const std::string& cacheFolder) {
  std::lock_guard<std::mutex> write(write_mu_);
  std::lock_guard<std::mutex> lock(mu_);
  cache_folder_ = cacheFolder;
  folders_.clear();
}

void CPictureFiles::SetBackground(bool on, std::function<void()> wake) {
  if (on) {
    {
      std::lock_guard<std::mutex> lock(mu_);
      wake_ = std::move(wake);
    }
    background_ = true;
    StartThread();
    return;
  }
  StopThread();
  background_ = false;
  std::lock_guard<std::mutex> lock(mu_);
  wake_ = nullptr;
  noted_.clear();
  noted_paths_.clear();
  jobs_.clear();
  job_bytes_ = 0;
}

// --- The index ------------------------------------------------------------------

CPictureFiles::Folder& CPictureFiles::FolderOf(const std::string& path, std::string* name) {
  const size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  *name = slash == std::string::npos ? path : path.substr(slash + 1);
  Folder& f = folders_[folder];
  if (!f.loaded) {
    f.loaded = true;
    f.indexPath = CPictureIndex::PathFor(cache_folder_, folder);
    // A missing or damaged index starts empty: every file is made again
    // once, and the index written anew.
    if (!f.indexPath.empty() && !f.index.Load(f.indexPath, folder)) f.dirty = true;
  }
  return f;
}

bool CPictureFiles::FreshLocked(const std::string& path, uint64_t digest, uint64_t size) {
  std::string name;
  Folder& f = FolderOf(path, &name);
  return f.index.Fresh(name, path, digest, size);
}

void CPictureFiles::RememberLocked(const std::string& path, uint64_t digest, uint64_t size) {
  std::string name;
  Folder& f = FolderOf(path, &name);
  CPictureIndex::Entry e;
  e.digest = digest;
  e.dataSize = size;
  if (ReadPictureFileState(path, &e.file)) {
    f.index.Put(name, e);
  } else {
    f.index.Erase(name);
  }
  f.dirty = true;
}

void CPictureFiles::DropQueuedLocked(const std::string& path) {
  for (auto it = jobs_.begin(); it != jobs_.end();) {
    if (it->path == path) {
      job_bytes_ -= it->data.size();
      it = jobs_.erase(it);
    } else {
      ++it;
    }
  }
}

void CPictureFiles::SaveIndexes() {
  std::lock_guard<std::mutex> lock(mu_);
  for (auto& [folder, f] : folders_) {
    if (!f.dirty || f.indexPath.empty()) continue;
    // Only the cache holds it: a failure costs encodings on the next start.
    if (EnsureFolderOfIndex(f.indexPath) && f.index.Save(f.indexPath)) f.dirty = false;
  }
}

// --- Writing at once ------------------------------------------------------------

CPictureFiles::Outcome CPictureFiles::WriteNow(const std::string& path, uint32_t width,
                                               uint32_t height, const uint8_t* data, size_t size,
                                               uint64_t digest) {
  std::lock_guard<std::mutex> write(write_mu_);
  {
    std::lock_guard<std::mutex> lock(mu_);
    // What is written now is the newest: a waiting copy is older.
    DropQueuedLocked(path);
    if (FreshLocked(path, digest, size)) {
      ++kept_;
      return Outcome::kKept;
    }
  }
  const bool ok = writer_->WriteJpeg(path, width, height, data, size);
  std::lock_guard<std::mutex> lock(mu_);
  if (!ok) {
    // Not remembered: a write that failed (a full disk, a missing folder)
    // is tried again next time.
    std::string name;
    FolderOf(path, &name).index.Erase(name);
    return Outcome::kNotJpeg;
  }
  RememberLocked(path, digest, size);
  ++written_;
  return Outcome::kWritten;
}

CPictureFiles::Outcome CPictureFiles::Write(const std::string& path, const CImageRecord& image) {
  if (image.format == kImageFormatSketch || image.data.empty()) return Outcome::kNotJpeg;
  return WriteNow(path, image.width, image.height, image.data.data(), image.data.size(),
                  PictureDigest(image.data.data(), image.data.size()));
}

CPictureFiles::Outcome CPictureFiles::Request(const std::string& path, const CImageRecord& image) {
  if (image.format == kImageFormatSketch || image.data.empty()) return Outcome::kNotJpeg;
  if (!background_) return Write(path, image);
  bool first = false;
  std::function<void()> wake;
  {
    std::lock_guard<std::mutex> lock(mu_);
    if (noted_paths_.insert(path).second) {
      first = noted_.empty();
      noted_.push_back({path, image.recordId});
    }
    wake = wake_;
  }
  if (first && wake) wake();
  return Outcome::kQueued;
}

bool CPictureFiles::WriteJpeg(const std::string& path, uint32_t width, uint32_t height,
                              const uint8_t* data, size_t size) {
  if (data == nullptr || size == 0) return false;
  return WriteNow(path, width, height, data, size, PictureDigest(data, size)) != Outcome::kNotJpeg;
}

bool CPictureFiles::WriteSketch(const uint8_t* data, size_t size, const std::string& path) {
  return writer_->WriteSketch(data, size, path);
}

void CPictureFiles::Forget(const std::string& path) {
  // A write of this file under way ends first, so that nothing puts the
  // file back after the caller removed it.
  std::lock_guard<std::mutex> write(write_mu_);
  std::lock_guard<std::mutex> lock(mu_);
  DropQueuedLocked(path);
  if (noted_paths_.erase(path) != 0) {
    for (auto it = noted_.begin(); it != noted_.end(); ++it)
      if (it->path == path) {
        noted_.erase(it);
        break;
      }
  }
  std::string name;
  Folder& f = FolderOf(path, &name);
  f.index.Erase(name);
  f.dirty = true;
}

void CPictureFiles::Clear() {
  std::lock_guard<std::mutex> write(write_mu_);
  std::lock_guard<std::mutex> lock(mu_);
  for (auto& [folder, f] : folders_) {
    f.index.Clear();
    f.dirty = true;
  }
}

// --- Writing in the background ----------------------------------------------------

bool CPictureFiles::Pump(int budgetMs) {
  const Clock::time_point until = Clock::now() + std::chrono::milliseconds(budgetMs);
  for (;;) {
    Noted next;
    {
      std::lock_guard<std::mutex> lock(mu_);
      if (noted_.empty()) return false;
      // Enough copied: the thread asks for more when it has used some up.
      if (job_bytes_ >= kJobBytes) return false;
      next = std::move(noted_.front());
      noted_.pop_front();
      noted_paths_.erase(next.path);
    }
    // The record as it is now: changed, renamed or gone since it was noted.
    const auto* image = RecordAs<CImageRecord>(FindRecord(next.recordId));
    if (image != nullptr && image->format != kImageFormatSketch && !image->data.empty() &&
        IsPlainFileName(image->fileName)) {
      const size_t slash = next.path.rfind('/');
      const std::string folder = slash == std::string::npos ? std::string() : next.path.substr(0, slash + 1);
      if (folder + OutputFileName(image->fileName) == next.path) {
        // The digest and the look at the index are the thread's: a picture
        // whose file is already made costs this thread no pass over its
        // bytes.
        Job job;
        job.path = std::move(next.path);
        job.width = image->width;
        job.height = image->height;
        job.data = image->data;
        std::lock_guard<std::mutex> lock(mu_);
        job_bytes_ += job.data.size();
        jobs_.push_back(std::move(job));
        work_cv_.notify_one();
      }
    }
    if (Clock::now() >= until) {
      std::lock_guard<std::mutex> lock(mu_);
      return !noted_.empty();
    }
  }
}

size_t CPictureFiles::pending() const {
  std::lock_guard<std::mutex> lock(mu_);
  return noted_.size() + jobs_.size() + (writing_.empty() ? 0 : 1);
}

void CPictureFiles::Finish() {
  for (;;) {
    Pump(1000);
    std::unique_lock<std::mutex> lock(mu_);
    if (noted_.empty() && jobs_.empty() && writing_.empty()) break;
    if (!thread_.joinable()) {
      // Nothing writes them: do it here.
      lock.unlock();
      for (;;) {
        Job job;
        {
          std::lock_guard<std::mutex> l(mu_);
          if (jobs_.empty()) break;
          job = std::move(jobs_.front());
          jobs_.pop_front();
          job_bytes_ -= job.data.size();
        }
        WriteNow(job.path, job.width, job.height, job.data.data(), job.data.size(),
                 PictureDigest(job.data.data(), job.data.size()));
      }
      continue;
    }
    idle_cv_.wait_for(lock, std::chrono::milliseconds(20));
  }
  SaveIndexes();
}

void CPictureFiles::StartThread() {
  if (thread_.joinable()) return;
  {
    std::lock_guard<std::mutex> lock(mu_);
    stop_ = false;
  }
  thread_ = std::thread([this] { ThreadMain(); });
}

void CPictureFiles::StopThread() {
  if (!thread_.joinable()) return;
  {
    std::lock_guard<std::mutex> lock(mu_);
    stop_ = true;
  }
  work_cv_.notify_all();
  thread_.join();
}

void CPictureFiles::ThreadMain() {
  for (;;) {
    {
      std::unique_lock<std::mutex> lock(mu_);
      work_cv_.wait(lock, [this] { return stop_ || !jobs_.empty(); });
      if (stop_) return;
    }
    // The job is taken with both locks held, so that Forget and a write at
    // once never fall between taking it and writing it.
    std::unique_lock<std::mutex> write(write_mu_);
    std::unique_lock<std::mutex> lock(mu_);
    if (stop_) return;
    if (jobs_.empty()) continue;
    Job job = std::move(jobs_.front());
    jobs_.pop_front();
    job_bytes_ -= job.data.size();
    writing_ = job.path;  // pending from here until it is done
    // The bytes are shared and never changed in place: they are read
    // without the lock (write_mu_ keeps Forget and writes at once out).
    lock.unlock();
    const uint64_t digest = PictureDigest(job.data.data(), job.data.size());
    lock.lock();
    if (stop_) {
      writing_.clear();
      return;
    }
    const bool fresh = FreshLocked(job.path, digest, job.data.size());
    std::function<void()> wake = !noted_.empty() && job_bytes_ < kJobBytes / 2 ? wake_ : nullptr;
    lock.unlock();
    if (wake) wake();

    bool ok = fresh;
    if (!fresh) ok = writer_->WriteJpeg(job.path, job.width, job.height, job.data.data(), job.data.size());
    lock.lock();
    if (fresh) {
      ++kept_;
    } else if (ok) {
      RememberLocked(job.path, digest, job.data.size());
      ++written_;
    }
    writing_.clear();
    const bool idle = jobs_.empty() && noted_.empty();
    lock.unlock();
    write.unlock();
    if (idle) {
      SaveIndexes();
      idle_cv_.notify_all();
    }
  }
}

}  // namespace quillet
