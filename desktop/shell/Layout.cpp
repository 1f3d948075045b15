#include "desktop/shell/Layout.h"

#include <algorithm>

namespace quillet {

ShellLayout ComputeLayout(int width, int height, int percent, int comboHeight) {
  const int left = static_cast<int>(width * (percent / 100.0));
  const int right = static_cast<int>(width * (1.0 - percent / 100.0));
  ShellLayout l;
  l.browser = {left + kSplitterWidth, kTopBand, right - 4, height};
  l.browserControl = {0, 0, right - 4, height - kTopBand};
  l.splitter = {width * percent / 100, kTopBand, kSplitterWidth, height - kTopBand};
  l.recordWindow = {left + kSplitterWidth, kTopBand, right - kSplitterWidth, height - kTopBand};
  l.findList = {0, kTopBand, left, height - kTopBand};
  l.treeAndImageList = {0, comboHeight + kTopBand, left, height - comboHeight - kTopBand};
  l.combos = {0, kTopBand, left, comboHeight};
  return l;
}

SplitterStop SplitterDrag(int x, int clientWidth) {
  if (x <= 1) return {1, 1};
  if (x > clientWidth - kSplitterWidth) return {clientWidth - kSplitterWidth, 99};
  return {x, clientWidth > 0 ? x * 100 / clientWidth : 1};
}

namespace {

// A stored number as the window system would take it: the registry holds
// unsigned words, a window size is signed.
int AsCoordinate(uint32_t value) { return static_cast<int>(static_cast<int32_t>(value)); }

}  // namespace

Placement PlacementFromStored(uint32_t x, uint32_t y, uint32_t w, uint32_t h,
                              const LayoutRect& available) {
  // The minimum is applied on the unsigned values, so a negative size
  // (a huge unsigned one) is not raised; it is cut below.
  if (w < static_cast<uint32_t>(kMinWindowWidth)) w = kMinWindowWidth;
  if (h < static_cast<uint32_t>(kMinWindowHeight)) h = kMinWindowHeight;
  Placement p;
  p.x = AsCoordinate(x);
  p.y = AsCoordinate(y);
  p.width = w > kMaxWindowSide ? std::max(available.width, kMinWindowWidth) : static_cast<int>(w);
  p.height = h > kMaxWindowSide ? std::max(available.height, kMinWindowHeight) : static_cast<int>(h);
  if (available.width > 0 && available.height > 0) {
    const bool outside = p.x + p.width <= available.x || p.x >= available.x + available.width ||
                         p.y + p.height <= available.y || p.y >= available.y + available.height;
    if (outside) {
      p.x = available.x + std::max(0, (available.width - p.width) / 2);
      p.y = available.y + std::max(0, (available.height - p.height) / 2);
    }
  }
  return p;
}

namespace {

int64_t Overlap(const Placement& p, const LayoutRect& s) {
  const int64_t w = std::min<int64_t>(int64_t{p.x} + p.width, int64_t{s.x} + s.width) - std::max(p.x, s.x);
  const int64_t h = std::min<int64_t>(int64_t{p.y} + p.height, int64_t{s.y} + s.height) - std::max(p.y, s.y);
  return w > 0 && h > 0 ? w * h : 0;
}

// Moves [pos, pos + size) inside [start, start + length); a size larger than
// the length starts at `start`.
int Inside(int pos, int size, int start, int length) {
  if (size >= length) return start;
  return std::clamp(pos, start, start + length - size);
}

}  // namespace

Placement FitToScreen(Placement p, const std::vector<LayoutRect>& screens) {
  const LayoutRect* best = nullptr;
  int64_t most = 0;
  for (const LayoutRect& s : screens) {
    if (s.width <= 0 || s.height <= 0) continue;
    if (!best) best = &s;  // the first usable one unless another holds more
    const int64_t o = Overlap(p, s);
    if (o > most) {
      most = o;
      best = &s;
    }
  }
  if (!best) return p;
  const LayoutRect& s = *best;
  if (p.maximized && p.width >= s.width && p.height >= s.height) {
    p.width = s.width * 8 / 10;
    p.height = s.height * 8 / 10;
    p.x = s.x + (s.width - p.width) / 2;
    p.y = s.y + (s.height - p.height) / 2;
  }
  p.width = std::max(std::min(p.width, s.width), kMinWindowWidth);
  p.height = std::max(std::min(p.height, s.height), kMinWindowHeight);
  p.x = Inside(p.x, p.width, s.x, s.width);
  p.y = Inside(p.y, p.height, s.y, s.height);
  return p;
}

}  // namespace quillet
