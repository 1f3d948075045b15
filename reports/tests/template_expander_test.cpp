// The tag engine on its own: recognition, lookup, actions and bounds.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "reports/TemplateExpander.h"

namespace quillet {
namespace {

// An engine whose hook is a test function.
class ScriptedExpander : public TemplateExpander {
 public:
  std::function<int(ScriptedExpander&)> hook = [](ScriptedExpander&) { return 0; };
  std::vector<std::string> seen;
  int on_tag() override {
    seen.emplace_back(tag_text());
    return hook(*this);
  }
  std::string Run(const std::string& in, size_t capacity = 4096) {
    std::vector<char> out(capacity + 8, '#');
    size_t n = expand(in.data(), in.size(), out.data(), capacity);
    EXPECT_LT(n, capacity == 0 ? 1 : capacity);
    if (capacity > 0) {
      EXPECT_EQ(out[n], '\0');
    }
    EXPECT_EQ(out[capacity], '#') << "wrote past the capacity";
    return std::string(out.data(), n);
  }
};

// Looks `text` up as the engine would for a tag written {text}.
int Lookup(const std::string& text, std::string* arg0 = nullptr, std::string* arg1 = nullptr) {
  ScriptedExpander e;
  int code = -2;
  e.hook = [&](ScriptedExpander& x) {
    code = x.lookup_tag();
    if (arg0) *arg0 = x.argument(0);
    if (arg1) *arg1 = x.argument(1);
    return 0;
  };
  e.Run("{" + text + "}");
  return code;
}

TEST(TagTable, EveryEntryMatchesItsOwnNameAndCode) {
  ASSERT_EQ(kTagTableSize, 56);
  for (const TagEntry& entry : kTagTable) {
    std::string name = entry.pattern;
    for (char& c : name)
      if (c == '?') c = 'x';
    EXPECT_EQ(Lookup(name), entry.code) << name;
  }
  EXPECT_EQ(Lookup("COLOUR2"), kTagColor2);
  EXPECT_EQ(Lookup("SKETCH_FILENAME"), kTagImageSrc);
  EXPECT_EQ(Lookup("REPORT_DATE"), kTagDate);
  EXPECT_EQ(Lookup("CUSTOM_5"), 38);
}

TEST(TagTable, SpellingsCaseAndWhitespace) {
  EXPECT_EQ(Lookup("title"), kTagTitle);
  EXPECT_EQ(Lookup("  Title \t"), kTagTitle);
  EXPECT_EQ(Lookup(" NOTE _ BODY "), kTagNoteBody);
  EXPECT_EQ(Lookup("N O T E"), kTagNote);
  EXPECT_EQ(Lookup("\r\nnotes_end\n"), kTagNotesEnd);
  // Full matches only: neither a prefix nor a longer name.
  EXPECT_EQ(Lookup("TITLES"), kTagNone);
  EXPECT_EQ(Lookup("TITL"), kTagNone);
  EXPECT_EQ(Lookup("NOTE BODY"), kTagNone);
  EXPECT_EQ(Lookup("FILE_SIZE"), kTagNone);
  EXPECT_EQ(Lookup(""), kTagNone);
  // Only a-z fold: a Windows-1252 letter is not an ASCII one.
  EXPECT_EQ(Lookup("T\xC9TLE"), kTagNone);
}

// The quick lookup must give what matching every entry in table order gives.
TEST(TagTable, QuickLookupAgreesWithTheTableInOrder) {
  std::mt19937 rng(7);
  const std::string alphabet = "ACDEGHILMNORSTUWY_()?,12 \tabcdelorstu#";
  std::vector<std::string> texts;
  for (const TagEntry& e : kTagTable) {
    std::string t = e.pattern;
    for (char& c : t)
      if (c == '?') c = 'q';
    texts.push_back(t);
  }
  for (int i = 0; i < 20000; ++i) {
    std::string t;
    if (i % 2 == 0) {
      // A name with a few characters changed, spaces and case mixed in.
      t = texts[rng() % kTagTableSize];
      for (int k = rng() % 3; k > 0; --k) t[rng() % t.size()] = alphabet[rng() % alphabet.size()];
      if (rng() % 3 == 0) t.insert(rng() % (t.size() + 1), " ");
      if (rng() % 3 == 0) t[rng() % t.size()] |= 0x20;
    } else {
      for (int k = rng() % 14; k > 0; --k) t.push_back(alphabet[rng() % alphabet.size()]);
    }
    texts.push_back(t);
  }
  for (const std::string& t : texts) {
    std::string linear_args[2], quick_args[2];
    int linear = kTagNone;
    for (const TagEntry& e : kTagTable) {
      if (MatchTagPattern(t.c_str(), e.pattern, linear_args)) {
        linear = e.code;
        break;
      }
    }
    if (linear == kTagNone) linear_args[0].clear(), linear_args[1].clear();
    int quick = LookupTagCode(t.c_str(), quick_args);
    ASSERT_EQ(quick, linear) << "[" << t << "]";
    ASSERT_EQ(quick_args[0], linear_args[0]) << "[" << t << "]";
    ASSERT_EQ(quick_args[1], linear_args[1]) << "[" << t << "]";
  }
}

TEST(TagTable, Arguments) {
  std::string a, b;
  EXPECT_EQ(Lookup("SET_COLOR1( #FFcc00)", &a), kTagSetColor1);
  EXPECT_EQ(a, "#FFcc00");
  EXPECT_EQ(Lookup("set_colour2(navy )", &a), kTagSetColor2);
  EXPECT_EQ(a, "navy ");
  EXPECT_EQ(Lookup("SET_COLOR1(light blue)", &a), kTagSetColor1);
  EXPECT_EQ(a, "light blue");
  EXPECT_EQ(Lookup("STATUS( One,  Two Three)", &a, &b), kTagStatus);
  EXPECT_EQ(a, "One");
  EXPECT_EQ(b, "Two Three");
  EXPECT_EQ(Lookup("SET_COLOR1()", &a), kTagSetColor1);
  EXPECT_EQ(a, "");
  EXPECT_EQ(Lookup("SET_COLOR1(red"), kTagNone);
  EXPECT_EQ(Lookup("SET_COLOR1(red,blue)"), kTagNone);
  EXPECT_EQ(Lookup("STATUS(a)"), kTagNone);
}

TEST(TemplateExpander, BaseEngineDeletesEveryTag) {
  TemplateExpander e;
  std::string in = "a{TITLE}b{whatever}c\\{X\\}d";
  std::vector<char> out(64);
  size_t n = e.expand(in.data(), in.size(), out.data(), out.size());
  EXPECT_EQ(std::string(out.data(), n), "abcd");
}

TEST(TemplateExpander, RecognitionRules) {
  ScriptedExpander e;
  e.hook = [](ScriptedExpander&) { return -1; };  // copy every tag through as written
  EXPECT_EQ(e.Run("x{TITLE}y"), "x{TITLE}y");
  // Backslash-escaped braces: the backslashes are not part of the tag.
  EXPECT_EQ(e.Run("\\{TITLE\\}"), "{TITLE}");
  EXPECT_EQ(e.seen.back(), "TITLE");
  // A backslash not before "{" is text.
  EXPECT_EQ(e.Run("a\\b\\"), "a\\b\\");
  // No closing brace before the end: text.
  e.seen.clear();
  EXPECT_EQ(e.Run("ab{TITLE"), "ab{TITLE");
  EXPECT_TRUE(e.seen.empty());
  // Another "{" first: the first one is text, the inner tag is a tag.
  EXPECT_EQ(e.Run("{a{TITLE}"), "{a{TITLE}");
  EXPECT_EQ(e.seen.back(), "TITLE");
}

TEST(TemplateExpander, TagLengthLimit) {
  ScriptedExpander e;
  int tags = 0;
  e.hook = [&](ScriptedExpander&) { ++tags; return 0; };
  // 255 characters from "{" through "}" is a tag...
  std::string ok = "{" + std::string(253, 'A') + "}";
  EXPECT_EQ(e.Run(ok), "");
  EXPECT_EQ(tags, 1);
  // ...256 is text, copied whole.
  std::string run = "{" + std::string(254, 'A') + "}";
  EXPECT_EQ(e.Run(run), run);
  EXPECT_EQ(tags, 1);
  // The backslash counts toward the limit: from it the run is too long, so
  // it is copied and the scan starts again at the brace, which is a tag.
  std::string escaped = "\\{" + std::string(253, 'A') + "}";
  EXPECT_EQ(e.Run(escaped), "\\");
  EXPECT_EQ(tags, 2);
}

TEST(TemplateExpander, OutputSwitchAndCopyThrough) {
  ScriptedExpander e;
  e.hook = [](ScriptedExpander& x) {
    if (x.tag_text() == "OFF") return 4;
    if (x.tag_text() == "ON") return 5;
    return -1;
  };
  EXPECT_EQ(e.Run("a{OFF}hidden{ON}b"), "ab");
  // A tag copied through switches output back on.
  EXPECT_EQ(e.Run("a{OFF}hidden{ keep Me }b"), "a{ keep Me }b");
  // Each run starts with output on.
  EXPECT_EQ(e.Run("{OFF}x"), "");
  EXPECT_EQ(e.Run("y"), "y");
}

TEST(TemplateExpander, LoopActions) {
  ScriptedExpander e;
  int left = 0;
  e.hook = [&](ScriptedExpander& x) {
    if (x.tag_text() == "B") return 1;
    if (x.tag_text() == "E") return left-- > 0 ? 3 : 2;
    if (x.tag_text() == "POP") return 2;
    if (x.tag_text() == "REPEAT") return 3;
    return 0;
  };
  left = 2;
  EXPECT_EQ(e.Run("<{B}x{E}>"), "<xxx>");
  // Nested loops repeat to the innermost opening.
  left = 1;
  EXPECT_EQ(e.Run("{B}a{B}b{E}{E}"), "abb");
  // Close and repeat with an empty stack are ignored.
  EXPECT_EQ(e.Run("a{POP}b{REPEAT}c"), "abc");
}

TEST(TemplateExpander, LoopStackHoldsTen) {
  ScriptedExpander e;
  int repeats = 0;
  e.hook = [&](ScriptedExpander& x) {
    if (x.tag_text() == "B") return 1;
    if (x.tag_text() == "E") return repeats++ == 0 ? 3 : 2;
    return 0;
  };
  // Eleven opens: the eleventh position is not kept, so the repeat goes to
  // the tenth.
  std::string in;
  for (int i = 1; i <= 11; ++i) in += "{B}" + std::to_string(i);
  in += "{E}";
  EXPECT_EQ(e.Run(in), "12345678910111011");
}

TEST(TemplateExpander, OutputNeverPassesCapacity) {
  ScriptedExpander e;
  e.hook = [](ScriptedExpander& x) {
    x.write_lines(std::string(100, '\t'), 1, 10);
    return 0;
  };
  // Tabs grow 48-fold; the buffer of 64 still holds 63 bytes and the zero.
  std::string out = e.Run("ab{T}cd", 64);
  EXPECT_EQ(out.size(), 63u);
  EXPECT_EQ(out.substr(0, 8), "ab&nbsp;");
  e.hook = [](ScriptedExpander& x) { x.write_text(std::string(1000, 'z')); return 0; };
  EXPECT_EQ(e.Run("{T}", 10), std::string(9, 'z'));
  e.hook = [](ScriptedExpander&) { return -1; };
  EXPECT_EQ(e.Run("12345{LONGTAG}", 10), "12345{LON");
  EXPECT_EQ(e.Run("abc", 1), "");
  EXPECT_EQ(e.Run("abc", 0), "");
}

TEST(TemplateExpander, WriteLines) {
  ScriptedExpander e;
  std::string text;
  int first = 1, last = 1;
  e.hook = [&](ScriptedExpander& x) { x.write_lines(text, first, last); return 0; };
  text = "one\ntwo\nthree";
  first = 1, last = 1;
  EXPECT_EQ(e.Run("{X}"), "one");
  first = 2, last = 10000;
  EXPECT_EQ(e.Run("{X}"), "<br>two<br>three");
  first = 1, last = 2;
  EXPECT_EQ(e.Run("{X}"), "one<br>two");
  first = 3, last = 3;
  EXPECT_EQ(e.Run("{X}"), "<br>three");
  // Tabs and line feeds convert; carriage returns, '<' and '&' do not.
  text = "a\tb\r\n<&";
  first = 1, last = 10000;
  EXPECT_EQ(e.Run("{X}"), "a&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;b\r<br><&");
  // Nothing while output is off.
  e.hook = [&](ScriptedExpander& x) {
    if (x.tag_text() == "OFF") return 4;
    x.write_lines("zz", 1, 1);
    x.write_text("yy");
    return 0;
  };
  EXPECT_EQ(e.Run("{OFF}{X}"), "");
}

TEST(TemplateExpander, BytesPassThroughUnchanged) {
  ScriptedExpander e;
  std::string in;
  for (int c = 1; c < 256; ++c)
    if (c != '{' && c != '\\') in.push_back(static_cast<char>(c));
  in.push_back('\0');  // the engine works from the size, not a terminator
  in += "tail";
  std::vector<char> out(1024);
  size_t n = e.expand(in.data(), in.size(), out.data(), out.size());
  EXPECT_EQ(std::string(out.data(), n), in);
}

}  // namespace
}  // namespace quillet

namespace quillet {
namespace {

// write_lines as plainly as it can be said, byte by byte.
std::string PlainWriteLines(const std::string& text, int first, int last) {
  std::string out;
  int line = 1;
  for (char c : text) {
    if (c == '\n') {
      if (++line > last) break;
      if (line >= first) out += "<br>";
    } else if (line >= first) {
      if (c == '\t')
        out += "&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;";
      else
        out += c;
    }
  }
  return out;
}

TEST(TemplateExpander, WriteLinesAgreesWithTheByteRuleOnLongTexts) {
  ScriptedExpander e;
  std::string text;
  int first = 1, last = 10000;
  e.hook = [&](ScriptedExpander& x) { x.write_lines(text, first, last); return 0; };
  // Bytes next to the two breaks in value, and high bytes whose low bits
  // look like them, at every offset within a word.
  const char alphabet[] = {'\n', '\t', 0x08, 0x0B, 0x19, 0x1A, static_cast<char>(0x89),
                           static_cast<char>(0x8A), 'a', 'b', ' ', 0};
  std::mt19937 rng(7);
  for (int round = 0; round < 400; ++round) {
    text.clear();
    size_t size = rng() % 70;
    for (size_t i = 0; i < size; ++i)
      text.push_back(rng() % 3 == 0 ? alphabet[rng() % sizeof alphabet] : 'x');
    first = 1 + static_cast<int>(rng() % 3);
    last = first + static_cast<int>(rng() % 4);
    ASSERT_EQ(e.Run("{X}", 1 << 16), PlainWriteLines(text, first, last))
        << "round " << round << " lines " << first << ".." << last;
  }
}

TEST(TemplateExpander, ReusedEngineFollowsAChangedTheme) {
  ScriptedExpander e;
  e.hook = [](ScriptedExpander&) { return -1; };  // every tag copied through
  EXPECT_EQ(e.Run("a{X}b{Y}c"), "a{X}b{Y}c");
  ASSERT_EQ(e.seen, (std::vector<std::string>{"X", "Y"}));
  // Same size, different tags, then a brace that no longer closes.
  e.seen.clear();
  e.hook = [](ScriptedExpander&) { return 0; };
  EXPECT_EQ(e.Run("a{P}b{Q}c"), "abc");
  EXPECT_EQ(e.Run("a{P}b{Q{c"), "ab{Q{c");
  EXPECT_EQ(e.seen, (std::vector<std::string>{"P", "Q", "P"}));
  // Another text with a changed tag, then the first one again.
  EXPECT_EQ(e.Run("a{P}b{Q}c"), "abc");
}

// The walk as the rules say it, position by position, for comparison.
std::string PlainExpand(const std::string& in, const std::function<int(const std::string&)>& hook) {
  std::string out;
  std::vector<size_t> loops;
  size_t pos = 0;
  while (pos < in.size()) {
    size_t open = pos;
    if (in[pos] == '\\' && pos + 1 < in.size() && in[pos + 1] == '{') ++open;
    bool tag = false;
    size_t close = 0;
    if (in[open] == '{') {
      close = open + 1;
      size_t limit = std::min(in.size(), pos + kMaxTagText);
      while (close < limit && in[close] != '}' && in[close] != '{') ++close;
      tag = close < limit && in[close] == '}';
    }
    if (!tag) {
      out += in[pos++];
      continue;
    }
    size_t text_end = close;
    if (text_end > open + 1 && in[text_end - 1] == '\\') --text_end;
    std::string text = in.substr(open + 1, text_end - open - 1);
    pos = close + 1;
    switch (hook(text)) {
      case 1: if (loops.size() < 10) loops.push_back(pos); break;
      case 2: if (!loops.empty()) loops.pop_back(); break;
      case 3: if (!loops.empty()) pos = loops.back(); break;
      case -1: out += "{" + text + "}"; break;
      default: break;
    }
  }
  return out;
}

TEST(TemplateExpander, WalkAgreesWithThePlainRulesOnRandomThemes) {
  // B opens a loop, E repeats twice and then closes (and, after sixty
  // visits, only closes, so every walk ends), X is copied through, anything
  // else is deleted.
  int visits = 0;
  auto hook = [&](const std::string& text) {
    if (text == "B") return 1;
    if (text == "E") return ++visits < 60 && visits % 3 != 0 ? 3 : 2;
    if (text == "X") return -1;
    return 0;
  };
  ScriptedExpander e;
  e.hook = [&](ScriptedExpander& x) { return hook(std::string(x.tag_text())); };
  // Whole tags, escaped ones, and the loose braces and backslashes that
  // start none.
  const char* const pieces[] = {"{B}", "{E}", "{X}", "\\{B}", "\\{E\\}", "{X\\}", "{Q}",
                                "{",   "}",   "\\",  "a",     "bc",      "{a{",   "\\\\{E}"};
  std::mt19937 rng(11);
  for (int round = 0; round < 1000; ++round) {
    std::string in;
    size_t count = rng() % 14;
    for (size_t i = 0; i < count; ++i) in += pieces[rng() % std::size(pieces)];
    visits = 0;
    std::string expected = PlainExpand(in, hook);
    visits = 0;
    ASSERT_EQ(e.Run(in, 1 << 16), expected) << "theme: " << in;
  }
}

}  // namespace
}  // namespace quillet

namespace quillet {
namespace {

TEST(TemplateExpander, PiecesOfEveryShortLengthArriveWhole) {
  ScriptedExpander e;
  std::string piece;
  e.hook = [&](ScriptedExpander& x) { x.write_text(piece); return 0; };
  for (size_t n = 0; n <= 40; ++n) {
    piece.clear();
    for (size_t i = 0; i < n; ++i) piece.push_back(static_cast<char>('a' + i % 26));
    // A piece between two tags and a piece a tag writes, both n bytes.
    EXPECT_EQ(e.Run("{T}" + piece + "{T}"), piece + piece + piece) << n;
    // Cut short by the capacity at every point.
    EXPECT_EQ(e.Run("{T}", n / 2 + 1), piece.substr(0, n / 2)) << n;
  }
}

}  // namespace
}  // namespace quillet
