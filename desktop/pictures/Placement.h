// How a picture sits in the image window's frame, and the handheld's rules
// for what is stored: its three display sizes, the zoom and Fit arithmetic,
// panning by dragging, the JPEG quality and the 60000-byte limit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace quillet {

// The handheld's display sizes, in the order of the "Display Size" list.
struct DisplaySize {
  int width;
  int height;
  const char* text;
};
inline constexpr DisplaySize kDisplaySizes[3] = {
    {160, 160, "(160x160)"}, {320, 320, "(320x320)"}, {320, 480, "(320x480)"}};
inline constexpr int kDefaultSizeIndex = 1;

// The list entry a stored picture of this height is shown with: 0 up to
// 160, 1 up to 320, 2 up to 480; -1 for a taller one (it keeps its own
// size as its frame).
int SizeIndexForHeight(uint32_t height);
// "160x160", "320x320" or "320x480" -> 0, 1, 2; -1 for anything else.
int SizeIndexFromText(const std::string& text);

// The JPEG quality: 0 to 100, 80 unless the person chose another.
inline constexpr int kDefaultQuality = 80;
// A stored picture's JPEG is at most this many bytes.
inline constexpr size_t kMaxPictureBytes = 60000;
inline bool PictureFitsRecord(size_t bytes) { return bytes <= kMaxPictureBytes; }
// The zoom trackbar's range: position = zoom x 100.
inline constexpr int kMinZoomPosition = 1;
inline constexpr int kMaxZoomPosition = 200;

// Where the picture sits: the frame's size, the magnification (frame pixels
// per picture pixel) and the picture pixel shown at the frame's top-left.
// The pan is not limited: the picture may lie partly or wholly outside.
struct Placement {
  int frameWidth = 320;
  int frameHeight = 320;
  float zoom = 1.0f;
  int panX = 0;
  int panY = 0;
  bool operator==(const Placement&) const = default;
};

// The zoom at which the whole picture shows in the frame: the smaller of
// frame width / picture width and frame height / picture height. 1 for an
// empty picture.
float FitZoom(int pictureWidth, int pictureHeight, int frameWidth, int frameHeight);
// The zoom trackbar's position for a zoom: zoom x 100 truncated, kept to
// the trackbar's range.
int ZoomPosition(float zoom);
inline float ZoomOfPosition(int position) { return static_cast<float>(position) * 0.01f; }

// Panning by dragging. A press at (x, y) starts a drag; each move sets the
// pan to (saved frame offset + press point - pointer) / zoom, truncated; the
// release keeps the pan in frame pixels for the next drag.
class CDrag {
 public:
  void Begin(int x, int y);
  // The pan for the pointer at (x, y); false when no drag is going on.
  bool Move(int x, int y, float zoom, int* panX, int* panY) const;
  void End(int panX, int panY, float zoom);
  // A new zoom or picture: the next drag starts from the top-left.
  void Forget();
  bool active() const { return active_; }

 private:
  bool active_ = false;
  int startX_ = 0, startY_ = 0;
  int savedX_ = 0, savedY_ = 0;  // the pan in frame pixels
};

// The message of string 218 for a JPEG of `bytes` bytes: the limit, the
// advice to lower "Quality", and the size followed by " bytes.".
std::string PictureTooLargeText(size_t bytes);
// What Preview says of a JPEG of `bytes` bytes: its size and whether it
// fits the limit (string 257 or 258, code-page text).
std::string PreviewSizeText(size_t bytes);

}  // namespace quillet
