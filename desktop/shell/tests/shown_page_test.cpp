#include <gtest/gtest.h>

#include "desktop/shell/ShownPage.h"
#include "store/RecordKinds.h"
#include "store/RecordStore.h"

namespace quillet {
namespace {

CTopicRecord* AddTopic(CRecordStore& store, uint32_t id, const std::string& fileName) {
  auto t = std::make_unique<CTopicRecord>();
  t->recordId = id;
  t->fileName = fileName;
  CTopicRecord* raw = t.get();
  EXPECT_EQ(store.AddNew(std::move(t)), DB_OK);
  return raw;
}

TEST(ShownPage, AReportPageNamesItsLiveTopic) {
  CRecordStore store("quillet.dat", "/nowhere/");
  AddTopic(store, 3, "garden.htm");
  AddTopic(store, 4, "Caf\xE9.htm");  // the code page's name, UTF-8 on disk
  AddTopic(store, 5, "../escape.htm");
  AddTopic(store, 6, "gone.htm")->flags |= kFlagDeleted;
  const std::string out = "/home/ann/Quillet/";
  EXPECT_EQ(TopicOfReportPage(store, out, out + "garden.htm"), 3u);
  EXPECT_EQ(TopicOfReportPage(store, out, out + "Caf\xC3\xA9.htm"), 4u);
  // Not a report: another folder, a name no topic has, a deleted topic's
  // page, a name that would lead out of the folder, no output folder.
  EXPECT_EQ(TopicOfReportPage(store, out, "/elsewhere/garden.htm"), 0u);
  EXPECT_EQ(TopicOfReportPage(store, out, out + "main.htm"), 0u);
  EXPECT_EQ(TopicOfReportPage(store, out, out + "gone.htm"), 0u);
  EXPECT_EQ(TopicOfReportPage(store, out, "/home/ann/escape.htm"), 0u);
  EXPECT_EQ(TopicOfReportPage(store, out, out), 0u);
  EXPECT_EQ(TopicOfReportPage(store, "", "garden.htm"), 0u);
}

TEST(ShownPage, TitleNamesThePalmUser) {
  EXPECT_EQ(MainWindowTitle("Demo User"), "Quillet! - Demo User");
  EXPECT_EQ(MainWindowTitle(""), "Quillet!");
}

TEST(ShownPage, SuggestedNameComesFromTheTitle) {
  EXPECT_EQ(SuggestedFileName("Garden plans", ".htm"), "Garden plans.htm");
  EXPECT_EQ(SuggestedFileName("Trip: 2004/05 \"best\"?\nsecond line", ".htm"), "Trip_ 2004_05 _best__.htm");
  EXPECT_EQ(SuggestedFileName(" .hidden. ", ".htm"), "hidden.htm");
  EXPECT_EQ(SuggestedFileName("", ".htm"), "Report.htm");
  EXPECT_EQ(SuggestedFileName("...", ".htm"), "Report.htm");
  EXPECT_EQ(SuggestedFileName("Caf\xE9\tbar", ".htm"), "Caf\xE9_bar.htm");
  EXPECT_EQ(SuggestedFileName(std::string(300, 'x'), ".pdf"), std::string(100, 'x') + ".pdf");
}

}  // namespace
}  // namespace quillet
