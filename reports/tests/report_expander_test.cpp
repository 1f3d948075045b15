// The report hook over a real record store: document tags, the three kinds
// of block, handheld order, reference rows and picture files.
#include <gtest/gtest.h>

#include "base/UserInterface.h"
#include "reports/ReportExpander.h"
#include "reports/ReportPaths.h"
#include "reports/tests/TestSupport.h"
#include "testing/RecordingUI.h"

namespace quillet {
namespace {

using testing::ReadFile;
using testing::ReportRig;
using testing::WriteFile;

constexpr char kNotesLoop[] = "{NOTES_PROLOG}[{NOTES_BEGIN}({COUNT}:{NOTE}){NOTES_END}]{NOTES_EPILOG}";

TEST(ReportHook, DocumentTags) {
  ReportRig rig;
  uint32_t cat = rig.records.AddCategory("Nature");
  uint32_t topic = rig.records.AddTopic(std::string(300, 'T') + "\nsecond line", cat);
  uint32_t plain = rig.records.AddTopic("Plain");
  rig.settings.config.authorEmail = "ann@example.org";
  std::string title = rig.Expand(topic, "<{TITLE}>");
  EXPECT_EQ(title, "<" + std::string(256, 'T') + ">");
  EXPECT_EQ(rig.Expand(topic, "[{CATEGORY}]"), "[Nature ]");
  EXPECT_EQ(rig.Expand(plain, "[{CATEGORY}]"), "[ ]");
  EXPECT_EQ(rig.Expand(plain, "{AUTHOR}|{AUTHOR_TITLE}|{AUTHOR_EMAIL}|{ author_phone }"),
            "Ann Author | |ann@example.org | ");
  // Spellings of TITLE: lower case, spaces, escaped braces.
  EXPECT_EQ(rig.Expand(plain, "{title}{ TITLE }\\{TITLE\\}"), "PlainPlainPlain");
  // An opening brace that never closes is text.
  EXPECT_EQ(rig.Expand(plain, "x{TITLE"), "x{TITLE");
}

TEST(ReportHook, ATopicWithoutATitleStillHasAHeading) {
  // The handheld lets a title be empty or blank on its first line; the
  // report names it as the tree does, and a real title is never touched.
  ReportRig rig;
  const uint32_t empty = rig.records.AddTopic("");
  const uint32_t blank = rig.records.AddTopic(" \t\nsecond line");
  const uint32_t spaced = rig.records.AddTopic("  Herons");
  EXPECT_EQ(rig.Expand(empty, "<h1>{TITLE}</h1>"), "<h1>(untitled)</h1>");
  EXPECT_EQ(rig.Expand(blank, "<h1>{TITLE}</h1>"), "<h1>(untitled)</h1>");
  EXPECT_EQ(rig.Expand(spaced, "<h1>{TITLE}</h1>"), "<h1>  Herons</h1>");
}

TEST(ReportHook, TagsThatAreNotFilledStayAsWritten) {
  ReportRig rig;
  uint32_t topic = rig.records.AddTopic("T");
  EXPECT_EQ(rig.Expand(topic, "{REPORT_DATE} {PAGE} {DATE} {TIME} {NEXT_ITEM} {STATUS(a, b)} {COUNT}"),
            "{REPORT_DATE} {PAGE} {DATE} {TIME} {NEXT_ITEM} {STATUS(a, b)} {COUNT}");
  // A CSS rule is no tag: copied with its letters and case.
  std::string css = "<style>body { Color: Red; margin:0 }\n.x{font-weight:bold}</style>";
  EXPECT_EQ(rig.Expand(topic, css), css);
  EXPECT_EQ(rig.Expand(topic, "{FILE_SIZE}"), "{FILE_SIZE}");
  // Without a current topic every tag goes through.
  EXPECT_EQ(rig.Expand(999, "{TITLE}{NOTES_BEGIN}"), "{TITLE}{NOTES_BEGIN}");
}

TEST(ReportHook, ColourSlotsPersistFromReportToReport) {
  ReportRig rig;
  uint32_t topic = rig.records.AddTopic("T");
  EXPECT_EQ(rig.Expand(topic, "{SET_COLOR1( #FF0000 )}{set_colour2(blue)}[{COLOR1}|{COLOUR2}]"),
            "[#FF0000 |blue]");
  EXPECT_EQ(rig.Expand(topic, "{SWAP_COLOURS}[{COLOR1}|{COLOR2}]"), "[blue|#FF0000 ]");
  // A later report still sees the swapped slots.
  EXPECT_EQ(rig.Expand(topic, "[{COLOUR1}]{SWAP_COLORS}[{COLOUR1}]"), "[blue][#FF0000 ]");
}

TEST(ReportHook, NotesBlocks) {
  ReportRig rig;
  uint32_t empty = rig.records.AddTopic("Empty");
  EXPECT_EQ(rig.Expand(empty, std::string("a") + kNotesLoop + "b"), "ab");
  // A loop without its prolog is written once, NOTE as a single space.
  EXPECT_EQ(rig.Expand(empty, "{NOTES_BEGIN}<{NOTE}>{NOTES_END}"), "< >");

  uint32_t topic = rig.records.AddTopic("Three");
  rig.records.AddNote(topic, "first");
  rig.records.AddImage(topic, "pic", "p.jpg");
  rig.records.AddNote(topic, "second");
  rig.records.AddNote(topic, "third");
  EXPECT_EQ(rig.Expand(topic, kNotesLoop), "[(1:first)(2:second)(3:third)]");
  // Blocks can be used again in the same theme.
  EXPECT_EQ(rig.Expand(topic, std::string(kNotesLoop) + kNotesLoop),
            "[(1:first)(2:second)(3:third)][(1:first)(2:second)(3:third)]");
}

TEST(ReportHook, FirstLineAndBody) {
  ReportRig rig;
  uint32_t one = rig.records.AddTopic("One");
  rig.records.AddNote(one, "single");
  uint32_t three = rig.records.AddTopic("Three");
  rig.records.AddNote(three, "l1\nl2\tx\nl3");
  const std::string theme = "{NOTES_BEGIN}[{NOTE_FIRST_LINE}|{NOTE_BODY}]{NOTES_END}";
  EXPECT_EQ(rig.Expand(one, theme), "[single<br><br>|]");
  EXPECT_EQ(rig.Expand(three, theme),
            "[l1|<br>l2&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;x<br>l3<br><br>]");
  EXPECT_EQ(rig.Expand(three, "{NOTES_BEGIN}{NOTE}{NOTES_END}"),
            "l1<br>l2&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;x<br>l3");
}

TEST(ReportHook, PrivateNotesAndOtherMembers) {
  ReportRig rig;
  uint32_t topic = rig.records.AddTopic("T");
  rig.records.AddNote(topic, "open");
  rig.records.AddNote(topic, "secret", true);
  rig.records.AddMissingMember(topic, 4242);
  rig.records.AddMissingMember(topic, rig.records.AddCategory("not a child"));
  rig.records.AddNote(topic, "last");
  const std::string normal = kNotesLoop;
  const std::string handheld = "{HANDHELD_ORDER_BEGIN}" + normal + "{HANDHELD_ORDER_END}";
  EXPECT_EQ(rig.Expand(topic, normal), "[(1:open)(2:last)]");
  EXPECT_EQ(rig.Expand(topic, handheld), "[(1:open)(2:last)]");
  rig.showPrivate = true;
  EXPECT_EQ(rig.Expand(topic, normal), "[(1:open)(2:secret)(3:last)]");
  EXPECT_EQ(rig.Expand(topic, handheld), "[(1:open)(2:secret)(3:last)]");
}

// A private topic has no report while private records are hidden, though
// its members are not private themselves: nothing of it reaches a page or
// a mail.
TEST(ReportHook, PrivateTopicsAndCategoriesStayOutOfReportsWhileHidden) {
  ReportRig rig;
  uint32_t topic = rig.records.AddTopic("Secret");
  rig.records.AddNote(topic, "plan");
  rig.records.Topic(topic)->isPrivate = 1;
  ReportTopic seen;
  EXPECT_FALSE(rig.source.Topic(topic, &seen));
  EXPECT_EQ(rig.Build(topic, kNotesLoop), "");
  rig.showPrivate = true;
  EXPECT_TRUE(rig.source.Topic(topic, &seen));
  EXPECT_EQ(rig.Expand(topic, kNotesLoop), "[(1:plan)]");

  // Nor is a private category named in another topic's report.
  rig.showPrivate = false;
  const uint32_t secret = rig.records.AddCategory("Secret plans");
  rig.records.Find(secret)->isPrivate = 1;
  const uint32_t shown = rig.records.AddTopic("Shown", secret);
  EXPECT_EQ(rig.Expand(shown, "<{CATEGORY}>"), "< >");  // the tag adds its blank
  rig.showPrivate = true;
  EXPECT_EQ(rig.Expand(shown, "<{CATEGORY}>"), "<Secret plans >");
}

TEST(ReportHook, HandheldOrderWalksChildrenInStoredOrder) {
  ReportRig rig;
  uint32_t topic = rig.records.AddTopic("T");
  rig.records.AddNote(topic, "n1");
  rig.records.AddImage(topic, "i1", "i1.jpg");
  rig.records.AddNote(topic, "n2");
  const std::string theme =
      "{HANDHELD_ORDER_BEGIN}<"
      "{NOTES_PROLOG}{NOTES_BEGIN}N{COUNT}={NOTE};{NOTES_END}{NOTES_EPILOG}"
      "{IMAGES_PROLOG}{IMAGES_BEGIN}I{COUNT}={IMAGE_TITLE};{IMAGES_END}{IMAGES_EPILOG}"
      ">{HANDHELD_ORDER_END}";
  EXPECT_EQ(rig.Expand(topic, theme), "<N1=n1;I1=i1 ;><N1=n2;>");

  // Consecutive notes share a pass and count on.
  uint32_t run = rig.records.AddTopic("Run");
  rig.records.AddNote(run, "a");
  rig.records.AddNote(run, "b");
  rig.records.AddNote(run, "c");
  EXPECT_EQ(rig.Expand(run, theme), "<N1=a;N2=b;N3=c;>");
}

TEST(ReportHook, HandheldOrderEndsWhenAKindHasNoBlock) {
  ReportRig rig;
  uint32_t topic = rig.records.AddTopic("T");
  rig.records.AddNote(topic, "n1");
  rig.records.AddImage(topic, "pic", "p.jpg");
  rig.records.AddReference(topic, -1, {"Book title"});
  rig.records.AddNote(topic, "n2");
  // Only a notes block: the picture and the reference are stepped over.
  const std::string notes_only =
      "{HANDHELD_ORDER_BEGIN}{NOTES_PROLOG}{NOTES_BEGIN}{NOTE};{NOTES_END}{NOTES_EPILOG}"
      "|{HANDHELD_ORDER_END}";
  std::string out = rig.Expand(topic, notes_only);
  EXPECT_EQ(out, "n1;|||n2;|");
  // No block at all, and an eleven-deep nest of openings that makes the end
  // jump back over an opening: still ends.
  EXPECT_EQ(rig.Expand(topic, "{HANDHELD_ORDER_BEGIN}.{HANDHELD_ORDER_END}"), "....");
  std::string deep;
  for (int i = 0; i < 11; ++i) deep += "{HANDHELD_ORDER_BEGIN}";
  deep += "{NOTES_BEGIN}{NOTE}{NOTES_END}{HANDHELD_ORDER_END}";
  out = rig.Expand(topic, deep);
  EXPECT_LT(out.size(), 100u);
  EXPECT_NE(out.find("n2"), std::string::npos);
}

TEST(ReportHook, ReferenceRows) {
  ReportRig rig;
  uint32_t topic = rig.records.AddTopic("T");
  rig.records.AddReference(topic, -2, {"Site", "http://example.org/a", "a note\nline two"});
  rig.records.AddReference(topic, -1, {"Book", "", "Pub"});
  rig.records.AddReference(topic, -3, {"J", "A", "Jn", "1", "2", "1999", "10-12", "last"});
  rig.records.AddReference(topic, 5, {"Odd type"});
  const std::string cell = "<table border=0><tr><td valign=top width=100>";
  const std::string end = "</b></td></tr></table><br>";
  auto expand = [&](const std::string& tags) {
    return rig.Expand(topic, "{CUSTOM_PROLOG}{CUSTOM_BEGIN}" + tags + "#{CUSTOM_END}{CUSTOM_EPILOG}");
  };
  // An Internet reference's URL is a link whose text is the URL; an empty
  // field writes nothing, not even its label; a reference with fewer fields
  // writes nothing for the rest.
  EXPECT_EQ(expand("{CUSTOM_2}"),
            cell + "URL:&nbsp;</td><td><b><a href=\"http://example.org/a\">http://example.org/a</a>"
                   "</td></tr></table><br>#" +
                "#" + cell + "Author:&nbsp;</td><td><b>A" + end + "#" + "#");
  EXPECT_EQ(expand("{COUNT}{CUSTOM_1}"),
            "1" + cell + "Title:&nbsp;</td><td><b>Site" + end + "#" +
            "2" + cell + "Title:&nbsp;</td><td><b>Book" + end + "#" +
            "3" + cell + "Title:&nbsp;</td><td><b>J" + end + "#" +
            "4<td><b>Odd type" + end + "#");
  EXPECT_EQ(expand("{CUSTOM_3}"),
            cell + "Note:&nbsp;</td><td><b>a note<br>line two" + end + "#" +
            cell + "Publisher:&nbsp;</td><td><b>Pub" + end + "#" +
            cell + "Journal:&nbsp;</td><td><b>Jn" + end + "#" + "#");
  EXPECT_EQ(expand("{CUSTOM_4}{CUSTOM_5}{CUSTOM_6}{CUSTOM_7}"),
            "##" + cell + "Volume:&nbsp;</td><td><b>1" + end + cell + "Issue:&nbsp;</td><td><b>2" + end +
                cell + "Year:&nbsp;</td><td><b>1999" + end + cell + "Page(s):&nbsp;</td><td><b>10-12" +
                end + "##");
  // The last field closes its table without a line break.
  EXPECT_EQ(expand("{CUSTOM_8}"), "##" + cell + "Notes:&nbsp;</td><td><b>last</b></td></tr></table>##");

  // Without references the loop body is written once, each field a space;
  // with the prolog it is left out.
  uint32_t none = rig.records.AddTopic("None");
  EXPECT_EQ(rig.Expand(none, "{CUSTOM_BEGIN}[{CUSTOM_1}{CUSTOM_8}]{CUSTOM_END}"), "[  ]");
  EXPECT_EQ(rig.Expand(none, "a{CUSTOM_PROLOG}[{CUSTOM_BEGIN}x{CUSTOM_END}]{CUSTOM_EPILOG}b"), "ab");
}

TEST(ReportHook, ReferenceRowLabels) {
  EXPECT_STREQ(ReferenceFieldLabel(-1, 4), "ISBN");
  EXPECT_STREQ(ReferenceFieldLabel(-1, 8), "");
  EXPECT_STREQ(ReferenceFieldLabel(-2, 4), "");
  EXPECT_STREQ(ReferenceFieldLabel(-4, 3), "Magazine");
  EXPECT_STREQ(ReferenceFieldLabel(-5, 2), "Newspaper");
  EXPECT_STREQ(ReferenceFieldLabel(-5, 4), "Reporter");
  EXPECT_STREQ(ReferenceFieldLabel(-6, 4), "Abstract");
  EXPECT_STREQ(ReferenceFieldLabel(-6, 7), "");
  EXPECT_STREQ(ReferenceFieldLabel(-7, 1), "");
  EXPECT_STREQ(ReferenceFieldLabel(0, 1), "");
}

TEST(ReportHook, LongUrlRowIsNeverCut) {
  ReportRig rig;
  uint32_t topic = rig.records.AddTopic("T");
  std::string url = "http://example.org/" + std::string(29981, 'u');
  ASSERT_EQ(url.size(), 30000u);
  rig.records.AddReference(topic, -2, {"Site", url + "tail beyond the limit", ""});
  std::string out = rig.Expand(topic, "{CUSTOM_BEGIN}{CUSTOM_2}{CUSTOM_END}");
  EXPECT_NE(out.find("<a href=\"" + url + "\">" + url + "</a></td></tr></table><br>"), std::string::npos);
  EXPECT_EQ(out.find("tail"), std::string::npos);
}

TEST(ReportHook, PictureFilesForImageSrc) {
  ReportRig rig;
  uint32_t topic = rig.records.AddTopic("T");
  uint32_t kept = rig.records.AddImage(topic, "kept", "kept.jpg");
  rig.records.AddImage(topic, "made", "made.jpg");
  rig.records.AddImage(topic, "sketch", "sketch.jpg", kImageFormatSketch, {9, 9});
  rig.records.AddImage(topic, "other", "other.jpg", kImageFormatOther);
  WriteFile(rig.output + "kept.jpg", "ORIGINAL");
  WriteFile(rig.output + "sketch.jpg", "OLD SKETCH");
  const std::string theme = "{IMAGES_BEGIN}<img src=\"{IMAGE_SRC}\" alt=\"{IMAGE_TITLE}\">{IMAGES_END}";
  std::string out = rig.Expand(topic, theme);
  EXPECT_EQ(out,
            "<img src=\"kept.jpg\" alt=\"kept \"><img src=\"made.jpg\" alt=\"made \">"
            "<img src=\"sketch.jpg\" alt=\"sketch \"><img src=\"other.jpg\" alt=\"other \">");
  EXPECT_EQ(ReadFile(rig.output + "kept.jpg"), "ORIGINAL");
  EXPECT_EQ(ReadFile(rig.output + "made.jpg"), "JPEG 3");
  EXPECT_EQ(ReadFile(rig.output + "sketch.jpg"), "SKETCH 2");
  EXPECT_FALSE(testing::Exists(rig.output + "other.jpg"));
  // A second run rewrites the sketch only.
  rig.images.calls.clear();
  rig.Expand(topic, theme);
  ASSERT_EQ(rig.images.calls.size(), 1u);
  EXPECT_TRUE(rig.images.calls[0].sketch);
  (void)kept;
  // SKETCH_FILENAME and SKETCH_TITLE are the same tags.
  EXPECT_EQ(rig.Expand(topic, "{SKETCHES_BEGIN}{SKETCH_FILENAME},{SKETCHES_END}"),
            "kept.jpg,made.jpg,sketch.jpg,other.jpg,");
}

TEST(ReportHook, StoredPictureNamesNeverLeaveTheOutputFolder) {
  ReportRig rig;
  RecordingUI ui;
  ScopedUI scope(&ui);
  uint32_t topic = rig.records.AddTopic("T");
  const std::vector<std::string> crafted = {"../evil.jpg", "/tmp/abs.jpg", "sub\\x.jpg", "..", "",
                                            "bad\nname.jpg", "q\"uote.jpg", "quillet.dat"};
  std::vector<uint32_t> ids;
  for (const std::string& name : crafted) ids.push_back(rig.records.AddImage(topic, "x", name));
  std::string out = rig.Expand(topic, "{IMAGES_BEGIN}[{IMAGE_SRC}]{IMAGES_END}");
  for (size_t i = 0; i < ids.size(); ++i) {
    const std::string& name = rig.records.Image(ids[i])->fileName;
    EXPECT_TRUE(IsPlainFileName(name)) << name;
    EXPECT_NE(name, crafted[i]);
    EXPECT_EQ(name.substr(name.size() - 4), ".jpg");
    EXPECT_NE(out.find("[" + name + "]"), std::string::npos);
    EXPECT_EQ(rig.records.Image(ids[i])->flags & kFlagModified, kFlagModified);
  }
  // Every picture was written inside the output folder, and the new names
  // were saved with the store.
  for (const auto& call : rig.images.calls) EXPECT_EQ(FolderOf(call.path), rig.output);
  EXPECT_FALSE(testing::Exists(rig.dir.path() + "evil.jpg"));
  EXPECT_FALSE(testing::Exists(rig.output + "quillet.dat"));
  EXPECT_TRUE(testing::Exists(rig.records.store().path()));
  EXPECT_TRUE(ui.messages.empty());
}

TEST(ReportHook, Windows1252TextPassesThrough) {
  ReportRig rig;
  std::string text = "Caf\xE9 \x80 \x93quoted\x94 \xFF";
  uint32_t topic = rig.records.AddTopic(text);
  rig.records.AddNote(topic, text);
  EXPECT_EQ(rig.Expand(topic, "\xA9{TITLE}|{NOTES_BEGIN}{NOTE}{NOTES_END}"), "\xA9" + text + "|" + text);
}

TEST(ReportHook, BlockStack) {
  ReportExpander e;
  EXPECT_EQ(e.TopBlock(), kBlockNone);
  EXPECT_EQ(e.PopBlock(), kBlockNone);
  for (int i = 0; i < 12; ++i) e.PushBlock(1 + i % 4);
  int popped = 0;
  while (e.PopBlock() != kBlockNone) ++popped;
  EXPECT_EQ(popped, 10);
}

}  // namespace
}  // namespace quillet
