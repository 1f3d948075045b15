#include "store/refexchange/Ris.h"

#include <algorithm>

#include "store/RecordKinds.h"
#include "store/refexchange/RefCommon.h"
#include "store/refexchange/Unicode.h"

namespace quillet::refx {
namespace {

bool IsTagChar(char c, bool first) {
  return (c >= 'A' && c <= 'Z') || (!first && c >= '0' && c <= '9');
}

// "XY  - value": true with the tag and the value (the text after the dash
// and its one space, as it stands).
bool TagLine(std::string_view line, std::string* tag, std::string* value) {
  if (line.size() < 4 || !IsTagChar(line[0], true) || !IsTagChar(line[1], false)) return false;
  size_t p = 2;
  while (p < line.size() && line[p] == ' ') ++p;
  if (p == 2 || p > 4 || p >= line.size() || line[p] != '-') return false;
  ++p;
  if (p < line.size() && line[p] == ' ') ++p;
  *tag = std::string(line.substr(0, 2));
  *value = std::string(line.substr(p));
  return true;
}

// Tags whose values are lines of one text.
bool IsLinesTag(std::string_view tag) { return tag == "N1" || tag == "AB" || tag == "N2"; }

std::u32string U(const std::string& utf8) {
  std::u32string out;
  DecodeUtf8(utf8, &out);
  return ComposeAccents(out);
}

std::u32string Field(const RisEntry& e, std::initializer_list<std::string_view> tags) {
  return Trim(U(e.First(tags)));
}

std::u32string Lines(const RisEntry& e, std::initializer_list<std::string_view> tags) {
  for (std::string_view tag : tags) {
    const std::vector<std::string> values = e.All(tag);
    if (values.empty()) continue;
    std::string joined;
    for (size_t i = 0; i < values.size(); ++i) joined += (i ? "\n" : "") + values[i];
    std::u32string text = U(joined);
    while (!text.empty() && (text.back() == U' ' || text.back() == U'\n')) text.pop_back();
    if (!text.empty()) return text;
  }
  return {};
}

// The authors (AU, A1), or with `editors` the editors (ED, A2: editors
// stay editors), "; " between them.
std::u32string Names(const RisEntry& e, bool editors = false) {
  const char* const first = editors ? "ED" : "AU";
  const char* const second = editors ? "A2" : "A1";
  std::vector<std::u32string> names;
  for (const auto& [tag, value] : e.tags)
    if (tag == first || tag == second) names.push_back(Trim(U(value)));
  return JoinNames(names);
}

// Every value of the tag, "; " between them.
std::u32string Joined(const RisEntry& e, std::string_view tag) {
  std::vector<std::u32string> values;
  for (const std::string& v : e.All(tag)) values.push_back(Trim(U(v)));
  return JoinNames(values);
}

// "2004///" and "2004/03/15/" lose their empty parts.
std::u32string RisDate(std::u32string date) {
  if (date.find(U'/') == std::u32string::npos) return date;
  while (!date.empty() && date.back() == U'/') date.pop_back();
  return date;
}

// PY: the year of a "YYYY/MM/DD/" form, a range "1957/1990" as it is,
// other texts as they are.
std::u32string RisYear(const std::u32string& py) {
  auto digits = [&py](size_t from) {
    return py.size() >= from + 4 &&
           std::all_of(py.begin() + from, py.begin() + from + 4, [](char32_t c) { return c >= U'0' && c <= U'9'; });
  };
  if (digits(0) && py.size() >= 9 && py[4] == U'/' && digits(5) && (py.size() == 9 || py[9] == U'/')) {
    std::u32string range = RisDate(py);
    if (range.size() == 9) return range;
  }
  if (digits(0) && (py.size() == 4 || py[4] == U'/')) return py.substr(0, 4);
  return RisDate(py);
}

std::u32string Pages(const RisEntry& e) {
  const std::u32string sp = Field(e, {"SP"});
  const std::u32string ep = Field(e, {"EP"});
  if (ep.empty() || sp.find(U'-') != std::u32string::npos) return sp;
  return sp.empty() ? ep : sp + U"-" + ep;
}

std::u32string Notes(const RisEntry& e, bool withUrl) {
  return NotesWith(Lines(e, {"N1"}), withUrl ? Field(e, {"UR", "L2"}) : std::u32string(),
                   Field(e, {"DO"}));
}

void ReadEntry(const RisEntry& e, size_t number, ReadResult* result) {
  const std::string ty = TrimAscii(e.First({"TY"}));
  const std::u32string title = Field(e, {"TI", "T1", "CT"});
  const std::string name = EntryName(TrimAscii(e.First({"ID"})), title, number);
  int32_t kind = kCustomBook;
  bool other = true;
  if (ty == "BOOK") { kind = kCustomBook; other = false; }
  else if (ty == "ELEC") { kind = kCustomInternet; other = false; }
  else if (ty == "JOUR") { kind = kCustomJournal; other = false; }
  else if (ty == "MGZN") { kind = kCustomMagazine; other = false; }
  else if (ty == "NEWS") { kind = kCustomNewspaper; other = false; }
  else if (ty == "RPRT") { kind = kCustomReport; other = false; }
  else if (ty == "WEB" || ty == "BLOG") kind = kCustomInternet;
  else if (ty == "JFULL" || ty == "EJOUR" || ty == "CONF" || ty == "CPAPER" || ty == "INPR") kind = kCustomJournal;
  else if (ty == "THES") kind = kCustomReport;

  EntryDraft d = MakeDraft(kind, name, e.line);
  if (other) d.otherKind = "type " + (ty.empty() ? std::string("(none)") : ty);
  std::vector<std::u32string>& f = d.fields;
  const bool conference = ty == "CONF" || ty == "CPAPER";
  switch (kind) {
    case kCustomBook:
      f[book::kTitle] = title.empty() ? Field(e, {"BT", "ST"}) : title;
      f[book::kAuthor] = Names(e);
      f[book::kPublisher] = Field(e, {"PB"});
      f[book::kIsbn] = Field(e, {"SN"});
      f[book::kYear] = RisYear(Field(e, {"PY", "Y1"}));
      f[book::kPages] = Pages(e);
      f[book::kNotes] = Notes(e, true);
      break;
    case kCustomInternet:
      f[web::kTitle] = title;
      f[web::kUrl] = Field(e, {"UR", "L2"});
      f[web::kNotes] = Notes(e, false);
      break;
    case kCustomJournal:
    case kCustomMagazine:
      f[article::kTitle] = title;
      f[article::kAuthor] = Names(e);
      f[article::kJournal] =
          conference ? Field(e, {"T2", "BT", "JF", "JO"}) : Field(e, {"T2", "JF", "JO", "JA", "J2"});
      f[article::kVolume] = Field(e, {"VL"});
      f[article::kIssue] = Field(e, {"IS"});
      f[article::kYear] = RisYear(Field(e, {"PY", "Y1"}));
      f[article::kPages] = Pages(e);
      f[article::kNotes] = Notes(e, true);
      break;
    case kCustomNewspaper:
      f[news::kTitle] = title;
      f[news::kPaper] = Field(e, {"T2", "JF", "JO", "JA"});
      f[news::kCity] = Field(e, {"CY"});
      f[news::kReporter] = Names(e);
      f[news::kDate] = IsoDate(RisDate(Field(e, {"DA"})));
      if (f[news::kDate].empty()) f[news::kDate] = IsoDate(RisDate(Field(e, {"PY", "Y1"})));
      f[news::kPages] = Pages(e);
      f[news::kNotes] = Notes(e, true);
      break;
    case kCustomReport:
      f[report::kTitle] = title;
      f[report::kAuthor] = Names(e);
      f[report::kSource] = Field(e, {"PB"});
      f[report::kAbstract] = Lines(e, {"AB", "N2"});
      f[report::kDate] = IsoDate(RisDate(Field(e, {"DA"})));
      if (f[report::kDate].empty()) f[report::kDate] = RisYear(Field(e, {"PY", "Y1"}));
      f[report::kNotes] = Notes(e, true);
      break;
  }
  d.titleFallback = Field(e, {"TT"});
  if (d.titleFallback.empty()) d.titleFallback = U(TrimAscii(e.First({"ID"})));
  // What the kind has no field for goes to the end of the Notes.
  MoveToNotes(&d, "Author", Names(e));
  MoveToNotes(&d, "Editor", Names(e, true));
  MoveToNotes(&d, "Year", IsoDate(RisYear(Field(e, {"PY", "Y1"}))));
  MoveToNotes(&d, "Address", Field(e, {"CY"}));
  MoveToNotes(&d, "Edition", Field(e, {"ET"}));
  MoveToNotes(&d, "Series", Field(e, {"T3"}));
  MoveToNotes(&d, "Keywords", Joined(e, "KW"));
  MoveToNotes(&d, "Abstract", Lines(e, {"AB", "N2"}));
  FinishEntry(std::move(d), result);
}

// A date as RIS writes it: "2019-07-04" is "2019/07/04/", "2019-07"
// "2019/07//"; other texts as they are.
std::string RisDateValue(const std::string& stored) {
  NumericDate d;
  if (ParseNumericDate(stored, '-', &d)) return d.year + "/" + d.month + "/" + d.day + "/";
  return stored;
}

// The tag a Notes line of that label goes back to; null for none.
const char* RisTagOf(const std::string& label) {
  if (label == "Author") return "AU";
  if (label == "Editor") return "ED";
  if (label == "Year") return "PY";
  if (label == "Address") return "CY";
  if (label == "Edition") return "ET";
  if (label == "Series") return "T3";
  if (label == "Keywords") return "KW";
  if (label == "Abstract") return "AB";
  return nullptr;
}

class RisWriter {
 public:
  explicit RisWriter(std::string* out) : out_(out) {}
  // One line; line feeds in the value become spaces.
  void Tag(const char* tag, std::string value) {
    if (value.empty()) return;
    std::replace(value.begin(), value.end(), '\n', ' ');
    Put(tag, value);
  }
  // Each line of the value on a line of its own.
  void LinesTag(const char* tag, const std::string& value) {
    if (value.empty()) return;
    size_t start = 0;
    for (;;) {
      const size_t nl = value.find('\n', start);
      Put(tag, value.substr(start, nl == std::string::npos ? std::string::npos : nl - start));
      if (nl == std::string::npos) break;
      start = nl + 1;
    }
  }
  void Names(const std::string& stored, const char* tag = "AU") {
    for (const std::string& n : SplitStoredNames(stored)) Put(tag, n);
  }
  // The notes, the labelled lines at their end that RIS has a tag for
  // written with their tags again.
  void Notes(int32_t customType, std::string notes) {
    auto extra = TakeExtraLines(customType, &notes);
    // Lines with no tag of their own stay notes, and so do those before
    // them, which keeps the lines in the order they are read back.
    size_t first = 0;
    for (size_t k = 0; k < extra.size(); ++k)
      if (RisTagOf(extra[k].first) == nullptr) first = k + 1;
    for (size_t k = 0; k < first; ++k)
      notes += (notes.empty() ? "" : "\n") + extra[k].first + ": " + extra[k].second;
    for (size_t k = first; k < extra.size(); ++k) {
      const auto& [label, value] = extra[k];
      if (label == "Author" || label == "Editor" || label == "Keywords") {
        for (const std::string& part : SplitAtSemicolons(value)) Put(RisTagOf(label), part);
      } else {
        Tag(RisTagOf(label), value);
      }
    }
    LinesTag("N1", notes);
  }
  void Pages(const std::string& stored) {
    const std::string t = TrimAscii(stored);
    size_t dash = t.find('-');
    size_t length = 1;
    if (dash == std::string::npos) {
      dash = t.find("\xE2\x80\x93");
      length = 3;
    }
    if (dash != std::string::npos && dash > 0 && dash + length < t.size() &&
        t.find('-', dash + length) == std::string::npos && t.find(',') == std::string::npos) {
      Put("SP", TrimAscii(t.substr(0, dash)));
      Put("EP", TrimAscii(t.substr(dash + length)));
    } else {
      Tag("SP", stored);
    }
  }
  void Put(const char* tag, const std::string& value) {
    *out_ += tag;
    *out_ += "  - " + value + "\r\n";
  }

 private:
  std::string* out_;
};

}  // namespace

std::vector<std::string> RisEntry::All(std::string_view tag) const {
  std::vector<std::string> values;
  for (const auto& [t, v] : tags)
    if (t == tag) values.push_back(v);
  return values;
}

std::string RisEntry::First(std::initializer_list<std::string_view> wanted) const {
  for (std::string_view tag : wanted)
    for (const auto& [t, v] : tags)
      if (t == tag && !TrimAscii(v).empty()) return v;
  return "";
}

RisFile ParseRis(std::string_view text) {
  RisFile file;
  RisEntry current;
  bool open = false;
  int lineNo = 0;
  auto broken = [&](const Said& why) {
    const std::u32string title = Trim(U(current.First({"TI", "T1"})));
    file.broken.push_back({current.line,
                           EntryName(TrimAscii(current.First({"ID"})),
                                     title, file.entries.size() + file.broken.size() + 1),
                           why.english, why.shown});
  };
  // Lines end in LF or CR LF; a file with no LF at all (as old systems
  // wrote them) ends its lines in CR alone.
  const char eol =
      text.find('\n') == std::string_view::npos && text.find('\r') != std::string_view::npos ? '\r' : '\n';
  size_t start = 0;
  while (start <= text.size()) {
    size_t nl = text.find(eol, start);
    if (nl == std::string_view::npos) nl = text.size();
    std::string_view line = text.substr(start, nl - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    ++lineNo;
    std::string tag, value;
    if (TagLine(line, &tag, &value)) {
      if (tag == "TY") {
        if (open) broken(Say(QT_TRANSLATE_NOOP("RefExchange", "no end (ER) before the next entry")));
        current = RisEntry{};
        current.line = lineNo;
        open = true;
        current.tags.emplace_back(tag, value);
      } else if (open && tag == "ER") {
        file.entries.push_back(std::move(current));
        current = RisEntry{};
        open = false;
      } else if (open) {
        current.tags.emplace_back(tag, value);
      }
    } else if (open && !TrimAscii(line).empty() && current.tags.size() > 1) {
      auto& last = current.tags.back();
      last.second += IsLinesTag(last.first) ? "\n" : " ";
      last.second += line;
    }
    if (nl == text.size()) break;
    start = nl + 1;
  }
  if (open) broken(Say(QT_TRANSLATE_NOOP("RefExchange", "the file ends before the entry's end (ER)")));
  return file;
}

ReadResult ReadRis(std::string_view text) {
  return ReadParsedFile(ParseRis(text), "no RIS entries in it (no \"TY  - \" line)", ReadEntry);
}

WriteResult WriteRis(const std::vector<const CCustomRecord*>& references) {
  WriteResult result;
  for (const CCustomRecord* ref : references) {
    const size_t count = WritableFieldCount(*ref, &result);
    if (count == 0) continue;
    const std::vector<std::string> f = Utf8Fields(*ref, count, &result);
    ++result.written;
    RisWriter w(&result.text);
    switch (ref->customType) {
      case kCustomBook:
        w.Put("TY", "BOOK");
        w.Tag("TI", f[book::kTitle]);
        w.Names(f[book::kAuthor]);
        w.Tag("PB", f[book::kPublisher]);
        w.Tag("SN", f[book::kIsbn]);
        w.Tag("PY", f[book::kYear]);
        w.Pages(f[book::kPages]);
        w.Notes(ref->customType, f[book::kNotes]);
        break;
      case kCustomInternet:
        w.Put("TY", "ELEC");
        w.Tag("TI", f[web::kTitle]);
        w.Tag("UR", f[web::kUrl]);
        w.Notes(ref->customType, f[web::kNotes]);
        break;
      case kCustomJournal:
      case kCustomMagazine:
        w.Put("TY", ref->customType == kCustomJournal ? "JOUR" : "MGZN");
        w.Tag("TI", f[article::kTitle]);
        w.Names(f[article::kAuthor]);
        w.Tag("T2", f[article::kJournal]);
        w.Tag("VL", f[article::kVolume]);
        w.Tag("IS", f[article::kIssue]);
        w.Tag("PY", f[article::kYear]);
        w.Pages(f[article::kPages]);
        w.Notes(ref->customType, f[article::kNotes]);
        break;
      case kCustomNewspaper:
        w.Put("TY", "NEWS");
        w.Tag("TI", f[news::kTitle]);
        w.Tag("T2", f[news::kPaper]);
        w.Tag("CY", f[news::kCity]);
        w.Names(f[news::kReporter]);
        w.Tag("DA", RisDateValue(f[news::kDate]));
        w.Tag("PY", YearIn(f[news::kDate]));
        w.Pages(f[news::kPages]);
        w.Notes(ref->customType, f[news::kNotes]);
        break;
      case kCustomReport:
        w.Put("TY", "RPRT");
        w.Tag("TI", f[report::kTitle]);
        w.Names(f[report::kAuthor]);
        w.Tag("PB", f[report::kSource]);
        w.LinesTag("AB", f[report::kAbstract]);
        w.Tag("DA", RisDateValue(f[report::kDate]));
        w.Tag("PY", YearIn(f[report::kDate]));
        w.Notes(ref->customType, f[report::kNotes]);
        break;
    }
    w.Put("ER", "");
    result.text += "\r\n";
  }
  return result;
}

}  // namespace quillet::refx
