#include <gtest/gtest.h>

#include "desktop/shell/Layout.h"

namespace quillet {
namespace {

TEST(Layout, ChildrenFollowTheSplitterPercentage) {
  // 1000 x 700 at 20 %: left 200, right 800.
  ShellLayout l = ComputeLayout(1000, 700, 20, 24);
  EXPECT_EQ(l.browser, (LayoutRect{205, 38, 796, 700}));
  EXPECT_EQ(l.browserControl, (LayoutRect{0, 0, 796, 662}));
  EXPECT_EQ(l.recordWindow, (LayoutRect{205, 38, 795, 662}));
  EXPECT_EQ(l.findList, (LayoutRect{0, 38, 200, 662}));
  EXPECT_EQ(l.treeAndImageList, (LayoutRect{0, 62, 200, 638}));
  EXPECT_EQ(l.combos, (LayoutRect{0, 38, 200, 24}));
  EXPECT_EQ(l.splitter.x, 200);

  // Widths are truncated separately, so 33 % of 730 gives 240 and 489.
  l = ComputeLayout(730, 570, 33, 20);
  EXPECT_EQ(l.findList.width, 240);
  EXPECT_EQ(l.recordWindow.width, 489 - 5);
}

TEST(Layout, SplitterDragStopsAtOneAndNinetyNinePercent) {
  EXPECT_EQ(SplitterDrag(0, 800), (SplitterStop{1, 1}));
  EXPECT_EQ(SplitterDrag(-40, 800), (SplitterStop{1, 1}));
  EXPECT_EQ(SplitterDrag(1, 800), (SplitterStop{1, 1}));
  EXPECT_EQ(SplitterDrag(2, 800), (SplitterStop{2, 0}));  // integer percent, as dragged
  EXPECT_EQ(SplitterDrag(400, 800), (SplitterStop{400, 50}));
  EXPECT_EQ(SplitterDrag(795, 800), (SplitterStop{795, 99}));
  EXPECT_EQ(SplitterDrag(796, 800), (SplitterStop{795, 99}));
  EXPECT_EQ(SplitterDrag(5000, 800), (SplitterStop{795, 99}));
}

TEST(Layout, StoredPlacementIsRaisedToTheMinimumAndKeptReachable) {
  const LayoutRect screen{0, 0, 1920, 1080};
  EXPECT_EQ(PlacementFromStored(10, 20, 500, 400, screen), (Placement{10, 20, 730, 570}));
  EXPECT_EQ(PlacementFromStored(100, 50, 1024, 768, screen), (Placement{100, 50, 1024, 768}));
  // Nothing stored reads as 0 everywhere.
  EXPECT_EQ(PlacementFromStored(0, 0, 0, 0, screen), (Placement{0, 0, 730, 570}));
  // Larger than the screen is the person's choice.
  EXPECT_EQ(PlacementFromStored(0, 0, 2500, 1200, screen), (Placement{0, 0, 2500, 1200}));
  // A negative size is a huge unsigned number: not raised, but cut to the screen.
  Placement p = PlacementFromStored(0, 0, 0xFFFFFFFFu, 0xFFFFFF00u, screen);
  EXPECT_EQ(p.width, 1920);
  EXPECT_EQ(p.height, 1080);
  // A window left on a screen that is gone comes back into view.
  p = PlacementFromStored(5000, 3000, 800, 600, screen);
  EXPECT_EQ(p, (Placement{560, 240, 800, 600}));
  p = PlacementFromStored(static_cast<uint32_t>(-2000), 10, 800, 600, screen);
  EXPECT_EQ(p.x, 560);
  // Partly visible stays where it was.
  EXPECT_EQ(PlacementFromStored(static_cast<uint32_t>(-100), 10, 800, 600, screen).x, -100);
}

}  // namespace
}  // namespace quillet

namespace quillet {
namespace {

TEST(Layout, PlacementFitsTheScreenItOpensOn) {
  const std::vector<LayoutRect> laptop{{0, 0, 1366, 740}};
  // Saved on a larger screen: shrunk to the screen and moved into it.
  EXPECT_EQ(FitToScreen({300, 200, 1800, 1000}, laptop), (Placement{0, 0, 1366, 740}));
  EXPECT_EQ(FitToScreen({900, 400, 1000, 600}, laptop), (Placement{366, 140, 1000, 600}));
  // Never below the minimum size, even on a tiny screen.
  EXPECT_EQ(FitToScreen({0, 0, 800, 600}, {{0, 0, 700, 500}}), (Placement{0, 0, 730, 570}));
  // What fits stays as it is.
  EXPECT_EQ(FitToScreen({10, 20, 800, 600}, laptop), (Placement{10, 20, 800, 600}));

  // Two screens side by side: the one holding most of the window is used.
  const std::vector<LayoutRect> two{{0, 0, 1920, 1080}, {1920, 0, 1280, 1024}};
  EXPECT_EQ(FitToScreen({2000, 100, 1800, 1000}, two), (Placement{1920, 24, 1280, 1000}));
  EXPECT_EQ(FitToScreen({1700, 100, 800, 600}, two), (Placement{1920, 100, 800, 600}));
  // On no screen at all: the first one (the primary).
  EXPECT_EQ(FitToScreen({-5000, 100, 800, 600}, two), (Placement{0, 100, 800, 600}));

  // A normal size saved while maximized (the whole screen) gives way to 80 %
  // centred, so un-maximising makes the window smaller.
  Placement saved{0, 0, 1366, 740, true};
  EXPECT_EQ(FitToScreen(saved, laptop), (Placement{137, 74, 1092, 592, true}));
  saved.maximized = false;
  EXPECT_EQ(FitToScreen(saved, laptop), (Placement{0, 0, 1366, 740}));
  // No screen known: unchanged.
  EXPECT_EQ(FitToScreen({5, 5, 900, 700}, {}), (Placement{5, 5, 900, 700}));
}

}  // namespace
}  // namespace quillet
