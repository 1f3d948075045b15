// Helpers for the store tests: a scratch folder, whole-file reads and
// writes, and a builder for store files byte by byte.
#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <signal.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "store/RecordStore.h"
#include "store/StoreFile.h"

namespace quillet::testing {

using Bytes = std::vector<uint8_t>;

// How long opens wait for a locked file, for one scope.
class ScopedLockWait {
 public:
  explicit ScopedLockWait(std::chrono::milliseconds wait) : previous_(SetStoreLockWait(wait)) {}
  ~ScopedLockWait() { SetStoreLockWait(previous_); }

 private:
  std::chrono::milliseconds previous_;
};

// The pause before a failed load is read again, for one scope (tests that
// load hundreds of damaged files).
class ScopedSettleDelay {
 public:
  explicit ScopedSettleDelay(std::chrono::milliseconds delay) : previous_(SetStoreSettleDelay(delay)) {}
  ~ScopedSettleDelay() { SetStoreSettleDelay(previous_); }

 private:
  std::chrono::milliseconds previous_;
};

// Whether saves sync to the disk, for one scope (tests that save hundreds
// of times; a killed process loses nothing the kernel already has).
class ScopedStoreSync {
 public:
  explicit ScopedStoreSync(bool sync) : previous_(SetStoreSync(sync)) {}
  ~ScopedStoreSync() { SetStoreSync(previous_); }

 private:
  bool previous_;
};

// Watches the steps of saves for one scope: records them in order, can make
// one fail, can end the process (SIGKILL) at one, and can look at the files
// at each. Copied into a forked child with everything set before the fork.
class StepWatch {
 public:
  StepWatch() {
    State() = Settings{};
    previous_ = SetStoreStepHook(&Hook);
  }
  ~StepWatch() {
    SetStoreStepHook(previous_);
    State() = Settings{};
  }
  StepWatch(const StepWatch&) = delete;
  StepWatch& operator=(const StepWatch&) = delete;

  // The `occurrence`-th time (from 0) `step` comes, it fails.
  void FailAt(StoreStep step, int occurrence = 0) {
    State().fail_step = static_cast<int>(step);
    State().fail_occurrence = occurrence;
    State().seen_of_fail_step = 0;
  }
  // The process ends by SIGKILL just before the `index`-th step of all.
  void KillAt(int index) { State().kill_at = index; }
  void OnStep(std::function<void(StoreStep)> look) { State().look = std::move(look); }
  const std::vector<StoreStep>& steps() const { return State().steps; }
  void Clear() { State().steps.clear(); }

 private:
  struct Settings {
    std::vector<StoreStep> steps;
    int fail_step = -1;
    int fail_occurrence = 0;
    int seen_of_fail_step = 0;
    int kill_at = -1;
    std::function<void(StoreStep)> look;
  };
  static Settings& State() {
    static Settings settings;
    return settings;
  }
  static bool Hook(StoreStep step) {
    Settings& s = State();
    if (static_cast<int>(s.steps.size()) == s.kill_at) ::raise(SIGKILL);
    s.steps.push_back(step);
    if (s.look) s.look(step);
    if (static_cast<int>(step) == s.fail_step && s.seen_of_fail_step++ == s.fail_occurrence) return false;
    return true;
  }
  StoreStepHook previous_ = nullptr;
};

class ScratchDir {
 public:
  ScratchDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "quillet-store-XXXXXX").string();
    path_ = ::mkdtemp(tmpl.data());
  }
  ~ScratchDir() { std::filesystem::remove_all(path_); }
  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }
  // Names in the folder, to catch leftover temporary files.
  std::vector<std::string> Entries() const {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(path_))
      names.push_back(e.path().filename().string());
    return names;
  }

 private:
  std::string path_;
};

inline Bytes ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteAll(const std::string& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Builds file contents field by field, little-endian.
class ByteBuilder {
 public:
  ByteBuilder& U8(uint8_t v) { bytes_.push_back(v); return *this; }
  ByteBuilder& U16(uint16_t v) { return U8(v & 0xFF).U8(v >> 8); }
  ByteBuilder& U32(uint32_t v) { return U16(v & 0xFFFF).U16(v >> 16); }
  ByteBuilder& I32(int32_t v) { return U32(static_cast<uint32_t>(v)); }
  ByteBuilder& Raw(const std::string& s) {
    bytes_.insert(bytes_.end(), s.begin(), s.end());
    return *this;
  }
  ByteBuilder& Raw(const Bytes& b) {
    bytes_.insert(bytes_.end(), b.begin(), b.end());
    return *this;
  }
  // The store's string encoding.
  ByteBuilder& Str(const std::string& s) {
    if (s.size() < 255) U8(static_cast<uint8_t>(s.size()));
    else U8(0xFF).U16(static_cast<uint16_t>(s.size()));
    return Raw(s);
  }
  // The seven base words in body order.
  ByteBuilder& Base(int32_t slot, uint32_t id, int32_t syncA, uint32_t flags, uint32_t priv,
                    uint32_t syncB, uint32_t syncC) {
    return I32(slot).U32(id).I32(syncA).U32(flags).U32(priv).U32(syncB).U32(syncC);
  }
  ByteBuilder& Header(uint32_t count) { return U32(0x01000000).U32(count); }
  ByteBuilder& Marker() { return Raw("DATA"); }
  const Bytes& bytes() const { return bytes_; }
  size_t size() const { return bytes_.size(); }

 private:
  Bytes bytes_;
};

}  // namespace quillet::testing
