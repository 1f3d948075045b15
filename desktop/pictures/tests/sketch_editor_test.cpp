#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "base/Strings.h"
#include "desktop/db/CurrentDatabase.h"
#include "desktop/pictures/SketchEditor.h"
#include "imaging/FloatImage.h"
#include "imaging/tests/SketchBytes.h"
#include "store/PrivateRecords.h"
#include "testing/WindowsTestSupport.h"

namespace quillet {
namespace {

using testing::StoreFixture;

class TreeCalls : public ITopicTreeOps {
 public:
  std::vector<std::string> calls;
  void InsertMember(CRecord& r) override { calls.push_back("member " + std::to_string(r.recordId)); }
  void UpdateMember(const CRecord& r) override { calls.push_back("umember " + std::to_string(r.recordId)); }
  void InsertTopic(const CTopicRecord&) override {}
  void UpdateTopic(const CTopicRecord&) override {}
  void RemoveItem(uint32_t id) override { calls.push_back("remove " + std::to_string(id)); }
  void RefreshAndSelect(uint32_t, bool) override {}
  uint32_t CurrentTopic() const override { return 0; }
};

class SketchEditorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(f.opened);
    f.host.tree = &tree;
    topic = f.AddTopic("Field notes");
    bytes = testing::TestSketch();
    sketch = f.AddImage(topic, "Heron", bytes, kImageFormatSketch);
    CImageRecord* r = FindLiveSketch(sketch);
    ASSERT_NE(r, nullptr);
    r->width = 40;
    r->height = 30;
    ASSERT_EQ(pDB->Save(), DB_OK);
  }
  void TearDown() override { bShowPrivate = 0; }

  StoreFixture f;
  TreeCalls tree;
  uint32_t topic = 0;
  uint32_t sketch = 0;
  std::vector<uint8_t> bytes;
};

TEST_F(SketchEditorTest, ShowingDecodesDescribesAndWritesTheJpegFile) {
  CSketchEditor editor;
  ASSERT_TRUE(editor.ShowSketch(sketch));
  const CSketchEditor::View& v = editor.view();
  EXPECT_EQ(v.okStringId, IDS_UPDATE);
  EXPECT_EQ(v.title, "Heron"_cp);
  EXPECT_EQ(v.widthText, "40");
  EXPECT_EQ(v.heightText, "30");
  EXPECT_EQ(v.bytesText, std::to_string(bytes.size()));
  EXPECT_EQ(v.displayWidth, 40);
  EXPECT_EQ(v.displayHeight, 30);
  EXPECT_TRUE(v.picturePresent);
  ASSERT_NE(editor.section(), nullptr);
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x)
      ASSERT_EQ(editor.image().pixels()[y * 40 + x].red, testing::TestMark(x, y) ? 0.0f : 1.0f)
          << x << "," << y;

  // The record got a generated name, and the file is in the output folder.
  const std::string name = FindLiveSketch(sketch)->fileName;
  ASSERT_GE(name.size(), 5u);
  EXPECT_EQ(name.substr(name.size() - 4), ".jpg");
  EXPECT_EQ(editor.sketchFile(), f.output + name);
  FloatImage written;
  ASSERT_EQ(written.load(editor.sketchFile().c_str()), 0);
  EXPECT_EQ(written.width(), 40);
  EXPECT_EQ(written.height(), 30);
  EXPECT_LT(written.at(8, 8).red, 0.2f);   // inside the block
  EXPECT_GT(written.at(20, 20).red, 0.8f); // white paper
  EXPECT_TRUE(f.ui.messages.empty());
}

TEST_F(SketchEditorTest, OnlySketchesThatAreLiveAreShown) {
  CSketchEditor editor;
  const uint32_t picture = f.AddImage(topic, "Photo", testing::MakeJpeg(8, 8));
  EXPECT_FALSE(editor.ShowSketch(picture));
  FindLiveSketch(sketch)->flags |= kFlagDeleted;
  EXPECT_FALSE(editor.ShowSketch(sketch));
  EXPECT_EQ(editor.sketchId(), 0u);
  EXPECT_EQ(editor.view().okStringId, IDS_ADD);
  EXPECT_FALSE(editor.view().picturePresent);
}

TEST_F(SketchEditorTest, OkSavesTitleAndFlagsInTheCommonOrderAndKeepsTheBytes) {
  CSketchEditor editor;
  ASSERT_TRUE(editor.ShowSketch(sketch));
  editor.NoteTitleChanged();
  ASSERT_TRUE(editor.Ok("Grey heron\r"_cp, false));
  EXPECT_EQ(tree.calls, std::vector<std::string>{"umember " + std::to_string(sketch)});
  EXPECT_EQ(f.host.commands, std::vector<uint32_t>{3072});
  EXPECT_EQ(f.host.imageListRefreshes, 1);
  EXPECT_TRUE(f.ui.messages.empty());

  // Cleared: no sketch, "Add", a 320 x 320 frame with no picture.
  EXPECT_EQ(editor.sketchId(), 0u);
  EXPECT_EQ(editor.view().okStringId, IDS_ADD);
  EXPECT_EQ(editor.view().title, ""_cp);
  EXPECT_EQ(editor.view().displayWidth, 320);
  EXPECT_EQ(editor.view().displayHeight, 320);
  EXPECT_EQ(editor.image().pixels(), nullptr);

  ASSERT_TRUE(f.Reopen());
  CImageRecord* stored = FindLiveSketch(sketch);
  ASSERT_NE(stored, nullptr);
  EXPECT_EQ(stored->title, "Grey heron"_cp);
  EXPECT_NE(stored->flags & kFlagModified, 0u);
  EXPECT_EQ(stored->data, bytes);
  EXPECT_FALSE(stored->fileName.empty());  // the generated name was kept
}

TEST_F(SketchEditorTest, AnOverlongTitleIsToldAndCutTo256) {
  CSketchEditor editor;
  ASSERT_TRUE(editor.ShowSketch(sketch));
  editor.NoteTitleChanged();
  ASSERT_TRUE(editor.Ok(CpText(std::string(257, 't')), false));
  ASSERT_EQ(f.ui.MessageIds(), std::vector<int>{IDS_TEXT_TOO_LONG});
  EXPECT_NE(f.ui.messages[0].text.find("256"), std::string::npos);
  ASSERT_TRUE(f.Reopen());
  EXPECT_EQ(FindLiveSketch(sketch)->title, CpText(std::string(256, 't')));

  // Exactly at the limit: no message.
  f.ui.messages.clear();
  ASSERT_TRUE(editor.ShowSketch(sketch));
  ASSERT_TRUE(editor.Ok(CpText(std::string(256, 'u')), false));
  EXPECT_TRUE(f.ui.messages.empty());
}

TEST_F(SketchEditorTest, NothingIsSavedBeforeTheTitleReportedAChangeOrWithoutASketch) {
  CSketchEditor editor;
  EXPECT_FALSE(editor.Ok("orphan"_cp, false));  // cleared: nothing shown
  ASSERT_TRUE(editor.ShowSketch(sketch));
  EXPECT_FALSE(editor.Ok("not yet"_cp, false));
  EXPECT_TRUE(f.host.commands.empty());
  ASSERT_TRUE(f.Reopen());
  EXPECT_EQ(FindLiveSketch(sketch)->title, "Heron"_cp);
}

TEST_F(SketchEditorTest, TurningPrivateWhileHiddenTakesTheTreeItemAway) {
  bShowPrivate = 0;
  CSketchEditor editor;
  ASSERT_TRUE(editor.ShowSketch(sketch));
  editor.NoteTitleChanged();
  ASSERT_TRUE(editor.Ok("Heron"_cp, true));
  EXPECT_EQ(tree.calls, (std::vector<std::string>{"remove " + std::to_string(sketch),
                                                   "umember " + std::to_string(sketch)}));
  ASSERT_TRUE(f.Reopen());
  EXPECT_EQ(FindRecord(sketch)->isPrivate, 1u);
}

TEST_F(SketchEditorTest, AFailedSaveIsToldAndTheWindowKeepsItsSketch) {
  CSketchEditor editor;
  ASSERT_TRUE(editor.ShowSketch(sketch));
  editor.NoteTitleChanged();
  std::filesystem::remove_all(f.output);
  EXPECT_FALSE(editor.Ok("lost?"_cp, false));
  EXPECT_EQ(f.ui.MessageIds(), std::vector<int>{IDS_SAVE_FAILED});
  EXPECT_TRUE(f.host.commands.empty());
  EXPECT_EQ(editor.sketchId(), sketch);
  EXPECT_TRUE(editor.view().picturePresent);
}

TEST_F(SketchEditorTest, CancelSendsTheViewCommandAndChangesNothing) {
  CSketchEditor editor;
  ASSERT_TRUE(editor.ShowSketch(sketch));
  editor.Cancel();
  EXPECT_EQ(f.host.commands, std::vector<uint32_t>{3072});
  ASSERT_TRUE(f.Reopen());
  EXPECT_EQ(FindLiveSketch(sketch)->title, "Heron"_cp);
}

TEST_F(SketchEditorTest, AFileNameThatLeavesTheOutputFolderWritesNothing) {
  const std::filesystem::path outside = std::filesystem::path(f.output).parent_path().parent_path() / "x.jpg";
  FindLiveSketch(sketch)->fileName = "../x.jpg";
  CSketchEditor editor;
  ASSERT_TRUE(editor.ShowSketch(sketch));
  EXPECT_TRUE(editor.view().picturePresent);  // still shown
  EXPECT_EQ(editor.sketchFile(), "");
  EXPECT_FALSE(std::filesystem::exists(outside));
}

}  // namespace
}  // namespace quillet
