// Building, writing and saving reports.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include <filesystem>

#include "base/Strings.h"
#include "base/UserInterface.h"
#include "reports/ReportBuilder.h"
#include "reports/ReportPaths.h"
#include "reports/tests/TestSupport.h"
#include "store/PrivateRecords.h"
#include "testing/RecordingUI.h"

namespace quillet {
namespace {

using testing::Exists;
using testing::FilesIn;
using testing::ReadFile;
using testing::ReportRig;
using testing::WriteFile;

bool AllDigits(const std::string& s) {
  return !s.empty() && s.find_first_not_of("0123456789") == std::string::npos;
}

TEST(ReportBuilder, UniqueReportName) {
  std::string name = unique_report_name();
  EXPECT_TRUE(AllDigits(name)) << name;
  EXPECT_GE(name.size(), 8u);
}

TEST(ReportBuilder, FirstBuildNamesTheReportAndLaterBuildsReuseIt) {
  ReportRig rig;
  RecordingUI ui;
  ScopedUI scope(&ui);
  uint32_t topic = rig.records.AddTopic("Birds");
  EXPECT_EQ(rig.Build(topic, "<h1>{TITLE}</h1>"), "<h1>Birds</h1>");
  std::string name = rig.records.Topic(topic)->fileName;
  ASSERT_GT(name.size(), 4u);
  EXPECT_EQ(name.substr(name.size() - 4), ".htm");
  EXPECT_TRUE(AllDigits(name.substr(0, name.size() - 4))) << name;
  EXPECT_EQ(rig.Build(topic, "again {TITLE}"), "again Birds");
  EXPECT_EQ(rig.records.Topic(topic)->fileName, name);
  EXPECT_EQ(FilesIn(rig.output), std::vector<std::string>{name});
  EXPECT_EQ(rig.builder.ReportPath(topic), rig.output + name);
  EXPECT_TRUE(ui.messages.empty());
}

TEST(ReportBuilder, LineFeedsBecomeCarriageReturnLineFeed) {
  ReportRig rig;
  uint32_t topic = rig.records.AddTopic("T");
  rig.records.AddNote(topic, "n1\nn2");
  rig.Build(topic, "a\nb\r\nc{NOTES_BEGIN}{NOTE}{NOTES_END}\n");
  EXPECT_EQ(rig.ReportOf(topic), "a\r\nb\r\r\ncn1<br>n2\r\n");
  // The file size is that of the text before line feeds were widened.
  rig.Build(topic, "{FILE_SIZE}\n\n");
  EXPECT_EQ(rig.ReportOf(topic), "13         \r\n\r\n");
}

TEST(ReportBuilder, ThemePicturesAreCopiedBesideTheReport) {
  ReportRig rig;
  uint32_t topic = rig.records.AddTopic("T");
  rig.records.AddImage(topic, "photo", "photo1.jpg");
  rig.dir.Sub("install/template/pics");
  WriteFile(rig.themes + "band.png", "BAND");
  WriteFile(rig.themes + "pics/leaf.png", "LEAF");
  WriteFile(rig.themes + "pics/up.png", "UP");
  std::string report = rig.Build(
      topic,
      "<body background=\"band.png\"><img src=\"pics/leaf.png\"><IMG SRC=\"pics/up.png\">"
      "{IMAGES_BEGIN}<img src=\"{IMAGE_SRC}\">{IMAGES_END}");
  EXPECT_EQ(report,
            "<body background=\"band.png\"><img src=\"leaf.png\"><IMG SRC=\"pics/up.png\">"
            "<img src=\"photo1.jpg\">");
  EXPECT_EQ(ReadFile(rig.output + "band.png"), "BAND");
  EXPECT_EQ(ReadFile(rig.output + "leaf.png"), "LEAF");
  // Upper case is not rewritten, but the reference scan still copies it.
  EXPECT_EQ(ReadFile(rig.output + "up.png"), "UP");
  EXPECT_EQ(ReadFile(rig.output + "photo1.jpg"), "JPEG 3");
}

TEST(ReportBuilder, ThemeProblemsLeaveThePreviousReport) {
  ReportRig rig;
  RecordingUI ui;
  ScopedUI scope(&ui);
  uint32_t topic = rig.records.AddTopic("T");
  rig.Build(topic, "good");
  rig.Build(topic, "", "empty.htm");
  EXPECT_EQ(rig.ReportOf(topic), "good");
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, "This theme is currently empty and cannot be used.");
  // A theme that is gone falls back to the first theme of the theme
  // folder.
  // (empty.htm sorts first and is empty: nothing changes.)
  rig.builder.make_report("gone.htm", topic);
  EXPECT_EQ(rig.ReportOf(topic), "good");
  EXPECT_EQ(ui.messages.size(), 2u);
  std::filesystem::remove(rig.themes + "empty.htm");
  WriteFile(rig.themes + "t.htm", "fallback {TITLE}");
  rig.builder.make_report("gone.htm", topic);
  EXPECT_EQ(rig.ReportOf(topic), "fallback T");
}

TEST(ReportBuilder, UnwritableReportIsToldAndReportedAsFailure) {
  ReportRig rig;
  RecordingUI ui;
  ScopedUI scope(&ui);
  uint32_t topic = rig.records.AddTopic("T");
  rig.records.AddImage(topic, "p", "p.jpg");
  WriteFile(rig.themes + "t.htm", "x{IMAGES_BEGIN}{IMAGE_SRC}{IMAGES_END}");
  // A folder where the report file should be: the file cannot be opened.
  std::string name = rig.builder.ReportPath(topic).substr(rig.output.size());
  rig.dir.Sub("output/" + name);
  EXPECT_FALSE(rig.builder.Build(rig.themes + "t.htm", topic, nullptr));
  EXPECT_EQ(ui.MessageIds(), std::vector<int>{IDS_WRITE_REPORT_FAILED});
  EXPECT_EQ(ui.messages[0].caption, "Quillet");
  // Nothing was expanded, so no picture was written either.
  EXPECT_TRUE(rig.images.calls.empty());
}

TEST(ReportBuilder, NotATopicMakesNothing) {
  ReportRig rig;
  uint32_t topic = rig.records.AddTopic("T");
  uint32_t note = rig.records.AddNote(topic, "n");
  WriteFile(rig.themes + "t.htm", "x");
  rig.builder.make_report("t.htm", note);
  rig.builder.make_report("t.htm", 777);
  EXPECT_TRUE(FilesIn(rig.output).empty());
}

TEST(ReportBuilder, CraftedReportNamesAreReplacedAndSaved) {
  ReportRig rig;
  RecordingUI ui;
  ScopedUI scope(&ui);
  for (const char* crafted : {"../../escape.htm", "/tmp/quillet-abs.htm", "..", "a\\b.htm", "x\ny.htm"}) {
    uint32_t topic = rig.records.AddTopic("T");
    rig.records.Topic(topic)->fileName = crafted;
    rig.Build(topic, "page");
    const std::string& name = rig.records.Topic(topic)->fileName;
    EXPECT_TRUE(IsPlainFileName(name)) << name;
    EXPECT_EQ(rig.ReportOf(topic), "page");
    EXPECT_EQ(rig.records.Topic(topic)->flags & kFlagModified, kFlagModified);
  }
  EXPECT_FALSE(Exists(rig.dir.path() + "escape.htm"));
  EXPECT_FALSE(Exists("/tmp/quillet-abs.htm"));
  EXPECT_TRUE(Exists(rig.records.store().path()));  // the new names were saved
  EXPECT_TRUE(ui.messages.empty());
}

// Every picture name a build has to replace, and the report's own name, are
// saved together, once, at the end of the build.
TEST(ReportBuilder, NamesFixedDuringABuildAreSavedOnce) {
  ReportRig rig;
  RecordingUI ui;
  ScopedUI scope(&ui);
  uint32_t topic = rig.records.AddTopic("Many pictures");
  std::vector<uint32_t> images;
  for (int i = 0; i < 44; ++i)
    images.push_back(rig.records.AddImage(topic, "p", "../p" + std::to_string(i) + ".jpg"));
  ASSERT_EQ(rig.records.Save(), DB_OK);
  const uint64_t saves = rig.records.store().saveCount();
  WriteFile(rig.themes + "t.htm", "{IMAGES_BEGIN}<img src=\"{IMAGE_SRC}\">{IMAGES_END}");
  rig.builder.make_report("t.htm", topic);
  EXPECT_EQ(rig.records.store().saveCount(), saves + 1);
  CRecordStore reloaded("quillet.dat", FolderOf(rig.records.store().path()));
  ASSERT_EQ(reloaded.Load(), DB_OK);
  for (uint32_t id : images) {
    CRecord* r = nullptr;
    ASSERT_EQ(reloaded.FindById(id, &r), DB_OK);
    EXPECT_TRUE(IsPlainFileName(static_cast<CImageRecord*>(r)->fileName));
    EXPECT_EQ(static_cast<CImageRecord*>(r)->fileName, rig.records.Image(id)->fileName);
  }
  CRecord* t = nullptr;
  ASSERT_EQ(reloaded.FindById(topic, &t), DB_OK);
  EXPECT_EQ(static_cast<CTopicRecord*>(t)->fileName, rig.records.Topic(topic)->fileName);
  EXPECT_FALSE(rig.records.Topic(topic)->fileName.empty());
  EXPECT_TRUE(ui.messages.empty());
  // A build with nothing to rename saves nothing.
  rig.builder.make_report("t.htm", topic);
  EXPECT_EQ(rig.records.store().saveCount(), saves + 1);
}

TEST(ReportBuilder, RecordsCannotNameTheStoreItself) {
  // As in the program, the output folder is where the store file lives.
  ReportRig rig;
  RecordingUI ui;
  ScopedUI scope(&ui);
  rig.settings.config.outputPath = FolderOf(rig.records.store().path());
  uint32_t topic = rig.records.AddTopic("T");
  rig.records.Topic(topic)->fileName = "quillet.dat";
  uint32_t sketch = rig.records.AddImage(topic, "s", "Quillet.DAT", kImageFormatSketch, {1});
  ASSERT_EQ(rig.records.Save(), DB_OK);
  WriteFile(rig.themes + "t.htm", "{IMAGES_BEGIN}<img src=\"{IMAGE_SRC}\">{IMAGES_END}<img src=\"quillet.dat\">");
  WriteFile(rig.themes + "quillet.dat", "A THEME FILE BY THAT NAME");
  rig.builder.make_report("t.htm", topic);
  EXPECT_NE(rig.records.Topic(topic)->fileName, "quillet.dat");
  EXPECT_NE(rig.records.Image(sketch)->fileName, "Quillet.DAT");
  CRecordStore reloaded("quillet.dat", FolderOf(rig.records.store().path()));
  ASSERT_EQ(reloaded.Load(), DB_OK);
  CRecord* r = nullptr;
  ASSERT_EQ(reloaded.FindById(topic, &r), DB_OK);
  EXPECT_EQ(static_cast<CTopicRecord*>(r)->fileName, rig.records.Topic(topic)->fileName);
  EXPECT_TRUE(ui.messages.empty());
}

struct SaveAsRig : ReportRig {
  RecordingUI ui;
  ScopedUI scope{&ui};
  uint32_t topic = 0;
  std::string saved;
  SaveAsRig() {
    topic = records.AddTopic("Trip");
    records.AddImage(topic, "photo", "photo1.jpg");
    WriteFile(themes + "t.htm", "<h1>{TITLE}</h1>{IMAGES_BEGIN}<img src=\"{IMAGE_SRC}\">{IMAGES_END}");
    saved = dir.Sub("saved");
  }
};

TEST(SaveAs, CopiesReportAndPicturesAndOpensIt) {
  SaveAsRig rig;
  // No report yet: it is built first with the current theme.
  rig.ui.filePaths = {rig.saved + "trip"};
  ASSERT_TRUE(rig.builder.SaveAs(rig.topic));
  EXPECT_EQ(ReadFile(rig.saved + "trip.htm"), "<h1>Trip</h1><img src=\"photo1.jpg\">");
  EXPECT_EQ(ReadFile(rig.saved + "photo1.jpg"), "JPEG 3");
  EXPECT_EQ(rig.opened, std::vector<std::string>{rig.saved + "trip.htm"});
  EXPECT_TRUE(rig.ui.messages.empty());
}

TEST(SaveAs, ExtensionsAndBadNames) {
  SaveAsRig rig;
  rig.ui.filePaths = {rig.saved + "Keep.HTML", rig.saved + "page.htm", rig.saved + "what?.htm"};
  ASSERT_TRUE(rig.builder.SaveAs(rig.topic));
  ASSERT_TRUE(rig.builder.SaveAs(rig.topic));
  EXPECT_TRUE(Exists(rig.saved + "Keep.HTML"));
  EXPECT_TRUE(Exists(rig.saved + "page.htm"));
  EXPECT_FALSE(Exists(rig.saved + "page.htm.htm"));
  EXPECT_FALSE(rig.builder.SaveAs(rig.topic));
  EXPECT_EQ(rig.ui.MessageIds(), std::vector<int>{IDS_BAD_FILE_NAME});
  EXPECT_EQ(LoadString(IDS_BAD_FILE_NAME).bytes(),
            ": \\ / * ? \" < > | are not allowed in a report's file name, so that it can also be\n"
            "opened on the handheld user's other computers.");
  // Cancelling does nothing.
  EXPECT_FALSE(rig.builder.SaveAs(rig.topic));
  EXPECT_EQ(rig.ui.messages.size(), 1u);
}

TEST(SaveAs, AsksBeforeReplacingAnExistingFile) {
  SaveAsRig rig;
  WriteFile(rig.saved + "old.htm", "OLD");
  rig.ui.filePaths = {rig.saved + "old.htm", rig.saved + "old.htm"};
  rig.ui.messageAnswers = {kIdNo, kIdYes};
  EXPECT_FALSE(rig.builder.SaveAs(rig.topic));
  EXPECT_EQ(ReadFile(rig.saved + "old.htm"), "OLD");
  EXPECT_TRUE(rig.builder.SaveAs(rig.topic));
  EXPECT_EQ(ReadFile(rig.saved + "old.htm"), "<h1>Trip</h1><img src=\"photo1.jpg\">");
  EXPECT_EQ(rig.ui.MessageIds(), (std::vector<int>{IDS_OVERWRITE_FILE, IDS_OVERWRITE_FILE}));
  EXPECT_EQ(rig.ui.messages[0].flags & 0xF, unsigned(kMbYesNo));
}

TEST(SaveAs, OntoTheReportItselfKeepsIt) {
  SaveAsRig rig;
  std::string report = rig.builder.ReportPath(rig.topic);
  rig.builder.Build(rig.themes + "t.htm", rig.topic, nullptr);
  std::string before = ReadFile(report);
  ASSERT_FALSE(before.empty());
  rig.ui.filePaths = {report};
  rig.ui.messageAnswers = {kIdYes};
  EXPECT_TRUE(rig.builder.SaveAs(rig.topic));
  EXPECT_EQ(ReadFile(report), before);
  EXPECT_EQ(ReadFile(rig.output + "photo1.jpg"), "JPEG 3");
}

TEST(SaveAs, ShellNotFindingTheFileIsTold) {
  SaveAsRig rig;
  ReportServices services;
  services.source = &rig.source;
  services.images = &rig.images;
  services.settings = &rig.settings;
  services.openDocument = [](const std::string&) { return false; };
  ReportBuilder builder(services);
  rig.ui.filePaths = {rig.saved + "x.htm"};
  EXPECT_TRUE(builder.SaveAs(rig.topic));
  // The report is there: the message says where, and no failure is claimed.
  EXPECT_TRUE(Exists(rig.saved + "x.htm"));
  ASSERT_EQ(rig.ui.messages.size(), 1u);
  EXPECT_EQ(rig.ui.messages[0].stringId, 0);
  EXPECT_NE(rig.ui.messages[0].text.find("was saved as\n\n" + rig.saved + "x.htm"), std::string::npos);
  EXPECT_FALSE(rig.ui.Showed(IDS_FILE_OPEN_OR_INVALID));
}

TEST(SaveAs, DialogStartsWhereAskedAndFailuresSayWhy) {
  SaveAsRig rig;
  rig.ui.filePaths = {rig.saved + "missing-folder/x.htm"};
  EXPECT_FALSE(rig.builder.SaveAs(rig.topic, "/home/ann/Documents/", "Trip.htm"));
  ASSERT_EQ(rig.ui.saveRequests.size(), 1u);
  EXPECT_EQ(rig.ui.saveRequests[0].initialFolder, "/home/ann/Documents/");
  EXPECT_EQ(rig.ui.saveRequests[0].initialName, "Trip.htm");
  // The folder does not exist: string 153 with the path and the reason.
  ASSERT_EQ(rig.ui.MessageIds(), std::vector<int>{IDS_ERROR_SAVING_FILE});
  const std::string& text = rig.ui.messages[0].text;
  EXPECT_EQ(text.rfind(LoadString(IDS_ERROR_SAVING_FILE).bytes(), 0), 0u) << text;
  EXPECT_NE(text.find(rig.saved + "missing-folder/x.htm"), std::string::npos) << text;
  EXPECT_NE(text.find(std::strerror(ENOENT)), std::string::npos) << text;
  EXPECT_TRUE(rig.opened.empty());
}

}  // namespace
}  // namespace quillet
