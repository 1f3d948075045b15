// What the report builder needs from the rest of the program, as narrow
// interfaces: the records of a topic, the writing of picture files, and the
// settings. The program feeds them from the current database, the imaging
// core and the registry (StoreReportSource, ImagingWriter,
// RegistryReportSettings); tests and the command-line tool feed their own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/codepage/CpText.h"
#include "store/RecordFacts.h"

namespace quillet {

// A stretch [begin, end) of an expanded report, in bytes.
struct TextSpan {
  size_t begin = 0;
  size_t end = 0;
  bool operator==(const TextSpan&) const = default;
};

// Record kinds the report visits.
inline constexpr int kReportKindTopic = kKindTopic;
inline constexpr int kReportKindNote = kKindNote;
inline constexpr int kReportKindImage = kKindImage;
inline constexpr int kReportKindReference = kKindCustom;

struct ReportTopic {
  CpText title;
  uint32_t categoryId = 0;
  std::string fileName;            // the report's file name, "" until one is given
  std::vector<uint32_t> memberIds;  // of its links record, in stored order
};

// Record texts reach the report as the code-page bytes the store holds
// (CpText::bytes()): a report is code-page HTML and writes them unchanged.

// Views into a record; valid until the store changes.
struct ReportImage {
  std::string_view title;
  std::string_view fileName;
  uint32_t format = 0;  // kImageFormatJpeg, kImageFormatSketch; other: no file
  uint32_t width = 0;
  uint32_t height = 0;
  const uint8_t* data = nullptr;
  size_t dataSize = 0;
};

struct ReportReference {
  int32_t customType = 0;
  std::vector<std::string_view> fields;  // fieldCount() == fields.size()
};

class IReportSource {
 public:
  virtual ~IReportSource() = default;
  // The topic with this id; false when the store holds no topic by that id.
  virtual bool Topic(uint32_t id, ReportTopic* out) = 0;
  // The kind and private flag of a record; false when the store holds none.
  virtual bool Member(uint32_t id, int* kind, bool* isPrivate) = 0;
  virtual std::string_view NoteText(uint32_t id) = 0;
  virtual bool Image(uint32_t id, ReportImage* out) = 0;
  virtual bool Reference(uint32_t id, ReportReference* out) = 0;
  // The category's name; "" for 0, a missing category or an empty name.
  virtual std::string CategoryName(uint32_t categoryId) = 0;
  // Whether private records are shown.
  virtual bool ShowPrivate() = 0;
  // Gives a topic or an image record a new fileName. With `save` the record
  // is marked changed and the store saved (a failed save is told to the
  // person). False when there is no such record or the save failed.
  virtual bool SetFileName(uint32_t id, const std::string& name, bool save) = 0;
  // Between these two, the saves SetFileName would make are held back and
  // made once by the outermost EndSaveBatch (a report build may rename
  // dozens of pictures). EndSaveBatch is false when that save failed (the
  // person was told).
  virtual void BeginSaveBatch() {}
  virtual bool EndSaveBatch() { return true; }
};

// Holds a source's saves for a scope.
class ReportSaveBatch {
 public:
  explicit ReportSaveBatch(IReportSource* source) : source_(source) {
    if (source_ != nullptr) source_->BeginSaveBatch();
  }
  ~ReportSaveBatch() {
    if (source_ != nullptr) source_->EndSaveBatch();
  }
  ReportSaveBatch(const ReportSaveBatch&) = delete;
  ReportSaveBatch& operator=(const ReportSaveBatch&) = delete;

 private:
  IReportSource* source_;
};

class IImageWriter {
 public:
  virtual ~IImageWriter() = default;
  // Decodes JPEG bytes (a width x height picture) and writes them to `path`
  // as a JPEG file at quality 100.
  virtual bool WriteJpeg(const std::string& path, uint32_t width, uint32_t height,
                         const uint8_t* data, size_t size) = 0;
  // Decodes handheld sketch bytes and writes them to `path` as a JPEG file.
  virtual bool WriteSketch(const uint8_t* data, size_t size, const std::string& path) = 0;
  // True when WriteJpeg itself keeps a file already made from the same
  // bytes: a report then asks for every picture it shows, so that a file
  // made from older bytes is brought up to date. False: a report writes only
  // pictures whose file is missing.
  virtual bool ChecksFreshness() const { return false; }
};

// The settings a report is made with. Folders end in '/'.
struct ReportConfig {
  std::string outputPath;    // the user's "OutputPath"
  std::string templatePath;  // the user's "TemplatePath"
  std::string installPath;   // "InstallPath"
  std::string lastTemplate;  // the user's "LastTemplate", the current theme's file name
  std::string author;        // "Author"
  std::string authorTitle;   // "Title"
  std::string authorEmail;   // "Email"
  std::string authorPhone;   // "Phone"
};

class IReportSettings {
 public:
  virtual ~IReportSettings() = default;
  virtual ReportConfig Read() = 0;
  // Makes `name` the current theme and stores it as "LastTemplate".
  virtual void StoreLastTemplate(const std::string& name) = 0;
};

// Settings held in memory only, for runs without a registry of their own
// (the command-line report, the benchmarks).
class FixedReportSettings : public IReportSettings {
 public:
  ReportConfig config;
  ReportConfig Read() override { return config; }
  void StoreLastTemplate(const std::string& name) override { config.lastTemplate = name; }
};

}  // namespace quillet
