#include "desktop/pictures/Placement.h"

#include <cstdio>

#include "base/Strings.h"
#include "base/Translate.h"

namespace quillet {

int SizeIndexForHeight(uint32_t height) {
  if (height <= 160) return 0;
  if (height <= 320) return 1;
  if (height <= 480) return 2;
  return -1;
}

int SizeIndexFromText(const std::string& text) {
  for (int i = 0; i < 3; ++i) {
    const DisplaySize& s = kDisplaySizes[i];
    if (text == std::to_string(s.width) + "x" + std::to_string(s.height)) return i;
  }
  return -1;
}

float FitZoom(int pictureWidth, int pictureHeight, int frameWidth, int frameHeight) {
  if (pictureWidth <= 0 || pictureHeight <= 0) return 1.0f;
  // Always the smaller ratio, so the whole picture shows: a picture wider
  // than the frame's shape is never cut at the right.
  const float byWidth = static_cast<float>(frameWidth) / static_cast<float>(pictureWidth);
  const float byHeight = static_cast<float>(frameHeight) / static_cast<float>(pictureHeight);
  return byWidth < byHeight ? byWidth : byHeight;
}

int ZoomPosition(float zoom) {
  // A zoom made from a position (position x 0.01 in floats) lies a hair
  // below it: it must show that position again, not the one before.
  const double v = static_cast<double>(zoom) * 100.0 + 1e-3;
  if (!(v >= kMinZoomPosition)) return kMinZoomPosition;
  if (v >= kMaxZoomPosition) return kMaxZoomPosition;
  return static_cast<int>(v);
}

namespace {
// Pans far beyond any picture are held where a conversion stays defined.
int ToPan(float v) {
  constexpr float kFar = 1.0e8f;
  if (!(v > -kFar)) return -static_cast<int>(kFar);
  if (v > kFar) return static_cast<int>(kFar);
  return static_cast<int>(v);
}
}  // namespace

void CDrag::Begin(int x, int y) {
  active_ = true;
  startX_ = x;
  startY_ = y;
}

bool CDrag::Move(int x, int y, float zoom, int* panX, int* panY) const {
  if (!active_ || !(zoom > 0.0f)) return false;
  *panX = ToPan((static_cast<float>(savedX_) + static_cast<float>(startX_ - x)) / zoom);
  *panY = ToPan((static_cast<float>(savedY_) + static_cast<float>(startY_ - y)) / zoom);
  return true;
}

void CDrag::End(int panX, int panY, float zoom) {
  if (!active_) return;
  active_ = false;
  savedX_ = ToPan(static_cast<float>(panX) * zoom);
  savedY_ = ToPan(static_cast<float>(panY) * zoom);
}

void CDrag::Forget() {
  active_ = false;
  savedX_ = savedY_ = 0;
}

std::string PictureTooLargeText(size_t bytes) {
  return UiString(IDS_IMAGE_TOO_LARGE) +
         FillIn(translate("Placement", "%1 bytes."), {std::to_string(bytes)});
}

std::string PreviewSizeText(size_t bytes) {
  char text[256];
  std::snprintf(text, sizeof text,
                UiString(PictureFitsRecord(bytes) ? IDS_PREVIEW_FITS : IDS_PREVIEW_TOO_LARGE).c_str(),
                static_cast<unsigned long>(bytes), static_cast<unsigned long>(kMaxPictureBytes));
  return text;
}

}  // namespace quillet
