#include "store/refexchange/BibTex.h"

#include <algorithm>
#include <cctype>
#include <initializer_list>
#include <map>
#include <set>

#include "store/RecordKinds.h"
#include "store/refexchange/RefCommon.h"
#include "store/refexchange/TexText.h"
#include "store/refexchange/Unicode.h"

namespace quillet::refx {
namespace {

// --- Syntax ----------------------------------------------------------------------

bool AllDigits(std::string_view s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool IsWs(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }

// Characters of entry types, keys, field and abbreviation names.
bool IsNameChar(char c) {
  return !IsWs(c) && c != ',' && c != '{' && c != '}' && c != '(' && c != ')' && c != '=' &&
         c != '"' && c != '#' && c != '%' && c != '@';
}

// True when a value holds lines that look like "name = ..." : its closing
// brace was missing and the following fields ran into it.
bool SwallowedFields(std::string_view value) {
  size_t nl = value.find('\n');
  while (nl != std::string_view::npos) {
    size_t p = nl + 1;
    while (p < value.size() && (value[p] == ' ' || value[p] == '\t')) ++p;
    const size_t b = p;
    while (p < value.size() && (std::isalnum(static_cast<unsigned char>(value[p])) || value[p] == '_' || value[p] == '-'))
      ++p;
    const bool named = p > b && std::isalpha(static_cast<unsigned char>(value[b]));
    while (p < value.size() && (value[p] == ' ' || value[p] == '\t')) ++p;
    if (named && p < value.size() && value[p] == '=') return true;
    nl = value.find('\n', nl + 1);
  }
  return false;
}

// A value is cut at this many bytes as it is built, abbreviations and "#"
// joins included: room for a full field written with TeX commands, and a
// bound on what a small file of abbreviations doubling each other can ask for.
constexpr size_t kRawValueLimit = 4 * kFieldLimit;

// Appends `part` to `out` up to kRawValueLimit; `cut` turns true when some
// of it was left out.
void AppendBounded(std::string* out, std::string_view part, bool* cut) {
  const size_t room = out->size() < kRawValueLimit ? kRawValueLimit - out->size() : 0;
  if (part.size() > room) {
    *cut = true;
    part = part.substr(0, room);
  }
  out->append(part);
}

class Parser {
 public:
  explicit Parser(std::string_view text) : s_(text) {
    line_starts_.push_back(0);
    for (size_t i = 0; i < s_.size(); ++i)
      if (s_[i] == '\n') line_starts_.push_back(i + 1);
    static const char* const kMonths[12] = {"january", "february", "march",     "april",
                                            "may",     "june",     "july",      "august",
                                            "september", "october", "november", "december"};
    static const char* const kNames[12] = {"January", "February", "March",     "April",
                                           "May",     "June",     "July",      "August",
                                           "September", "October", "November", "December"};
    for (int m = 0; m < 12; ++m) macros_[std::string(kMonths[m]).substr(0, 3)] = {kNames[m], false};
  }

  BibFile Run() {
    size_t pos = 0;
    while ((pos = s_.find('@', pos)) != std::string_view::npos) {
      const size_t at = pos;
      size_t p = at + 1;
      SkipWs(&p);
      const std::string type = Lower(ReadName(&p));
      SkipWs(&p);
      if (type.empty() || p >= s_.size() || (s_[p] != '{' && s_[p] != '(')) {
        pos = at + 1;  // an "@" in comment text
        continue;
      }
      if (type == "comment" || type == "preamble") {
        pos = SkipBlock(p);
        continue;
      }
      std::string name = "@" + type;
      Said why;
      size_t end = p;
      if (type == "string" ? ParseString(p, &end, &why) : ParseEntry(type, at, p, &end, &name, &why)) {
        pos = end;
        continue;
      }
      file_.broken.push_back({LineAt(at), name, why.english, why.shown});
      pos = NextEntryLine(at);
    }
    return std::move(file_);
  }

 private:
  int LineAt(size_t pos) const {
    auto it = std::upper_bound(line_starts_.begin(), line_starts_.end(), pos);
    return static_cast<int>(it - line_starts_.begin());
  }

  void SkipWs(size_t* p) const {
    while (*p < s_.size() && IsWs(s_[*p])) ++*p;
  }

  // Whitespace and, as BibTeX tools allow them between the fields of an
  // entry, lines of comment starting with "%".
  void SkipWsAndComments(size_t* p) const {
    for (;;) {
      SkipWs(p);
      if (*p >= s_.size() || s_[*p] != '%') return;
      const size_t nl = s_.find('\n', *p);
      *p = nl == std::string_view::npos ? s_.size() : nl + 1;
    }
  }

  std::string ReadName(size_t* p) const {
    const size_t b = *p;
    while (*p < s_.size() && IsNameChar(s_[*p])) ++*p;
    return std::string(s_.substr(b, *p - b));
  }

  // The position after a balanced block opening at `p` ("{" or "("), or
  // after the line when it never closes.
  size_t SkipBlock(size_t p) const {
    const char open = s_[p];
    const char close = open == '{' ? '}' : ')';
    int depth = 0;
    for (size_t i = p; i < s_.size(); ++i) {
      if (s_[i] == open) ++depth;
      else if (s_[i] == close && --depth == 0) return i + 1;
    }
    const size_t nl = s_.find('\n', p);
    return nl == std::string_view::npos ? s_.size() : nl + 1;
  }

  // The next line after the one holding `at` that starts (after blanks)
  // with "@".
  size_t NextEntryLine(size_t at) const {
    size_t p = s_.find('\n', at);
    while (p != std::string_view::npos) {
      size_t q = p + 1;
      while (q < s_.size() && (s_[q] == ' ' || s_[q] == '\t')) ++q;
      if (q < s_.size() && s_[q] == '@') return q;
      p = s_.find('\n', p + 1);
    }
    return s_.size();
  }

  // True when the line starting at `p` begins an entry ("@type{"): a value
  // running into it has lost its closing brace or quote.
  bool EntryStartsAt(size_t p) const {
    while (p < s_.size() && (s_[p] == ' ' || s_[p] == '\t')) ++p;
    if (p >= s_.size() || s_[p] != '@') return false;
    ++p;
    const size_t b = p;
    while (p < s_.size() && std::isalpha(static_cast<unsigned char>(s_[p]))) ++p;
    if (p == b) return false;
    while (p < s_.size() && (s_[p] == ' ' || s_[p] == '\t')) ++p;
    return p < s_.size() && (s_[p] == '{' || s_[p] == '(');
  }

  // One part of a value at `*p`; false with `why` set when it is broken.
  bool ReadPart(size_t* p, std::string* out, bool* cut, Said* why) {
    const char c = s_[*p];
    if (c == '{' || c == '"') {
      const size_t b = *p + 1;
      int depth = c == '{' ? 1 : 0;
      for (size_t i = b; i < s_.size(); ++i) {
        const char d = s_[i];
        if (d == '\\') {
          ++i;
          continue;
        }
        if (d == '\n' && EntryStartsAt(i + 1)) break;
        if (d == '{') {
          ++depth;
        } else if (d == '}') {
          if (depth == 0) {
            *why = Say(QT_TRANSLATE_NOOP("RefExchange", "a closing brace without an opening one"));
            return false;
          }
          if (--depth == 0 && c == '{') {
            AppendBounded(out, s_.substr(b, i - b), cut);
            *p = i + 1;
            return true;
          }
        } else if (d == '"' && c == '"' && depth == 0) {
          AppendBounded(out, s_.substr(b, i - b), cut);
          *p = i + 1;
          return true;
        }
      }
      *why = c == '{' ? Say(QT_TRANSLATE_NOOP("RefExchange", "a brace is not closed"))
                      : Say(QT_TRANSLATE_NOOP("RefExchange", "a quote is not closed"));
      return false;
    }
    if (std::isdigit(static_cast<unsigned char>(c))) {
      const size_t b = *p;
      while (*p < s_.size() && std::isdigit(static_cast<unsigned char>(s_[*p]))) ++*p;
      AppendBounded(out, s_.substr(b, *p - b), cut);
      return true;
    }
    const std::string name = ReadName(p);
    if (name.empty()) {
      *why = Say(QT_TRANSLATE_NOOP("RefExchange", "unexpected \"%1\""), {Plain(std::string(1, c))});
      return false;
    }
    auto it = macros_.find(Lower(name));
    if (it == macros_.end()) {
      AppendBounded(out, name, cut);
    } else {
      AppendBounded(out, it->second.value, cut);
      *cut = *cut || it->second.cut;
    }
    return true;
  }

  // A value: parts joined with "#".
  bool ReadValue(size_t* p, std::string* out, bool* cut, Said* why) {
    for (;;) {
      SkipWs(p);
      if (*p >= s_.size()) {
        *why = Say(QT_TRANSLATE_NOOP("RefExchange", "the file ends inside the entry"));
        return false;
      }
      if (!ReadPart(p, out, cut, why)) return false;
      SkipWs(p);
      if (*p < s_.size() && s_[*p] == '#') {
        ++*p;
        continue;
      }
      return true;
    }
  }

  bool ParseString(size_t open, size_t* end, Said* why) {
    const char close = s_[open] == '{' ? '}' : ')';
    size_t p = open + 1;
    SkipWs(&p);
    const std::string name = Lower(ReadName(&p));
    SkipWs(&p);
    if (name.empty() || p >= s_.size() || s_[p] != '=') {
      *why = Say(QT_TRANSLATE_NOOP("RefExchange", "an abbreviation without a name or \"=\""));
      return false;
    }
    ++p;
    Macro value;
    if (!ReadValue(&p, &value.value, &value.cut, why)) return false;
    if (p >= s_.size() || s_[p] != close) {
      *why = Say(QT_TRANSLATE_NOOP("RefExchange", "an abbreviation that does not end"));
      return false;
    }
    macros_[name] = std::move(value);
    *end = p + 1;
    return true;
  }

  bool ParseEntry(const std::string& type, size_t at, size_t open, size_t* end, std::string* name,
                  Said* why) {
    const char close = s_[open] == '{' ? '}' : ')';
    BibEntry entry;
    entry.type = type;
    entry.line = LineAt(at);
    size_t p = open + 1;
    SkipWs(&p);
    entry.key = ReadName(&p);
    if (!entry.key.empty()) *name = entry.key;
    SkipWs(&p);
    if (p < s_.size() && s_[p] == '=') {
      *why = Say(QT_TRANSLATE_NOOP("RefExchange", "no citation key"));
      return false;
    }
    for (;;) {
      SkipWsAndComments(&p);
      if (p >= s_.size()) {
        *why = Say(QT_TRANSLATE_NOOP("RefExchange", "the file ends inside the entry"));
        return false;
      }
      if (s_[p] == close) {
        *end = p + 1;
        file_.entries.push_back(std::move(entry));
        return true;
      }
      if (s_[p] == ',') {
        ++p;
        continue;
      }
      const std::string field = Lower(ReadName(&p));
      if (field.empty()) {
        *why = Say(QT_TRANSLATE_NOOP("RefExchange", "unexpected \"%1\""), {Plain(std::string(1, s_[p]))});
        return false;
      }
      SkipWsAndComments(&p);
      if (p >= s_.size() || s_[p] != '=') {
        *why = Say(QT_TRANSLATE_NOOP("RefExchange", "no \"=\" after %1"), {Plain(field)});
        return false;
      }
      ++p;
      std::string value;
      bool cut = false;
      if (!ReadValue(&p, &value, &cut, why)) {
        *why = Say(QT_TRANSLATE_NOOP("RefExchange", "%1 (in %2)"), {*why, Plain(field)});
        return false;
      }
      SkipWsAndComments(&p);
      if (p >= s_.size() || (s_[p] != ',' && s_[p] != close)) {
        *why = SwallowedFields(value)
                   ? Say(QT_TRANSLATE_NOOP("RefExchange", "%1 (in %2)"),
                         {Say(QT_TRANSLATE_NOOP("RefExchange", "a brace is not closed")), Plain(field)})
                   : Say(QT_TRANSLATE_NOOP("RefExchange", "no comma after %1"), {Plain(field)});
        return false;
      }
      entry.fields.push_back({field, std::move(value), cut});
    }
  }

  std::string_view s_;
  std::vector<size_t> line_starts_;
  struct Macro {
    std::string value;
    bool cut = false;  // its text was longer than kRawValueLimit
  };
  std::map<std::string, Macro> macros_;
  BibFile file_;
};

// --- Entries to references ----------------------------------------------------------

class EntryReader {
 public:
  EntryReader(const BibEntry& e, std::vector<std::string>* unknown) : e_(e), unknown_(unknown) {}

  std::u32string Text(std::string_view name, TexMode mode = TexMode::kText) const {
    const std::string* v = e_.Find(name);
    return v ? DecodeTex(*v, mode, unknown_) : std::u32string();
  }
  // The first of the names that is there and not empty.
  std::u32string First(std::initializer_list<std::string_view> names,
                       TexMode mode = TexMode::kText) const {
    for (std::string_view n : names) {
      std::u32string t = Text(n, mode);
      if (!t.empty()) return t;
    }
    return {};
  }
  bool Has(std::string_view name) const { return e_.Find(name) != nullptr; }

  // A web address: the url field, or one written as \url{...} in
  // howpublished.
  std::u32string Url() const {
    std::u32string url = Text("url", TexMode::kVerbatim);
    if (!url.empty()) return url;
    if (const std::string* how = e_.Find("howpublished")) {
      const size_t at = how->find("\\url{");
      if (at != std::string::npos) {
        const size_t close = how->find('}', at);
        return DecodeTex(how->substr(at + 5, close == std::string::npos ? std::string::npos : close - at - 5),
                         TexMode::kVerbatim);
      }
    }
    return {};
  }
  bool HowpublishedIsUrl() const {
    const std::string* how = e_.Find("howpublished");
    return how && how->find("\\url{") != std::string::npos;
  }

  // The names of `field` ("author" or "editor"), "; " between them.
  std::u32string Names(std::string_view field = "author") const {
    if (const std::string* v = e_.Find(field)) return JoinNames(SplitBibNames(*v));
    return {};
  }

  std::u32string Year() const {
    std::u32string year = Text("year");
    if (year.empty()) {
      std::string y = YearIn(EncodeUtf8(Text("date")));
      year.assign(y.begin(), y.end());
    }
    return year;
  }

  // The date field, or year, month and day put together.
  std::u32string Date() const {
    std::u32string date = IsoDate(Text("date"));
    if (!date.empty()) return date;
    const std::u32string year = Text("year");
    const std::u32string month = Text("month");
    const std::u32string day = Text("day");
    const int m = MonthNumber(EncodeUtf8(month));
    auto two = [](int n) { return std::u32string{static_cast<char32_t>(U'0' + n / 10 % 10), static_cast<char32_t>(U'0' + n % 10)}; };
    if (m > 0 && !year.empty()) {
      std::u32string out = year + U"-" + two(m);
      const std::string d = EncodeUtf8(day);
      if (!d.empty() && d.size() <= 2 && AllDigits(d)) out += U"-" + two(std::stoi(d));
      return out;
    }
    if (!month.empty()) return year.empty() ? month : month + U" " + year;
    return year;
  }

  std::u32string Notes(bool withUrl) const {
    std::u32string notes = Text("note");
    const std::u32string annote = First({"annote", "annotation"});
    if (!annote.empty()) notes = notes.empty() ? annote : notes + U"\n" + annote;
    return NotesWith(notes, withUrl ? Url() : std::u32string(), Text("doi", TexMode::kVerbatim));
  }

 private:
  const BibEntry& e_;
  std::vector<std::string>* unknown_;
};

void ReadEntry(const BibEntry& e, size_t number, ReadResult* result) {
  std::vector<std::string> unknown;
  const EntryReader r(e, &unknown);
  const std::string name = EntryName(e.key, r.Text("title"), number);
  for (const BibField& f : e.fields)
    if (f.cut)
      result->notices.push_back({Notice::What::kCut, e.line, name,
                                 Say(QT_TRANSLATE_NOOP("RefExchange",
                                                       "%1 was longer than %2 characters in the file and was cut"),
                                     {Plain(f.name), Plain(std::to_string(kRawValueLimit))})});
  int32_t kind = kCustomBook;
  bool other = false;
  const std::string& t = e.type;
  if (t == "article") {
    std::string sub = Lower(TrimAscii(EncodeUtf8(r.Text("entrysubtype"))));
    if (sub.empty()) sub = Lower(TrimAscii(EncodeUtf8(r.Text("type"))));
    kind = sub == "magazine" ? kCustomMagazine : sub == "newspaper" ? kCustomNewspaper : kCustomJournal;
  } else if (t == "book") {
    kind = kCustomBook;
  } else if (t == "misc") {
    if (r.Has("url") || r.HowpublishedIsUrl()) kind = kCustomInternet;
    else other = true;
  } else if (t == "online" || t == "electronic" || t == "www" || t == "webpage") {
    kind = kCustomInternet;
    other = true;
  } else if (t == "techreport" || t == "report") {
    kind = kCustomReport;
  } else if (t == "inproceedings" || t == "incollection" || t == "conference") {
    kind = kCustomJournal;
    other = true;
  } else if (t == "phdthesis" || t == "mastersthesis" || t == "thesis") {
    kind = kCustomReport;
    other = true;
  } else {
    other = true;  // anything else: a book, with what fits
  }

  EntryDraft d = MakeDraft(kind, name, e.line);
  if (other) d.otherKind = "@" + t;
  std::vector<std::u32string>& f = d.fields;
  const std::u32string title = r.Text("title");
  switch (kind) {
    case kCustomBook:
      f[book::kTitle] = title.empty() ? r.Text("booktitle") : title;
      f[book::kAuthor] = r.Names();
      f[book::kPublisher] = r.First({"publisher", "organization", "institution", "school"});
      if (f[book::kPublisher].empty() && !r.HowpublishedIsUrl()) f[book::kPublisher] = r.Text("howpublished");
      f[book::kIsbn] = r.Text("isbn");
      f[book::kYear] = r.Year();
      f[book::kPages] = r.Text("pages", TexMode::kPages);
      f[book::kNotes] = r.Notes(true);
      break;
    case kCustomInternet:
      f[web::kTitle] = title;
      f[web::kUrl] = r.Url();
      f[web::kNotes] = r.Notes(false);
      break;
    case kCustomJournal:
    case kCustomMagazine:
      f[article::kTitle] = title;
      f[article::kAuthor] = r.Names();
      f[article::kJournal] = r.First({"journal", "journaltitle", "booktitle"});
      f[article::kVolume] = r.Text("volume");
      f[article::kIssue] = r.First({"number", "issue"});
      f[article::kYear] = r.Year();
      f[article::kPages] = r.Text("pages", TexMode::kPages);
      f[article::kNotes] = r.Notes(true);
      break;
    case kCustomNewspaper:
      f[news::kTitle] = title;
      f[news::kPaper] = r.First({"journal", "journaltitle"});
      f[news::kCity] = r.First({"address", "location"});
      f[news::kReporter] = r.Names();
      f[news::kDate] = r.Date();
      f[news::kPages] = r.Text("pages", TexMode::kPages);
      f[news::kNotes] = r.Notes(true);
      break;
    case kCustomReport:
      f[report::kTitle] = title;
      f[report::kAuthor] = r.Names();
      f[report::kSource] = r.First({"institution", "school", "publisher", "organization"});
      f[report::kAbstract] = r.Text("abstract");
      f[report::kDate] = r.Date();
      f[report::kNotes] = r.Notes(true);
      break;
  }
  d.titleFallback = r.First({"title_romanized", "romanizedtitle", "titleromanized", "transliteratedtitle",
                              "translittitle", "title_en", "titleaddon_en"});
  if (d.titleFallback.empty()) DecodeUtf8(e.key, &d.titleFallback);
  // What the kind has no field for goes to the end of the Notes.
  MoveToNotes(&d, "Author", r.Names());
  MoveToNotes(&d, "Editor", r.Names("editor"));
  MoveToNotes(&d, "Year", IsoDate(r.Has("year") ? r.Text("year") : r.Text("date")));
  MoveToNotes(&d, "Month", r.Text("month"));
  MoveToNotes(&d, "Address", r.First({"address", "location"}));
  MoveToNotes(&d, "Edition", r.Text("edition"));
  MoveToNotes(&d, "Series", r.Text("series"));
  if (!r.HowpublishedIsUrl() && !(kind == kCustomBook && f[book::kPublisher] == r.Text("howpublished")))
    MoveToNotes(&d, "Published", r.Text("howpublished"));
  MoveToNotes(&d, "Keywords", r.Text("keywords"));
  MoveToNotes(&d, "Abstract", r.Text("abstract"));
  for (std::string& u : unknown)
    if (std::find(result->unknownCommands.begin(), result->unknownCommands.end(), u) ==
        result->unknownCommands.end())
      result->unknownCommands.push_back(std::move(u));
  FinishEntry(std::move(d), result);
}

}  // namespace

const std::string* BibEntry::Find(std::string_view name) const {
  for (const BibField& f : fields)
    if (f.name == name) return &f.value;
  return nullptr;
}

int MonthNumber(std::string_view text) {
  const std::string t = Lower(TrimAscii(text));
  if (t.empty()) return 0;
  if (AllDigits(t)) {
    const int n = t.size() <= 2 ? std::stoi(t) : 0;
    return n >= 1 && n <= 12 ? n : 0;
  }
  static const char* const kMonths[12] = {"january", "february", "march",     "april",
                                          "may",     "june",     "july",      "august",
                                          "september", "october", "november", "december"};
  for (int m = 0; m < 12; ++m) {
    const std::string full = kMonths[m];
    std::string word = t;
    if (!word.empty() && word.back() == '.') word.pop_back();
    if (word == full || (word.size() >= 3 && full.compare(0, word.size(), word) == 0)) return m + 1;
  }
  return 0;
}

BibFile ParseBibTex(std::string_view text) { return Parser(text).Run(); }

namespace {

// An entry's "crossref" names its parent in the same file; as BibTeX does,
// the child takes each field it lacks from the parent, the parent's title
// as its booktitle.
void InheritCrossrefs(BibFile* file) {
  std::map<std::string, size_t> byKey;
  for (size_t i = 0; i < file->entries.size(); ++i) byKey.emplace(Lower(file->entries[i].key), i);
  for (BibEntry& child : file->entries) {
    const std::string* ref = child.Find("crossref");
    if (ref == nullptr) continue;
    auto it = byKey.find(Lower(TrimAscii(*ref)));
    if (it == byKey.end()) continue;
    const BibEntry& parent = file->entries[it->second];
    if (&parent == &child) continue;
    std::vector<BibField> inherited;
    for (const BibField& f : parent.fields) {
      if (f.name == "crossref") continue;  // one level, as BibTeX
      if (child.Find(f.name) == nullptr) inherited.push_back(f);
      if (f.name == "title" && child.Find("booktitle") == nullptr && parent.Find("booktitle") == nullptr)
        inherited.push_back({"booktitle", f.value, f.cut});
    }
    for (BibField& f : inherited) child.fields.push_back(std::move(f));
  }
}

}  // namespace

ReadResult ReadBibTex(std::string_view text) {
  BibFile file = ParseBibTex(text);
  InheritCrossrefs(&file);
  return ReadParsedFile(file, "no BibTeX entries in it", ReadEntry);
}

}  // namespace quillet::refx
