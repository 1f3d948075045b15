// The picture the image window places in its frame, and the one way the
// frame's pixels are made from it: for the screen, for Preview, for the
// stored record and for `quillet-cli import-picture` alike.
//
// A JPEG is kept as its bytes and decoded only as finely as the frame
// needs: a fitted camera photo is decoded at an eighth of its size with the
// library's DCT scaling, and only when the person zooms in past what that
// holds is a finer scale decoded (of the part the frame shows, when that is
// a small part). The EXIF orientation is applied, so the picture's size and
// pixels here are those of the upright picture. A .bmp or a pasted picture
// is held as its pixels.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "desktop/pictures/Placement.h"
#include "imaging/Orientation.h"
#include "imaging/PackedDib.h"

namespace quillet {

class FloatImage;

class CPictureSource {
 public:
  CPictureSource();
  ~CPictureSource();
  CPictureSource(const CPictureSource&) = delete;
  CPictureSource& operator=(const CPictureSource&) = delete;

  // Becomes a copy of `other` (its bytes or pixels and what is decoded of
  // them). A picture is copied only on purpose, never in passing.
  void CopyFrom(const CPictureSource& other);

  // A JPEG's bytes. False (and empty) when its header cannot be read.
  bool SetJpeg(std::vector<uint8_t> bytes);
  // Pixels in memory: packed RGB, top row first.
  bool SetRgb(int width, int height, std::vector<uint8_t> rgb);
  void Clear();

  bool empty() const { return width_ <= 0; }
  bool isJpeg() const { return !jpeg_.empty(); }
  // A picture being imported: its first decode reads the JPEG data to the
  // end and fails when it is damaged or cut off (damaged() then says so),
  // rather than giving made-up pixels. Later decodes trust the data.
  void CheckDataOnFirstDecode() { check_pending_ = isJpeg(); }
  bool damaged() const { return damaged_; }
  // The picture's size as shown (upright).
  int width() const { return width_; }
  int height() const { return height_; }
  int orientation() const { return orientation_; }

  // The frame: placement.frameWidth x frameHeight pixels of packed RGB, top
  // row first, each the average of the picture area it covers; black where
  // the picture does not reach. False (and the frame black) when the
  // picture's pixels could not be decoded.
  bool Render(const Placement& placement, std::vector<uint8_t>* rgb);
  // The whole picture at its own size (for Copy). False when it cannot be
  // decoded.
  bool WholePicture(std::vector<uint8_t>* rgb);

  // What decoding cost so far: pixels the decoder formed since the picture
  // was set, and the finest scale used (in eighths; 0 before any).
  uint64_t decodedPixels() const { return decoded_pixels_; }
  int finestScale() const { return finest_scale_; }

 private:
  // Decoded pixels of the upright picture at `scale` eighths: the scaled
  // picture is scaledWidth x scaledHeight, of which `region` is held.
  struct Layer {
    int scale = 8;
    int scaledWidth = 0, scaledHeight = 0;
    PixelRect region;
    std::vector<uint8_t> rgb;
    uint64_t lastUse = 0;
  };
  const Layer* LayerFor(int scale, double x0, double y0, double x1, double y1);
  bool Decode(int scale, const PixelRect& shownRegion, Layer* layer);
  void ScaledSize(int scale, int* w, int* h) const;

  std::vector<uint8_t> jpeg_;
  int stored_width_ = 0, stored_height_ = 0;
  int orientation_ = kOrientationNormal;
  int width_ = 0, height_ = 0;
  std::vector<Layer> layers_;
  uint64_t use_clock_ = 0;
  uint64_t decoded_pixels_ = 0;
  int finest_scale_ = 0;
  bool check_pending_ = false;
  bool damaged_ = false;
};

// The smallest scale in eighths (1 to 8) whose pixels are at least as fine
// as the frame's at `zoom`; 8 from zoom 1 up.
int DecodeScaleFor(float zoom);

// Reads a picture file into `source` by its extension: ".bmp" as a packed
// DIB of 1, 4, 8 or 24 bits, ".jpg" and ".jpeg" (any case) as JPEG (or a
// bitmap, when the file holds one). 0 on success, else the string number
// the person is shown: 196 the file cannot be read or decoded, 197 not a
// bitmap, 198 no palette for its depth, 199 compressed bits. -1 for any
// other extension: nothing is read.
int LoadPictureFile(const std::string& path, CPictureSource* source);
// A pasted or dropped packed DIB; the same numbers.
int LoadPictureDib(const PackedDib& dib, CPictureSource* source);

// The frame as the record stores it: rendered from the picture's own pixels
// at the display size into `image`. False when the pixels cannot be had.
bool CaptureFrame(CPictureSource& source, const Placement& placement, FloatImage* image);
// The JPEG of `image` at `quality`: baseline, RGB, JFIF, exactly the
// image's size. False when it cannot be encoded.
bool EncodeRecordJpeg(FloatImage& image, int quality, std::vector<uint8_t>* jpeg);
// The highest quality from 80 down in steps of 5 (to 0) at which `image`
// fits the record; the JPEG in *jpeg. -1 when even 0 does not fit.
int EncodeToFit(FloatImage& image, std::vector<uint8_t>* jpeg);

}  // namespace quillet
