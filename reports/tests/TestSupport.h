// Helpers for the report tests: a scratch folder, a record store filled
// record by record, picture writing that leaves marker files, and settings
// held in memory.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "reports/ReportBuilder.h"
#include "reports/ReportSource.h"
#include "reports/StoreReportSource.h"
#include "store/RecordKinds.h"
#include "store/RecordStore.h"

namespace quillet::testing {

class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  // The folder, ending in '/'.
  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + name; }
  std::string Sub(const std::string& name) const;  // made, ends in '/'

 private:
  std::string path_;
};

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);
bool Exists(const std::string& path);
// Names of the regular files in a folder, sorted.
std::vector<std::string> FilesIn(const std::string& folder);

// A store in a scratch folder, filled by the test. Ids start at 2.
class TestStore {
 public:
  explicit TestStore(const std::string& folder);
  CRecordStore& store() { return *store_; }

  uint32_t AddCategory(const std::string& name);
  uint32_t AddTopic(const std::string& title, uint32_t categoryId = 0);
  uint32_t AddNote(uint32_t topic, const std::string& text, bool isPrivate = false);
  uint32_t AddImage(uint32_t topic, const std::string& title, const std::string& fileName,
                    uint32_t format = kImageFormatJpeg, std::vector<uint8_t> data = {1, 2, 3});
  uint32_t AddReference(uint32_t topic, int32_t type, std::vector<std::string> fields);
  // A member id that names no record.
  void AddMissingMember(uint32_t topic, uint32_t id);

  CTopicRecord* Topic(uint32_t id);
  CImageRecord* Image(uint32_t id);
  CRecord* Find(uint32_t id);
  DbResult Save() { return store_->Save(); }

 private:
  void Link(uint32_t topic, uint32_t member);
  template <class T>
  T* Add(std::unique_ptr<T> record);

  std::unique_ptr<CRecordStore> store_;
  uint32_t next_id_ = 2;
};

// Records every picture asked for and writes a small marker file.
class FakeImages : public IImageWriter {
 public:
  struct Call {
    std::string path;
    bool sketch;
  };
  std::vector<Call> calls;
  bool WriteJpeg(const std::string& path, uint32_t width, uint32_t height, const uint8_t* data,
                 size_t size) override;
  bool WriteSketch(const uint8_t* data, size_t size, const std::string& path) override;
};

class FakeSettings : public IReportSettings {
 public:
  ReportConfig config;
  std::vector<std::string> stored;
  ReportConfig Read() override { return config; }
  void StoreLastTemplate(const std::string& name) override {
    stored.push_back(name);
    config.lastTemplate = name;
  }
};

// Everything a report test needs, wired together: a store, its source, the
// fake pictures and settings (output/ and template/ folders in the scratch
// folder), and a builder over them.
struct ReportRig {
  ScratchDir dir;
  std::string output;
  std::string themes;
  TestStore records;
  bool showPrivate = false;
  StoreReportSource source;
  FakeImages images;
  FakeSettings settings;
  std::vector<std::string> opened;
  ReportBuilder builder;

  ReportRig();
  // Expands `theme` for `topic` as a report run does and returns the text.
  std::string Expand(uint32_t topic, const std::string& theme);
  // Writes `theme` into the theme folder as `name` and builds the report of
  // `topic` with it; returns the report file's bytes ("" when none).
  std::string Build(uint32_t topic, const std::string& theme, const std::string& name = "t.htm");
  std::string ReportOf(uint32_t topic);
};

}  // namespace quillet::testing
