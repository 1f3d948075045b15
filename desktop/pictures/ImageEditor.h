// The "Image Details" window's logic: the picture the person opens, pastes
// or drops, where it sits in the frame of the chosen display size, the JPEG
// quality, and OK and Cancel in the record windows' common order. The Qt
// window mirrors View, draws frame() and hands back what was typed.
//
// What is stored is made from the picture itself at the display size (the
// frame's zoom and pan applied to the picture's own pixels), never from the
// screen: the stored JPEG is exactly width x height, baseline RGB JFIF, of
// at most 60000 bytes. A picture that does not fit changes nothing, so the
// person can lower the quality and press OK again.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "desktop/pictures/PictureSource.h"
#include "desktop/pictures/Placement.h"
#include "desktop/records/RecordCommit.h"
#include "imaging/FloatImage.h"
#include "imaging/PackedDib.h"
#include "store/RecordFacts.h"

namespace quillet {

class CImageRecord;

// What the person made of a picture in the image window, carried while the
// store is reopened under the window (a HotSync) and shown again after it.
struct PictureEdits {
  std::shared_ptr<const CPictureSource> source;  // a copy of the picture
  Placement placement;
  int zoomPosition = 100;  // the trackbar's, as the person left it
  int quality = kDefaultQuality;
  int sizeIndex = kDefaultSizeIndex;
  // The picture was opened, pasted, placed or given a quality since the
  // record was shown: OK encodes it anew.
  bool edited = false;
};

// A picture's title holds at most this many characters.
inline constexpr size_t kImageTitleLimit = kTitleLimit;
// The file Preview writes into the user's cache folder.
inline constexpr char kPreviewFileName[] = "__preview.jpg";

class CImageEditor : public CRecordCommit {
 public:
  struct View {
    CpText title;
    // The base name of an opened file whose name the code page cannot
    // hold (UTF-8); the window shows it so the person can change it.
    std::string titleFile;
    int titleSerial = 0;    // changes whenever the window sets the title
    bool isPrivate = false;
    std::string bytesText;  // the stored record's size, "" for none
    int okStringId = 0;     // 115 "Add" or 122 "Update"
    bool okEnabled = false;
    int sizeIndex = kDefaultSizeIndex;  // -1: a record taller than 480
    int displayWidth = 320;
    int displayHeight = 320;
    int zoomPosition = 100;
    int quality = kDefaultQuality;
    std::string qualityText = "80%";
    bool frameShown = false;      // hidden while cleared
    bool picturePresent = false;  // Fit, Preview, Reset, the trackbars and sizes on
    // What the last Preview found: the JPEG's size and whether it fits
    // the limit (code-page text); "" once anything changed since.
    std::string previewText;
    uint64_t frameSerial = 0;     // changes whenever the frame's pixels may have
  };

  CImageEditor();
  ~CImageEditor() override;

  const View& view() const { return view_; }
  bool isNew() const { return is_new_; }
  // The picture shown, or the pending one's id; 0 when cleared.
  uint32_t imageId() const;
  const CImageRecord* pendingImage() const { return pending_.get(); }
  const Placement& placement() const { return placement_; }
  CPictureSource& source() { return source_; }
  // Set when a record's bytes could not be decoded: OK does nothing.
  bool noPicture() const { return no_picture_; }
  // OK would store something: a picture is there and ready.
  bool canStore() const { return view_.okEnabled; }
  // The picture was opened or pasted anew, placed otherwise, or given
  // another quality since the record was shown.
  bool PictureEdited() const;

  // The frame's pixels: packed RGB of the display size, black where there
  // is no picture.
  const std::vector<uint8_t>& Frame();

  // Not new, no picture, "My Pictures", OK reading "Add", 320 x 320, zoom
  // 1, quality 80, the frame hidden. A pending picture is deleted.
  void Clear();
  // The live picture of `imageId` (a sketch is not shown here). False (and
  // cleared) when there is none. A picture whose bytes do not decode shows
  // "Unable to load image file." and a black frame; the record and its
  // file are left as they are.
  bool ShowImage(uint32_t imageId);
  // A pending picture with a fresh id and file name, 320 x 320.
  void NewImage();
  // After the store was reopened: the picture shown may be gone.
  void Refresh();

  // "Open...": the file chooser, then OpenFile. False when cancelled or
  // the file could not be read.
  bool OpenWithDialog();
  // Reads a .bmp or .jpg file (UTF-8 path). On success the picture shows
  // at zoom 1 from its top-left and the title becomes the file's name; on
  // failure the person is told, and the frame is black.
  bool OpenFile(const std::string& path);
  // A picture from the clipboard or a drop. Without one (a null block)
  // nothing changes and the result is false.
  bool Paste(const PackedDib& dib);
  // The whole picture as a 24-bit DIB; null without one.
  PackedDib Copy();

  void SetZoomPosition(int position);
  void Fit();
  void Reset();
  void BeginDrag(int x, int y);
  void DragTo(int x, int y);
  void EndDrag();
  void SetQuality(int quality);
  void SetSizeIndex(int index);

  // Writes the JPEG OK would store to the cache folder's "__preview.jpg"
  // and opens it with the desktop's picture viewer.
  bool Preview();
  // The file Preview writes.
  static std::string PreviewPath();

  // OK: stores the frame as the record's JPEG at the current quality,
  // writes the picture file at quality 100, adds the record to the current
  // topic (or updates it) and saves the store. False, changing nothing,
  // without a picture, when the JPEG is over the limit (string 218 with its
  // size), or when the store could not be saved.
  bool Ok(const CpText& typedTitle, bool privateChecked);
  // OK without a word, for the HotSync notifier: an existing picture is
  // stored as OK would store it when its title fits and its JPEG fits the
  // limit; then the window shows it as stored. False, changing nothing,
  // otherwise, and always for a new picture: a picture joins the handheld's
  // records only when the person adds it, framed as they chose.
  bool OkQuietly(const CpText& typedTitle, bool privateChecked);
  // Cancel: a new picture is dropped, the window leaves for the topic and
  // keeps nothing of what was placed or typed.
  void Cancel() {
    RunCancel();
    Clear();
  }

  // The picture and its placement as they are now (null without a
  // picture), and the same shown again: over the record when it was edited
  // or when the window now holds a new picture.
  std::shared_ptr<const PictureEdits> TakePicture() const;
  void RestorePicture(const PictureEdits& edits);
  // A mode change or the program's end: the pending picture goes
  // ("Unused Image Record Deleted"). True when there was one.
  bool DiscardPending();
  void FollowRenumbered(const std::vector<RecordIdChange>& changes) override;

 protected:
  void TakePrivateFlag() override;
  void ReadTexts() override;
  bool AddOrUpdate() override;
  void ClearWindow() override { Clear(); }
  void DeletePending() override;
  bool TypedTextsFit() const override;
  void ShowSaved() override;

 private:
  CImageRecord* Current();
  void SetTitle(const CpText& title);
  void PictureGone();
  void PlacementChanged();
  void SetFrameSize(int width, int height);
  void SyncPictureView();
  bool Store(const CpText& typedTitle, bool privateChecked, bool quietly);

  View view_;
  bool is_new_ = false;
  uint32_t image_id_ = 0;
  std::unique_ptr<CImageRecord> pending_;

  CPictureSource source_;
  Placement placement_;
  CDrag drag_;
  int quality_ = kDefaultQuality;
  bool picture_ready_ = false;
  bool no_picture_ = false;
  // The picture as the record was shown: while it stays so, OK keeps the
  // record's JPEG bytes instead of encoding them again.
  bool picture_replaced_ = false;
  Placement shown_placement_;
  int shown_quality_ = kDefaultQuality;

  std::vector<uint8_t> frame_;
  bool frame_dirty_ = true;
  std::string last_folder_;
  bool preview_written_ = false;
  // The title is the name of the file opened last: a picture pasted over
  // it is not called so.
  bool title_from_file_ = false;

  // Between Ok and AddOrUpdate.
  CpText typed_title_;
  bool typed_private_ = false;
  CpText title_;
  std::vector<uint8_t> encoded_;
  FloatImage captured_;
};

// The live picture (an image record that is not a sketch) of `id`.
CImageRecord* FindLivePicture(uint32_t id);

}  // namespace quillet
