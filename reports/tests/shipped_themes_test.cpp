// Every theme that ships expands over a full sample topic without a brace
// tag left in the report (a misspelt tag is copied through silently, so
// only this catches it), and together the themes use every tag family.
#include <gtest/gtest.h>

#include <set>

#include "base/UserInterface.h"
#include "reports/PostProcess.h"
#include "reports/ThemeFile.h"
#include "reports/ThemeFolder.h"
#include "reports/tests/TestSupport.h"
#include "testing/RecordingUI.h"

namespace quillet {
namespace {

using testing::Exists;
using testing::ReadFile;
using testing::ReportRig;

// The themes as shipped: the build tree holds them as installed, icons beside.
const std::string kShipped = std::string(QUILLET_DATA_DIR) + "/template/";

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string LowerText(std::string s) {
  for (char& c : s) c = Lower(c);
  return s;
}

// The report with its <style> elements taken out.
std::string WithoutStyles(const std::string& html) {
  std::string lower = LowerText(html);
  std::string out;
  size_t pos = 0;
  while (true) {
    size_t open = lower.find("<style", pos);
    if (open == std::string::npos) break;
    out.append(html, pos, open - pos);
    size_t close = lower.find("</style>", open);
    if (close == std::string::npos) return out;
    pos = close + 8;
  }
  out.append(html, pos, std::string::npos);
  return out;
}

// Brace runs that the engine would take for a tag.
std::vector<std::string> BraceTags(const std::string& text) {
  std::vector<std::string> tags;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '{') continue;
    size_t j = i + 1;
    while (j < text.size() && j - i < 255 && text[j] != '}' && text[j] != '{') ++j;
    if (j < text.size() && text[j] == '}') tags.push_back(text.substr(i, j - i + 1));
  }
  return tags;
}

uint32_t SampleTopic(ReportRig& rig) {
  uint32_t cat = rig.records.AddCategory("Field trips");
  uint32_t topic = rig.records.AddTopic("Spring walk by the river", cat);
  rig.records.AddNote(topic, "Heard the first cuckoo.");
  rig.records.AddNote(topic, "Route\n\tCross the bridge\nTurn left at the mill");
  rig.records.AddImage(topic, "The old mill", "mill.jpg");
  rig.records.AddNote(topic, "A private thought", true);
  rig.records.AddImage(topic, "Map sketch", "map.jpg", 2, {0, 1, 2, 3});
  rig.records.AddReference(topic, -1, {"River Birds", "A. Writer", "Quill Press", "0-00-000000-0",
                                       "1999", "12-20", "Good plates"});
  rig.records.AddReference(topic, -2, {"Mill history", "http://example.org/mill", "Opening hours"});
  rig.records.AddReference(topic, -3, {"Cuckoo timing", "B. Scholar", "Bird Journal", "4", "2",
                                       "2001", "33-41", "Table 2"});
  rig.records.AddReference(topic, -4, {"Walks", "C. Rambler", "Outdoors", "9", "5", "2010", "8",
                                       "Map inside"});
  rig.records.AddReference(topic, -5, {"Mill reopens", "Valley Times", "Millford", "D. Reporter",
                                       "3 May 2012", "5", "Photo"});
  rig.records.AddReference(topic, -6, {"Water survey", "E. Surveyor", "River Board", "Flow rates",
                                       "2015", "Appendix"});
  rig.records.AddNote(topic, "Back by six.");
  return topic;
}

TEST(ShippedThemes, EveryThemeExpandsWithoutLeftoverTags) {
  std::vector<std::string> themes = ListThemeFiles(kShipped);
  ASSERT_FALSE(themes.empty()) << "no themes in " << kShipped;
  bool has_default = false;
  for (const std::string& name : themes) {
    SCOPED_TRACE(name);
    if (name == "Show Everything.htm") has_default = true;
    ReportRig rig;
    RecordingUI ui;
    ScopedUI scope(&ui);
    rig.settings.config.templatePath = kShipped;
    rig.settings.config.authorTitle = "Warden";
    rig.settings.config.authorEmail = "ann@example.org";
    rig.settings.config.authorPhone = "555 0100";
    uint32_t topic = SampleTopic(rig);
    rig.builder.make_report(name, topic);
    std::string report = rig.ReportOf(topic);
    ASSERT_FALSE(report.empty());
    EXPECT_TRUE(ui.messages.empty());
    for (const std::string& tag : BraceTags(WithoutStyles(report))) ADD_FAILURE() << "left in the report: " << tag;
    EXPECT_NE(LowerText(report).find("charset=windows-1252"), std::string::npos);
    EXPECT_EQ(report.find("A private thought"), std::string::npos);

    // Everything the report shows is beside it.
    std::vector<std::string> names;
    ASSERT_TRUE(collect_references(rig.output + rig.records.Topic(topic)->fileName, kShipped,
                                   rig.output, &names));
    for (const std::string& shown : names) EXPECT_TRUE(Exists(rig.output + shown)) << shown;

    // An empty topic too.
    uint32_t empty = rig.records.AddTopic("Nothing yet");
    rig.builder.make_report(name, empty);
    std::string bare = rig.ReportOf(empty);
    ASSERT_FALSE(bare.empty());
    for (const std::string& tag : BraceTags(WithoutStyles(bare))) ADD_FAILURE() << "left in the report: " << tag;
  }
  EXPECT_TRUE(has_default);
}

TEST(ShippedThemes, TogetherTheyUseEveryTagFamily) {
  std::set<std::string> used;
  for (const std::string& name : ListThemeFiles(kShipped)) {
    ThemeFile theme;
    ASSERT_TRUE(load_theme(kShipped + name, &theme));
    std::string text(theme.data(), theme.size());
    for (const std::string& tag : BraceTags(text)) {
      std::string t;
      for (char c : tag.substr(1, tag.size() - 2))
        if (c != ' ' && c != '\\') t.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
      used.insert(t.substr(0, t.find('(')));
    }
  }
  for (const char* family : {"NOTES_BEGIN", "NOTE_FIRST_LINE", "NOTE_BODY", "IMAGES_BEGIN",
                             "IMAGE_SRC", "CUSTOM_BEGIN", "CUSTOM_1", "CUSTOM_2", "CUSTOM_8",
                             "SET_COLOR1", "SWAP_COLORS", "HANDHELD_ORDER_BEGIN", "FILE_SIZE"}) {
    bool found = used.count(family) != 0;
    if (std::string(family) == "SET_COLOR1") found = found || used.count("SET_COLOUR1");
    if (std::string(family) == "SWAP_COLORS") found = found || used.count("SWAP_COLOURS");
    if (std::string(family) == "IMAGES_BEGIN") found = found || used.count("SKETCHES_BEGIN");
    if (std::string(family) == "IMAGE_SRC") found = found || used.count("SKETCH_FILENAME");
    EXPECT_TRUE(found) << family;
  }
}

}  // namespace
}  // namespace quillet
