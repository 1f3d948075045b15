#include "store/refexchange/RefCommon.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "base/Translate.h"
#include "platform/codepage/CodePage.h"
#include "store/RecordKinds.h"
#include "store/refexchange/Unicode.h"

namespace quillet::refx {
namespace {

// What the exchange adds to each kind (RecordFacts.h has its fields): the
// word that names it, its title in notices, and the fields holding the
// names of people and the year or date (-1 for none).
struct KindInfo {
  int32_t customType;
  const char* word;
  const char* title;
  int names;
  int year;
};

const std::vector<KindInfo>& Kinds() {
  static const std::vector<KindInfo> kinds = {
      {kCustomBook, "book", QT_TRANSLATE_NOOP("RefExchange", "Book"), book::kAuthor, book::kYear},
      {kCustomInternet, "internet", QT_TRANSLATE_NOOP("RefExchange", "Internet"), -1, -1},
      {kCustomJournal, "journal", QT_TRANSLATE_NOOP("RefExchange", "Journal Article"), article::kAuthor, article::kYear},
      {kCustomMagazine, "magazine", QT_TRANSLATE_NOOP("RefExchange", "Magazine Article"), article::kAuthor, article::kYear},
      {kCustomNewspaper, "newspaper", QT_TRANSLATE_NOOP("RefExchange", "Newspaper Article"), news::kReporter, news::kDate},
      {kCustomReport, "report", QT_TRANSLATE_NOOP("RefExchange", "Report"), report::kAuthor, report::kDate},
  };
  return kinds;
}

const KindInfo* InfoOf(int32_t customType) {
  for (const KindInfo& k : Kinds())
    if (k.customType == customType) return &k;
  return nullptr;
}

// True when no character of `s` shows: spaces, controls, and the marks
// that take no room (byte-order mark, zero-width spaces and joiners, soft
// hyphen, word joiner, directional marks).
bool IsBlank(std::u32string_view s) {
  for (char32_t c : s) {
    if (c <= U' ' || (c >= 0x7F && c <= 0xA0) || c == 0xAD || c == 0xFEFF) continue;
    if ((c >= 0x2000 && c <= 0x200F) || (c >= 0x2028 && c <= 0x202F) || (c >= 0x2060 && c <= 0x206F)) continue;
    if (c == 0x3000 || c == 0x180E) continue;
    return false;
  }
  return true;
}

}  // namespace

const char* KindWord(int32_t customType) {
  const KindInfo* k = InfoOf(customType);
  return k ? k->word : "";
}

const char* KindTitle(int32_t customType) {
  const KindInfo* k = InfoOf(customType);
  return k ? k->title : "";
}

const char* FieldLabel(int32_t customType, size_t index) {
  const char* label = ReferenceFieldLabelOf(customType, index);
  return label[0] != '\0' ? label : "Field";
}

int NamesField(int32_t customType) {
  const KindInfo* k = InfoOf(customType);
  return k ? k->names : -1;
}

int YearField(int32_t customType) {
  const KindInfo* k = InfoOf(customType);
  return k ? k->year : -1;
}

const std::vector<const char*>& ExtraLabels(int32_t customType) {
  // Lines that RIS has no tag for come first: the RIS writer keeps them
  // as notes and the lines after them as tags again.
  static const std::vector<const char*> kBook = {"Month", "Published", "Editor", "Address", "Edition", "Series",
                                                 "Keywords", "Abstract"};
  static const std::vector<const char*> kWeb = {"Month", "Published", "Author", "Editor", "Year", "Address",
                                                "Edition", "Series", "Keywords", "Abstract"};
  static const std::vector<const char*> kArticle = kBook;
  static const std::vector<const char*> kNews = {"Published", "Editor", "Edition", "Series", "Keywords",
                                                 "Abstract"};
  static const std::vector<const char*> kReport = {"Published", "Editor", "Address", "Edition", "Series",
                                                   "Keywords"};
  static const std::vector<const char*> kNone;
  switch (customType) {
    case kCustomBook: return kBook;
    case kCustomInternet: return kWeb;
    case kCustomJournal:
    case kCustomMagazine: return kArticle;
    case kCustomNewspaper: return kNews;
    case kCustomReport: return kReport;
    default: return kNone;
  }
}

size_t ExtraRank(int32_t customType, std::string_view label) {
  const std::vector<const char*>& labels = ExtraLabels(customType);
  for (size_t k = 0; k < labels.size(); ++k)
    if (label == labels[k]) return k;
  return labels.size();
}

bool HasExtraLabel(int32_t customType, std::string_view label) {
  for (const char* l : ExtraLabels(customType))
    if (label == l) return true;
  return false;
}

void MoveToNotes(EntryDraft* draft, const char* label, const std::u32string& value) {
  if (IsBlank(value) || !HasExtraLabel(draft->customType, label)) return;
  std::u32string line(label, label + std::char_traits<char>::length(label));
  line += U": ";
  bool space = false;
  for (char32_t c : Trim(value)) {
    const bool blank = c == U'\n' || c == U'\r' || c == U'\t' || c == U' ';
    if (blank) {
      space = true;
      continue;
    }
    if (space) line += U' ';
    space = false;
    line += c;
  }
  draft->extraLines.push_back(std::move(line));
}

std::vector<std::pair<std::string, std::string>> TakeExtraLines(int32_t customType, std::string* notes) {
  std::vector<std::pair<std::string, std::string>> taken;
  std::string& n = *notes;
  while (!n.empty() && n.back() == '\n') n.pop_back();
  while (!n.empty()) {
    const size_t nl = n.rfind('\n');
    const size_t start = nl == std::string::npos ? 0 : nl + 1;
    const std::string line = n.substr(start);
    const size_t colon = line.find(": ");
    if (colon == std::string::npos) break;
    const std::string label = line.substr(0, colon);
    if (!HasExtraLabel(customType, label)) break;
    // Taken only in the order the readers write them, each label once, so
    // that what is read back ends in the same lines.
    if (!taken.empty() && ExtraRank(customType, label) >= ExtraRank(customType, taken.back().first)) break;
    const std::string value = TrimAscii(line.substr(colon + 2));
    if (value.empty()) break;
    if (label == "Author" || label == "Editor" || label == "Keywords") {
      // A list as the readers write it ("A; B"), or it stays a note: the
      // field would not read back as the same line.
      std::string joined;
      bool plain = true;
      for (const std::string& part : SplitAtSemicolons(value)) {
        joined += (joined.empty() ? "" : "; ") + part;
        plain = plain && Lower(part) != "others";
      }
      if (!plain || joined != value) break;
    }
    taken.emplace_back(label, value);
    n.resize(nl == std::string::npos ? 0 : nl);
    while (!n.empty() && n.back() == '\n') n.pop_back();
  }
  std::reverse(taken.begin(), taken.end());
  return taken;
}

namespace {

// ReadSummary's sentence, in English (the log, the terminal) or (`shown`)
// in the person's language.
std::string Summary(const ReadResult& r, bool shown) {
  auto say = [shown](const char* english, std::initializer_list<std::string_view> args) {
    return FillIn(shown ? translate("RefExchange", english) : std::string(english), args);
  };
  auto count = [&say](size_t n, const char* one, const char* many) { return say(n == 1 ? one : many, {std::to_string(n)}); };
  std::string s = count(r.entriesSeen, QT_TRANSLATE_NOOP("RefExchange", "%1 entry read"),
                        QT_TRANSLATE_NOOP("RefExchange", "%1 entries read")) +
                  ", " + say(QT_TRANSLATE_NOOP("RefExchange", "%1 added"), {std::to_string(r.references.size())}) +
                  ", " + say(QT_TRANSLATE_NOOP("RefExchange", "%1 skipped"), {std::to_string(r.skipped)}) + ", " +
                  count(r.movedToNotes, QT_TRANSLATE_NOOP("RefExchange", "%1 field moved to Notes"),
                        QT_TRANSLATE_NOOP("RefExchange", "%1 fields moved to Notes")) +
                  ", " +
                  count(r.charactersReplaced, QT_TRANSLATE_NOOP("RefExchange", "%1 character replaced"),
                        QT_TRANSLATE_NOOP("RefExchange", "%1 characters replaced"));
  if (r.readAsCodePage)
    s += say(QT_TRANSLATE_NOOP("RefExchange", "; the file is not UTF-8 and was read as Windows-1252"), {});
  if (!r.unknownCommands.empty()) {
    std::string list;
    constexpr size_t kListed = 20;
    for (size_t i = 0; i < r.unknownCommands.size() && i < kListed; ++i)
      list += (i ? ", \\" : " \\") + r.unknownCommands[i];
    s += say(QT_TRANSLATE_NOOP("RefExchange", "; TeX commands kept as their names:%1"), {list});
    if (r.unknownCommands.size() > kListed)
      s += say(QT_TRANSLATE_NOOP("RefExchange", " and %1 more"), {std::to_string(r.unknownCommands.size() - kListed)});
  }
  return s;
}

}  // namespace

std::string ReadSummary(const ReadResult& r) { return Summary(r, false); }
std::string ShownReadSummary(const ReadResult& r) { return Summary(r, true); }

Said Say(const char* english, const std::vector<Said>& args) {
  std::vector<std::string_view> inEnglish, inTheirs;
  for (const Said& a : args) {
    inEnglish.push_back(a.english);
    inTheirs.push_back(a.shown);
  }
  auto fill = [](const std::string& text, const std::vector<std::string_view>& parts) {
    // FillIn takes its parts as a list; at most nine are ever given.
    std::string_view p[9];
    for (size_t i = 0; i < parts.size() && i < 9; ++i) p[i] = parts[i];
    return FillIn(text, {p[0], p[1], p[2], p[3], p[4], p[5], p[6], p[7], p[8]});
  };
  return Said{fill(english, inEnglish), fill(translate("RefExchange", english), inTheirs)};
}

std::string Notice::ToString() const {
  std::string s;
  if (line > 0) s = "line " + std::to_string(line) + ", ";
  return s + entry + ": " + text;
}

std::string Notice::ShownString() const {
  const std::string& what = shown.empty() ? text : shown;
  if (line > 0)
    return Say(QT_TRANSLATE_NOOP("RefExchange", "line %1, %2: %3"), {Plain(std::to_string(line)), Plain(entry),
                                                                     Said{what, what}})
        .shown;
  return Say(QT_TRANSLATE_NOOP("RefExchange", "%1: %2"), {Plain(entry), Said{what, what}}).shown;
}

EntryDraft MakeDraft(int32_t customType, const std::string& entry, int line) {
  EntryDraft d;
  d.customType = customType;
  d.fields.assign(static_cast<size_t>(CustomTypeFieldCount(customType)), std::u32string());
  d.entry = entry;
  d.line = line;
  return d;
}

void SkipEntry(ReadResult* result, int line, const std::string& entry, const Said& why) {
  result->notices.push_back({Notice::What::kSkipped, line, entry,
                             Say(QT_TRANSLATE_NOOP("RefExchange", "skipped: %1"), {why})});
  ++result->skipped;
}

size_t WritableFieldCount(const CCustomRecord& ref, WriteResult* result) {
  const int count = CustomTypeFieldCount(ref.customType);
  if (count > 0) return static_cast<size_t>(count);
  result->notices.push_back({Notice::What::kSkipped, 0, "record " + std::to_string(ref.recordId),
                             Say(QT_TRANSLATE_NOOP("RefExchange", "left out: not a reference of a known kind"))});
  return 0;
}

namespace {

// A field's or a kind's label in the person's language, as the reference
// window shows it.
Said Label(const char* english) { return Said{english, translate("CustomWnd", english)}; }

// "ł" (U+0142) as "l", both ways.
Said Described(const Replacement& r) {
  std::string character;
  if (r.from >= 0x0300 && r.from <= 0x036F) character = "\xE2\x97\x8C";  // a dotted circle carries the accent
  AppendUtf8(&character, r.from);
  char code[16];
  std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(r.from));
  const Said to = r.to.empty() ? Say(QT_TRANSLATE_NOOP("RefExchange", "nothing"))
                               : Plain("\"" + ToUtf8(CpText(r.to)) + "\"");
  Said said = Say(QT_TRANSLATE_NOOP("RefExchange", "\"%1\" (%2) as %3"), {Plain(character), Plain(code), to});
  said.english = DescribeReplacement(r);  // the words the terminal has always had
  return said;
}

}  // namespace

namespace {

// A field as the store keeps it, as the writers put it out: line breaks
// are LF (CR LF is one too), tabs stay, every other control character (a
// carriage return alone included) becomes a space; so a field read back
// from our own file is the field that was written. Returns how many became
// spaces.
size_t PlainControls(std::u32string* field) {
  size_t spaces = 0;
  std::u32string& f = *field;
  size_t out = 0;
  for (size_t k = 0; k < f.size(); ++k) {
    char32_t c = f[k];
    if (c == U'\r' && k + 1 < f.size() && f[k + 1] == U'\n') continue;
    if ((c < 0x20 && c != U'\n' && c != U'\t') || c == 0x7F) {
      c = U' ';
      ++spaces;
    }
    f[out++] = c;
  }
  f.resize(out);
  return spaces;
}

}  // namespace

void FinishEntry(EntryDraft draft, ReadResult* result) {
  bool any = false;
  for (const std::u32string& f : draft.fields) any = any || !IsBlank(f);
  if (!any) {
    SkipEntry(result, draft.line, draft.entry, Say(QT_TRANSLATE_NOOP("RefExchange", "nothing in it to keep")));
    return;
  }
  if (!draft.otherKind.empty())
    result->notices.push_back({Notice::What::kOtherKind, draft.line, draft.entry,
                               Say(QT_TRANSLATE_NOOP("RefExchange", "%1 came in as %2"),
                                   {Plain(draft.otherKind),
                                    Said{KindTitle(draft.customType),
                                         translate("RefExchange", KindTitle(draft.customType))}})});
  // A title of characters the code page has none of would be only "?":
  // the romanised form or the key stands in for it, told as a note.
  if (!draft.fields.empty() && !IsBlank(draft.fields[0])) {
    std::vector<Replacement> replaced;
    const std::string fitted = FitCodePage(draft.fields[0], &replaced);
    const bool nothingLeft = !replaced.empty() && std::none_of(fitted.begin(), fitted.end(), [](char c) {
      return std::isalnum(static_cast<unsigned char>(c)) || static_cast<unsigned char>(c) >= 0xC0;
    });
    if (nothingLeft) {
      if (IsBlank(draft.titleFallback)) {
        SkipEntry(result, draft.line, draft.entry,
                  Say(QT_TRANSLATE_NOOP("RefExchange", "no character of its title is in the code page, and no "
                                                       "key or romanised title stands in")));
        return;
      }
      result->notices.push_back({Notice::What::kReplaced, draft.line, draft.entry,
                                 Say(QT_TRANSLATE_NOOP("RefExchange", "Title: no character of it is in the code "
                                                                      "page; \"%1\" stands in for it"),
                                     {Plain(EncodeUtf8(draft.titleFallback))})});
      draft.fields[0] = draft.titleFallback;
    }
  }
  if (!draft.extraLines.empty()) {
    // In the order the writers take them back.
    const std::vector<const char*>& order = ExtraLabels(draft.customType);
    auto rank = [&order](const std::u32string& line) {
      for (size_t k = 0; k < order.size(); ++k) {
        const std::string l = order[k];
        if (line.size() > l.size() && std::equal(l.begin(), l.end(), line.begin()) && line[l.size()] == U':')
          return k;
      }
      return order.size();
    };
    std::stable_sort(draft.extraLines.begin(), draft.extraLines.end(),
                     [&rank](const std::u32string& a, const std::u32string& b) { return rank(a) < rank(b); });
    std::u32string& notes = draft.fields.back();
    while (!notes.empty() && (notes.back() == U'\n' || notes.back() == U' ')) notes.pop_back();
    for (const std::u32string& line : draft.extraLines) {
      if (!notes.empty()) notes += U'\n';
      notes += line;
    }
    result->movedToNotes += draft.extraLines.size();
  }
  ImportedReference ref;
  ref.customType = draft.customType;
  ref.entry = draft.entry;
  ref.line = draft.line;
  size_t controls = 0;
  for (size_t i = 0; i < draft.fields.size(); ++i) {
    std::vector<Replacement> replaced;
    controls += PlainControls(&draft.fields[i]);
    std::string text = FitCodePage(draft.fields[i], &replaced);
    if ((draft.customType == kCustomNewspaper || draft.customType == kCustomReport) &&
        static_cast<int>(i) == YearField(draft.customType)) {
      // Dates as "2019-07-04", also when the code page took an invisible
      // mark out of "2019/07/04/".
      const std::u32string wide(text.begin(), text.end());
      const std::u32string iso = IsoDate(wide);
      if (iso != wide) text.assign(iso.begin(), iso.end());
    }
    const char* label = FieldLabel(draft.customType, i);
    result->charactersReplaced += replaced.size();
    if (!replaced.empty()) {
      constexpr size_t kListed = 8;
      Said list;
      for (size_t k = 0; k < replaced.size() && k < kListed; ++k) {
        const Said one = Described(replaced[k]);
        list.english += (k ? ", " : "") + one.english;
        list.shown += (k ? ", " : "") + one.shown;
      }
      if (replaced.size() > kListed) {
        const Said more =
            Say(QT_TRANSLATE_NOOP("RefExchange", " and %1 more"), {Plain(std::to_string(replaced.size() - kListed))});
        list.english += more.english;
        list.shown += more.shown;
      }
      result->notices.push_back(
          {Notice::What::kReplaced, draft.line, draft.entry, Say("%1: %2", {Label(label), list})});
    }
    if (text.size() > kFieldLimit) {
      result->notices.push_back({Notice::What::kCut, draft.line, draft.entry,
                                 Say(QT_TRANSLATE_NOOP("RefExchange", "%1 cut to %2 characters (it had %3)"),
                                     {Label(label), Plain(std::to_string(kFieldLimit)),
                                      Plain(std::to_string(text.size()))})});
      text.resize(kFieldLimit);
      while (!text.empty() && (text.back() == ' ' || text.back() == '\n')) text.pop_back();
    }
    ref.fields.emplace_back(std::move(text));  // FitCodePage wrote code-page bytes
  }
  if (controls > 0)
    result->notices.push_back({Notice::What::kReplaced, draft.line, draft.entry,
                               controls == 1 ? Say(QT_TRANSLATE_NOOP("RefExchange",
                                                                     "%1 control character was read as a space"),
                                                   {Plain("1")})
                                             : Say(QT_TRANSLATE_NOOP("RefExchange",
                                                                     "%1 control characters were read as a space"),
                                                   {Plain(std::to_string(controls))})});
  result->references.push_back(std::move(ref));
}

std::u32string JoinNames(const std::vector<std::u32string>& names) {
  std::u32string out;
  for (const std::u32string& n : names) {
    if (n.empty()) continue;
    if (!out.empty()) out += U"; ";
    // ";" parts names in the store: inside one name it is a comma.
    for (char32_t c : n) out += c == U';' ? U',' : c;
  }
  return out;
}

std::vector<std::string> SplitStoredNames(std::string_view text) {
  // "A; B" and lines are lists of names. " and " joins names only in a
  // field without them where every part is "Last, First": otherwise it is
  // part of a name ("U.S. Food and Drug Administration").
  bool andJoins = text.find(';') == std::string_view::npos && text.find('\n') == std::string_view::npos;
  if (andJoins) {
    size_t from = 0;
    bool any = false;
    for (;;) {
      const size_t at = text.find(" and ", from);
      const std::string_view part = text.substr(from, at == std::string_view::npos ? std::string_view::npos : at - from);
      if (part.find(',') == std::string_view::npos) andJoins = false;
      if (at == std::string_view::npos) break;
      any = true;
      from = at + 5;
    }
    andJoins = andJoins && any;
  }
  std::vector<std::string> names;
  std::string current;
  auto push = [&] {
    std::string t = TrimAscii(current);
    if (!t.empty()) names.push_back(t);
    current.clear();
  };
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == ';' || c == '\n') {
      push();
      continue;
    }
    if (andJoins && c == ' ' && text.substr(i, 5) == " and ") {
      push();
      i += 4;
      continue;
    }
    current.push_back(c);
  }
  push();
  return names;
}

std::vector<std::string> SplitAtSemicolons(std::string_view text) {
  std::vector<std::string> parts;
  size_t from = 0;
  for (;;) {
    const size_t semi = text.find(';', from);
    std::string part = TrimAscii(text.substr(from, semi == std::string_view::npos ? std::string_view::npos : semi - from));
    if (!part.empty()) parts.push_back(std::move(part));
    if (semi == std::string_view::npos) break;
    from = semi + 1;
  }
  return parts;
}

std::string YearIn(std::string_view text) {
  for (size_t i = 0; i + 4 <= text.size(); ++i) {
    bool digits = true;
    for (size_t k = 0; k < 4; ++k) digits = digits && std::isdigit(static_cast<unsigned char>(text[i + k]));
    const bool before = i > 0 && std::isdigit(static_cast<unsigned char>(text[i - 1]));
    const bool after = i + 4 < text.size() && std::isdigit(static_cast<unsigned char>(text[i + 4]));
    if (digits && !before && !after) return std::string(text.substr(i, 4));
  }
  return "";
}

std::u32string NotesWith(std::u32string notes, const std::u32string& url, const std::u32string& doi) {
  auto line = [&notes](const char32_t* label, const std::u32string& value) {
    if (value.empty()) return;
    if (!notes.empty()) notes += U'\n';
    notes += label;
    notes += value;
  };
  line(U"URL: ", url);
  line(U"DOI: ", doi);
  return notes;
}

std::u32string IsoDate(const std::u32string& date) {
  const std::u32string t = Trim(date);
  auto digits = [&t](size_t from, size_t n) {
    if (from + n > t.size()) return false;
    for (size_t k = from; k < from + n; ++k)
      if (t[k] < U'0' || t[k] > U'9') return false;
    return true;
  };
  if (t.size() < 7 || !digits(0, 4) || t[4] != U'/' || !digits(5, 2)) return date;
  if (t.size() == 7 || (t.size() == 8 && t[7] == U'/')) return t.substr(0, 4) + U"-" + t.substr(5, 2);
  if (t[7] == U'/' && digits(8, 2) && (t.size() == 10 || (t.size() == 11 && t[10] == U'/')))
    return t.substr(0, 4) + U"-" + t.substr(5, 2) + U"-" + t.substr(8, 2);
  return date;
}

std::string EntryName(const std::string& key, const std::u32string& title, size_t number) {
  if (!key.empty()) return key;
  std::u32string t = Trim(title);
  if (!t.empty()) {
    const size_t nl = t.find(U'\n');
    if (nl != std::u32string::npos) t.resize(nl);
    if (t.size() > 40) t = t.substr(0, 40) + U"...";
    return "\"" + EncodeUtf8(t) + "\"";
  }
  return "entry " + std::to_string(number);
}

std::vector<std::string> Utf8Fields(const CCustomRecord& record, size_t count, WriteResult* result) {
  std::vector<std::string> out(count);
  size_t replaced = 0;
  for (size_t i = 0; i < count && i < record.fields.size(); ++i) {
    const std::string text = ToUtf8(record.fields[i]);
    std::string& field = out[i];
    field.reserve(text.size());
    for (size_t k = 0; k < text.size(); ++k) {
      const unsigned char c = static_cast<unsigned char>(text[k]);
      if (c == '\r' && k + 1 < text.size() && text[k + 1] == '\n') continue;  // a line break
      if ((c < 0x20 && c != '\n' && c != '\t') || c == 0x7F) {
        // A carriage return would end the line (or the entry) for a reader
        // that counts it as one; a NUL makes the file no text at all.
        field.push_back(' ');
        ++replaced;
      } else {
        field.push_back(static_cast<char>(c));
      }
    }
  }
  if (replaced > 0 && result != nullptr)
    result->notices.push_back({Notice::What::kReplaced, 0, "record " + std::to_string(record.recordId),
                               replaced == 1 ? Say(QT_TRANSLATE_NOOP("RefExchange",
                                                                     "%1 control character was written as a space"),
                                                   {Plain("1")})
                                             : Say(QT_TRANSLATE_NOOP("RefExchange",
                                                                     "%1 control characters were written as a space"),
                                                   {Plain(std::to_string(replaced))})});
  return out;
}

std::u32string Trim(std::u32string_view text) {
  size_t b = 0, e = text.size();
  // Control characters and marks that take no room count as space here:
  // the code page would drop them or make them spaces later.
  auto space = [](char32_t c) {
    return c <= U' ' || c == 0x7F || c == 0xFEFF || (c >= 0x200B && c <= 0x200F) || c == 0x2060;
  };
  while (b < e && space(text[b])) ++b;
  while (e > b && space(text[e - 1])) --e;
  return std::u32string(text.substr(b, e - b));
}

bool ParseNumericDate(std::string_view text, char separator, NumericDate* date) {
  const std::string t = TrimAscii(text);
  auto digits = [&t](size_t from, size_t n) {
    if (from + n > t.size()) return false;
    for (size_t k = from; k < from + n; ++k)
      if (t[k] < '0' || t[k] > '9') return false;
    return true;
  };
  const bool month = t.size() >= 7 && digits(0, 4) && t[4] == separator && digits(5, 2);
  if (month && t.size() == 7) {
    *date = {t.substr(0, 4), t.substr(5, 2), ""};
    return true;
  }
  if (month && t.size() == 10 && t[7] == separator && digits(8, 2)) {
    *date = {t.substr(0, 4), t.substr(5, 2), t.substr(8, 2)};
    return true;
  }
  return false;
}

std::string TrimAscii(std::string_view text) {
  size_t b = 0, e = text.size();
  auto space = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
  while (b < e && space(text[b])) ++b;
  while (e > b && space(text[e - 1])) --e;
  return std::string(text.substr(b, e - b));
}

std::string Lower(std::string_view ascii) {
  std::string out(ascii);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

}  // namespace quillet::refx
