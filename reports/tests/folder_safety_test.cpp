// What a crafted record or another local user can make the report builder
// do: nothing outside the output and theme folders. Links planted in the
// output folder are replaced, never written through; picture names that
// decode to a path get fresh names; record text never acts on the report;
// a report that cannot be written leaves the old one as it was.
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "base/Strings.h"
#include "base/UserInterface.h"
#include "imaging/FloatImage.h"
#include "imaging/tests/SketchBytes.h"
#include "reports/ImagingWriter.h"
#include "reports/PostProcess.h"
#include "reports/ReportBuilder.h"
#include "reports/ReportPaths.h"
#include "reports/tests/TestSupport.h"
#include "testing/RecordingUI.h"

namespace quillet {
namespace {

using testing::Exists;
using testing::FilesIn;
using testing::ReadFile;
using testing::ReportRig;
using testing::WriteFile;

bool IsLink(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

std::vector<uint8_t> SmallJpeg() {
  FloatImage image;
  EXPECT_EQ(image.create(4, 3), 0);
  std::vector<uint8_t> bytes(20000);
  EXPECT_EQ(image.save_jpeg_memory(bytes.data(), bytes.size(), 80), 0);
  bytes.resize(image.jpeg_memory_size());
  return bytes;
}

// Every entry of a folder, hidden ones included.
std::vector<std::string> Entries(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(folder))
    names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// A builder that writes real picture files, as the program does.
struct RealPictures {
  ImagingWriter writer;
  ReportBuilder builder;
  explicit RealPictures(ReportRig& rig)
      : builder([&] {
          ReportServices s;
          s.source = &rig.source;
          s.images = &writer;
          s.settings = &rig.settings;
          return s;
        }()) {}
};

TEST(FolderSafety, LinksInTheOutputFolderAreReplacedNeverWrittenThrough) {
  ReportRig rig;
  RecordingUI ui;
  ScopedUI scope(&ui);
  RealPictures real(rig);
  const std::string elsewhere = rig.dir.Sub("elsewhere");
  for (const char* victim : {"report", "picture", "theme-copy", "sketch"})
    WriteFile(elsewhere + victim, "precious");

  uint32_t topic = rig.records.AddTopic("Linked");
  rig.records.AddImage(topic, "photo", "pic.jpg", kImageFormatJpeg, SmallJpeg());
  rig.records.AddImage(topic, "fresh", "new.jpg", kImageFormatJpeg, SmallJpeg());
  rig.records.AddImage(topic, "drawing", "sketch.jpg", kImageFormatSketch, testing::TestSketch());
  WriteFile(rig.themes + "logo.gif", "GIF89a theme logo");
  const std::string report = BaseName(real.builder.ReportPath(topic));
  ASSERT_FALSE(report.empty());
  ASSERT_EQ(::symlink((elsewhere + "report").c_str(), (rig.output + report).c_str()), 0);
  ASSERT_EQ(::symlink((elsewhere + "picture").c_str(), (rig.output + "pic.jpg").c_str()), 0);
  ASSERT_EQ(::symlink((elsewhere + "theme-copy").c_str(), (rig.output + "logo.gif").c_str()), 0);
  ASSERT_EQ(::symlink((elsewhere + "sketch").c_str(), (rig.output + "sketch.jpg").c_str()), 0);
  // A dangling link must not make us create the file it names.
  ASSERT_EQ(::symlink((elsewhere + "created").c_str(), (rig.output + "new.jpg").c_str()), 0);

  WriteFile(rig.themes + "t.htm",
            "<img src=\"logo.gif\">{IMAGES_BEGIN}<img src=\"{IMAGE_SRC}\">{IMAGES_END}");
  real.builder.make_report("t.htm", topic);

  for (const char* victim : {"report", "picture", "theme-copy", "sketch"})
    EXPECT_EQ(ReadFile(elsewhere + victim), "precious") << victim;
  EXPECT_FALSE(Exists(elsewhere + "created"));
  for (const std::string& name : {report, std::string("pic.jpg"), std::string("new.jpg"),
                                  std::string("logo.gif"), std::string("sketch.jpg")})
    EXPECT_FALSE(IsLink(rig.output + name)) << name;
  EXPECT_EQ(ReadFile(rig.output + report),
            "<img src=\"logo.gif\"><img src=\"pic.jpg\"><img src=\"new.jpg\"><img src=\"sketch.jpg\">");
  EXPECT_EQ(ReadFile(rig.output + "pic.jpg").substr(0, 2), "\xFF\xD8");
  EXPECT_EQ(ReadFile(rig.output + "new.jpg").substr(0, 2), "\xFF\xD8");
  EXPECT_EQ(ReadFile(rig.output + "sketch.jpg").substr(0, 2), "\xFF\xD8");
  EXPECT_EQ(ReadFile(rig.output + "logo.gif"), "GIF89a theme logo");
  // No temporary file is left beside them.
  EXPECT_EQ(Entries(rig.output), FilesIn(rig.output));
  EXPECT_TRUE(ui.messages.empty());
}

TEST(FolderSafety, ThemeCopiesNeverFollowALinkOutOfTheThemeFolder) {
  ReportRig rig;
  RecordingUI ui;
  ScopedUI scope(&ui);
  const std::string elsewhere = rig.dir.Sub("elsewhere");
  WriteFile(elsewhere + "id_rsa", "PRIVATE KEY");
  ASSERT_EQ(::symlink((elsewhere + "id_rsa").c_str(), (rig.themes + "leak.gif").c_str()), 0);
  ASSERT_EQ(::symlink(elsewhere.c_str(), (rig.themes + "pics").c_str()), 0);
  WriteFile(rig.themes + "real.gif", "GIF");
  ASSERT_EQ(::symlink("real.gif", (rig.themes + "alias.gif").c_str()), 0);  // stays inside

  uint32_t topic = rig.records.AddTopic("T");
  std::string out = rig.Build(topic,
                              "<img src=\"leak.gif\"><img src=\"pics/id_rsa\"><IMG SRC=\"leak.gif\">"
                              "<img src=\"alias.gif\">");
  EXPECT_EQ(out, "<img src=\"leak.gif\"><img src=\"id_rsa\"><IMG SRC=\"leak.gif\"><img src=\"alias.gif\">");
  EXPECT_FALSE(Exists(rig.output + "leak.gif"));
  EXPECT_FALSE(Exists(rig.output + "id_rsa"));
  EXPECT_EQ(ReadFile(rig.output + "alias.gif"), "GIF");

  // Reset All: a link among the pristine copies is not followed out of
  // their folder, and a link in the theme folder is replaced.
  const std::string pristine = rig.dir.Sub("install/components/restore");
  WriteFile(pristine + "Show Everything.htm", "<html>pristine</html>");
  ASSERT_EQ(::symlink((elsewhere + "id_rsa").c_str(), (pristine + "Stolen.htm").c_str()), 0);
  WriteFile(elsewhere + "theme", "precious");
  ASSERT_EQ(::symlink((elsewhere + "theme").c_str(), (rig.themes + "Show Everything.htm").c_str()), 0);
  rig.builder.RestoreThemes();
  EXPECT_EQ(ReadFile(elsewhere + "theme"), "precious");
  EXPECT_FALSE(IsLink(rig.themes + "Show Everything.htm"));
  EXPECT_EQ(ReadFile(rig.themes + "Show Everything.htm"), "<html>pristine</html>");
  EXPECT_FALSE(Exists(rig.themes + "Stolen.htm"));
}

TEST(FolderSafety, SaveAsCopiesNothingALinkInTheOutputFolderLeadsTo) {
  ReportRig rig;
  RecordingUI ui;
  ScopedUI scope(&ui);
  const std::string elsewhere = rig.dir.Sub("elsewhere");
  WriteFile(elsewhere + "id_rsa", "PRIVATE KEY");
  uint32_t topic = rig.records.AddTopic("T");
  WriteFile(rig.themes + "shown.gif", "GIF");
  rig.Build(topic, "<img src=\"shown.gif\">");
  // Someone swaps the copied picture for a link to a secret.
  std::filesystem::remove(rig.output + "shown.gif");
  ASSERT_EQ(::symlink((elsewhere + "id_rsa").c_str(), (rig.output + "shown.gif").c_str()), 0);
  const std::string dest = rig.dir.Sub("saved");
  ui.filePaths = {dest + "copy"};
  std::filesystem::remove(rig.themes + "shown.gif");
  EXPECT_TRUE(rig.builder.SaveAs(topic));
  EXPECT_TRUE(Exists(dest + "copy.htm"));
  EXPECT_FALSE(Exists(dest + "shown.gif"));
}

TEST(FolderSafety, PictureNamesThatDecodeToAPathGetFreshNames) {
  for (const char* bad : {"%2e%2e%2fpct_up.jpg", "..%2Fx.jpg", "file:..%2fx.jpg", "FILE:x.jpg",
                          "%252e%252e%252fdeep.jpg", "a%2fb.jpg", "a%5cb.jpg", "..\\x.jpg",
                          "x:y.jpg", "%2ehidden.jpg", "quillet%2edat", "nul%00.jpg", "a%22b.jpg"})
    EXPECT_FALSE(IsPlainFileName(bad)) << bad;
  // '%' is no letter of a name of ours, so nothing decodes at all.
  for (const char* bad : {"50%.jpg", "100%25.jpg", "%41.jpg"}) EXPECT_FALSE(IsPlainFileName(bad)) << bad;
  for (const char* good : {"8122026421234.jpg", "Caf\xE9.jpg", "a b.jpg"})
    EXPECT_TRUE(IsPlainFileName(good)) << good;

  ReportRig rig;
  RecordingUI ui;
  ScopedUI scope(&ui);
  uint32_t topic = rig.records.AddTopic("T");
  std::vector<uint32_t> images;
  for (const char* bad : {"%2e%2e%2fpct_up.jpg", "..%2Fx.jpg", "file:..%2fx.jpg"})
    images.push_back(rig.records.AddImage(topic, "p", bad));
  std::string report = rig.Build(topic, "{IMAGES_BEGIN}<img src=\"{IMAGE_SRC}\">{IMAGES_END}");
  std::vector<std::string> values = FindReferenceValues(report, true);
  ASSERT_EQ(values.size(), 3u);
  for (size_t i = 0; i < values.size(); ++i) {
    const std::string stored = rig.records.Image(images[i])->fileName;
    EXPECT_EQ(values[i], stored);
    EXPECT_EQ(stored.find_first_not_of("0123456789"), stored.size() - 4) << stored;
    EXPECT_TRUE(Exists(rig.output + stored));
  }
  // Nothing landed beside the output folder.
  EXPECT_FALSE(Exists(rig.dir.File("pct_up.jpg")));
  EXPECT_FALSE(Exists(rig.dir.File("x.jpg")));
}

TEST(FolderSafety, AccentedPictureNamesAreWrittenAndReferredToAlike) {
  ReportRig rig;
  RecordingUI ui;
  ScopedUI scope(&ui);
  uint32_t topic = rig.records.AddTopic("T");
  rig.records.AddImage(topic, "coffee", "Caf\xE9 au lait.jpg");  // Windows-1252 bytes
  std::string report = rig.Build(topic, "{IMAGES_BEGIN}<img src=\"{IMAGE_SRC}\">{IMAGES_END}");
  // One conversion for both: the file has the UTF-8 name, the page refers
  // to exactly those bytes, percent-encoded.
  EXPECT_EQ(OutputFileName("Caf\xE9 au lait.jpg"), "Caf\xC3\xA9 au lait.jpg");
  EXPECT_EQ(PageReference("Caf\xE9 au lait.jpg"), "Caf%C3%A9%20au%20lait.jpg");
  EXPECT_EQ(report, "<img src=\"Caf%C3%A9%20au%20lait.jpg\">");
  std::vector<std::string> expected = {"Caf\xC3\xA9 au lait.jpg", rig.records.Topic(topic)->fileName};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(FilesIn(rig.output), expected);
  // Save As and Send find it under the name the page gives.
  std::vector<std::string> names;
  ASSERT_TRUE(collect_references(rig.output + rig.records.Topic(topic)->fileName, rig.themes,
                                 rig.output, &names));
  EXPECT_EQ(names, std::vector<std::string>{"Caf\xC3\xA9 au lait.jpg"});
  // A name that decodes further is written and referred to literally.
  EXPECT_EQ(PageReference("%41.jpg"), "%2541.jpg");
  EXPECT_EQ(DecodeReference(PageReference("%41.jpg")), "%41.jpg");
}

TEST(FolderSafety, RecordTextNeverActsOnTheReport) {
  ReportRig rig;
  RecordingUI ui;
  ScopedUI scope(&ui);
  WriteFile(rig.themes + "logo.gif", "GIF");
  uint32_t topic = rig.records.AddTopic("pics/x.gif");
  rig.records.AddReference(topic, -2, {"Search", "http://example.org/find?src=", "Keep this note"});
  rig.records.AddReference(topic, -2, {"Second", "http://example.org/?background=", "And this"});
  rig.records.AddNote(topic, "size: {FILE_SIZE} | line ends src=\nnext src=");
  std::string report = rig.Build(topic,
                                 "{FILE_SIZE}<img src=\"logo.gif\">"
                                 "{CUSTOM_BEGIN}{CUSTOM_2}{CUSTOM_3}{CUSTOM_END}"
                                 "{NOTES_BEGIN}{NOTE}{NOTES_END}<img alt=\"{TITLE}\" src=\"a/logo.gif\">"
                                 "<img src=\"pics/{TITLE}\">");
  // The rows stay whole: the note fields and every closing tag are there.
  EXPECT_NE(report.find("<a href=\"http://example.org/find?src&#61;\">http://example.org/find?src&#61;"
                        "</a></td></tr></table><br>"),
            std::string::npos)
      << report;
  EXPECT_NE(report.find("<td><b>Keep this note</b></td></tr></table><br>"), std::string::npos) << report;
  EXPECT_NE(report.find("<td><b>And this</b></td></tr></table><br>"), std::string::npos) << report;
  // The theme's {FILE_SIZE} is filled in; the note's stays as typed.
  EXPECT_EQ(report.find("{FILE_SIZE}"), report.find("size: {FILE_SIZE}") + 6);
  EXPECT_NE(report.rfind("line ends src&#61;<br>next src&#61;"), std::string::npos) << report;
  // The theme's path is rewritten as before; a value holding record text is
  // left as written and copies nothing.
  EXPECT_NE(report.find("<img alt=\"pics/x.gif\" src=\"logo.gif\">"), std::string::npos) << report;
  EXPECT_NE(report.find("<img src=\"pics/pics/x.gif\">"), std::string::npos) << report;

  // Save As and Send list only the theme's picture, also from the file.
  std::vector<std::string> names;
  ASSERT_TRUE(collect_references(rig.output + rig.records.Topic(topic)->fileName, rig.themes,
                                 rig.output, &names));
  EXPECT_EQ(names, (std::vector<std::string>{"logo.gif", "x.gif"}));
}

TEST(FolderSafety, RecordSpansFollowTheTextThroughLineEnds) {
  ReportRig rig;
  uint32_t topic = rig.records.AddTopic("a\"b");
  rig.records.AddNote(topic, "one\ntwo");
  ReportExpander& e = rig.builder.expander();
  std::string out = rig.Expand(topic, "<p>\n{TITLE}\n<img src=\"x.gif\">{NOTES_BEGIN}{NOTE}{NOTES_END}");
  ASSERT_EQ(out, "<p>\na&quot;b\n<img src=\"x.gif\">one<br>two");
  ASSERT_EQ(e.recordSpans(), (std::vector<TextSpan>{{4, 12}, {30, 40}}));
  std::vector<char> text(out.begin(), out.end());
  std::string written;
  std::vector<TextSpan> spans;
  post_process_report(text.data(), text.size(), rig.themes, rig.output, &written, nullptr,
                      LineEnds::kCrLf, &e.recordSpans(), &spans);
  ASSERT_EQ(written, "<p>\r\na&quot;b\r\n<img src=\"x.gif\">one<br>two");
  ASSERT_EQ(spans.size(), 2u);
  EXPECT_EQ(written.substr(spans[0].begin, spans[0].end - spans[0].begin), "a&quot;b");
  EXPECT_EQ(written.substr(spans[1].begin, spans[1].end - spans[1].begin), "one<br>two");
}

TEST(FolderSafety, FailedWriteLeavesTheOldReportUntouched) {
  ReportRig rig;
  RecordingUI ui;
  ScopedUI scope(&ui);
  uint32_t topic = rig.records.AddTopic("T");
  const std::string old_report = rig.Build(topic, "<p>old report, with a tail</p>");
  ASSERT_EQ(old_report, "<p>old report, with a tail</p>");
  const std::string path = rig.output + rig.records.Topic(topic)->fileName;

  // The disk fills up part way through the new report.
  WriteFile(rig.themes + "big.htm", "NEW" + std::string(10000, 'x'));
  struct rlimit saved;
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  auto old_handler = ::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = saved;
  small.rlim_cur = 4096;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  rig.builder.make_report("big.htm", topic);
  ::setrlimit(RLIMIT_FSIZE, &saved);
  ::signal(SIGXFSZ, old_handler);

  EXPECT_EQ(ReadFile(path), "<p>old report, with a tail</p>");
  EXPECT_EQ(ui.MessageIds(), std::vector<int>{IDS_WRITE_REPORT_FAILED});
  EXPECT_EQ(Entries(rig.output), FilesIn(rig.output));  // no temporary file left
  // Build() says it failed, so nobody shows, saves or mails a half report.
  ::setrlimit(RLIMIT_FSIZE, &small);
  ::signal(SIGXFSZ, SIG_IGN);
  const bool built = rig.builder.Build(rig.themes + "big.htm", topic, nullptr);
  ::setrlimit(RLIMIT_FSIZE, &saved);
  ::signal(SIGXFSZ, old_handler);
  EXPECT_FALSE(built);
  EXPECT_EQ(ReadFile(path), "<p>old report, with a tail</p>");
}

}  // namespace
}  // namespace quillet
