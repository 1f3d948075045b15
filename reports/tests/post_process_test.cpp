// The post-processing of an expanded report and the reference scan of a
// written one.
#include <gtest/gtest.h>

#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "base/UserInterface.h"
#include "reports/PostProcess.h"
#include "reports/ReportPaths.h"
#include "reports/tests/TestSupport.h"
#include "testing/RecordingUI.h"

namespace quillet {
namespace {

using testing::Exists;
using testing::FilesIn;
using testing::ReadFile;
using testing::ScratchDir;
using testing::WriteFile;

struct Folders {
  ScratchDir dir;
  std::string theme = dir.Sub("theme");
  std::string output = dir.Sub("out");
  std::string Run(std::string text) {
    return post_process_report(text.data(), text.size(), theme, output);
  }
};

TEST(PostProcess, FileSizeIsTheExpandedLength) {
  Folders f;
  std::string text = "<p>{FILE_SIZE} bytes</p>{FILE_SIZE}{file_size}{ FILE_SIZE}";
  std::string out = f.Run(text);
  EXPECT_EQ(out.size(), text.size());
  std::string size = std::to_string(text.size());
  std::string field = size + std::string(11 - size.size(), ' ');
  EXPECT_EQ(out, "<p>" + field + " bytes</p>" + field + "{file_size}{ FILE_SIZE}");
  // Right after another brace, at the very end, and cut off by the end.
  auto field_of = [](size_t n) {
    std::string d = std::to_string(n);
    return d + std::string(11 - d.size(), ' ');
  };
  EXPECT_EQ(f.Run("ab{{FILE_SIZE}"), "ab{" + field_of(14));
  EXPECT_EQ(f.Run("abx{FILE_SIZE}"), "abx" + field_of(14));
  EXPECT_EQ(f.Run("ab{FILE_SIZE"), "ab{FILE_SIZE");
  // In long texts, at every offset, among near misses.
  for (size_t offset = 0; offset < 40; ++offset) {
    std::string page = std::string(offset, 'x') + "{FILE_SIZX}{F}{FILE_SIZE}{FILE_SIZE}" +
                       std::string(offset % 7, 'y') + "{FILE_SIZE}{FILE_SIZE" + std::string(30, 'z');
    std::string n = field_of(page.size());
    std::string want = std::string(offset, 'x') + "{FILE_SIZX}{F}" + n + n +
                       std::string(offset % 7, 'y') + n + "{FILE_SIZE" + std::string(30, 'z');
    EXPECT_EQ(f.Run(page), want) << offset;
  }
  // The length is taken before paths are shortened.
  Folders g;
  WriteFile(g.theme + "x.gif", "GIF");
  std::string with_path = "{FILE_SIZE}<img src=\"pics/deep/x.gif\">";
  out = g.Run(with_path);
  EXPECT_EQ(out.substr(0, 2), std::to_string(with_path.size()));
  EXPECT_EQ(out.substr(11), "<img src=\"x.gif\">");
}

TEST(PostProcess, BareNamesAndRelativePaths) {
  Folders f;
  f.dir.Sub("theme/pics");
  WriteFile(f.theme + "band.png", "BAND");
  WriteFile(f.theme + "pics/leaf.png", "LEAF");
  WriteFile(f.theme + "my pic.png", "SPACE");
  WriteFile(f.theme + "pics/win.png", "WIN");
  std::string out = f.Run(
      "<body background=\"band.png\"><img src=\"pics/leaf.png\"><img src=\"my%20pic.png\">"
      "<img src=\"pics\\win.png\"><img src=\"\"><img SRC=\"pics/leaf.png\"><img src=\"missing.png\">");
  EXPECT_EQ(out,
            "<body background=\"band.png\"><img src=\"leaf.png\"><img src=\"my%20pic.png\">"
            "<img src=\"win.png\"><img src=\"\"><img SRC=\"pics/leaf.png\"><img src=\"missing.png\">");
  EXPECT_EQ(ReadFile(f.output + "band.png"), "BAND");
  EXPECT_EQ(ReadFile(f.output + "leaf.png"), "LEAF");
  EXPECT_EQ(ReadFile(f.output + "my pic.png"), "SPACE");
  EXPECT_EQ(ReadFile(f.output + "win.png"), "WIN");
  EXPECT_EQ(FilesIn(f.output).size(), 4u);
}

TEST(PostProcess, ValuesThatMayNotBeCopied) {
  Folders f;
  WriteFile(f.dir.File("outside.png"), "OUTSIDE");
  WriteFile(f.theme + "inside.png", "INSIDE");
  std::string out = f.Run(
      "<img src=\"../outside.png\"><img src=\"" + f.dir.File("outside.png") + "\">"
      "<img src=\"" + f.theme + "inside.png\"><img src=\"http://example.org/logo.gif\">"
      "<img src=\"data:image/png;base64,AAA/BBB\"><img src=\"C:\\themes\\c.png\">"
      "<a background=\"..\">x</a><img src=\"unclosed.png>");
  EXPECT_EQ(out,
            "<img src=\"outside.png\"><img src=\"outside.png\"><img src=\"inside.png\">"
            "<img src=\"http://example.org/logo.gif\"><img src=\"data:image/png;base64,AAA/BBB\">"
            "<img src=\"c.png\"><a background=\"..\">x</a><img src=\"unclosed.png>");
  // Only the absolute path inside the theme folder was copied.
  EXPECT_EQ(FilesIn(f.output), std::vector<std::string>{"inside.png"});
}

TEST(PostProcess, ManyReferences) {
  Folders f;
  std::string text;
  for (int i = 0; i < 600; ++i) {
    std::string name = "p" + std::to_string(i) + ".png";
    WriteFile(f.theme + name, name);
    text += "<img src=\"sub/" + name + "\">";
  }
  std::string out = f.Run(text);
  EXPECT_EQ(FilesIn(f.output).size(), 0u);  // sub/ does not exist
  EXPECT_EQ(out.find("sub/"), std::string::npos);
  f.dir.Sub("theme/sub");
  for (int i = 0; i < 600; ++i) {
    std::string name = "p" + std::to_string(i) + ".png";
    WriteFile(f.theme + "sub/" + name, name);
  }
  f.Run(text);
  EXPECT_EQ(FilesIn(f.output).size(), 600u);
}

TEST(CollectReferences, AnyCaseEachNameOnceInOrder) {
  Folders f;
  RecordingUI ui;
  ScopedUI scope(&ui);
  WriteFile(f.theme + "a.png", "A");
  WriteFile(f.theme + "b b.png", "B");
  std::string report = f.dir.File("report.htm");
  WriteFile(report,
            "<IMG SRC=\"a.png\"><img src=\"pic1.jpg\"><td BackGround=\"b%20b.png\">"
            "<img src=\"a.png\"><img src=\"x/a.png\"><img src=\"http://e.org/w.gif\">"
            "<img src=\"../../etc/passwd\"><img src=\"\"><img src=\"/etc/hosts\">");
  std::vector<std::string> names;
  ASSERT_TRUE(collect_references(report, f.theme, f.output, &names));
  EXPECT_EQ(names, (std::vector<std::string>{"a.png", "pic1.jpg", "b b.png"}));
  EXPECT_EQ(ReadFile(f.output + "a.png"), "A");
  EXPECT_EQ(ReadFile(f.output + "b b.png"), "B");
  EXPECT_FALSE(Exists(f.output + "passwd"));
  EXPECT_FALSE(Exists(f.output + "hosts"));
  EXPECT_TRUE(ui.messages.empty());
}

// The values a report refers to, found the plain way: every '=' in turn.
std::vector<std::string> PlainReferenceValues(const std::string& text, bool anyCase) {
  auto ends_with = [&](size_t end, const std::string& name) {
    if (end < name.size()) return false;
    for (size_t i = 0; i < name.size(); ++i) {
      char c = text[end - name.size() + i];
      if (anyCase && c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
      if (c != name[i]) return false;
    }
    return true;
  };
  std::vector<std::string> values;
  size_t pos = 0;
  while (pos + 1 < text.size()) {
    size_t eq = text.find('=', pos);
    if (eq == std::string::npos || eq + 1 >= text.size()) break;
    pos = eq + 1;
    if (text[eq + 1] != '"' || !(ends_with(eq, "src") || ends_with(eq, "background"))) continue;
    size_t end = text.find('"', eq + 2);
    if (end == std::string::npos) break;
    pos = end + 1;
    if (end > eq + 2) values.push_back(text.substr(eq + 2, end - eq - 2));
  }
  return values;
}

TEST(CollectReferences, ScanAgreesWithThePlainScanOnRandomPages) {
  // Pieces that make, nearly make, or break up values, at every offset
  // within the blocks the scan reads at once.
  const char* const pieces[] = {"src=\"", "SRC=\"", "Background=\"", "background=\"", "id=\"",
                                "c=\"",   "d=",     "=\"",           "\"",            "a.png",
                                "x",      "=",      "srcc=\"",        "\n",            "ﾃ｣"};
  std::mt19937 rng(5);
  for (int round = 0; round < 3000; ++round) {
    std::string page;
    size_t count = rng() % 24;
    for (size_t i = 0; i < count; ++i) page += pieces[rng() % std::size(pieces)];
    for (bool any : {false, true})
      ASSERT_EQ(FindReferenceValues(page, any), PlainReferenceValues(page, any))
          << "page: " << page << " any case: " << any;
  }
}

TEST(CollectReferences, MoreThanAHundredNames) {
  Folders f;
  std::string text;
  for (int i = 0; i < 250; ++i) text += "<img src=\"n" + std::to_string(i) + ".jpg\">";
  std::string report = f.dir.File("r.htm");
  WriteFile(report, text);
  std::vector<std::string> names;
  ASSERT_TRUE(collect_references(report, f.theme, f.output, &names));
  EXPECT_EQ(names.size(), 250u);
  EXPECT_EQ(names.back(), "n249.jpg");
}

TEST(CollectReferences, UnreadableAndEmptyFiles) {
  Folders f;
  RecordingUI ui;
  ScopedUI scope(&ui);
  std::vector<std::string> names = {"stale"};
  EXPECT_FALSE(collect_references(f.dir.File("none.htm"), f.theme, f.output, &names));
  EXPECT_TRUE(names.empty());
  EXPECT_TRUE(ui.messages.empty());
  WriteFile(f.dir.File("empty.htm"), "");
  EXPECT_FALSE(collect_references(f.dir.File("empty.htm"), f.theme, f.output, &names));
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, "This file is currently empty and cannot be used.");
  EXPECT_EQ(ui.messages[0].caption, "Quillet");
}

TEST(ReportPaths, PlainNamesAndReferences) {
  EXPECT_TRUE(IsPlainFileName("8122026421234.jpg"));
  EXPECT_TRUE(IsPlainFileName("with space - and_more.htm"));
  EXPECT_TRUE(IsPlainFileName("a..b.jpg"));
  for (const char* bad : {"", ".", "..", "a/b", "a\\b", "tab\there", "q\"", "<x>", "\x7f", ".hidden",
                          "quillet.dat", "Quillet.DAT.damaged-20260101-1200", "Quillet.arc",
                          "with space & more.htm"})
    EXPECT_FALSE(IsPlainFileName(bad)) << bad;
  EXPECT_FALSE(IsPlainFileName(std::string(256, 'a')));

  EXPECT_TRUE(IsWebAddress("http://x/y.gif"));
  EXPECT_TRUE(IsWebAddress("HTTPS://x"));
  EXPECT_TRUE(IsWebAddress("mailto:a@b"));
  EXPECT_TRUE(IsWebAddress("//cdn/x.png"));
  EXPECT_TRUE(IsWebAddress("\\\\server\\share\\x.png"));
  EXPECT_FALSE(IsWebAddress("C:\\x.png"));
  EXPECT_FALSE(IsWebAddress("pics/a:b.png"));
  EXPECT_FALSE(IsWebAddress("plain.png"));

  const std::string folder = "/themes/t/";
  EXPECT_EQ(ResolveThemeReference(folder, "a.png").value_or("-"), "/themes/t/a.png");
  EXPECT_EQ(ResolveThemeReference(folder, "p\\q.png").value_or("-"), "/themes/t/p/q.png");
  EXPECT_EQ(ResolveThemeReference(folder, "/themes/t/p/q.png").value_or("-"), "/themes/t/p/q.png");
  EXPECT_EQ(ResolveThemeReference(folder, "/themes/t/./p.png").value_or("-"), "/themes/t/p.png");
  for (const char* bad : {"../a.png", "p/../../a.png", "/themes/other/a.png", "/themes/t",
                          "C:/a.png", "http://x/a.png", "p/", "a\nb.png", "..", "p\\..\\..\\x"})
    EXPECT_FALSE(ResolveThemeReference(folder, bad).has_value()) << bad;
}


// Names of files we write or attach pass a whitelist: letters (ASCII and
// the code page's), digits, space, '.', '-' and '_'. A name made to add a
// recipient when a mail program joins the attachments never passes.
TEST(ReportPaths, PlainNamesAreWhitelisted) {
  EXPECT_FALSE(IsPlainFileName("p',to='attacker@example.org',subject='x.jpg"));
  for (int c = 0; c < 256; ++c) {
    const std::string name = std::string("a") + static_cast<char>(c) + "b.jpg";
    const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    const bool allowed = letter || c == ' ' || c == '.' || c == '-' || c == '_' || c == 0x8A || c == 0x8C ||
                         c == 0x8E || c == 0x9A || c == 0x9C || c == 0x9E || c == 0x9F || c == 0x83 ||
                         c == 0xAA || c == 0xB5 || c == 0xBA || (c >= 0xC0 && c != 0xD7 && c != 0xF7);
    EXPECT_EQ(IsPlainFileName(name), allowed) << "byte " << c;
  }
  // The file system's form follows the same rule: a character the code
  // page holds as a letter passes, any other does not.
  EXPECT_TRUE(IsPlainDiskName("Caf\xC3\xA9 \xC5\x92uvre.jpg"));  // é, Œ
  EXPECT_FALSE(IsPlainDiskName("\xE2\x82\xAC.jpg"));              // the euro sign
  EXPECT_FALSE(IsPlainDiskName("\xCE\xA9.jpg"));                   // not in the code page
  EXPECT_FALSE(IsPlainDiskName("\xC3.jpg"));                        // no UTF-8
  EXPECT_FALSE(IsPlainDiskName("-x.jpg,y"));
}

}  // namespace
}  // namespace quillet
