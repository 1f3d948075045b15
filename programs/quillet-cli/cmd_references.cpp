// quillet-cli import-references / export-references: a topic's references
// in and out as BibTeX or RIS, as the program's File menu does it.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "desktop/db/CurrentDatabase.h"
#include "programs/quillet-cli/CliCommand.h"
#include "programs/quillet-cli/StoreText.h"
#include "store/RecordKinds.h"
#include "store/RecordStore.h"
#include "store/refexchange/RefExchange.h"

namespace {

using namespace quillet;

// The store being worked on is the current database for the command's
// length, so that record ids are issued as the program issues them.
class CurrentStore {
 public:
  explicit CurrentStore(CRecordStore* store) : previous_(pDB) { pDB = store; }
  ~CurrentStore() { pDB = previous_; }
  CurrentStore(const CurrentStore&) = delete;
  CurrentStore& operator=(const CurrentStore&) = delete;

 private:
  CRecordStore* previous_;
};

bool ParseId(const std::string& text, uint32_t* id) {
  char* end = nullptr;
  errno = 0;
  const unsigned long v = std::strtoul(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || errno != 0 || v == 0 || v > UINT32_MAX || text[0] == '-') return false;
  *id = static_cast<uint32_t>(v);
  return true;
}

// Text from a file as it may reach a terminal: control characters (C0, DEL
// and the C1 range) written as \xNN, so an entry cannot move the cursor,
// recolour or retitle the terminal.
std::string ForTerminal(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  char hex[8];
  for (size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c < 0x20 || c == 0x7F) {
      std::snprintf(hex, sizeof hex, "\\x%02x", c);
      out += hex;
    } else if (c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
               static_cast<unsigned char>(text[i + 1]) <= 0x9F) {
      std::snprintf(hex, sizeof hex, "\\x%02x", static_cast<unsigned char>(text[++i]));
      out += hex;
    } else {
      out.push_back(static_cast<char>(c));
    }
  }
  return out;
}

int Failed(const char* command, const std::string& message) {
  std::fprintf(stderr, "quillet-cli: %s: %s\n", command, ForTerminal(message).c_str());
  return cli::kExitFailed;
}

bool LoadStore(CRecordStore* store, const char* command, const std::string& file) {
  const DbResult rc = store->Load();
  if (rc == DB_OK) return true;
  // A store that did not load whole is never saved back, nor read from.
  Failed(command, file + " did not load (result " + std::to_string(rc) + " " + ResultCodeName(rc) +
                      "): " + store->FailureReason(rc));
  return false;
}

bool IsLiveTopic(CRecordStore& store, uint32_t id) {
  for (uint32_t i = 0; i < store.highWater(); ++i) {
    const CTopicRecord* t = RecordAs<CTopicRecord>(store.RecordAt(i));
    if (t && t->IsLive() && t->recordId == id) return true;
  }
  return false;
}

void PrintNotices(const char* command, const std::string& file, const std::vector<refx::Notice>& notices) {
  for (const refx::Notice& n : notices)
    std::fprintf(stderr, "quillet-cli: %s: %s%s\n", command, file.empty() ? "" : (file + ": ").c_str(),
                 ForTerminal(n.ToString()).c_str());
}

int RunImport(const std::vector<std::string>& args) {
  const char* kName = "import-references";
  cli::Args a(args);
  std::string file, topic_text;
  bool missing = false;
  const bool have_store = a.TakeOption("--store", &file, &missing);
  const bool have_topic = a.TakeOption("--topic", &topic_text, &missing);
  if (missing) return cli::UsageError("import-references: an option lacks its value");
  if (!have_store || !have_topic)
    return cli::UsageError("import-references needs --store FILE --topic ID FILE.bib|FILE.ris");
  if (!a.UnknownOption().empty())
    return cli::UsageError("import-references: unknown option " + a.UnknownOption());
  if (a.Rest().size() != 1) return cli::UsageError("import-references takes one FILE.bib or FILE.ris");
  const std::string& input = a.Rest()[0];
  uint32_t topic = 0;
  if (!ParseId(topic_text, &topic)) return cli::UsageError("import-references: --topic takes a record id");
  CRecordStore store(file, "");
  CurrentStore current(&store);
  if (!LoadStore(&store, kName, file)) return cli::kExitFailed;
  if (!IsLiveTopic(store, topic)) return Failed(kName, "record " + topic_text + " is not a topic");

  const refx::ReadResult read = refx::ReadReferenceFile(input);
  if (!read.ok) return Failed(kName, input + " was not read: " + read.error + "; nothing was added");
  PrintNotices(kName, input, read.notices);
  std::fprintf(stderr, "quillet-cli: %s: %s: %s\n", kName, input.c_str(), ForTerminal(refx::ReadSummary(read)).c_str());
  if (read.references.empty()) return Failed(kName, "no entry of " + input + " could be used; nothing was added");

  std::vector<uint32_t> ids;
  const refx::AddResult added = refx::AddToTopic(store, topic, read.references, NextRecordId, &ids);
  if (added == refx::AddResult::kNoLinks)
    return Failed(kName, "topic " + topic_text + " has no member list; nothing was added");
  if (added != refx::AddResult::kOk) return Failed(kName, "the store refused the references; nothing was added");
  const DbResult rc = store.Save();
  if (rc != DB_OK)
    return Failed(kName, file + " could not be saved (result " + std::to_string(rc) + " " + ResultCodeName(rc) +
                             "); nothing was added");
  for (size_t i = 0; i < ids.size(); ++i) {
    std::string title = read.references[i].fields.empty() ? std::string() : ToUtf8(read.references[i].fields[0]);
    for (char& c : title)
      if (c == '\n' || c == '\r' || c == '\t') c = ' ';
    std::printf("%u %s %s\n", ids[i], refx::KindWord(read.references[i].customType),
                ForTerminal(title).c_str());
  }
  return cli::kExitOk;
}

int RunExport(const std::vector<std::string>& args) {
  const char* kName = "export-references";
  cli::Args a(args);
  std::string file, topic_text, format_name, out;
  bool missing = false;
  const bool have_store = a.TakeOption("--store", &file, &missing);
  const bool have_topic = a.TakeOption("--topic", &topic_text, &missing);
  const bool have_format = a.TakeOption("--format", &format_name, &missing);
  const bool have_out = a.TakeOption("-o", &out, &missing);
  const bool show_private = a.TakeFlag("--show-private");
  if (missing) return cli::UsageError("export-references: an option lacks its value");
  if (!have_store || !have_format)
    return cli::UsageError("export-references needs --store FILE --format bibtex|ris");
  if (!a.UnknownOption().empty())
    return cli::UsageError("export-references: unknown option " + a.UnknownOption());
  if (!a.Rest().empty()) return cli::UsageError("export-references: unexpected argument " + a.Rest()[0]);
  refx::Format format;
  if (format_name == "bibtex") format = refx::Format::kBibTex;
  else if (format_name == "ris") format = refx::Format::kRis;
  else return cli::UsageError("export-references: --format is bibtex or ris");
  uint32_t topic = 0;
  if (have_topic && !ParseId(topic_text, &topic))
    return cli::UsageError("export-references: --topic takes a record id");
  if (have_out && out.empty()) return cli::UsageError("export-references: -o needs a file name");

  CRecordStore store(file, "");
  if (!LoadStore(&store, kName, file)) return cli::kExitFailed;
  bool found = true;
  const std::vector<const CCustomRecord*> refs = refx::CollectReferences(store, topic, show_private, &found);
  if (!found) return Failed(kName, "record " + topic_text + " is not a topic");
  const refx::WriteResult written = refx::WriteReferences(refs, format);
  PrintNotices(kName, "", written.notices);
  if (have_out) {
    std::string error;
    if (!refx::WriteFileReplacing(out, written.text, &error)) return Failed(kName, error);
  } else if (std::fwrite(written.text.data(), 1, written.text.size(), stdout) != written.text.size() ||
             std::fflush(stdout) != 0) {
    return Failed(kName, "standard output could not be written");
  }
  return cli::kExitOk;
}

}  // namespace

QUILLET_CLI_COMMAND(
    "import-references", "add the references of a BibTeX or RIS file to a topic",
    "quillet-cli import-references --store FILE --topic ID FILE.bib|FILE.ris\n\n"
    "Reads the BibTeX (.bib) or RIS (.ris) file (another name: the format its\n"
    "text shows, an @type{ entry or a TY  - line), UTF-8, or Windows-1252 when it\n"
    "is not valid UTF-8, and adds each entry to topic ID of the store as a new\n"
    "reference of the nearest of the six kinds, its fields in Windows-1252 and\n"
    "cut to 30000 characters; the store is saved once. BibTeX: @string\n"
    "abbreviations, # joins, crossref (fields taken from the parent entry), %\n"
    "comment lines, TeX accents, letters, logos and math words; a TeX command\n"
    "of no known meaning is kept as its name. A name in braces is one name (a\n"
    "body). Fields the kind has no place for (author and year of internet\n"
    "references, editor, month, address, edition, series, howpublished,\n"
    "keywords, abstract; RIS ED, CY, ET, T3, KW, AB) go to the end of the\n"
    "Notes as lines `Label: value`, which export-references writes back as\n"
    "fields. Characters the code page lacks become their nearest plain letters.\n"
    "Prints one line per added reference, `RECORDID KIND TITLE` (KIND one\n"
    "of book, internet, journal, magazine, newspaper, report). Entries that\n"
    "cannot be used are skipped, and entries that came in as another kind, lost\n"
    "length or had characters replaced by their nearest plain letters are told,\n"
    "one line each on standard error naming the entry; a last line sums up:\n"
    "entries read, added, skipped, fields moved to Notes, characters replaced.\n"
    "Exit 0 when the file was read and its references added; 1 when the file\n"
    "could not be read (or held no usable entry), the topic does not exist or\n"
    "the store could not be loaded or saved (nothing is saved then); 2 for bad\n"
    "arguments.",
    RunImport);

QUILLET_CLI_COMMAND(
    "export-references", "write a topic's or the store's references as BibTeX or RIS",
    "quillet-cli export-references --store FILE [--topic ID] --format bibtex|ris\n"
    "                              [-o OUT] [--show-private]\n\n"
    "Writes the live references of topic ID, in the topic's order, or of the\n"
    "whole store without --topic, as UTF-8 BibTeX (keys from the first author's\n"
    "last name and the year, made unique) or RIS (lines ending in CR LF), to OUT\n"
    "(replaced whole) or to standard output. Private references are left out\n"
    "unless --show-private is given.\n"
    "Exit 0 on success; 1 when the store does not load, ID is no topic or OUT\n"
    "cannot be written; 2 for bad arguments.",
    RunExport);
