// The heap reserved in large pages: blocks allocated afterwards land in
// the advised range, also those that used to get a mapping of their own.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "desktop/startup/LargePageHeap.h"

namespace quillet {
namespace {

TEST(LargePageHeap, ReservesTheHeapsEndAndAdvisesItForLargePages) {
  // Sizes that make no sense are refused without touching malloc.
  EXPECT_EQ(ReserveLargePageHeap(4096), 0u);
  EXPECT_EQ(ReserveLargePageHeap(size_t{4} << 30), 0u);

  int on_the_stack = 0;
  EXPECT_FALSE(InLargePageRange(&on_the_stack));
  const size_t advised = ReserveLargePageHeap(size_t{64} << 20);
  ASSERT_GE(advised, size_t{32} << 20);

  // A block of 4 MB would have had a mapping of its own before; now it
  // comes from the reserve (whose first, unaligned large page is not
  // advised), as does a run of records' worth of small blocks after it.
  constexpr size_t kBlock = size_t{4} << 20;
  std::unique_ptr<char[]> block(new char[kBlock]);
  std::memset(block.get(), 1, kBlock);
  EXPECT_TRUE(InLargePageRange(block.get() + kBlock - 1));
  std::vector<std::unique_ptr<char[]>> records;
  for (int i = 0; i < 10000; ++i) records.emplace_back(new char[200]);
  EXPECT_TRUE(InLargePageRange(records.back().get()));
  EXPECT_FALSE(InLargePageRange(&on_the_stack));
}

}  // namespace
}  // namespace quillet
