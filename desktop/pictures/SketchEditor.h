// The "Sketch Details" window's logic: the sketch shown, its decoded
// picture, what the dialog shows, and OK and Cancel in the record windows'
// common order. Sketches come only from the handheld, so the window never
// makes a new record; it changes a sketch's title and private flag and
// never touches its bitmap bytes. The Qt dialog mirrors View and draws the
// decoded picture at its own size.
#pragma once

#include <cstdint>
#include <string>

#include "desktop/records/RecordCommit.h"
#include "imaging/FloatImage.h"
#include "store/RecordFacts.h"

namespace quillet {

class CImageRecord;

// The picture windows keep titles to what the handheld shows; a longer
// typed title is cut with the text-too-long message.
inline constexpr size_t kSketchTitleLimit = kTitleLimit;
// The frame's size while no sketch is shown.
inline constexpr int kSketchFrameSide = 320;

class CSketchEditor : public CRecordCommit {
 public:
  struct View {
    CpText title;
    std::string widthText, heightText, bytesText;  // decimal, empty when cleared
    bool isPrivate = false;
    int okStringId = 0;  // 115 "Add" or 122 "Update"
    int displayWidth = kSketchFrameSide;
    int displayHeight = kSketchFrameSide;
    bool picturePresent = false;
  };

  CSketchEditor();
  ~CSketchEditor() override;

  const View& view() const { return view_; }
  uint32_t sketchId() const { return sketch_id_; }
  bool titleChanged() const { return title_changed_; }
  // The decoded sketch; no pixels while cleared.
  const FloatImage& image() const { return image_; }
  // The 24-bit section made from the picture for showing and copying; null
  // without a picture.
  const DibSection* section() const { return image_.dib_section(); }
  // Where the shown sketch's JPEG file was written ("" when not written).
  const std::string& sketchFile() const { return sketch_file_; }

  // Not new, no sketch, empty texts, not private, OK reading "Add", the
  // frame 320 x 320 with no picture.
  void Clear();
  // The live sketch of `recordId`: decoded, written as its JPEG file in the
  // output folder and described in View. False (and cleared) when there is
  // no such sketch.
  bool ShowSketch(uint32_t recordId);
  // After the store was reopened: the sketch shown may be gone.
  void Refresh();

  // The title edit reported a change of its text (filling it counts).
  void NoteTitleChanged() { title_changed_ = true; }

  // OK: saves only once the title has reported a change; false when it has
  // not, when no sketch is shown, or when the store could not be saved.
  bool Ok(const CpText& typedTitle, bool privateChecked);
  // OK for the HotSync notifier: no message, no command (RunOkQuietly).
  bool OkQuietly(const CpText& typedTitle, bool privateChecked);
  void Cancel() { RunCancel(); }

 protected:
  void TakePrivateFlag() override;
  void ReadTexts() override;
  bool AddOrUpdate() override;
  void ClearWindow() override;
  void DeletePending() override {}  // there is never a new sketch
  bool TypedTextsFit() const override;
  void ShowSaved() override { ShowSketch(sketch_id_); }

 private:
  View view_;
  uint32_t sketch_id_ = 0;
  bool title_changed_ = false;
  FloatImage image_;
  std::string sketch_file_;
  CpText typed_title_;
  bool typed_private_ = false;
  CpText title_;
};

// The live sketch (an image record of the sketch format) of `id`.
CImageRecord* FindLiveSketch(uint32_t id);

}  // namespace quillet
