// ReportBuilder: makes a topic's HTML report in the output folder, and
// copies a report elsewhere (Save As).
//
// A build loads the theme, runs the report hook over it into one 819200-byte
// buffer, post-processes the text (file size, the theme's pictures), writes
// it with a carriage return before every line feed, and copies the picture
// files the report refers to into the output folder. Reports are rebuilt
// whenever a topic is shown, so a build stays one pass over the buffer.
//
// One builder lives as long as the program; reports are made one at a time.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "reports/ReportExpander.h"
#include "reports/ReportPaths.h"
#include "reports/ReportSource.h"
#include "reports/ThemeFile.h"

namespace quillet {

// Size of the expansion buffer (and the largest theme).
inline constexpr size_t kReportBufferSize = 819200;

struct ReportServices {
  IReportSource* source = nullptr;
  IImageWriter* images = nullptr;
  IReportSettings* settings = nullptr;
  // Refills the toolbar's theme box; returns the first theme's file name.
  // Empty: the first "*.htm" of the theme folder is used.
  std::function<std::string()> refillThemeBox;
  // Opens a file with the desktop's "open" action; false when the file was
  // not found. Empty: nothing is opened.
  std::function<bool(const std::string&)> openDocument;
};

class ReportBuilder {
 public:
  explicit ReportBuilder(const ReportServices& services);

  // Builds the report of `recordId` with the theme `themeFileName` (a name
  // in the theme folder) when that record is a topic; nothing otherwise.
  void make_report(const std::string& themeFileName, uint32_t recordId);

  // Makes sure the topic has a report file name and returns the report's
  // path in the output folder ("" when there is no such topic).
  std::string ReportPath(uint32_t topicId);

  // The common body of every caller. Without a destination the report goes
  // to the topic's own file (named and saved first if it has none); with
  // one, it goes into the output folder under the destination's file name.
  // False when the theme could not be used or the report not written.
  bool Build(const std::string& themePath, uint32_t topicId, const std::string* destination);

  // Expands `theme` for the current topic, post-processes the text and
  // writes it into the output folder as `fileName` (a file-system name),
  // through a temporary file renamed over the old report. False when the
  // file cannot be written (the person is told; the old report, if any, is
  // left as it was).
  bool write_report(const ThemeFile& theme, const std::string& fileName);

  // Save As for the topic selected in the tree: asks for a destination
  // (the dialog starting in `initialFolder` with `initialName` suggested),
  // copies the report and its pictures there and opens it. True once the
  // copy is made, also when no program could open it (the person is told
  // where it is); a copy that fails is told with its reason.
  bool SaveAs(uint32_t topicId, const std::string& initialFolder = "",
               const std::string& initialName = "");

  // The theme box's selection changed to `index`: that theme becomes the
  // current one and the selected topic's report is rebuilt with it. Returns
  // the theme's file name ("" when the index names no theme).
  std::string ChooseTheme(int index, uint32_t selectedTopic);

  // Copies the pristine themes of InstallPath + "components/restore/" over
  // the theme folder ("Reset All").
  void RestoreThemes();

  ReportExpander& expander() { return expander_; }
  // The settings the last operation read.
  const ReportConfig& config() const { return config_; }
  // The expanded text of the last write_report, before post-processing.
  size_t lastExpandedSize() const { return last_expanded_; }

 private:
  void ReadConfig();
  std::string RefillThemeBox();
  // Gives the topic a fresh report name when it has none or when its stored
  // one is not a plain name; true when it changed.
  bool EnsureReportName(uint32_t topicId, bool saveNew, std::string* name);

  ReportServices services_;
  ReportConfig config_;
  ReportExpander expander_;
  ThemeFile theme_;             // the theme being used, its memory reused
  std::vector<char> buffer_;    // the expansion
  std::string file_bytes_;      // post-processed, with carriage returns, as written
  std::vector<TextSpan> written_spans_;  // where record texts lie in file_bytes_
  std::unique_ptr<CopySession> copies_;  // during a build
  size_t last_expanded_ = 0;
};

// Appends ".htm" unless `path` already ends in ".htm" or ".html" (any case).
std::string WithReportExtension(const std::string& path);

}  // namespace quillet
