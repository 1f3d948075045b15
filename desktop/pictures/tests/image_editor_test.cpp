// The image window's logic over a real store: opening and placing a
// picture, the three sizes, Fit, dragging, the 60000-byte rule, the title
// limit, OK's order, Cancel, Preview, and records whose bytes are damaged.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>

#include "base/AppPaths.h"
#include "base/RegistryKey.h"
#include "base/Strings.h"
#include "desktop/db/CurrentDatabase.h"
#include "desktop/pictures/ImageEditor.h"
#include "desktop/shell/Desktop.h"
#include "desktop/shell/EditPending.h"
#include "imaging/DibPixels.h"
#include "imaging/FloatImage.h"
#include "imaging/JpegFile.h"
#include "imaging/tests/PictureSupport.h"
#include "imaging/tests/TestSupport.h"
#include "reports/ReportPaths.h"
#include "store/PrivateRecords.h"
#include "testing/RecordingDesktop.h"
#include "testing/WindowsTestSupport.h"

namespace quillet {
namespace {

using testing::EncodeJpeg;
using testing::Scene;
using testing::StoreFixture;

// Inserted members join the current topic as the real tree makes them.
class MemberTree : public ITopicTreeOps {
 public:
  std::vector<std::string> calls;
  uint32_t current = 0;
  void InsertMember(CRecord& r) override {
    calls.push_back("member " + std::to_string(r.recordId));
    if (current != 0) FindLinksOfTopic(FindTopic(current))->memberIds.push_back(r.recordId);
  }
  void UpdateMember(const CRecord& r) override { calls.push_back("umember " + std::to_string(r.recordId)); }
  void InsertTopic(const CTopicRecord&) override {}
  void UpdateTopic(const CTopicRecord&) override {}
  void RemoveItem(uint32_t id) override { calls.push_back("remove " + std::to_string(id)); }
  void RefreshAndSelect(uint32_t, bool) override {}
  uint32_t CurrentTopic() const override { return current; }
};

class ImageEditorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(f.opened);
    f.host.tree = &tree;
    topic = f.AddTopic("Garden");
    tree.current = topic;
    ASSERT_EQ(pDB->Save(), DB_OK);
    const char* cache = std::getenv("XDG_CACHE_HOME");
    old_cache_ = cache ? cache : "";
    had_cache_ = cache != nullptr;
    ::setenv("XDG_CACHE_HOME", (f.registry.dir() + "cache").c_str(), 1);
    previous_desktop_ = SetDesktop(&desktop);
  }
  void TearDown() override {
    SetDesktop(previous_desktop_);
    if (had_cache_) ::setenv("XDG_CACHE_HOME", old_cache_.c_str(), 1);
    else ::unsetenv("XDG_CACHE_HOME");
    bEditPending = 0;
    bShowPrivate = 0;
  }

  // A picture file in the scratch folder.
  std::string PictureFile(const std::string& name, const RgbPicture& p, int quality = 92) {
    const std::string path = dir.File(name);
    EXPECT_TRUE(testing::WriteBytes(path, EncodeJpeg(p, quality)));
    return path;
  }
  std::vector<uint8_t> StoreBytes() const { return testing::ReadBytes(f.output + "quillet.dat"); }

  StoreFixture f;
  MemberTree tree;
  RecordingDesktop desktop;
  testing::ScratchDir dir;
  uint32_t topic = 0;

 private:
  IDesktop* previous_desktop_ = nullptr;
  std::string old_cache_;
  bool had_cache_ = false;
};

TEST_F(ImageEditorTest, OpenFitOkStoresTheFrameAsTheRecordAndItsFile) {
  CImageEditor editor;
  editor.NewImage();
  ASSERT_TRUE(editor.isNew());
  const uint32_t id = editor.imageId();
  EXPECT_NE(id, 0u);
  // A new picture has no title until the person or a file gives it one.
  EXPECT_EQ(editor.view().title, CpText());
  EXPECT_EQ(editor.pendingImage()->title, CpText());
  EXPECT_EQ(editor.view().okStringId, IDS_ADD);
  EXPECT_FALSE(editor.view().okEnabled);  // nothing to store yet
  EXPECT_FALSE(editor.Ok("x"_cp, false));
  const std::string name = editor.pendingImage()->fileName;
  ASSERT_TRUE(IsPlainFileName(name));

  // A line break or tab in the file's name is a space in the title.
  f.ui.filePaths.push_back(PictureFile("Two\nlines\tand\rmore.jpg", Scene(64, 40)));
  ASSERT_TRUE(editor.OpenWithDialog());
  EXPECT_EQ(editor.view().title, "Two lines and more"_cp);

  f.ui.filePaths.push_back(PictureFile("Sunflowers.jpg", Scene(640, 400)));
  ASSERT_TRUE(editor.OpenWithDialog());
  EXPECT_EQ(editor.view().title, "Sunflowers"_cp);
  EXPECT_FLOAT_EQ(editor.placement().zoom, 1.0f);
  EXPECT_EQ(editor.view().zoomPosition, 100);
  EXPECT_TRUE(editor.view().okEnabled);
  EXPECT_TRUE(editor.view().picturePresent);
  editor.SetSizeIndex(2);
  editor.Fit();
  EXPECT_FLOAT_EQ(editor.placement().zoom, 0.5f);
  EXPECT_EQ(editor.view().zoomPosition, 50);
  const std::vector<uint8_t> frame = editor.Frame();
  ASSERT_EQ(frame.size(), 320u * 480 * 3);

  bEditPending = 1;
  ASSERT_TRUE(editor.Ok("Sunflowers"_cp, false));
  EXPECT_EQ(tree.calls, std::vector<std::string>{"member " + std::to_string(id)});
  EXPECT_EQ(f.host.commands, std::vector<uint32_t>{3072});
  EXPECT_GE(f.host.imageListRefreshes, 1);
  EXPECT_EQ(bEditPending, 0);
  EXPECT_TRUE(f.ui.messages.empty());
  EXPECT_EQ(editor.imageId(), 0u);  // cleared
  EXPECT_FALSE(editor.view().frameShown);
  uint32_t lastSize = 9;
  CRegistryKey key;
  key.OpenProgramKey("Ann/");
  key.ReadValueDword("LastImageSize", &lastSize);
  EXPECT_EQ(lastSize, 2u);

  ASSERT_TRUE(f.Reopen());
  CImageRecord* image = FindLivePicture(id);
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->title, "Sunflowers"_cp);
  EXPECT_EQ(image->format, kImageFormatJpeg);
  EXPECT_EQ(image->width, 320u);
  EXPECT_EQ(image->height, 480u);
  EXPECT_EQ(image->fileName, name);
  EXPECT_EQ(image->flags & kFlagNew, kFlagNew);
  EXPECT_LE(image->dataSize(), kMaxPictureBytes);
  EXPECT_EQ(f.MembersOf(topic), std::vector<uint32_t>{id});
  // The record decodes to exactly the display size and shows the frame.
  int w = 0, h = 0;
  RgbBuffer stored = JpegFile::read_rgb_memory(image->data.data(), image->data.size(), &w, &h);
  ASSERT_TRUE(stored);
  EXPECT_EQ(w, 320);
  EXPECT_EQ(h, 480);
  EXPECT_LT(testing::MeanDiff(stored.get(), frame.data(), frame.size()), 3.0);
  // Below the fitted picture (640 x 400 at 0.5 is 320 x 200) the frame is black.
  EXPECT_LT(stored[(static_cast<size_t>(300) * 320 + 100) * 3], 16);
  // The picture file: the same frame at quality 100.
  RgbBuffer file = JpegFile::read_rgb((f.output + name).c_str(), &w, &h);
  ASSERT_TRUE(file);
  EXPECT_EQ(w, 320);
  EXPECT_EQ(h, 480);
  EXPECT_LT(testing::MeanDiff(file.get(), frame.data(), frame.size()), 1.5);
  EXPECT_GT(std::filesystem::file_size(f.output + name), image->data.size());
}

TEST(ZoomPositionTest, EveryTrackbarPositionShowsItselfAgain) {
  for (int p = kMinZoomPosition; p <= kMaxZoomPosition; ++p) EXPECT_EQ(ZoomPosition(ZoomOfPosition(p)), p);
  EXPECT_EQ(ZoomPosition(320.0f / 300.0f), 106);  // otherwise truncated
  EXPECT_EQ(ZoomPosition(0.004f), kMinZoomPosition);
  EXPECT_EQ(ZoomPosition(5.0f), kMaxZoomPosition);
}

TEST_F(ImageEditorTest, FitShowsTheWholePictureBySmallerRatio) {
  struct Case {
    int w, h, size;
    float zoom;
  } cases[] = {
      {100, 50, 1, 3.2f},  // the frame's width
      {50, 100, 1, 3.2f},  // the frame's height
      {200, 200, 2, 1.6f}, // square in 320 x 480: the smaller ratio
      {4000, 3000, 2, 0.08f},
      // Taller than the frame's shape: by width, so nothing is cut off at
      // the right.
      {300, 400, 2, 320.0f / 300.0f},
  };
  for (const Case& c : cases) {
    CImageEditor editor;
    editor.NewImage();
    std::vector<uint8_t> rgb(static_cast<size_t>(c.w) * c.h * 3, 200);
    ASSERT_TRUE(editor.Paste(RgbToDib(c.w, c.h, rgb.data())));
    editor.SetSizeIndex(c.size);
    editor.Fit();
    EXPECT_FLOAT_EQ(editor.placement().zoom, c.zoom) << c.w << "x" << c.h;
    EXPECT_EQ(editor.view().zoomPosition, std::clamp(static_cast<int>(c.zoom * 100), 1, 200));
    // The picture reaches the frame's right or bottom edge, and its far
    // corner is in the frame: nothing is cut off.
    const std::vector<uint8_t>& frame = editor.Frame();
    const int fw = editor.placement().frameWidth;
    const int shownW = std::min(fw, static_cast<int>(c.w * c.zoom + 0.5f));
    const int shownH = std::min(editor.placement().frameHeight, static_cast<int>(c.h * c.zoom + 0.5f));
    EXPECT_TRUE(shownW == fw || shownH == editor.placement().frameHeight);
    EXPECT_EQ(frame[(static_cast<size_t>(shownH - 2) * fw + shownW - 2) * 3], 200) << c.w << "x" << c.h;
  }
  // 100 x 50 at 3.2 fills the frame's whole width: its last column too.
  CImageEditor editor;
  editor.NewImage();
  std::vector<uint8_t> rgb(100 * 50 * 3, 90);
  ASSERT_TRUE(editor.Paste(RgbToDib(100, 50, rgb.data())));
  editor.Fit();
  EXPECT_EQ(editor.Frame()[(static_cast<size_t>(10) * 320 + 319) * 3], 90);
}

TEST_F(ImageEditorTest, TheLimitRefusesOverSixtyThousandBytesAndChangesNothing) {
  EXPECT_TRUE(PictureFitsRecord(60000));
  EXPECT_FALSE(PictureFitsRecord(60001));
  const std::string text = PictureTooLargeText(60001);
  EXPECT_EQ(text.rfind(LoadString(IDS_IMAGE_TOO_LARGE).bytes(), 0), 0u);
  EXPECT_NE(text.find("\"Quality\""), std::string::npos);
  EXPECT_EQ(text.substr(text.size() - 14), ": 60001 bytes.");

  const std::vector<uint8_t> before = StoreBytes();
  CImageEditor editor;
  editor.NewImage();
  const RgbPicture noise = testing::Noise(320, 320);
  ASSERT_TRUE(editor.Paste(RgbToDib(320, 320, noise.rgb.data())));
  editor.SetQuality(100);
  EXPECT_EQ(editor.view().qualityText, "100%");
  // Preview says so before OK does, with the size OK finds below.
  ASSERT_TRUE(editor.Preview());
  const std::string previewed = editor.view().previewText;
  EXPECT_EQ(previewed.rfind("Preview: ", 0), 0u);
  EXPECT_NE(previewed.find(" bytes, over the 60000-byte limit: lower the Quality to store it."),
            std::string::npos);
  EXPECT_FALSE(editor.Ok("Static"_cp, true));
  ASSERT_EQ(f.ui.messages.size(), 1u);
  const MessageRequest& m = f.ui.messages[0];
  EXPECT_EQ(m.stringId, IDS_IMAGE_TOO_LARGE);
  EXPECT_EQ(m.caption, "Quillet");
  EXPECT_EQ(m.flags, static_cast<unsigned>(kMbOk | kMbIconInformation));
  // The size told is the JPEG's own: well over the limit, whole digits.
  const size_t at = m.text.rfind(": ");
  const size_t told = std::stoul(m.text.substr(at + 2));
  EXPECT_GT(told, 150000u);
  EXPECT_EQ(previewed.substr(0, previewed.find(" bytes")), "Preview: " + std::to_string(told));
  EXPECT_EQ(m.text.substr(m.text.size() - 7), " bytes.");
  // Nothing was stored and the window keeps its state.
  EXPECT_EQ(StoreBytes(), before);
  EXPECT_TRUE(editor.isNew());
  EXPECT_EQ(editor.view().quality, 100);
  EXPECT_TRUE(f.host.commands.empty());
  EXPECT_EQ(pDB->CountLive(kKindImage), 0u);

  // Lower quality: it fits now.
  editor.SetQuality(20);
  ASSERT_TRUE(editor.Ok("Static"_cp, false));
  EXPECT_EQ(pDB->CountLive(kKindImage), 1u);
}

TEST_F(ImageEditorTest, ARefusedUpdateLeavesTheStoredRecordAsItWas) {
  const std::vector<uint8_t> bytes = EncodeJpeg(Scene(320, 320), 70);
  const uint32_t id = f.AddImage(topic, "Bench", bytes, kImageFormatJpeg, "bench.jpg");
  FindLivePicture(id)->width = FindLivePicture(id)->height = 320;
  ASSERT_EQ(pDB->Save(), DB_OK);
  CImageEditor editor;
  ASSERT_TRUE(editor.ShowImage(id));
  const RgbPicture noise = testing::Noise(320, 320);
  ASSERT_TRUE(editor.Paste(RgbToDib(320, 320, noise.rgb.data())));
  editor.SetQuality(100);
  EXPECT_FALSE(editor.Ok("Renamed"_cp, true));
  const CImageRecord* image = FindLivePicture(id);
  EXPECT_EQ(image->data, bytes);
  EXPECT_EQ(image->title, "Bench"_cp);
  EXPECT_EQ(image->isPrivate, 0u);
  EXPECT_TRUE(tree.calls.empty());
}

TEST_F(ImageEditorTest, ALongTitleIsCutWithTheMessage) {
  CImageEditor editor;
  editor.NewImage();
  const RgbPicture p = Scene(160, 160);
  ASSERT_TRUE(editor.Paste(RgbToDib(160, 160, p.rgb.data())));
  const uint32_t id = editor.imageId();
  // 257 characters as stored: the carriage return does not count.
  const std::string title = std::string(250, 'a') + "\r\n" + std::string(6, 'b');
  ASSERT_EQ(title.size(), 258u);
  ASSERT_TRUE(editor.Ok(CpText(title), false));
  ASSERT_EQ(f.ui.messages.size(), 1u);
  EXPECT_EQ(f.ui.messages[0].stringId, IDS_TEXT_TOO_LONG);
  EXPECT_NE(f.ui.messages[0].text.find("Title contains more than 256 characters"), std::string::npos);
  // The carriage return taken out, then cut to 256.
  EXPECT_EQ(FindLivePicture(id)->title, CpText(std::string(250, 'a') + "\n" + std::string(5, 'b')));
}

TEST_F(ImageEditorTest, StoredHeightsChooseTheListEntry) {
  struct Case {
    uint32_t width, height;
    int index;
    const char* text;
  } cases[] = {{320, 480, 2, "(320x480)"}, {320, 200, 1, "(320x320)"}, {160, 160, 0, "(160x160)"},
               {160, 161, 1, "(320x320)"}};
  for (const Case& c : cases) {
    const uint32_t id = f.AddImage(topic, "p", EncodeJpeg(Scene(c.width, c.height), 70));
    FindLivePicture(id)->width = c.width;
    FindLivePicture(id)->height = c.height;
    CImageEditor editor;
    ASSERT_TRUE(editor.ShowImage(id));
    EXPECT_EQ(editor.view().sizeIndex, c.index) << c.height;
    EXPECT_EQ(std::string(kDisplaySizes[editor.view().sizeIndex].text), c.text);
    EXPECT_EQ(editor.view().displayWidth, kDisplaySizes[c.index].width);
    EXPECT_EQ(editor.view().displayHeight, kDisplaySizes[c.index].height);
    EXPECT_EQ(editor.view().okStringId, IDS_UPDATE);
    EXPECT_TRUE(editor.view().okEnabled);
  }
}

TEST_F(ImageEditorTest, PastingWithoutAPictureLeavesTheFrameAsItWas) {
  CImageEditor editor;
  editor.NewImage();
  const RgbPicture p = Scene(50, 40);
  ASSERT_TRUE(editor.Paste(RgbToDib(50, 40, p.rgb.data())));
  editor.SetZoomPosition(150);
  const uint64_t serial = editor.view().frameSerial;
  const std::vector<uint8_t> frame = editor.Frame();
  EXPECT_FALSE(editor.Paste(PackedDib()));
  EXPECT_EQ(editor.view().frameSerial, serial);
  EXPECT_EQ(editor.Frame(), frame);
  EXPECT_FLOAT_EQ(editor.placement().zoom, 1.5f);
  EXPECT_TRUE(f.ui.messages.empty());
  // Copy hands back the whole picture.
  int w = 0, h = 0;
  std::vector<uint8_t> copied;
  ASSERT_TRUE(DibToRgb(editor.Copy(), &w, &h, &copied));
  EXPECT_EQ(copied, p.rgb);
}

TEST_F(ImageEditorTest, ARecordThatDoesNotDecodeIsKeptAndShownBlack) {
  std::vector<uint8_t> damaged = {0xFF, 0xD8, 0xFF, 0xDB, 0x00, 0x43, 0x13, 0x37};
  const uint32_t id = f.AddImage(topic, "Lost", damaged, kImageFormatJpeg, "lost.jpg");
  FindLivePicture(id)->width = FindLivePicture(id)->height = 320;
  ASSERT_EQ(pDB->Save(), DB_OK);
  testing::StoreFixture::Touch(f.output + "lost.jpg");
  const std::vector<uint8_t> before = StoreBytes();

  CImageEditor editor;
  ASSERT_TRUE(editor.ShowImage(id));
  ASSERT_EQ(f.ui.messages.size(), 1u);
  EXPECT_EQ(f.ui.messages[0].stringId, IDS_CANT_LOAD_IMAGE);
  EXPECT_EQ(f.ui.messages[0].text, "Unable to load image file.");
  EXPECT_EQ(f.ui.messages[0].flags, static_cast<unsigned>(kMbOk | kMbIconInformation));
  EXPECT_TRUE(editor.noPicture());
  EXPECT_FALSE(editor.view().picturePresent);
  EXPECT_FALSE(editor.view().okEnabled);
  const std::vector<uint8_t>& frame = editor.Frame();
  EXPECT_TRUE(std::all_of(frame.begin(), frame.end(), [](uint8_t b) { return b == 0; }));
  EXPECT_FALSE(editor.Ok("Lost"_cp, false));
  // The record stays live and unchanged, the file and the store too.
  const CImageRecord* image = FindLivePicture(id);
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->flags & kFlagDeleted, 0u);
  EXPECT_EQ(image->data, damaged);
  EXPECT_EQ(StoreBytes(), before);
  EXPECT_TRUE(testing::StoreFixture::Exists(f.output + "lost.jpg"));
}

TEST_F(ImageEditorTest, AnUntouchedPictureKeepsItsBytesAndAChangedOneIsEncodedAgain) {
  const std::vector<uint8_t> bytes = EncodeJpeg(Scene(320, 320), 75);
  const uint32_t id = f.AddImage(topic, "Pond", bytes, kImageFormatJpeg, "pond.jpg");
  FindLivePicture(id)->width = FindLivePicture(id)->height = 320;
  CImageEditor editor;
  ASSERT_TRUE(editor.ShowImage(id));
  EXPECT_EQ(editor.view().bytesText, std::to_string(bytes.size()));
  ASSERT_TRUE(editor.Ok("Pond in May"_cp, false));
  EXPECT_EQ(FindLivePicture(id)->data, bytes);
  EXPECT_EQ(FindLivePicture(id)->title, "Pond in May"_cp);
  EXPECT_EQ(FindLivePicture(id)->flags & kFlagModified, kFlagModified);
  EXPECT_EQ(tree.calls.back(), "umember " + std::to_string(id));
  EXPECT_TRUE(testing::StoreFixture::Exists(f.output + "pond.jpg"));

  ASSERT_TRUE(editor.ShowImage(id));
  editor.SetQuality(30);
  ASSERT_TRUE(editor.Ok("Pond in May"_cp, false));
  EXPECT_NE(FindLivePicture(id)->data, bytes);
  EXPECT_LT(FindLivePicture(id)->dataSize(), bytes.size());
}

TEST_F(ImageEditorTest, CancelDropsTheNewPictureAndAModeChangeDiscardsIt) {
  CImageEditor editor;
  editor.NewImage();
  const RgbPicture p = Scene(40, 40);
  ASSERT_TRUE(editor.Paste(RgbToDib(40, 40, p.rgb.data())));
  editor.Cancel();
  EXPECT_FALSE(editor.isNew());
  EXPECT_EQ(editor.pendingImage(), nullptr);
  EXPECT_EQ(f.host.commands, std::vector<uint32_t>{3072});
  EXPECT_EQ(pDB->CountLive(kKindImage), 0u);
  editor.NewImage();
  EXPECT_TRUE(editor.DiscardPending());
  EXPECT_FALSE(editor.DiscardPending());
}

TEST_F(ImageEditorTest, APastedPictureDoesNotKeepTheOpenedFilesTitle) {
  EXPECT_EQ(PreviewSizeText(60000), "Preview: 60000 bytes, within the 60000-byte limit.");
  EXPECT_EQ(PreviewSizeText(60001),
            "Preview: 60001 bytes, over the 60000-byte limit: lower the Quality to store it.");
  CImageEditor editor;
  editor.NewImage();
  ASSERT_TRUE(editor.OpenFile(PictureFile("Sunflowers.jpg", Scene(64, 40))));
  EXPECT_EQ(editor.view().title, "Sunflowers"_cp);
  const int serial = editor.view().titleSerial;
  const RgbPicture p = Scene(50, 40);
  ASSERT_TRUE(editor.Paste(RgbToDib(50, 40, p.rgb.data())));
  EXPECT_EQ(editor.view().title, CpText());
  EXPECT_NE(editor.view().titleSerial, serial);  // the window is told to show it
  // A second paste leaves the title alone: the window may hold a typed one.
  const int pastedSerial = editor.view().titleSerial;
  ASSERT_TRUE(editor.Paste(RgbToDib(50, 40, p.rgb.data())));
  EXPECT_EQ(editor.view().titleSerial, pastedSerial);

  // A stored picture's own title stays when a picture is pasted over it.
  const uint32_t id = f.AddImage(topic, "Garden gate", EncodeJpeg(Scene(160, 160), 70));
  ASSERT_TRUE(editor.ShowImage(id));
  EXPECT_EQ(editor.view().title, "Garden gate"_cp);
  ASSERT_TRUE(editor.Paste(RgbToDib(50, 40, p.rgb.data())));
  EXPECT_EQ(editor.view().title, "Garden gate"_cp);
}

TEST_F(ImageEditorTest, PreviewWritesTheCacheFileOpensItAndRemovesItAtTheEnd) {
  const std::string cacheFile = f.registry.dir() + "cache/quillet/" + kPreviewFileName;
  {
    CImageEditor editor;
    editor.NewImage();
    EXPECT_FALSE(editor.Preview());  // no picture
    EXPECT_EQ(f.ui.MessageIds(), std::vector<int>{IDS_NO_FILE_SAVED});
    const RgbPicture p = Scene(400, 300);
    ASSERT_TRUE(editor.Paste(RgbToDib(400, 300, p.rgb.data())));
    editor.SetSizeIndex(0);
    editor.Fit();
    EXPECT_EQ(editor.view().previewText, "");
    ASSERT_TRUE(editor.Preview());
    ASSERT_EQ(desktop.requests.size(), 1u);
    EXPECT_EQ(desktop.requests[0], (RecordingDesktop::Request{"open", cacheFile}));
    int w = 0, h = 0;
    ASSERT_TRUE(JpegFile::read_rgb(cacheFile.c_str(), &w, &h));
    EXPECT_EQ(w, 160);
    EXPECT_EQ(h, 160);
    // The file is what OK would store, and the window says its size.
    const uintmax_t written = std::filesystem::file_size(cacheFile);
    EXPECT_EQ(editor.view().previewText,
              "Preview: " + std::to_string(written) + " bytes, within the 60000-byte limit.");
    // Anything changed since, and the size said no longer holds.
    editor.SetQuality(50);
    EXPECT_EQ(editor.view().previewText, "");
    desktop.answer = false;
    EXPECT_FALSE(editor.Preview());
    EXPECT_EQ(f.ui.MessageIds().back(), IDS_CANT_OPEN_FILE);
  }
  EXPECT_FALSE(std::filesystem::exists(cacheFile));
}

TEST_F(ImageEditorTest, AFailedOpenTellsThePersonAndLeavesABlackFrame) {
  CImageEditor editor;
  editor.NewImage();
  ASSERT_TRUE(editor.OpenFile(PictureFile("first.jpg", Scene(50, 50))));
  ASSERT_TRUE(testing::WriteBytes(dir.File("broken.jpg"), {1, 2, 3, 4, 5}));
  EXPECT_FALSE(editor.OpenFile(dir.File("broken.jpg")));
  ASSERT_EQ(f.ui.messages.size(), 1u);
  EXPECT_EQ(f.ui.messages[0].stringId, IDS_CANT_OPEN_FILE);
  EXPECT_EQ(f.ui.messages[0].flags, static_cast<unsigned>(kMbOk | kMbIconExclamation));
  EXPECT_FALSE(editor.view().picturePresent);
  EXPECT_FALSE(editor.view().okEnabled);
  const std::vector<uint8_t>& frame = editor.Frame();
  EXPECT_TRUE(std::all_of(frame.begin(), frame.end(), [](uint8_t b) { return b == 0; }));
  // A photo cut off in its data is refused the same way, not shown half grey.
  ASSERT_TRUE(editor.OpenFile(PictureFile("second.jpg", Scene(200, 150))));
  std::vector<uint8_t> cut = testing::ReadBytes(dir.File("second.jpg"));
  cut.resize(cut.size() * 2 / 3);
  ASSERT_TRUE(testing::WriteBytes(dir.File("cut.jpg"), cut));
  EXPECT_FALSE(editor.OpenFile(dir.File("cut.jpg")));
  ASSERT_EQ(f.ui.messages.size(), 2u);
  EXPECT_EQ(f.ui.messages[1].stringId, IDS_CANT_OPEN_FILE);
  EXPECT_FALSE(editor.view().picturePresent);
  // A name the code page cannot hold is handed to the window as it is.
  ASSERT_TRUE(editor.OpenFile(PictureFile("\xE5\x86\x99\xE7\x9C\x9F.jpg", Scene(20, 20))));
  EXPECT_EQ(editor.view().title, ""_cp);
  EXPECT_EQ(editor.view().titleFile, "\xE5\x86\x99\xE7\x9C\x9F");
  ASSERT_TRUE(editor.OpenFile(PictureFile("caf\xC3\xA9.jpg", Scene(20, 20))));
  EXPECT_EQ(editor.view().title, CpText("caf\xE9"));
  EXPECT_EQ(editor.view().titleFile, "");
}

TEST_F(ImageEditorTest, DraggingPansByFramePixelsOverTheZoom) {
  CImageEditor editor;
  editor.NewImage();
  const RgbPicture p = Scene(400, 400);
  ASSERT_TRUE(editor.Paste(RgbToDib(400, 400, p.rgb.data())));
  editor.SetZoomPosition(200);
  editor.BeginDrag(100, 100);
  editor.DragTo(90, 80);
  EXPECT_EQ(editor.placement().panX, 5);
  EXPECT_EQ(editor.placement().panY, 10);
  editor.EndDrag();
  // The next drag starts from where this one left the picture.
  editor.BeginDrag(0, 0);
  editor.DragTo(-10, 0);
  EXPECT_EQ(editor.placement().panX, 10);
  EXPECT_EQ(editor.placement().panY, 10);
  editor.EndDrag();
  // The frame shows the picture from the pan on.
  EXPECT_EQ(0, std::memcmp(editor.Frame().data(), &p.rgb[(static_cast<size_t>(10) * 400 + 10) * 3], 3));
  // A new zoom starts again from the top-left.
  editor.SetZoomPosition(100);
  EXPECT_EQ(editor.placement().panX, 0);
  editor.BeginDrag(0, 0);
  editor.DragTo(-4, -4);
  EXPECT_EQ(editor.placement().panX, 4);
  editor.EndDrag();
  editor.Reset();
  EXPECT_EQ(editor.placement().panX, 0);
  EXPECT_EQ(editor.view().quality, 80);
  EXPECT_EQ(editor.view().zoomPosition, 100);
}

TEST_F(ImageEditorTest, APictureMadePrivateWhileHiddenLeavesTheTree) {
  const uint32_t id = f.AddImage(topic, "Secret", EncodeJpeg(Scene(160, 160), 70));
  FindLivePicture(id)->width = FindLivePicture(id)->height = 160;
  CImageEditor editor;
  ASSERT_TRUE(editor.ShowImage(id));
  ASSERT_TRUE(editor.Ok("Secret"_cp, true));
  EXPECT_EQ(tree.calls.front(), "remove " + std::to_string(id));
  EXPECT_EQ(FindLivePicture(id)->isPrivate, 1u);
}

// What counts as an edit of a stored picture: a new picture, another
// placement or quality; a Fit that changes nothing is none, nor is a
// quality set back to where it was.
TEST_F(ImageEditorTest, OnlyAPictureNotAsShownCountsAsEdited) {
  const std::vector<uint8_t> bytes = EncodeJpeg(Scene(320, 320), 75);
  const uint32_t id = f.AddImage(topic, "Pond", bytes, kImageFormatJpeg, "pond.jpg");
  FindLivePicture(id)->width = FindLivePicture(id)->height = 320;
  CImageEditor editor;
  ASSERT_TRUE(editor.ShowImage(id));
  EXPECT_TRUE(editor.canStore());
  EXPECT_FALSE(editor.PictureEdited());
  editor.Fit();  // the record is its frame's size already
  EXPECT_FALSE(editor.PictureEdited());
  editor.SetQuality(50);
  EXPECT_TRUE(editor.PictureEdited());
  editor.SetQuality(80);
  EXPECT_FALSE(editor.PictureEdited());
  editor.BeginDrag(10, 10);
  editor.DragTo(0, 0);
  editor.EndDrag();
  EXPECT_TRUE(editor.PictureEdited());
  ASSERT_TRUE(editor.ShowImage(id));
  EXPECT_FALSE(editor.PictureEdited());
  const RgbPicture p = Scene(320, 320, 5);
  ASSERT_TRUE(editor.Paste(RgbToDib(320, 320, p.rgb.data())));
  EXPECT_TRUE(editor.PictureEdited());
  // Cancel leaves nothing behind: the window holds no picture.
  editor.Cancel();
  EXPECT_FALSE(editor.canStore());
  EXPECT_EQ(editor.imageId(), 0u);
  EXPECT_EQ(FindLivePicture(id)->data, bytes);
}

// OK without a word, as a HotSync asks for it: a stored picture's edits
// are saved when they pass; a JPEG over the limit or a title over its
// limit change nothing and say nothing; a new picture is never added.
TEST_F(ImageEditorTest, AQuietOkSavesAStoredPictureAndNeverAddsANewOne) {
  const std::vector<uint8_t> bytes = EncodeJpeg(Scene(320, 320), 75);
  const uint32_t id = f.AddImage(topic, "Pond", bytes, kImageFormatJpeg, "pond.jpg");
  FindLivePicture(id)->width = FindLivePicture(id)->height = 320;
  ASSERT_EQ(pDB->Save(), DB_OK);
  const std::vector<uint8_t> before = StoreBytes();

  CImageEditor editor;
  ASSERT_TRUE(editor.ShowImage(id));
  const RgbPicture noise = testing::Noise(320, 320);
  ASSERT_TRUE(editor.Paste(RgbToDib(320, 320, noise.rgb.data())));
  editor.SetQuality(100);
  EXPECT_FALSE(editor.OkQuietly("Static"_cp, false));  // far over 60000 bytes
  EXPECT_FALSE(editor.OkQuietly(CpText(std::string(257, 't')), false));
  EXPECT_TRUE(f.ui.messages.empty());
  EXPECT_EQ(StoreBytes(), before);
  EXPECT_EQ(FindLivePicture(id)->data, bytes);
  EXPECT_TRUE(editor.PictureEdited());  // still there to be lowered

  // Shown afresh, the title and a new quality pass: saved, no command, and
  // the window shows the record as stored.
  ASSERT_TRUE(editor.ShowImage(id));
  editor.SetQuality(40);
  bEditPending = 1;
  ASSERT_TRUE(editor.OkQuietly("Pond at dusk"_cp, true));
  EXPECT_TRUE(f.ui.messages.empty());
  EXPECT_TRUE(f.host.commands.empty());
  EXPECT_EQ(bEditPending, 0);
  EXPECT_EQ(editor.imageId(), id);
  EXPECT_EQ(editor.view().title, "Pond at dusk"_cp);
  EXPECT_FALSE(editor.PictureEdited());
  ASSERT_TRUE(f.Reopen());
  const CImageRecord* image = FindLivePicture(id);
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->title, "Pond at dusk"_cp);
  EXPECT_EQ(image->isPrivate, 1u);
  EXPECT_NE(image->data, bytes);
  EXPECT_LT(image->dataSize(), bytes.size());

  // A new picture, ready to add, stays in the window.
  const uint32_t images = pDB->CountLive(kKindImage);
  editor.NewImage();
  const RgbPicture p = Scene(200, 100);
  ASSERT_TRUE(editor.Paste(RgbToDib(200, 100, p.rgb.data())));
  ASSERT_TRUE(editor.canStore());
  EXPECT_FALSE(editor.OkQuietly("Meadow"_cp, false));
  EXPECT_TRUE(editor.isNew());
  EXPECT_EQ(pDB->CountLive(kKindImage), images);
}

// The picture as placed goes along while the store is reopened and comes
// back: a new picture whole; over a stored record only when it was edited.
TEST_F(ImageEditorTest, APlacedPictureIsCarriedOverAReopenedStore) {
  std::shared_ptr<const PictureEdits> carried;
  std::vector<uint8_t> frame;
  {
    CImageEditor editor;
    editor.NewImage();
    const RgbPicture p = Scene(400, 300);
    ASSERT_TRUE(editor.Paste(RgbToDib(400, 300, p.rgb.data())));
    editor.SetSizeIndex(2);
    editor.SetZoomPosition(150);
    editor.BeginDrag(50, 50);
    editor.DragTo(20, 35);
    editor.EndDrag();
    editor.SetQuality(65);
    frame = editor.Frame();
    carried = editor.TakePicture();
    ASSERT_TRUE(carried);
    EXPECT_TRUE(carried->edited);
  }
  ASSERT_TRUE(f.Reopen());
  CImageEditor editor;
  editor.NewImage();
  editor.RestorePicture(*carried);
  EXPECT_TRUE(editor.canStore());
  EXPECT_EQ(editor.view().sizeIndex, 2);
  EXPECT_EQ(editor.view().displayHeight, 480);
  EXPECT_EQ(editor.view().quality, 65);
  EXPECT_EQ(editor.view().zoomPosition, 150);
  EXPECT_EQ(editor.Frame(), frame);
  ASSERT_TRUE(editor.Ok("Hills"_cp, false));
  EXPECT_EQ(pDB->CountLive(kKindImage), 1u);

  // A stored picture shown and left as it was: the record as it is now
  // wins over the copy taken before.
  const std::vector<uint8_t> bytes = EncodeJpeg(Scene(320, 320), 75);
  const uint32_t id = f.AddImage(topic, "Pond", bytes, kImageFormatJpeg, "pond.jpg");
  FindLivePicture(id)->width = FindLivePicture(id)->height = 320;
  ASSERT_TRUE(editor.ShowImage(id));
  std::shared_ptr<const PictureEdits> untouched = editor.TakePicture();
  ASSERT_TRUE(untouched);
  EXPECT_FALSE(untouched->edited);
  const std::vector<uint8_t> changed = EncodeJpeg(Scene(320, 320, 9), 75);
  FindLivePicture(id)->data = changed;
  ASSERT_TRUE(editor.ShowImage(id));
  const std::vector<uint8_t> now = editor.Frame();
  editor.RestorePicture(*untouched);
  EXPECT_EQ(editor.Frame(), now);
  EXPECT_FALSE(editor.PictureEdited());
  // Without a picture there is nothing to carry.
  editor.Clear();
  EXPECT_FALSE(editor.TakePicture());
}

}  // namespace
}  // namespace quillet
