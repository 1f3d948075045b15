// quillet-cli import-references and export-references, run as a user runs
// them: output lines, exit codes, and the store on disk afterwards.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <fstream>
#include <sys/wait.h>

#include <cstdio>
#include <memory>
#include <sstream>

#include "platform/codepage/CodePage.h"
#include "store/RecordKinds.h"
#include "store/RecordStore.h"
#include "store/tests/StoreTestUtil.h"

namespace quillet {
namespace {

using testing::Bytes;
using testing::ReadAll;
using testing::ScratchDir;

struct Outcome {
  int exit_code;
  std::string out;
  std::string err;
};

std::string Quote(const std::string& arg) {
  std::string q = "'";
  for (char c : arg) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

Outcome Cli(const ScratchDir& dir, const std::vector<std::string>& args) {
  std::string cmd = std::string(QUILLET_BIN_DIR) + "/quillet-cli";
  for (const auto& a : args) cmd += " " + Quote(a);
  cmd += " 2>" + Quote(dir.File("stderr.txt"));
  Outcome o{};
  FILE* p = ::popen(cmd.c_str(), "r");
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) o.out.append(buf, n);
  const int status = ::pclose(p);
  o.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  const Bytes err = ReadAll(dir.File("stderr.txt"));
  o.err.assign(err.begin(), err.end());
  return o;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::string Sample(const char* name) {
  return std::string(QUILLET_SOURCE_DIR) + "/store/refexchange/tests/data/" + name;
}

// A store with two topics: "Reading" (2, links 3) holding a note (4) and a
// private book (5), and "Empty" (6, links 7); ids issued from 8.
std::string TopicStore(const ScratchDir& dir, const std::string& name = "refs.dat") {
  CRecordStore store(name, dir.path());
  auto settings = std::make_unique<CSettingsRecord>();
  settings->lastRecordId = 7;
  store.AddNew(std::move(settings));
  for (uint32_t topicId : {2u, 6u}) {
    auto topic = std::make_unique<CTopicRecord>();
    topic->recordId = topicId;
    topic->linksId = topicId + 1;
    topic->title = CpText(topicId == 2 ? "Reading" : "Empty");
    store.AddNew(std::move(topic));
    auto links = std::make_unique<CTopicLinksRecord>();
    links->recordId = topicId + 1;
    links->topicId = topicId;
    if (topicId == 2) links->memberIds = {4, 5};
    store.AddNew(std::move(links));
  }
  auto note = std::make_unique<CNoteRecord>();
  note->recordId = 4;
  note->text = "A note"_cp;
  store.AddNew(std::move(note));
  auto secret = std::make_unique<CCustomRecord>();
  secret->recordId = 5;
  secret->customType = kCustomBook;
  secret->fields = {"My diary"_cp, "Me"_cp, ""_cp, ""_cp, "2020"_cp, ""_cp, ""_cp};
  secret->isPrivate = 1;
  store.AddNew(std::move(secret));
  EXPECT_EQ(store.Save(), DB_OK);
  return store.path();
}

struct Loaded {
  std::unique_ptr<CRecordStore> store;
  const CTopicLinksRecord* Links(uint32_t id) const {
    CRecord* r = nullptr;
    return store->FindById(id, &r) == DB_OK ? RecordAs<CTopicLinksRecord>(r) : nullptr;
  }
  const CCustomRecord* Ref(uint32_t id) const {
    CRecord* r = nullptr;
    return store->FindById(id, &r) == DB_OK ? RecordAs<CCustomRecord>(r) : nullptr;
  }
};

Loaded Load(const std::string& path) {
  Loaded l{std::make_unique<CRecordStore>(path, "")};
  EXPECT_EQ(l.store->Load(), DB_OK);
  return l;
}

TEST(CliImportReferences, AddsEachUsableEntryToTheTopicAndSavesOnce) {
  ScratchDir dir;
  const std::string store = TopicStore(dir);
  const Outcome o = Cli(dir, {"import-references", "--store", store, "--topic", "2", Sample("library.bib")});
  EXPECT_EQ(o.exit_code, 0) << o.err;
  const std::vector<std::string> lines = Lines(o.out);
  ASSERT_EQ(lines.size(), 10u) << o.out;
  EXPECT_EQ(lines[0], "8 book Die Kunst des Gemüsebaus");
  EXPECT_EQ(lines[1], "9 journal Soil moisture and the pH of raised beds — a Canadian study");
  EXPECT_EQ(lines[2], "10 magazine Why the Lódz allotments thrive");
  EXPECT_EQ(lines[3], "11 newspaper Frost warning issued for the weekend");
  EXPECT_EQ(lines[4], "12 report Compost quality in municipal schemes: 2018 survey");
  EXPECT_EQ(lines[5], "13 journal Rain water harvesting for small plots");
  EXPECT_EQ(lines[6], "14 internet Slugs and snails: organic control");
  EXPECT_EQ(lines[9], "17 book Self-watering seed tray");

  // Standard error names the skipped entry and what else happened.
  const std::string file = Sample("library.bib");
  EXPECT_NE(o.err.find("quillet-cli: import-references: " + file + ": line "), std::string::npos) << o.err;
  EXPECT_NE(o.err.find(", smith2001: skipped: a brace is not closed (in title)\n"), std::string::npos) << o.err;
  EXPECT_NE(o.err.find("tanaka2015: @inproceedings came in as Journal Article\n"), std::string::npos);
  EXPECT_NE(o.err.find("nsa2018: Abstract cut to 30000 characters"), std::string::npos);
  EXPECT_NE(o.err.find("kowalski2019: Author: \"Ł\" (U+0141) as \"L\""), std::string::npos);
  EXPECT_EQ(Lines(o.err).size(), 10u) << o.err;
  // The last line sums the import up.
  EXPECT_EQ(Lines(o.err).back(), "quillet-cli: import-references: " + file +
                                     ": 11 entries read, 10 added, 1 skipped, 3 fields moved to Notes, "
                                     "5 characters replaced")
      << o.err;

  const Loaded l = Load(store);
  const CTopicLinksRecord* links = l.Links(3);
  ASSERT_TRUE(links);
  EXPECT_EQ(links->memberIds, (std::vector<uint32_t>{4, 5, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17}));
  EXPECT_EQ(links->flags & kFlagModified, kFlagModified);
  const CCustomRecord* book = l.Ref(8);
  ASSERT_TRUE(book);
  EXPECT_EQ(book->customType, kCustomBook);
  EXPECT_EQ(book->fields[1], CpText("M\xFCller, Hans; Ga\xDFner, J\xF6rg; \xD8stergaard, Bj\xF8rn"));
  EXPECT_EQ(book->flags, kFlagNew);
  EXPECT_EQ(l.Ref(14)->fields[1], "https://example.org/advice/slugs_and_snails?print=1&ref=50%25_off"_cp);
  EXPECT_GE(l.Ref(12)->fields[3].size(), 29999u);  // cut to 30000, a blank it ends on gone
  EXPECT_LE(l.Ref(12)->fields[3].size(), 30000u);
  CRecord* settings = nullptr;
  ASSERT_EQ(l.store->FindById(0, &settings), DB_OK);
  EXPECT_EQ(RecordAs<CSettingsRecord>(settings)->lastRecordId, 17u);
}

TEST(CliImportReferences, RisFileIntoTheOtherTopic) {
  ScratchDir dir;
  const std::string store = TopicStore(dir);
  const Outcome o = Cli(dir, {"import-references", "--store", store, "--topic", "6", Sample("library.ris")});
  EXPECT_EQ(o.exit_code, 0) << o.err;
  const std::vector<std::string> lines = Lines(o.out);
  ASSERT_EQ(lines.size(), 10u);
  EXPECT_EQ(lines[0], "8 journal Nitrogen uptake in mixed cover crops");
  EXPECT_EQ(lines[2], "10 internet Companion planting chart");
  EXPECT_EQ(lines[4], "12 newspaper Council approves new allotment site");
  EXPECT_NE(o.err.find("\"An entry whose end went missing\": skipped: no end (ER) before the next entry"),
            std::string::npos)
      << o.err;
  const Loaded l = Load(store);
  EXPECT_EQ(l.Links(7)->memberIds.size(), 10u);
  EXPECT_EQ(l.Links(3)->memberIds, (std::vector<uint32_t>{4, 5}));
}

// Keys reach the terminal with their control characters written as \xNN,
// titles with them read as spaces: an entry cannot recolour, clear or
// retitle it.
TEST(CliImportReferences, ControlCharactersOfEntriesAreEscapedOnTheTerminal) {
  ScratchDir dir;
  const std::string store = TopicStore(dir);
  const std::string bib = dir.File("escapes.bib");
  {
    std::ofstream f(bib, std::ios::binary);
    f << "@book{k1, title={\x1b[31mRed\x1b]0;pwned\x07}, author={Lee, Ann}}\n"
         "@book{e\x1b[2J}\n";
  }
  const Outcome o = Cli(dir, {"import-references", "--store", store, "--topic", "6", bib});
  EXPECT_EQ(o.exit_code, 0) << o.err;
  EXPECT_EQ(o.out.find('\x1b'), std::string::npos) << o.out;
  EXPECT_EQ(o.err.find('\x1b'), std::string::npos) << o.err;
  EXPECT_EQ(o.out.find('\x07'), std::string::npos) << o.out;
  EXPECT_NE(o.out.find("book  [31mRed ]0;pwned \n"), std::string::npos) << o.out;
  EXPECT_NE(o.err.find("e\\x1b[2J: skipped"), std::string::npos) << o.err;
}

TEST(CliImportReferences, NothingIsSavedWhenTheFileOrTheTopicCannotBeUsed) {
  ScratchDir dir;
  const std::string store = TopicStore(dir);
  const Bytes before = ReadAll(store);

  // A damaged copy of a good file: one stray byte that is not UTF-8.
  Bytes damaged = ReadAll(Sample("library.bib"));
  damaged.insert(damaged.begin() + 2000, 0xFF);
  testing::WriteAll(dir.File("damaged.bib"), damaged);
  Outcome o = Cli(dir, {"import-references", "--store", store, "--topic", "2", dir.File("damaged.bib")});
  EXPECT_EQ(o.exit_code, 1);
  EXPECT_EQ(o.out, "");
  EXPECT_NE(o.err.find("damaged.bib was not read: it is not UTF-8 text (line "), std::string::npos) << o.err;
  EXPECT_NE(o.err.find("nothing was added"), std::string::npos);

  testing::WriteAll(dir.File("letter.ris"), Bytes{'D', 'e', 'a', 'r', ' ', 'A', 'n', 'n', '\n'});
  o = Cli(dir, {"import-references", "--store", store, "--topic", "2", dir.File("letter.ris")});
  EXPECT_EQ(o.exit_code, 1);

  o = Cli(dir, {"import-references", "--store", store, "--topic", "2", dir.File("missing.bib")});
  EXPECT_EQ(o.exit_code, 1);
  EXPECT_NE(o.err.find("missing.bib was not read: it cannot be read: No such file or directory"),
            std::string::npos)
      << o.err;

  // Not a topic: a note's id, an id nobody has.
  for (const char* id : {"4", "99"}) {
    o = Cli(dir, {"import-references", "--store", store, "--topic", id, Sample("library.bib")});
    EXPECT_EQ(o.exit_code, 1) << id;
    EXPECT_EQ(o.err, std::string("quillet-cli: import-references: record ") + id + " is not a topic\n");
  }
  EXPECT_EQ(ReadAll(store), before);

  // A store that does not load is not touched either.
  testing::WriteAll(dir.File("bad.dat"), Bytes{1, 2, 3});
  // Dated long ago, so the load need not wait to see whether it is still
  // being written.
  const struct timespec long_ago[2] = {{1000000000, 0}, {1000000000, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, dir.File("bad.dat").c_str(), long_ago, 0), 0);
  o = Cli(dir, {"import-references", "--store", dir.File("bad.dat"), "--topic", "2", Sample("library.bib")});
  EXPECT_EQ(o.exit_code, 1);
  EXPECT_EQ(ReadAll(dir.File("bad.dat")), (Bytes{1, 2, 3}));

  // A pipe at the store's path is refused at once, never waited on, and
  // stays a pipe.
  ASSERT_EQ(::mkfifo(dir.File("pipe.dat").c_str(), 0600), 0);
  o = Cli(dir, {"import-references", "--store", dir.File("pipe.dat"), "--topic", "2", Sample("library.bib")});
  EXPECT_EQ(o.exit_code, 1);
  EXPECT_NE(o.err.find("pipe.dat is not an ordinary file"), std::string::npos) << o.err;
  struct stat st;
  ASSERT_EQ(::lstat(dir.File("pipe.dat").c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

TEST(CliImportReferences, BadArgumentsExitTwo) {
  ScratchDir dir;
  const std::string store = TopicStore(dir);
  const std::string bib = Sample("library.bib");
  const std::vector<std::vector<std::string>> bad = {
      {"import-references", "--store", store, bib},
      {"import-references", "--topic", "2", bib},
      {"import-references", "--store", store, "--topic", "2"},
      {"import-references", "--store", store, "--topic", "two", bib},
      {"import-references", "--store", store, "--topic", "-2", bib},
      {"import-references", "--store", store, "--topic", "2", "--fast", bib},
      {"import-references", "--store", store, "--topic", "2", bib, bib},
      {"import-references", "--store", store, "--topic"},
  };
  for (const auto& args : bad) {
    const Outcome o = Cli(dir, args);
    EXPECT_EQ(o.exit_code, 2) << args.back() << " " << o.err;
    EXPECT_EQ(o.out, "");
  }
}

// A file of another name is read as what its text shows; one that shows
// neither format adds nothing.
TEST(CliImportReferences, AnyFileNameTheTextTellsTheFormat) {
  ScratchDir dir;
  const std::string store = TopicStore(dir);
  const std::string txt = dir.File("refs.txt");
  {
    std::ofstream f(txt, std::ios::binary);
    f << "TY  - BOOK\r\nTI  - From a text file\r\nER  - \r\n";
  }
  Outcome o = Cli(dir, {"import-references", "--store", store, "--topic", "6", txt});
  EXPECT_EQ(o.exit_code, 0) << o.err;
  EXPECT_NE(o.out.find(" book From a text file\n"), std::string::npos) << o.out;
  const std::string other = dir.File("other.txt");
  {
    std::ofstream f(other, std::ios::binary);
    f << "just words\n";
  }
  const Bytes before = ReadAll(store);
  o = Cli(dir, {"import-references", "--store", store, "--topic", "6", other});
  EXPECT_EQ(o.exit_code, 1);
  EXPECT_NE(o.err.find("it holds neither BibTeX entries nor RIS entries; nothing was added"), std::string::npos)
      << o.err;
  EXPECT_EQ(ReadAll(store), before);
}

TEST(CliExportReferences, ExportThenImportGivesTheSameKindsAndFields) {
  for (const char* format : {"bibtex", "ris"}) {
    ScratchDir dir;
    const std::string first = TopicStore(dir, "first.dat");
    ASSERT_EQ(Cli(dir, {"import-references", "--store", first, "--topic", "6", Sample("library.bib")}).exit_code, 0);
    ASSERT_EQ(Cli(dir, {"import-references", "--store", first, "--topic", "6", Sample("library.ris")}).exit_code, 0);

    const std::string out = dir.File(std::string("topic.") + (format[0] == 'b' ? "bib" : "ris"));
    Outcome o = Cli(dir, {"export-references", "--store", first, "--topic", "6", "--format", format, "-o", out});
    ASSERT_EQ(o.exit_code, 0) << o.err;
    EXPECT_EQ(o.out, "");

    const std::string second = TopicStore(dir, "second.dat");
    o = Cli(dir, {"import-references", "--store", second, "--topic", "2", out});
    ASSERT_EQ(o.exit_code, 0) << o.err;
    EXPECT_EQ(Lines(o.err).size(), 1u) << format << o.err;  // the summary alone
    EXPECT_NE(o.err.find(": 20 entries read, 20 added, 0 skipped, "), std::string::npos) << o.err;
    EXPECT_EQ(Lines(o.out).size(), 20u);

    const Loaded a = Load(first);
    const Loaded b = Load(second);
    const std::vector<uint32_t>& from = a.Links(7)->memberIds;
    const std::vector<uint32_t>& to = b.Links(3)->memberIds;
    ASSERT_EQ(from.size(), 20u);
    ASSERT_EQ(to.size(), 22u);
    for (size_t i = 0; i < from.size(); ++i) {
      const CCustomRecord* x = a.Ref(from[i]);
      const CCustomRecord* y = b.Ref(to[i + 2]);
      ASSERT_TRUE(x && y);
      EXPECT_EQ(y->customType, x->customType) << format << " " << i;
      EXPECT_EQ(y->fields, x->fields) << format << " " << i;
    }
  }
}

TEST(CliExportReferences, WholeStoreStandardOutputAndPrivateReferences) {
  ScratchDir dir;
  const std::string store = TopicStore(dir);
  Outcome o = Cli(dir, {"export-references", "--store", store, "--format", "ris"});
  EXPECT_EQ(o.exit_code, 0);
  EXPECT_EQ(o.out, "");  // the only reference is private
  o = Cli(dir, {"export-references", "--store", store, "--format", "bibtex", "--show-private"});
  EXPECT_EQ(o.exit_code, 0);
  EXPECT_EQ(o.out, "@book{me2020,\n  title = {My diary},\n  author = {Me},\n  year = {2020}\n}\n");

  o = Cli(dir, {"export-references", "--store", store, "--topic", "4", "--format", "ris"});
  EXPECT_EQ(o.exit_code, 1);
  EXPECT_EQ(o.err, "quillet-cli: export-references: record 4 is not a topic\n");
  o = Cli(dir, {"export-references", "--store", store, "--format", "xml"});
  EXPECT_EQ(o.exit_code, 2);
  o = Cli(dir, {"export-references", "--store", store, "--format", "ris", "-o", dir.path()});
  EXPECT_EQ(o.exit_code, 1);
  o = Cli(dir, {"export-references", "--format", "ris"});
  EXPECT_EQ(o.exit_code, 2);
}

}  // namespace
}  // namespace quillet
