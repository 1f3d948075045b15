#include "desktop/pictures/ImageEditor.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>

#include "base/AppPaths.h"
#include "base/DiagnosticLog.h"
#include "base/RegistryKey.h"
#include "base/Strings.h"
#include "base/UserInterface.h"
#include "desktop/db/CurrentDatabase.h"
#include "desktop/records/WindowHost.h"
#include "desktop/shell/Desktop.h"
#include "imaging/DibPixels.h"
#include "platform/codepage/CodePage.h"
#include "platform/files/SafeFiles.h"
#include "reports/ReportPaths.h"
#include "store/FileNames.h"
#include "store/RecordKinds.h"

namespace quillet {
namespace {

void Warn(int stringId) { ShowStringMessage(stringId, kCaption, kMbOk | kMbIconExclamation); }

std::string BaseName(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  const size_t dot = name.find_last_of('.');
  if (dot != std::string::npos && dot > 0) name.resize(dot);
  return name;
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

}  // namespace

CImageRecord* FindLivePicture(uint32_t id) {
  if (pDB == nullptr || id == 0) return nullptr;
  CImageRecord* image = RecordAs<CImageRecord>(FindRecord(id));
  if (image == nullptr || !image->IsLive() || image->format == kImageFormatSketch) return nullptr;
  return image;
}

std::string CImageEditor::PreviewPath() {
  const std::string folder = UserCacheFolder();
  return folder.empty() ? "" : folder + kPreviewFileName;
}

CImageEditor::CImageEditor() { Clear(); }

CImageEditor::~CImageEditor() {
  // The preview is scratch: it goes with the window, at the program's end.
  if (preview_written_) {
    const std::string path = PreviewPath();
    if (!path.empty()) ::unlink(path.c_str());
  }
}

uint32_t CImageEditor::imageId() const { return pending_ ? pending_->recordId : image_id_; }

CImageRecord* CImageEditor::Current() {
  if (is_new_) return pending_.get();
  return FindLivePicture(image_id_);
}

const std::vector<uint8_t>& CImageEditor::Frame() {
  if (frame_dirty_) {
    frame_dirty_ = false;
    if (source_.empty()) {
      frame_.assign(static_cast<size_t>(placement_.frameWidth) * placement_.frameHeight * 3, 0);
    } else if (!source_.Render(placement_, &frame_)) {
      DebugError("CImageEditor : the picture's pixels could not be decoded");
    }
  }
  return frame_;
}

void CImageEditor::PlacementChanged() {
  frame_dirty_ = true;
  ++view_.frameSerial;
  view_.previewText.clear();
}

void CImageEditor::SetTitle(const CpText& title) {
  view_.title = title;
  view_.titleFile.clear();
  title_from_file_ = false;
  ++view_.titleSerial;
}

void CImageEditor::SetFrameSize(int width, int height) {
  placement_.frameWidth = width;
  placement_.frameHeight = height;
  view_.displayWidth = width;
  view_.displayHeight = height;
  PlacementChanged();
}

void CImageEditor::SyncPictureView() {
  view_.picturePresent = !source_.empty();
  view_.okEnabled = picture_ready_ && !no_picture_ && !source_.empty() && (is_new_ || image_id_ != 0);
  view_.zoomPosition = ZoomPosition(placement_.zoom);
  if (view_.quality != quality_) view_.previewText.clear();
  view_.quality = quality_;
  view_.qualityText = std::to_string(quality_) + "%";
}

void CImageEditor::PictureGone() {
  source_.Clear();
  picture_ready_ = false;
  drag_.Forget();
  PlacementChanged();
  SyncPictureView();
}

void CImageEditor::Clear() {
  DeletePending();
  image_id_ = 0;
  source_.Clear();
  placement_ = Placement{};
  drag_.Forget();
  quality_ = kDefaultQuality;
  picture_ready_ = no_picture_ = picture_replaced_ = false;
  const uint64_t frameSerial = view_.frameSerial;
  const int titleSerial = view_.titleSerial;
  view_ = View{};
  view_.frameSerial = frameSerial;
  view_.titleSerial = titleSerial;
  view_.okStringId = IDS_ADD;
  SetTitle(CpText());  // the person names the picture
  SetFrameSize(kDisplaySizes[kDefaultSizeIndex].width, kDisplaySizes[kDefaultSizeIndex].height);
  shown_placement_ = placement_;
  shown_quality_ = quality_;
  SyncPictureView();
}

bool CImageEditor::ShowImage(uint32_t imageId) {
  Clear();
  CImageRecord* image = FindLivePicture(imageId);
  if (image == nullptr) return false;
  image_id_ = image->recordId;
  view_.okStringId = IDS_UPDATE;
  view_.isPrivate = image->isPrivate != 0;
  if (!image->title.empty()) SetTitle(image->title);
  view_.frameShown = true;

  int frameWidth = static_cast<int>(std::min<uint32_t>(image->width, 4096));
  int frameHeight = static_cast<int>(std::min<uint32_t>(image->height, 4096));
  bool decoded = false;
  if (!image->data.empty() && image->format == kImageFormatJpeg) {
    // Decoded whole: a record's picture is small. A picture that does not
    // decode is not deleted: the next HotSync would take it off the
    // handheld too. The person is told and the frame stays black.
    std::vector<uint8_t> pixels;
    if (source_.SetJpeg(image->data.ToVector()) && source_.width() <= 4096 && source_.height() <= 4096 &&
        source_.Render(Placement{source_.width(), source_.height(), 1.0f, 0, 0}, &pixels)) {
      decoded = true;
      frameWidth = source_.width();
      frameHeight = source_.height();
    } else {
      source_.Clear();
      no_picture_ = true;
      ShowStringMessage(IDS_CANT_LOAD_IMAGE, kCaption, kMbOk | kMbIconInformation);
    }
  }
  view_.sizeIndex = SizeIndexForHeight(image->height);
  if (view_.sizeIndex >= 0) {
    frameWidth = kDisplaySizes[view_.sizeIndex].width;
    frameHeight = kDisplaySizes[view_.sizeIndex].height;
  }
  SetFrameSize(std::max(frameWidth, 1), std::max(frameHeight, 1));
  view_.bytesText = std::to_string(image->dataSize());
  picture_ready_ = decoded;
  picture_replaced_ = false;
  shown_placement_ = placement_;
  shown_quality_ = quality_;
  SyncPictureView();
  return true;
}

void CImageEditor::NewImage() {
  Clear();
  pending_ = std::make_unique<CImageRecord>();
  pending_->recordId = NextRecordId();
  pending_->width = static_cast<uint32_t>(kDisplaySizes[kDefaultSizeIndex].width);
  pending_->height = static_cast<uint32_t>(kDisplaySizes[kDefaultSizeIndex].height);
  pending_->title = CpText();
  pending_->fileName = GenerateImageFileName();
  pending_->format = kImageFormatJpeg;
  is_new_ = true;
  view_.frameShown = true;
  SyncPictureView();
}

void CImageEditor::Refresh() {
  if (is_new_) return;  // a pending picture belongs to no store yet
  if (image_id_ == 0 || !ShowImage(image_id_)) Clear();
}

bool CImageEditor::OpenWithDialog() {
  FileDialogRequest request;
  request.title = "Open a File";
  request.initialFolder = last_folder_;
  if (request.initialFolder.empty())
    if (const char* home = std::getenv("HOME"); home && home[0] == '/') request.initialFolder = std::string(home) + "/";
  request.defaultExtension = "jpg";
  request.filters = {{"Supported Image Types", "*.JPG;*.BMP;*.JPEG"},
                     {"JPEG (*.jpg)", "*.JPG;*.JPEG;"},
                     {"Bitmap (1,4,8,24 bit) (*.bmp)", "*.BMP;"}};
  std::string path;
  if (!UI().ChooseOpenFile(request, &path)) return false;
  return OpenFile(path);
}

bool CImageEditor::OpenFile(const std::string& path) {
  const int result = LoadPictureFile(path, &source_);
  if (result != 0) {
    PictureGone();
    Warn(result > 0 ? result : IDS_CANT_OPEN_FILE);
    return false;
  }
  placement_.zoom = 1.0f;
  placement_.panX = placement_.panY = 0;
  // A JPEG is read to its end by the first picture drawn of it: one that
  // is damaged or cut off is refused now rather than shown half grey.
  if (source_.isJpeg()) {
    std::vector<uint8_t> probe;
    if (!source_.Render(placement_, &probe) && source_.damaged()) {
      PictureGone();
      Warn(IDS_CANT_OPEN_FILE);
      return false;
    }
  }
  last_folder_ = FolderOf(path);
  drag_.Forget();
  CpText title;
  // The file's name as a title: a line break, tab or other control
  // character a name may hold is a space there.
  std::string name = BaseName(path);
  for (char& c : name)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
  if (FromUtf8(name, &title)) {
    SetTitle(title);
  } else {
    SetTitle(CpText());
    view_.titleFile = name;
  }
  title_from_file_ = true;
  view_.frameShown = true;
  picture_ready_ = true;
  no_picture_ = false;
  picture_replaced_ = true;
  PlacementChanged();
  SyncPictureView();
  return true;
}

bool CImageEditor::Paste(const PackedDib& dib) {
  if (!dib) return false;
  const int result = LoadPictureDib(dib, &source_);
  if (result != 0) {
    PictureGone();
    Warn(result);
    return false;
  }
  placement_.zoom = 1.0f;
  placement_.panX = placement_.panY = 0;
  drag_.Forget();
  // The name of a file opened before is not this picture's; a title the
  // record had or the person gave stays.
  if (title_from_file_) SetTitle(CpText());
  view_.frameShown = true;
  picture_ready_ = true;
  no_picture_ = false;
  picture_replaced_ = true;
  PlacementChanged();
  SyncPictureView();
  return true;
}

PackedDib CImageEditor::Copy() {
  std::vector<uint8_t> rgb;
  if (source_.empty() || !source_.WholePicture(&rgb)) return PackedDib();
  return RgbToDib(source_.width(), source_.height(), rgb.data());
}

void CImageEditor::SetZoomPosition(int position) {
  if (source_.empty()) return;
  position = std::clamp(position, kMinZoomPosition, kMaxZoomPosition);
  placement_.zoom = ZoomOfPosition(position);
  placement_.panX = placement_.panY = 0;
  drag_.Forget();
  picture_ready_ = true;
  PlacementChanged();
  SyncPictureView();
  view_.zoomPosition = position;
}

void CImageEditor::Fit() {
  if (source_.empty()) return;
  placement_.panX = placement_.panY = 0;
  placement_.zoom = FitZoom(source_.width(), source_.height(), placement_.frameWidth, placement_.frameHeight);
  drag_.Forget();
  PlacementChanged();
  SyncPictureView();
}

void CImageEditor::Reset() {
  if (source_.empty()) return;
  placement_.panX = placement_.panY = 0;
  placement_.zoom = 1.0f;
  quality_ = kDefaultQuality;
  drag_.Forget();
  PlacementChanged();
  SyncPictureView();
}

void CImageEditor::BeginDrag(int x, int y) {
  if (source_.empty()) return;
  drag_.Begin(x, y);
  picture_ready_ = true;
  SyncPictureView();
}

void CImageEditor::DragTo(int x, int y) {
  int panX = 0, panY = 0;
  if (!drag_.Move(x, y, placement_.zoom, &panX, &panY)) return;
  if (panX == placement_.panX && panY == placement_.panY) return;
  placement_.panX = panX;
  placement_.panY = panY;
  PlacementChanged();
}

void CImageEditor::EndDrag() { drag_.End(placement_.panX, placement_.panY, placement_.zoom); }

void CImageEditor::SetQuality(int quality) {
  quality = std::clamp(quality, 0, 100);
  quality_ = quality;
  SyncPictureView();
}

void CImageEditor::SetSizeIndex(int index) {
  if (index < 0 || index > 2) return;
  view_.sizeIndex = index;
  SetFrameSize(kDisplaySizes[index].width, kDisplaySizes[index].height);
  SyncPictureView();
}

bool CImageEditor::Preview() {
  FloatImage image;
  const std::string path = PreviewPath();
  // The very bytes OK would store, so that the size said is the one OK
  // would find.
  std::vector<uint8_t> jpeg;
  if (source_.empty() || path.empty() || !CaptureFrame(source_, placement_, &image) ||
      !EncodeRecordJpeg(image, quality_, &jpeg) ||
      ReplaceFileContents(path, std::string_view(reinterpret_cast<const char*>(jpeg.data()), jpeg.size())) != 0) {
    Warn(IDS_NO_FILE_SAVED);
    return false;
  }
  preview_written_ = true;
  view_.previewText = PreviewSizeText(jpeg.size());
  if (!Desktop().OpenPath(path)) {
    Warn(IDS_CANT_OPEN_FILE);
    return false;
  }
  return true;
}

bool CImageEditor::TypedTextsFit() const { return TypedTextFits(typed_title_, kImageTitleLimit); }

void CImageEditor::ShowSaved() {
  ShowImage(image_id_);
  WindowHost().RefreshImageLists();
}

bool CImageEditor::PictureEdited() const {
  return picture_replaced_ || !(placement_ == shown_placement_) || quality_ != shown_quality_;
}

bool CImageEditor::Ok(const CpText& typedTitle, bool privateChecked) {
  return Store(typedTitle, privateChecked, false);
}

bool CImageEditor::OkQuietly(const CpText& typedTitle, bool privateChecked) {
  if (is_new_) return false;
  return Store(typedTitle, privateChecked, true);
}

bool CImageEditor::Store(const CpText& typedTitle, bool privateChecked, bool quietly) {
  if (!picture_ready_ || no_picture_ || source_.empty()) return false;
  // Quietly, a title over its limit is not cut: the record stays as it is.
  if (quietly && !TypedTextFits(typedTitle, kImageTitleLimit)) return false;
  CImageRecord* image = Current();
  if (image == nullptr) return false;

  // The picture first: a JPEG over the limit changes nothing at all, so
  // the person can lower the quality and try again.
  FloatImage& captured = captured_;
  if (!CaptureFrame(source_, placement_, &captured)) {
    if (!quietly) Warn(IDS_NO_FILE_SAVED);
    return false;
  }
  std::vector<uint8_t> jpeg;
  // A picture opened and left as it was keeps its bytes: encoding it again
  // would only lose quality at every Update.
  const bool unchanged = !is_new_ && !PictureEdited() && image->format == kImageFormatJpeg &&
                         !image->data.empty() &&
                         image->width == static_cast<uint32_t>(placement_.frameWidth) &&
                         image->height == static_cast<uint32_t>(placement_.frameHeight);
  if (unchanged) {
    jpeg = image->data.ToVector();
  } else if (!EncodeRecordJpeg(captured, quality_, &jpeg)) {
    captured_.release();
    if (!quietly) Warn(IDS_NO_FILE_SAVED);
    return false;
  }
  if (!PictureFitsRecord(jpeg.size())) {
    captured_.release();
    if (quietly) return false;
    MessageRequest request;
    request.stringId = IDS_IMAGE_TOO_LARGE;
    request.text = PictureTooLargeText(jpeg.size());
    request.caption = kCaption;
    request.flags = kMbOk | kMbIconInformation;
    UI().ShowMessage(request);
    return false;
  }
  if (view_.sizeIndex >= 0) {
    CRegistryKey key;
    key.OpenProgramKey(AppPaths.userFolder);
    key.WriteValueDword("LastImageSize", static_cast<uint32_t>(view_.sizeIndex));
  }

  encoded_ = std::move(jpeg);
  typed_title_ = typedTitle;
  typed_private_ = privateChecked;
  const bool saved = quietly ? RunOkQuietly() : RunOk();
  encoded_.clear();
  captured_.release();
  return saved;
}

void CImageEditor::TakePrivateFlag() {
  if (CImageRecord* image = Current()) ApplyPrivateFlag(*image, typed_private_, is_new_);
}

void CImageEditor::ReadTexts() { title_ = TakeTypedText(typed_title_, kImageTitleLimit, IDS_TITLE); }

bool CImageEditor::AddOrUpdate() {
  CImageRecord* image = Current();
  if (pDB == nullptr || image == nullptr) return false;
  image->title = title_;
  image->format = kImageFormatJpeg;
  image->width = static_cast<uint32_t>(placement_.frameWidth);
  image->height = static_cast<uint32_t>(placement_.frameHeight);
  image->data = encoded_;
  // Names from the store are used only when they name a file in the output
  // folder; a damaged one gets a fresh name.
  if (!IsPlainFileName(image->fileName)) image->fileName = GenerateImageFileName();
  const std::string fileName = image->fileName;

  ITopicTreeOps* tree = WindowHost().Tree();
  if (is_new_ && pending_) {
    const uint32_t id = pending_->recordId;
    if (pDB->AddNew(std::move(pending_)) != DB_OK) {
      ShowStringMessage(IDS_NO_MEMORY, kCaption, kMbOk | kMbIconInformation);
      return false;
    }
    // The window now edits the added picture: an OK after a failed save
    // updates it rather than adding it twice.
    is_new_ = false;
    image_id_ = id;
    if (tree != nullptr)
      if (CImageRecord* added = FindLivePicture(id)) tree->InsertMember(*added);
  } else {
    image->flags |= kFlagModified;
    if (tree != nullptr) tree->UpdateMember(*image);
  }

  const std::string folder = CurrentOutputFolder();
  if (!folder.empty() && folder != "/") {
    const std::string path = folder + fileName;
    if (captured_.save_jpeg(path.c_str(), 100) != 0) DebugError("CImageEditor : cannot write %s", path.c_str());
  }
  return true;
}

std::shared_ptr<const PictureEdits> CImageEditor::TakePicture() const {
  if (source_.empty()) return nullptr;
  auto copy = std::make_shared<CPictureSource>();
  copy->CopyFrom(source_);
  auto edits = std::make_shared<PictureEdits>();
  edits->source = std::move(copy);
  edits->placement = placement_;
  edits->zoomPosition = view_.zoomPosition;
  edits->quality = quality_;
  edits->sizeIndex = view_.sizeIndex;
  edits->edited = PictureEdited();
  return edits;
}

void CImageEditor::RestorePicture(const PictureEdits& edits) {
  // Over a record shown again, a picture left as it was gives way to the
  // record as it is now (the handheld may have changed it).
  if (!edits.source || edits.source->empty() || (!is_new_ && !edits.edited)) return;
  if (!is_new_ && image_id_ == 0) return;
  source_.CopyFrom(*edits.source);
  quality_ = std::clamp(edits.quality, 0, 100);
  if (edits.sizeIndex >= 0 && edits.sizeIndex <= 2) view_.sizeIndex = edits.sizeIndex;
  drag_.Forget();
  SetFrameSize(std::clamp(edits.placement.frameWidth, 1, 4096), std::clamp(edits.placement.frameHeight, 1, 4096));
  placement_ = edits.placement;
  placement_.frameWidth = view_.displayWidth;
  placement_.frameHeight = view_.displayHeight;
  view_.frameShown = true;
  picture_ready_ = true;
  no_picture_ = false;
  // Encoded anew at OK: the record's bytes may be another picture by now.
  picture_replaced_ = true;
  PlacementChanged();
  SyncPictureView();
  view_.zoomPosition = std::clamp(edits.zoomPosition, kMinZoomPosition, kMaxZoomPosition);
}

void CImageEditor::DeletePending() {
  pending_.reset();
  is_new_ = false;
}

bool CImageEditor::DiscardPending() {
  if (!pending_) return false;
  DeletePending();
  LogLine("Unused Image Record Deleted");
  return true;
}

void CImageEditor::FollowRenumbered(const std::vector<RecordIdChange>& changes) {
  image_id_ = RenumberedId(changes, image_id_);
}

}  // namespace quillet
