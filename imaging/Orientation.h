// How a camera says its picture is to be shown: the EXIF orientation tag of
// a JPEG's APP1 segment, and the geometry of turning stored pixels upright.
//
// A camera held upright stores a landscape sensor picture and tags it 6 (or
// 8): the rows as stored are the columns as shown. The image window shows
// every picture the way the tag says, so a portrait photo stands upright.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace quillet {

// The eight orientations of the tag; 1 is "as stored".
inline constexpr int kOrientationNormal = 1;

// The tag's value from an APP1 segment's payload (the bytes after the
// length field, starting "Exif\0\0"). 1 when the payload is not EXIF, holds
// no orientation, or is damaged; values outside 1 to 8 count as 1.
int ExifOrientation(const uint8_t* payload, size_t size);

// An APP1 payload holding only an orientation tag (little- or big-endian
// TIFF header): what a camera writes, reduced to what we read.
std::vector<uint8_t> MakeExifOrientationPayload(int orientation, bool bigEndian = false);

// True when the orientation swaps rows and columns (5 to 8).
inline bool OrientationSwapsAxes(int orientation) { return orientation >= 5 && orientation <= 8; }

// A rectangle of pixels: [x, x + width) x [y, y + height).
struct PixelRect {
  int x = 0, y = 0, width = 0, height = 0;
  int right() const { return x + width; }
  int bottom() const { return y + height; }
  bool empty() const { return width <= 0 || height <= 0; }
  bool Contains(const PixelRect& r) const {
    return r.x >= x && r.y >= y && r.right() <= right() && r.bottom() <= bottom();
  }
  bool operator==(const PixelRect&) const = default;
};

// The rectangle of the stored picture (storedWidth x storedHeight) whose
// pixels are shown in `shown` (a rectangle of the picture as shown).
PixelRect StoredRectOf(int orientation, int storedWidth, int storedHeight, const PixelRect& shown);

// Turns the pixels of `stored` (packed RGB, the rectangle StoredRectOf gave
// for `shown`) into the pixels of `shown`, packed RGB, top row first.
std::vector<uint8_t> OrientPixels(int orientation, int storedWidth, int storedHeight,
                                  const uint8_t* stored, const PixelRect& shown);

}  // namespace quillet
