// The decoders' kept blocks: which freed blocks come back, within which bounds, and when they
// are finally freed.

#include "archive/kept_blocks.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <thread>
#include <vector>

namespace vantorel::archive {
namespace {

constexpr std::size_t kMiB = std::size_t{1} << 20;

TEST(KeptBlocks, AFreedBlockComesBackForASizeItFitsWithinTwiceOnlyInsideAScope) {
  const std::size_t size = 4 * kMiB;
  struct Case {
    std::size_t asked;  // the next request after a block of size was freed
    bool same;          // it gets that block
  };
  const Case cases[] = {{size, true},     {size / 2, true},  {size - 1, true},
                        {size / 2 - 1, false}, {size + 1, false}, {KeptBlocks::kSmallestKept - 1, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.asked);
    const KeptBlocks::Scope scope;
    void* block = KeptBlocks::Allocate(size);
    ASSERT_NE(block, nullptr);
    std::memset(block, 0xAB, size);  // every byte is usable
    KeptBlocks::Free(block);
    EXPECT_EQ(KeptBlocks::KeptBytes(), size);
    void* next = KeptBlocks::Allocate(c.asked);
    EXPECT_EQ(next == block, c.same);
    EXPECT_EQ(KeptBlocks::KeptBytes(), c.same ? 0 : size);
    KeptBlocks::Free(next);
  }
  EXPECT_EQ(KeptBlocks::KeptBytes(), 0u);  // the scopes' ends freed what they kept

  void* block = KeptBlocks::Allocate(size);
  KeptBlocks::Free(block);
  EXPECT_EQ(KeptBlocks::KeptBytes(), 0u);  // no scope: freed at once
}

TEST(KeptBlocks, SmallestFittingBlockIsChosen) {
  const KeptBlocks::Scope scope;
  void* large = KeptBlocks::Allocate(3 * kMiB);
  void* small = KeptBlocks::Allocate(2 * kMiB);
  KeptBlocks::Free(large);
  KeptBlocks::Free(small);
  EXPECT_EQ(KeptBlocks::Allocate(3 * kMiB / 2 + 1), small);
  EXPECT_EQ(KeptBlocks::Allocate(3 * kMiB / 2 + 1), large);
  KeptBlocks::Free(small);
  KeptBlocks::Free(large);
}

TEST(KeptBlocks, KeepsAtMostItsBoundsTheLongestKeptGoingFirst) {
  const KeptBlocks::Scope outer;
  {
    const KeptBlocks::Scope inner;  // nested: its end frees nothing
    std::vector<void*> blocks;
    for (std::size_t i = 0; i < KeptBlocks::kMostKeptBlocks + 3; ++i)
      blocks.push_back(KeptBlocks::Allocate(KeptBlocks::kSmallestKept + i));
    for (void* block : blocks) KeptBlocks::Free(block);
    EXPECT_LE(KeptBlocks::KeptBytes(), KeptBlocks::kMostKeptBlocks * (KeptBlocks::kSmallestKept + 20));
    // The first three freed went first: the smallest request now gets the fourth.
    EXPECT_EQ(KeptBlocks::Allocate(KeptBlocks::kSmallestKept), blocks[3]);
    KeptBlocks::Free(blocks[3]);
  }
  EXPECT_GT(KeptBlocks::KeptBytes(), 0u);

  void* huge = KeptBlocks::Allocate(KeptBlocks::kMostKeptBytes + 1);
  ASSERT_NE(huge, nullptr);
  const std::size_t before = KeptBlocks::KeptBytes();
  KeptBlocks::Free(huge);
  EXPECT_EQ(KeptBlocks::KeptBytes(), before);  // too large to keep

  std::vector<void*> big;
  for (int i = 0; i < 3; ++i) big.push_back(KeptBlocks::Allocate(KeptBlocks::kMostKeptBytes / 2));
  for (void* block : big) KeptBlocks::Free(block);
  EXPECT_LE(KeptBlocks::KeptBytes(), KeptBlocks::kMostKeptBytes);
}

TEST(KeptBlocks, EachThreadKeepsItsOwn) {
  const KeptBlocks::Scope scope;
  void* mine = KeptBlocks::Allocate(kMiB);
  KeptBlocks::Free(mine);
  void* theirs = nullptr;
  std::size_t theirs_kept = 1;
  std::thread other([&] {
    const KeptBlocks::Scope other_scope;
    theirs = KeptBlocks::Allocate(kMiB);
    KeptBlocks::Free(theirs);
    theirs_kept = KeptBlocks::KeptBytes();
  });
  other.join();
  EXPECT_NE(theirs, mine);
  EXPECT_EQ(theirs_kept, kMiB);
  EXPECT_EQ(KeptBlocks::KeptBytes(), kMiB);
  EXPECT_EQ(KeptBlocks::Allocate(kMiB), mine);
  KeptBlocks::Free(mine);
}

TEST(KeptBlocks, NothingAndImpossibleSizes) {
  KeptBlocks::Free(nullptr);
  EXPECT_EQ(KeptBlocks::Allocate(static_cast<std::size_t>(-1)), nullptr);
}

}  // namespace
}  // namespace vantorel::archive
