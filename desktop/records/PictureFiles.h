// The picture files the topic tree leaves in the output folder.
//
// Every shown JPEG picture has its file there: the stored bytes decoded and
// encoded again at quality 100, so that the files the reports and the image
// list use match what the store holds. Encoding thousands of pictures costs
// seconds, so a file already made from the same bytes, and still as it was
// left, is not encoded again: per output folder an index (PictureIndex.h)
// remembers what each file was made from, across runs when a cache folder
// is given, else for this run only.
//
// Files are always written under a temporary name and renamed into place:
// a report or the browser pane never sees half a picture.
//
// Two ways of writing:
//  - at once (Write, and Request without background writing): the file is
//    there when the call returns;
//  - in the background (SetBackground): Request only notes the picture.
//    Taking the noted pictures' bytes from their records happens on the
//    calling thread in short slices (Pump); their digests, the check
//    against the index, the decoding and encoding on a thread of their
//    own. The records are only read by Pump, so the store stays the
//    calling thread's alone; the thread gets a shared reference to the
//    bytes (PictureBytes, never changed in place while shared), for at
//    most a few megabytes of pictures at any time. A picture that a
//    report needs now is written at once through WriteJpeg, whatever the
//    background is doing.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_set>
#include <vector>

#include "desktop/records/PictureIndex.h"
#include "reports/ReportSource.h"
#include "store/PictureBytes.h"

namespace quillet {

class CImageRecord;

class CPictureFiles : public IImageWriter {
 public:
  // `writer` (not owned) does the decoding and encoding; null uses the
  // imaging core's. It must write through a temporary file and may be
  // called from the background thread.
  explicit CPictureFiles(IImageWriter* writer = nullptr);
  ~CPictureFiles() override;  // stops the background thread, keeps the indexes
  CPictureFiles(const CPictureFiles&) = delete;
  CPictureFiles& operator=(const CPictureFiles&) = delete;

  // Keeps one index file per output folder in `cacheFolder` ("" keeps
  // them in memory only). Forgets what was known so far.
  void SetCacheFolder(const std::string& cacheFolder);

  // Switches background writing on or off. `wake` is called (from any
  // thread) when Pump has work; it should arrange for Pump to run soon on
  // the thread that owns the store. Off: waits for the current file and
  // drops what was still waiting (it is noted again by the next fill).
  void SetBackground(bool on, std::function<void()> wake = {});
  bool background() const { return background_; }

  enum class Outcome : uint8_t { kWritten, kKept, kNotJpeg, kQueued };
  // Writes `image`'s picture to `path` now unless the file is already made
  // from these bytes. A sketch is never JPEG data and writes nothing; data
  // that does not decode writes nothing either.
  Outcome Write(const std::string& path, const CImageRecord& image);
  // As Write, but with background writing only notes the picture (of the
  // record `image`, by its id) and returns kQueued.
  Outcome Request(const std::string& path, const CImageRecord& image);

  // Forgets what was written to `path`, and drops a background write of
  // it (one under way is waited for): call before removing the file.
  void Forget(const std::string& path);
  // Forgets every file (they are all checked, and written, again).
  void Clear();

  // Background writing, on the thread that owns the store: hands noted
  // pictures' bytes to the background thread, which writes those whose
  // files are not made from them yet, for at most about `budgetMs`. True when more is left to check now (call
  // again soon); false when all is handed over or the thread has enough
  // for now (it calls `wake` when it wants more).
  bool Pump(int budgetMs = 8);
  // Runs Pump until every noted picture is checked and written (tests, and
  // before the output folder changes hands).
  void Finish();
  // Pictures noted or being written and not yet done.
  size_t pending() const;

  // Writes the indexes that changed.
  void SaveIndexes();

  // IImageWriter, for reports: a picture a page refers to is written now
  // unless its file is already made from these bytes.
  bool WriteJpeg(const std::string& path, uint32_t width, uint32_t height, const uint8_t* data,
                 size_t size) override;
  bool WriteSketch(const uint8_t* data, size_t size, const std::string& path) override;
  bool ChecksFreshness() const override { return true; }

  // Counts since construction.
  size_t written() const { return written_; }
  size_t kept() const { return kept_; }

 private:
  struct Folder {
    CPictureIndex index;
    std::string indexPath;
    bool loaded = false;
    bool dirty = false;
  };
  // A picture noted for the background: checked by Pump.
  struct Noted {
    std::string path;
    uint32_t recordId = 0;
  };
  // A picture to write unless its file is made from these bytes already
  // (the thread works out their digest).
  struct Job {
    std::string path;
    uint32_t width = 0, height = 0;
    PictureBytes data;
  };

  // With mu_ held.
  Folder& FolderOf(const std::string& path, std::string* name);
  bool FreshLocked(const std::string& path, uint64_t digest, uint64_t size);
  void RememberLocked(const std::string& path, uint64_t digest, uint64_t size);
  void DropQueuedLocked(const std::string& path);

  // Writes now (write_mu_ is taken here); the outcome as Write's.
  Outcome WriteNow(const std::string& path, uint32_t width, uint32_t height, const uint8_t* data,
                   size_t size, uint64_t digest);
  void StartThread();
  void StopThread();
  void ThreadMain();

  IImageWriter* writer_;
  std::unique_ptr<IImageWriter> own_writer_;
  std::string cache_folder_;

  mutable std::mutex mu_;          // what follows, and the indexes
  std::mutex write_mu_;            // one encoding at a time, and Forget against it
  std::condition_variable work_cv_;
  std::condition_variable idle_cv_;
  std::map<std::string, Folder> folders_;
  std::deque<Noted> noted_;
  std::unordered_set<std::string> noted_paths_;
  std::deque<Job> jobs_;
  size_t job_bytes_ = 0;
  std::string writing_;            // the path the thread is writing
  bool writing_dropped_ = false;   // Forget came for it meanwhile
  bool stop_ = false;
  bool background_ = false;
  std::function<void()> wake_;
  std::thread thread_;

  std::atomic<size_t> written_{0};
  std::atomic<size_t> kept_{0};
};

}  // namespace quillet
