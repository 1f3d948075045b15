#include "reports/ReportBuilder.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "base/DiagnosticLog.h"
#include "base/Strings.h"
#include "base/UserInterface.h"
#include "platform/codepage/CodePage.h"
#include "platform/files/SafeFiles.h"
#include "reports/PostProcess.h"
#include "reports/ReportPaths.h"
#include "reports/ThemeFolder.h"

namespace quillet {

namespace fs = std::filesystem;

namespace {

unsigned Address(const void* p) { return static_cast<unsigned>(reinterpret_cast<uintptr_t>(p)); }

void LogRelease(int index, const std::string& name) {
  char line[64];
  std::snprintf(line, sizeof line, "DELETE szImage[%i] = 0x%08x", index, Address(name.data()));
  LogLine(line);
}

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EndsWithNoCase(const std::string& text, const char* suffix) {
  size_t n = std::strlen(suffix);
  if (text.size() < n) return false;
  for (size_t i = 0; i < n; ++i)
    if (Lower(text[text.size() - n + i]) != suffix[i]) return false;
  return true;
}

// String 153 with the reason the system gave.
void TellSaveFailed(const std::string& destination, int error) {
  MessageRequest request;
  request.stringId = IDS_ERROR_SAVING_FILE;
  request.text = UiString(IDS_ERROR_SAVING_FILE) + "\n\n" + PathForMessage(destination) + "\n\n" +
                 PathForMessage(std::strerror(error)) + ".";
  request.caption = kCaption;
  request.flags = kMbOk | kMbIconInformation;
  UI().ShowMessage(request);
}

}  // namespace

std::string WithReportExtension(const std::string& path) {
  if (EndsWithNoCase(path, ".htm") || EndsWithNoCase(path, ".html")) return path;
  return path + ".htm";
}

ReportBuilder::ReportBuilder(const ReportServices& services) : services_(services) {
  expander_.SetSource(services_.source, services_.images);
}

void ReportBuilder::ReadConfig() {
  if (services_.settings != nullptr) config_ = services_.settings->Read();
  expander_.SetConfig(config_);
}

std::string ReportBuilder::RefillThemeBox() {
  if (services_.refillThemeBox) return services_.refillThemeBox();
  return FirstThemeFile(config_.templatePath);
}

bool ReportBuilder::EnsureReportName(uint32_t topicId, bool saveNew, std::string* name) {
  ReportTopic topic;
  if (services_.source == nullptr || !services_.source->Topic(topicId, &topic)) return false;
  if (IsPlainFileName(topic.fileName)) {
    if (name != nullptr) *name = topic.fileName;
    return false;
  }
  // A name that is missing gets one; a stored name that could point outside
  // the output folder is replaced as if it were missing, and always saved.
  bool was_empty = topic.fileName.empty();
  std::string fresh = FreshFileName(config_.outputPath, ".htm");
  services_.source->SetFileName(topicId, fresh, saveNew || !was_empty);
  if (name != nullptr) *name = fresh;
  return true;
}

void ReportBuilder::make_report(const std::string& themeFileName, uint32_t recordId) {
  ReportSaveBatch one_save(services_.source);  // names fixed on the way are saved once, at the end
  ReadConfig();
  ReportTopic topic;
  if (services_.source == nullptr || !services_.source->Topic(recordId, &topic)) return;
  EnsureReportName(recordId, false, nullptr);
  Build(WithSlash(config_.templatePath) + themeFileName, recordId, nullptr);
}

std::string ReportBuilder::ReportPath(uint32_t topicId) {
  ReadConfig();
  std::string name;
  EnsureReportName(topicId, false, &name);
  if (name.empty()) return "";
  return WithSlash(config_.outputPath) + OutputFileName(name);
}

bool ReportBuilder::Build(const std::string& themePath, uint32_t topicId,
                          const std::string* destination) {
  ReportSaveBatch one_save(services_.source);  // names fixed on the way are saved once, at the end
  ReadConfig();
  ThemeFile& theme = theme_;
  ThemeFallback fallback;
  fallback.themeFolder = WithSlash(config_.templatePath);
  fallback.refillThemeBox = [this] { return RefillThemeBox(); };
  if (!load_theme(themePath, &theme, fallback)) {
    RefillThemeBox();
    return false;
  }

  std::string name;  // the report's name in the file system
  if (destination == nullptr) {
    EnsureReportName(topicId, true, &name);
    if (name.empty()) return false;  // no such topic
    name = OutputFileName(name);
  } else {
    name = BaseName(*destination);
  }

  if (!expander_.SetCurrentTopic(topicId)) return false;
  LogLine("Make HTML Report...");
  copies_ = std::make_unique<CopySession>(config_.outputPath);
  bool written = write_report(theme, name);

  // The rest runs on whatever file is there, as the report in the output
  // folder is the one that was (or was not) just written.
  std::string report = WithSlash(config_.outputPath) + name;
  std::vector<std::string> names;
  bool listed = false;
  if (written) {
    // The bytes just written are the file's; no need to read them back.
    collect_references_in(file_bytes_, config_.templatePath, config_.outputPath, &names,
                          copies_.get(), &written_spans_);
    listed = true;
  } else if (!config_.outputPath.empty() && IsPlainDiskName(name)) {
    listed = collect_references(report, config_.templatePath, config_.outputPath, &names);
  }
  if (listed) {
    for (size_t i = 0; i < names.size(); ++i) {
      copies_->Copy(theme.folder, theme.folder + names[i], names[i]);
      LogRelease(static_cast<int>(i), names[i]);
    }
  }
  copies_.reset();
  return written;
}

bool ReportBuilder::write_report(const ThemeFile& theme, const std::string& fileName) {
  const std::string folder = WithSlash(config_.outputPath);
  if (folder.empty() || !IsPlainDiskName(fileName)) {
    ShowStringMessage(IDS_WRITE_REPORT_FAILED, kCaption, kMbOk | kMbIconInformation);
    return false;
  }
  std::error_code ec;
  if (!fs::is_directory(folder, ec)) {
    MakePrivateFolders(folder);  // a failure shows up when the file is made
    LogPair("Created directory:", folder.c_str());
  }
  // The report is made under a temporary name in the output folder and
  // renamed over the old one only once it is complete: a report that cannot
  // be written leaves the old one as it was, and a link planted under the
  // report's name is replaced, never written through.
  ReplacingFile file;
  if (file.Open(folder + fileName) != 0) {
    ShowStringMessage(IDS_WRITE_REPORT_FAILED, kCaption, kMbOk | kMbIconInformation);
    return false;
  }

  // expand() ends the text with its zero byte; the rest is never read.
  buffer_.resize(kReportBufferSize);
  expander_.ClearBlocks();
  expander_.PushBlock(kBlockDocument);
  size_t length = expander_.expand(theme.data(), theme.size(), buffer_.data(), buffer_.size());
  last_expanded_ = length;
  // Every line feed is written as carriage return and line feed, so a
  // report is byte for byte the file a text-mode write makes on the
  // handheld's desktop platform.
  post_process_report(buffer_.data(), length, theme.folder, config_.outputPath, &file_bytes_,
                      copies_.get(), LineEnds::kCrLf, &expander_.recordSpans(), &written_spans_);
  bool ok = file.Write(file_bytes_) == 0 && file.Commit() == 0;
  expander_.PopBlock();
  if (!ok) ShowStringMessage(IDS_WRITE_REPORT_FAILED, kCaption, kMbOk | kMbIconInformation);
  return ok;
}

bool ReportBuilder::SaveAs(uint32_t topicId, const std::string& initialFolder,
                            const std::string& initialName) {
  ReadConfig();
  FileDialogRequest request;
  request.title = "Save...";
  request.initialFolder = initialFolder;
  request.initialName = initialName;
  request.filters = {{"Quillet Report (*.HTM)", "*.htm"}};
  std::string destination;
  if (!UI().ChooseSaveFile(request, &destination)) return false;
  std::string chosen = BaseName(destination);
  if (chosen.empty() || chosen.find_first_of(":\\*?\"<>|") != std::string::npos) {
    ShowStringMessage(IDS_BAD_FILE_NAME, kCaption, kMbOk | kMbIconInformation);
    return false;
  }
  destination = WithReportExtension(destination);

  std::string source = ReportPath(topicId);
  if (source.empty()) return false;
  std::error_code ec;
  if (!fs::exists(source, ec)) {
    Build(WithSlash(config_.templatePath) + config_.lastTemplate, topicId, &source);
  }

  // The report and its pictures are read only from inside the output folder.
  const std::string output = WithSlash(config_.outputPath);
  if (!SameFile(source, destination)) {
    int error = CopyFileWithin(output, source, destination, false);
    if (error == EEXIST) {
      int answer = ShowStringMessage(IDS_OVERWRITE_FILE, kCaption, kMbYesNo | kMbIconQuestion);
      if (answer != kIdYes) return false;
      error = CopyFileWithin(output, source, destination, true);
    }
    if (error != 0) {
      TellSaveFailed(destination, error);
      return false;
    }
  }

  std::vector<std::string> names;
  if (collect_references(source, config_.templatePath, config_.outputPath, &names)) {
    const std::string from = FolderOf(source);
    const std::string to = FolderOf(destination);
    for (size_t i = 0; i < names.size(); ++i) {
      CopyFileReplacing(output, from + names[i], to + names[i]);
      LogRelease(static_cast<int>(i), names[i]);
    }
  }

  // The report is saved; a desktop without a program for web pages does
  // not make that a failure.
  if (services_.openDocument && !services_.openDocument(destination)) {
    MessageRequest saved;
    saved.text = FillIn(translate("ReportBuilder",
                                  "The report was saved as\n\n%1\n\nbut no program could be found to show it. "
                                  "Open it from your file manager or web browser."),
                        {PathForMessage(destination)});
    saved.caption = kCaption;
    saved.flags = kMbOk | kMbIconInformation;
    UI().ShowMessage(saved);
  }
  return true;
}

std::string ReportBuilder::ChooseTheme(int index, uint32_t selectedTopic) {
  ReadConfig();
  std::string name = ThemeFileAt(config_.templatePath, index);
  if (name.empty()) return "";
  if (services_.settings != nullptr) services_.settings->StoreLastTemplate(name);
  config_.lastTemplate = name;
  make_report(name, selectedTopic);
  return name;
}

void ReportBuilder::RestoreThemes() {
  ReadConfig();
  if (config_.installPath.empty() || config_.templatePath.empty()) return;
  const std::string from = WithSlash(config_.installPath) + "components/restore/";
  const std::string to = WithSlash(config_.templatePath);
  std::error_code ec;
  fs::directory_iterator it(from, ec);
  if (ec) return;  // no pristine copies: nothing to do
  // A theme folder the person removed is made again, so Reset All can
  // always bring the shipped themes back.
  std::error_code to_ec;
  if (!fs::is_directory(to, to_ec)) MakePrivateFolders(to);
  for (; it != fs::directory_iterator(); it.increment(ec)) {
    if (ec) break;
    std::error_code type_ec;
    if (!it->is_regular_file(type_ec)) continue;
    std::string name = it->path().filename().string();
    // Only the pristine copies themselves: a link among them that leads out
    // of their folder is not followed, and a link in the theme folder is
    // replaced, never written through.
    CopyFileReplacing(from, from + name, to + name);
  }
}

}  // namespace quillet
