// Writing references as BibTeX entries: citation keys, names, pages and the
// fields of each kind (the reading side is BibTex.cpp).
#include "store/refexchange/BibTex.h"

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "store/RecordKinds.h"
#include "store/refexchange/RefCommon.h"
#include "store/refexchange/TexText.h"
#include "store/refexchange/Unicode.h"

namespace quillet::refx {
namespace {

// --- References to entries ------------------------------------------------------------

// The citation key of a reference before it is made unique.
std::string KeyBase(const CCustomRecord& ref) {
  auto field = [&ref](int i) -> std::string {
    return i >= 0 && static_cast<size_t>(i) < ref.fields.size() ? ref.fields[static_cast<size_t>(i)].bytes()
                                                                 : std::string();
  };
  std::string name;
  const std::vector<std::string> names = SplitStoredNames(field(NamesField(ref.customType)));
  if (!names.empty()) {
    const std::string& first = names[0];
    const size_t comma = first.find(',');
    if (comma != std::string::npos) {
      name = AsciiKeyPart(first.substr(0, comma));
    } else {
      const size_t space = first.find_last_of(' ');
      name = AsciiKeyPart(space == std::string::npos ? first : first.substr(space + 1));
    }
  }
  if (name.empty()) {
    // Without an author, the first word of the title that has letters.
    const std::string title = field(0);
    size_t i = 0;
    while (name.empty() && i < title.size()) {
      const size_t end = std::min(title.find_first_of(" \n\t", i), title.size());
      name = AsciiKeyPart(title.substr(i, end - i));
      i = end + 1;
    }
  }
  if (name.empty()) name = "ref";
  return name + YearIn(field(YearField(ref.customType)));
}

std::string UniqueKey(const std::string& base, std::set<std::string>* used) {
  std::string key = base;
  for (size_t n = 1; used->count(key) != 0; ++n) {
    std::string suffix;
    for (size_t k = n; k > 0; k = (k - 1) / 26) suffix.insert(suffix.begin(), static_cast<char>('a' + (k - 1) % 26));
    key = base + suffix;
  }
  used->insert(key);
  return key;
}

// A name that readers would take apart (it has " and " in it, or more
// commas than "von Last, Jr, First" allows) is one name in braces: the
// name of a body, as "{U.S. Food and Drug Administration}".
bool IsBodyName(const std::string& name) {
  const std::string lower = Lower(name);
  auto space = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
  for (size_t at = lower.find("and"); at != std::string::npos; at = lower.find("and", at + 1))
    if (at > 0 && at + 3 < lower.size() && space(lower[at - 1]) && space(lower[at + 3])) return true;
  return std::count(name.begin(), name.end(), ',') > 2;
}

std::string NamesValue(const std::string& stored, bool semicolonsOnly = false) {
  std::string out;
  for (const std::string& n : semicolonsOnly ? SplitAtSemicolons(stored) : SplitStoredNames(stored)) {
    if (!out.empty()) out += " and ";
    if (n == "et al.") out += "others";
    else if (IsBodyName(n)) out += "{" + EncodeTex(n, false) + "}";
    else out += EncodeTex(n, false);
  }
  return out;
}

// A date as biblatex reads it: "2019/07/04" (as RIS writes it) is
// "2019-07-04"; a range "1957/1990" stays a range.
std::string DateValue(const std::string& stored) {
  NumericDate d;
  if (ParseNumericDate(stored, '/', &d)) return d.year + "-" + d.month + (d.day.empty() ? "" : "-" + d.day);
  return EncodeTex(stored, false);
}

// A page range "12-34" (or with an en dash) is written "12--34".
std::string PagesValue(const std::string& stored) {
  const std::string t = TrimAscii(stored);
  size_t dash = t.find('-');
  size_t dashLength = 1;
  if (dash == std::string::npos) {
    dash = t.find("\xE2\x80\x93");
    dashLength = 3;
  }
  if (dash != std::string::npos && dash > 0 && dash + dashLength < t.size() &&
      t.find('-', dash + dashLength) == std::string::npos) {
    const std::string from = TrimAscii(t.substr(0, dash));
    const std::string to = TrimAscii(t.substr(dash + dashLength));
    auto word = [](const std::string& s) {
      return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) != 0;
      });
    };
    if (word(from) && word(to)) return EncodeTex(from, false) + "--" + EncodeTex(to, false);
  }
  return EncodeTex(stored, false);
}

class EntryWriter {
 public:
  EntryWriter(std::string* out, const std::string& type, const std::string& key) : out_(out) {
    *out_ += "@" + type + "{" + key;
  }
  ~EntryWriter() { *out_ += "\n}\n"; }
  EntryWriter(const EntryWriter&) = delete;
  EntryWriter& operator=(const EntryWriter&) = delete;

  // Written only when there is a value, unless `always`.
  void Field(const char* name, const std::string& value, bool always = false) {
    if (value.empty() && !always) return;
    *out_ += ",\n  ";
    *out_ += name;
    *out_ += " = {" + value + "}";
  }

 private:
  std::string* out_;
};

// Notes and, as fields again, the labelled lines the kind keeps at their end.
void WriteNotes(EntryWriter& w, int32_t customType, std::string notes) {
  const auto extra = TakeExtraLines(customType, &notes);
  for (const auto& [label, value] : extra) {
    // The readers put "; " between names: only that parts them here.
    if (label == "Author") w.Field("author", NamesValue(value, true));
    else if (label == "Editor") w.Field("editor", NamesValue(value, true));
    else if (label == "Year") w.Field(YearIn(value) == value ? "year" : "date", DateValue(value));
    else if (label == "Published") w.Field("howpublished", EncodeTex(value, false));
    else w.Field(Lower(label).c_str(), EncodeTex(value, false));
  }
  w.Field("note", EncodeTex(notes, false));
}

}  // namespace

WriteResult WriteBibTex(const std::vector<const CCustomRecord*>& references) {
  WriteResult result;
  std::set<std::string> used;
  for (const CCustomRecord* ref : references) {
    const size_t count = WritableFieldCount(*ref, &result);
    if (count == 0) continue;
    const std::vector<std::string> f = Utf8Fields(*ref, count, &result);
    const std::string key = UniqueKey(KeyBase(*ref), &used);
    if (result.written > 0) result.text += "\n";
    ++result.written;
    auto text = [](const std::string& s) { return EncodeTex(s, false); };
    const std::string title = EncodeTex(f[0], true);
    switch (ref->customType) {
      case kCustomBook: {
        EntryWriter w(&result.text, "book", key);
        w.Field("title", title);
        w.Field("author", NamesValue(f[book::kAuthor]));
        w.Field("publisher", text(f[book::kPublisher]));
        w.Field("isbn", text(f[book::kIsbn]));
        w.Field("year", text(f[book::kYear]));
        w.Field("pages", PagesValue(f[book::kPages]));
        WriteNotes(w, ref->customType, f[book::kNotes]);
        break;
      }
      case kCustomInternet: {
        EntryWriter w(&result.text, "misc", key);
        w.Field("title", title);
        w.Field("url", EncodeTexVerbatim(f[web::kUrl]), true);
        WriteNotes(w, ref->customType, f[web::kNotes]);
        break;
      }
      case kCustomJournal:
      case kCustomMagazine: {
        EntryWriter w(&result.text, "article", key);
        if (ref->customType == kCustomMagazine) w.Field("entrysubtype", "magazine");
        w.Field("title", title);
        w.Field("author", NamesValue(f[article::kAuthor]));
        w.Field("journal", text(f[article::kJournal]));
        w.Field("volume", text(f[article::kVolume]));
        w.Field("number", text(f[article::kIssue]));
        w.Field("year", text(f[article::kYear]));
        w.Field("pages", PagesValue(f[article::kPages]));
        WriteNotes(w, ref->customType, f[article::kNotes]);
        break;
      }
      case kCustomNewspaper: {
        EntryWriter w(&result.text, "article", key);
        w.Field("entrysubtype", "newspaper");
        w.Field("title", title);
        w.Field("journal", text(f[news::kPaper]));
        w.Field("address", text(f[news::kCity]));
        w.Field("author", NamesValue(f[news::kReporter]));
        w.Field("date", DateValue(f[news::kDate]));
        w.Field("year", YearIn(f[news::kDate]));
        w.Field("pages", PagesValue(f[news::kPages]));
        WriteNotes(w, ref->customType, f[news::kNotes]);
        break;
      }
      case kCustomReport: {
        EntryWriter w(&result.text, "techreport", key);
        w.Field("title", title);
        w.Field("author", NamesValue(f[report::kAuthor]));
        w.Field("institution", text(f[report::kSource]));
        w.Field("abstract", text(f[report::kAbstract]));
        const std::string date = TrimAscii(f[report::kDate]);
        if (date.size() == 4 && YearIn(date) == date) {
          w.Field("year", text(f[report::kDate]));
        } else {
          w.Field("date", DateValue(f[report::kDate]));
          w.Field("year", YearIn(f[report::kDate]));
        }
        WriteNotes(w, ref->customType, f[report::kNotes]);
        break;
      }
    }
  }
  return result;
}

}  // namespace quillet::refx
