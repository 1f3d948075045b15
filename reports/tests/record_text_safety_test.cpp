// Texts from the store come from the handheld: whatever they hold, they
// never add markup to a report, and never make the builder copy or attach a
// file.
#include <gtest/gtest.h>

#include "base/UserInterface.h"
#include "reports/PostProcess.h"
#include "reports/ReportExpander.h"
#include "reports/tests/TestSupport.h"
#include "testing/RecordingUI.h"

namespace quillet {
namespace {

using testing::Exists;
using testing::FilesIn;
using testing::ReadFile;
using testing::ReportRig;
using testing::WriteFile;

TEST(RecordTextSafety, EscapesMarkupCharacters) {
  EXPECT_EQ(EscapeRecordText("a < b & \"c\" > d"), "a &lt; b &amp; &quot;c&quot; &gt; d");
  EXPECT_EQ(EscapeRecordText("plain \xE9 text\n\t'x'"), "plain \xE9 text\n\t'x'");
}

TEST(RecordTextSafety, SrcValuesInRecordsCopyAndAttachNothing) {
  ReportRig rig;
  RecordingUI ui;
  ScopedUI scope(&ui);
  // Files an attacker would like to see copied next to the report.
  WriteFile(rig.dir.File("id_rsa"), "PRIVATE KEY");
  WriteFile(rig.themes + "secret.txt", "THEME FOLDER FILE");
  const std::string key = rig.dir.File("id_rsa");
  const std::string evil = "<img src=\"" + key + "\"><IMG SRC=\"../../x\">"
                           "<div background=\"secret.txt\"></div><img src=\"secret.txt\">";
  uint32_t cat = rig.records.AddCategory(evil);
  uint32_t topic = rig.records.AddTopic(evil, cat);
  rig.records.AddNote(topic, evil + "\nsecond line " + evil);
  rig.records.AddReference(topic, -1, {evil, evil, evil, evil, evil, evil, evil});
  rig.records.AddReference(topic, -2, {"t", "http://x/\" src=\"" + key, evil});
  rig.records.AddImage(topic, evil, "pic.jpg");
  rig.settings.config.author = evil;

  const std::string theme =
      "<title>{TITLE}</title><h1>{TITLE}</h1>{CATEGORY}{AUTHOR}"
      "{NOTES_BEGIN}{NOTE}|{NOTE_FIRST_LINE}{NOTE_BODY}{NOTES_END}"
      "{CUSTOM_BEGIN}{CUSTOM_1}{CUSTOM_2}{CUSTOM_3}{CUSTOM_4}{CUSTOM_5}{CUSTOM_6}{CUSTOM_7}{CUSTOM_END}"
      "{IMAGES_BEGIN}<img src=\"{IMAGE_SRC}\" alt=\"{IMAGE_TITLE}\">{IMAGES_END}";
  std::string report = rig.Build(topic, theme);
  ASSERT_FALSE(report.empty());

  // The only file beside the report is the topic's own picture.
  std::vector<std::string> files = FilesIn(rig.output);
  EXPECT_EQ(files, (std::vector<std::string>{rig.records.Topic(topic)->fileName, "pic.jpg"}));

  // The report holds no src/background value but the theme's own.
  EXPECT_EQ(FindReferenceValues(report, true), std::vector<std::string>{"pic.jpg"});
  // The link stays inside its href.
  EXPECT_NE(report.find("<a href=\"http://x/&quot; src=&quot;" + key + "\">"), std::string::npos);

  // What Save As copies and Send attaches: the picture only.
  std::vector<std::string> names;
  ASSERT_TRUE(collect_references(rig.output + rig.records.Topic(topic)->fileName, rig.themes,
                                 rig.output, &names));
  EXPECT_EQ(names, std::vector<std::string>{"pic.jpg"});
  EXPECT_EQ(FilesIn(rig.output).size(), 2u);
  EXPECT_FALSE(Exists(rig.output + "id_rsa"));
  EXPECT_FALSE(Exists(rig.output + "secret.txt"));
  EXPECT_TRUE(ui.messages.empty());
}

TEST(RecordTextSafety, PlainTextsGiveTheSameReportAsBefore) {
  ReportRig rig;
  uint32_t topic = rig.records.AddTopic("Garden plans, 2026");
  rig.records.AddNote(topic, "Tomatoes: plant out in May.\n\tWater daily; it's warm!");
  rig.records.AddReference(topic, -2, {"Seeds", "http://example.org/seeds?id=7#top", "Buy early"});
  std::string out = rig.Expand(
      topic, "{TITLE}|{NOTES_BEGIN}{NOTE}{NOTES_END}|{CUSTOM_BEGIN}{CUSTOM_2}{CUSTOM_END}");
  EXPECT_EQ(out,
            "Garden plans, 2026|Tomatoes: plant out in May.<br>"
            "&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;Water daily; it's warm!|"
            "<table border=0><tr><td valign=top width=100>URL:&nbsp;</td><td><b>"
            "<a href=\"http://example.org/seeds?id=7#top\">http://example.org/seeds?id=7#top</a>"
            "</td></tr></table><br>");
}

TEST(RecordTextSafety, AmpersandsInUrlsStayValidLinks) {
  ReportRig rig;
  uint32_t topic = rig.records.AddTopic("T");
  rig.records.AddReference(topic, -2, {"q", "http://e.org/?a=1&b=<2>", ""});
  std::string out = rig.Expand(topic, "{CUSTOM_BEGIN}{CUSTOM_2}{CUSTOM_END}");
  EXPECT_NE(out.find("<a href=\"http://e.org/?a=1&amp;b=&lt;2&gt;\">http://e.org/?a=1&amp;b=&lt;2&gt;</a>"),
            std::string::npos);
}

}  // namespace
}  // namespace quillet
