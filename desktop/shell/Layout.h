// Where the main window puts its children, and how the splitter moves.
//
// The window manager keeps the splitter as a percentage of the client
// width, so that the left pane keeps its share when the window is resized;
// everything else is placed from that percentage on every resize.
#pragma once

#include <cstdint>
#include <vector>

namespace quillet {

struct LayoutRect {
  int x = 0, y = 0, width = 0, height = 0;
  bool operator==(const LayoutRect&) const = default;
};

// The rebar's band across the top.
inline constexpr int kTopBand = 38;
inline constexpr int kSplitterWidth = 5;
inline constexpr int kInitialSplitPercent = 20;
// The main window never gets smaller than this.
inline constexpr int kMinWindowWidth = 730;
inline constexpr int kMinWindowHeight = 570;

struct ShellLayout {
  LayoutRect browser;         // the pane; its control is the pane less the top band
  LayoutRect browserControl;  // inside the pane
  LayoutRect splitter;
  LayoutRect recordWindow;    // every record window
  LayoutRect findList;
  LayoutRect treeAndImageList;  // the topic tree and the image list
  LayoutRect combos;          // both category combos
};

// Lays out a client area of width x height with the splitter at `percent`
// and combos `comboHeight` pixels high. The left and right widths are
// width x p/100 and width x (1 - p/100) in double precision, truncated.
ShellLayout ComputeLayout(int width, int height, int percent, int comboHeight);

// Where a splitter drag to pointer x (client coordinates of the main
// window) leaves the splitter. At or left of 1 it stops at 1 pixel and 1
// percent; right of width - 5 at width - 5 and 99 percent.
struct SplitterStop {
  int position = 0;
  int percent = 0;
  bool operator==(const SplitterStop&) const = default;
};
SplitterStop SplitterDrag(int x, int clientWidth);

// The stored placement a window opens at. Sizes below the minimum are
// raised to it; a size no window system takes (a damaged value, or a
// negative one read as unsigned) is cut to the available area, and a
// window lying wholly outside the available area is moved back into it, so
// that a changed screen never leaves the window out of reach.
inline constexpr uint32_t kMaxWindowSide = 32767;
struct Placement {
  int x = 0, y = 0, width = 0, height = 0;
  bool maximized = false;
  bool operator==(const Placement&) const = default;
};
Placement PlacementFromStored(uint32_t x, uint32_t y, uint32_t w, uint32_t h,
                              const LayoutRect& available);

// The placement made to fit the screen it opens on: the screen (by its
// available area) holding most of it, else the first one (the primary).
// A window larger than that area shrinks to it (never below the minimum
// size) and is moved wholly inside it. A maximized window whose normal size
// fills the whole area (a size saved while maximized) gets 80 % of the area,
// centred, as its normal size, so that un-maximising makes it smaller.
Placement FitToScreen(Placement p, const std::vector<LayoutRect>& screens);

}  // namespace quillet
