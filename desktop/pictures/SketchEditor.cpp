#include "desktop/pictures/SketchEditor.h"

#include "base/Strings.h"
#include "base/UserInterface.h"
#include "desktop/db/CurrentDatabase.h"
#include "desktop/records/WindowHost.h"
#include "imaging/Sketch.h"
#include "reports/ReportPaths.h"
#include "store/FileNames.h"
#include "store/RecordKinds.h"

namespace quillet {

CImageRecord* FindLiveSketch(uint32_t id) {
  if (pDB == nullptr || id == 0) return nullptr;
  CImageRecord* image = RecordAs<CImageRecord>(FindRecord(id));
  if (image == nullptr || !image->IsLive() || image->format != kImageFormatSketch) return nullptr;
  return image;
}

CSketchEditor::CSketchEditor() { Clear(); }
CSketchEditor::~CSketchEditor() = default;

void CSketchEditor::Clear() {
  sketch_id_ = 0;
  sketch_file_.clear();
  image_.release();
  view_ = View{};
  view_.okStringId = IDS_ADD;
}

void CSketchEditor::ClearWindow() { Clear(); }

bool CSketchEditor::ShowSketch(uint32_t recordId) {
  Clear();
  CImageRecord* sketch = FindLiveSketch(recordId);
  if (sketch == nullptr) return false;
  sketch_id_ = sketch->recordId;
  view_.okStringId = IDS_UPDATE;
  view_.displayWidth = static_cast<int>(sketch->width);
  view_.displayHeight = static_cast<int>(sketch->height);

  // The file keeps its name from now on: reports and the browser refer to it.
  if (sketch->fileName.empty()) sketch->fileName = GenerateImageFileName();
  const std::string folder = CurrentOutputFolder();
  // A name from the store is joined to the folder only when it names a file
  // directly inside it; anything else writes no file at all.
  if (!folder.empty() && folder != "/" && IsPlainFileName(sketch->fileName)) {
    const std::string path = folder + OutputFileName(sketch->fileName);
    if (WriteSketchFile(sketch->data.data(), sketch->data.size(), path) == 0) sketch_file_ = path;
  }

  if (DecodeSketch(sketch->data.data(), sketch->data.size(), &image_) != 0 &&
      image_.to_dib_section() != nullptr) {
    view_.picturePresent = true;
    view_.displayWidth = image_.width();
    view_.displayHeight = image_.height();
  }
  view_.title = sketch->title;
  view_.widthText = std::to_string(image_.width());
  view_.heightText = std::to_string(image_.height());
  view_.bytesText = std::to_string(sketch->dataSize());
  view_.isPrivate = sketch->isPrivate != 0;
  return true;
}

void CSketchEditor::Refresh() {
  if (sketch_id_ == 0 || !ShowSketch(sketch_id_)) Clear();
}

bool CSketchEditor::Ok(const CpText& typedTitle, bool privateChecked) {
  if (!title_changed_ || FindLiveSketch(sketch_id_) == nullptr) return false;
  typed_title_ = typedTitle;
  typed_private_ = privateChecked;
  return RunOk();
}

bool CSketchEditor::OkQuietly(const CpText& typedTitle, bool privateChecked) {
  if (FindLiveSketch(sketch_id_) == nullptr) return false;
  typed_title_ = typedTitle;
  typed_private_ = privateChecked;
  return RunOkQuietly();
}

bool CSketchEditor::TypedTextsFit() const { return TypedTextFits(typed_title_, kSketchTitleLimit); }

void CSketchEditor::TakePrivateFlag() {
  if (CImageRecord* sketch = FindLiveSketch(sketch_id_)) ApplyPrivateFlag(*sketch, typed_private_, false);
}

void CSketchEditor::ReadTexts() { title_ = TakeTypedText(typed_title_, kSketchTitleLimit, IDS_TITLE); }

bool CSketchEditor::AddOrUpdate() {
  CImageRecord* sketch = FindLiveSketch(sketch_id_);
  if (sketch == nullptr) return false;
  sketch->title = title_;
  sketch->flags |= kFlagModified;
  if (ITopicTreeOps* tree = WindowHost().Tree()) tree->UpdateMember(*sketch);
  return true;
}

}  // namespace quillet
