// File > Import References... and Export References... on the current
// store: what is asked, what is told, what reaches the file.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "base/Strings.h"
#include "base/Translate.h"
#include "desktop/db/CurrentDatabase.h"
#include "desktop/records/ReferenceTransfer.h"
#include "desktop/shell/Commands.h"
#include "desktop/shell/EditPending.h"
#include "store/PrivateRecords.h"
#include "testing/WindowsTestSupport.h"

namespace quillet {
namespace {

using testing::StoreFixture;

std::string Sample(const char* name) {
  return std::string(QUILLET_SOURCE_DIR) + "/store/refexchange/tests/data/" + name;
}

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

class SelectTree : public ITopicTreeOps {
 public:
  std::vector<std::string> calls;
  void InsertMember(CRecord&) override {}
  void UpdateMember(const CRecord&) override {}
  void InsertTopic(const CTopicRecord&) override {}
  void UpdateTopic(const CTopicRecord&) override {}
  void RemoveItem(uint32_t) override {}
  void RefreshAndSelect(uint32_t id, bool expand) override {
    calls.push_back("select " + std::to_string(id) + (expand ? " expanded" : ""));
  }
  uint32_t CurrentTopic() const override { return 0; }
};

class ReferenceTransferTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(f.opened);
    f.host.tree = &tree;
    topic = f.AddTopic("Reading");
    note = f.AddNote(topic, "Read these first");
    ASSERT_EQ(pDB->Save(), DB_OK);
  }
  void TearDown() override { bEditPending = 0; }

  const std::string& LastMessage() const { return f.ui.messages.back().text; }

  StoreFixture f;
  SelectTree tree;
  uint32_t topic = 0;
  uint32_t note = 0;
};

// In another language every line of the report is translated, the file's
// own lines included, with the names and numbers in their places; the
// terminal's English (ToString, ReadSummary) stays as it was.
TEST_F(ReferenceTransferTest, TheImportReportIsInThePersonsLanguage) {
  const TranslateFn english = SetTranslator([](const char* context, const char* source) -> std::string {
    if (std::string(context) != "RefExchange" && std::string(context) != "ReferenceTransfer") return std::string();
    return "<" + std::string(source) + ">";
  });
  f.ui.filePaths = {Sample("library.ris")};
  EXPECT_TRUE(ImportReferencesCommand(topic));
  SetTranslator(english);
  ASSERT_EQ(f.ui.messages.size(), 1u);
  const std::string& text = LastMessage();
  EXPECT_EQ(text.rfind("<10 references from \"library.ris\" were added to \"Reading\".>\n\n", 0), 0u) << text;
  EXPECT_NE(text.find("<line 1, 17: <Author: <\"\u1EC5\" (U+1EC5) as \"e\">"), std::string::npos) << text;
  EXPECT_NE(text.find("<skipped: <no end (ER) before the next entry>>"), std::string::npos) << text;
  EXPECT_NE(text.find("<11 entries read>, <10 added>, <1 skipped>"), std::string::npos) << text;
  EXPECT_EQ(text.find("\nline "), std::string::npos) << text;  // no line left in English
}

TEST_F(ReferenceTransferTest, ImportAddsToTheTopicSavesAndShowsIt) {
  f.ui.filePaths = {Sample("library.ris")};
  EXPECT_TRUE(ImportReferencesCommand(topic));
  const std::vector<uint32_t> members = f.MembersOf(topic);
  ASSERT_EQ(members.size(), 11u);
  EXPECT_EQ(members[0], note);
  EXPECT_EQ(tree.calls, std::vector<std::string>{"select " + std::to_string(topic) + " expanded"});
  EXPECT_EQ(f.host.commands, std::vector<uint32_t>{CMD_VIEW_TOPIC});

  // The summary, with what happened to single entries; a character the
  // record cannot hold is shown once, as itself, with its number.
  ASSERT_EQ(f.ui.messages.size(), 1u);
  EXPECT_EQ(f.ui.messages[0].flags, kMbOk | kMbIconInformation);
  EXPECT_EQ(LastMessage().rfind("10 references from \"library.ris\" were added to \"Reading\".\n\n", 0), 0u)
      << LastMessage();
  EXPECT_NE(LastMessage().find("17: Author: \"\u1EC5\" (U+1EC5) as \"e\""), std::string::npos) << LastMessage();
  EXPECT_EQ(LastMessage().find("\"U+1EC5\""), std::string::npos) << LastMessage();
  EXPECT_NE(LastMessage().find("skipped: no end (ER) before the next entry"), std::string::npos);
  // It ends in the line that sums the import up.
  const std::string last = LastMessage().substr(LastMessage().rfind('\n') + 1);
  EXPECT_EQ(last.rfind("11 entries read, 10 added, 1 skipped, ", 0), 0u) << LastMessage();

  // Saved once, as it stands: the file holds them.
  ASSERT_TRUE(f.Reopen());
  ASSERT_EQ(f.MembersOf(topic).size(), 11u);
  const CCustomRecord* first = RecordAs<CCustomRecord>(FindRecord(members[1]));
  ASSERT_TRUE(first);
  EXPECT_EQ(first->customType, kCustomJournal);
  EXPECT_EQ(first->fields[0], "Nitrogen uptake in mixed cover crops"_cp);
}

TEST_F(ReferenceTransferTest, NothingHappensWithoutATopicAFileOrWhileEditing) {
  EXPECT_FALSE(ImportReferencesCommand(0));
  EXPECT_EQ(f.ui.messages.size(), 1u);
  EXPECT_NE(LastMessage().find("Select the topic"), std::string::npos);

  EXPECT_FALSE(ImportReferencesCommand(topic));  // the file dialog cancelled
  EXPECT_EQ(f.ui.messages.size(), 1u);

  bEditPending = 1;
  f.ui.filePaths = {Sample("library.bib")};
  EXPECT_FALSE(ImportReferencesCommand(topic));
  EXPECT_EQ(f.ui.MessageIds().back(), IDS_EDIT_PENDING);
  EXPECT_EQ(f.ui.filePaths.size(), 1u);  // not even asked
  EXPECT_FALSE(ImportReferenceFile(topic, Sample("library.bib")));
  bEditPending = 0;

  EXPECT_EQ(f.MembersOf(topic), std::vector<uint32_t>{note});
  EXPECT_TRUE(f.host.commands.empty());
  EXPECT_TRUE(tree.calls.empty());
}

TEST_F(ReferenceTransferTest, ADamagedFileAddsNothingAndSaysWhy) {
  const std::string damaged = f.output + "damaged.bib";
  std::string text = Slurp(Sample("library.bib"));
  text[text.find("Ulmer")] = '\xC0';
  std::ofstream(damaged, std::ios::binary) << text;
  const std::string before = Slurp(pDB->path());

  EXPECT_FALSE(ImportReferenceFile(topic, damaged));
  ASSERT_EQ(f.ui.messages.size(), 1u);
  EXPECT_EQ(LastMessage().rfind("\"damaged.bib\" could not be read: it is not UTF-8 text (line ", 0), 0u)
      << LastMessage();
  EXPECT_NE(LastMessage().find("Nothing was added."), std::string::npos);
  EXPECT_EQ(f.ui.messages[0].flags, kMbOk | kMbIconExclamation);
  EXPECT_EQ(f.MembersOf(topic), std::vector<uint32_t>{note});
  EXPECT_EQ(Slurp(pDB->path()), before);
  EXPECT_TRUE(f.host.commands.empty());
}

TEST_F(ReferenceTransferTest, ExportTheTopicsOrEveryReference) {
  const uint32_t other = f.AddTopic("Elsewhere");
  f.AddReference(topic, "Site one");
  const uint32_t secret = f.AddReference(topic, "Secret site");
  RecordAs<CCustomRecord>(FindRecord(secret))->isPrivate = 1;
  f.AddReference(other, "Site two");

  // Yes: only the topic's; private ones stay out while hidden.
  const std::string out = f.output + "reading.ris";
  f.ui.messageAnswers = {kIdYes};
  f.ui.filePaths = {out};
  EXPECT_TRUE(ExportReferencesCommand(topic));
  std::string text = Slurp(out);
  EXPECT_EQ(text, "TY  - ELEC\r\nTI  - Site one\r\nUR  - http://example.org/\r\nER  - \r\n\r\n");
  EXPECT_EQ(LastMessage(), "1 reference was written to \"" + out + "\".");

  // No: every reference, as BibTeX by the name; the file there is replaced
  // once the person agrees.
  const std::string all = f.output + "all.bib";
  std::ofstream(all) << "old";
  bShowPrivate = 1;
  f.ui.messageAnswers = {kIdNo, kIdYes};
  f.ui.filePaths = {all};
  EXPECT_TRUE(ExportReferencesCommand(topic));
  EXPECT_TRUE(f.ui.Showed(IDS_OVERWRITE_FILE));
  text = Slurp(all);
  EXPECT_NE(text.find("title = {Site one}"), std::string::npos) << text;
  EXPECT_NE(text.find("title = {Secret site}"), std::string::npos);
  EXPECT_NE(text.find("title = {Site two}"), std::string::npos);

  // Refusing to replace, or a name of no format, writes nothing.
  f.ui.messageAnswers = {kIdNo, kIdNo};
  f.ui.filePaths = {out};
  EXPECT_FALSE(ExportReferencesCommand(topic));
  EXPECT_EQ(Slurp(out).find("Secret"), std::string::npos);
  f.ui.messageAnswers = {kIdYes};
  f.ui.filePaths = {f.output + "reading.txt"};
  EXPECT_FALSE(ExportReferencesCommand(topic));
  EXPECT_NE(LastMessage().find("ending in .bib"), std::string::npos);

  // Cancel asks nothing more.
  f.ui.messageAnswers = {kIdCancel};
  f.ui.filePaths = {out};
  EXPECT_FALSE(ExportReferencesCommand(topic));
  EXPECT_EQ(f.ui.filePaths.size(), 1u);
}

TEST_F(ReferenceTransferTest, ExportOfATopicWithoutReferencesSaysSo) {
  f.ui.messageAnswers = {kIdYes};
  f.ui.filePaths = {f.output + "none.bib"};
  EXPECT_FALSE(ExportReferencesCommand(topic));
  EXPECT_EQ(LastMessage(), "\"Reading\" holds no references to export.");
  EXPECT_FALSE(StoreFixture::Exists(f.output + "none.bib"));
}

}  // namespace
}  // namespace quillet
