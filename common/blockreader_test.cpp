// Tests of the block reader and the bit walks the scanners make over its bitmaps.
#include "blockreader.h"

#include <random>
#include <string>

#include <gtest/gtest.h>

#include "bytescan.h"
#include "memory_input.h"

namespace {

// Classes of a test: 0, an 'a' followed by 'b', which may stand in the next word; 1, 'x'; 2,
// newlines. Made byte by byte, for a block's bytes with zeros behind them.
struct TestClasses {
  static void classify(const char *p, uint64_t (&classes)[Block::kClasses]) {
    for (uint64_t &c : classes) c = 0;
    for (int i = 0; i < 64; i++) {
      classes[0] |= uint64_t{p[i] == 'a' && p[i + 1] == 'b'} << i;
      classes[1] |= uint64_t{p[i] == 'x'} << i;
      classes[2] |= uint64_t{p[i] == '\n'} << i;
    }
  }
};

// Whether bit i of bits is set, the slow way.
bool bit(const std::vector<uint64_t> &bits, size_t i) {
  return bits[i / 64] >> (i % 64) & 1;
}

}  // namespace

TEST(BitWalks, AgreeWithABitByBitWalk) {
  // Ranges that start and end on and around word boundaries, over sparse and dense words.
  std::mt19937_64 rng(5);
  for (int round = 0; round < 300; round++) {
    std::vector<uint64_t> bits(5);
    for (uint64_t &w : bits) w = round % 3 == 0 ? rng() : rng() & rng() & rng() & rng();
    if (round % 5 == 0) bits[round % 5] = 0;
    for (size_t from = 0; from <= 320; from += 1 + rng() % 9) {
      for (size_t to = from; to <= 320; to += 1 + rng() % 13) {
        size_t first = to, last = to, count = 0;
        for (size_t i = from; i < to; i++) {
          if (!bit(bits, i)) continue;
          if (first == to) first = i;
          last = i;
          count++;
        }
        ASSERT_EQ(find_bit(bits.data(), from, to), first) << from << " " << to;
        ASSERT_EQ(last_bit(bits.data(), from, to), last) << from << " " << to;
        ASSERT_EQ(count_bits(bits.data(), from, to), count) << from << " " << to;
      }
    }
  }
}

TEST(BlockReader, EveryBlockHoldsTheInputItsClassesAndZerosBehind) {
  // Reads of drawn sizes and scanners that take drawn parts: the block's bytes are those of the
  // input from where the scanner left it, the kBack bytes before are the input's, the kAhead
  // behind are zero, and every word's classes are those of its bytes as they are now.
  std::mt19937 rng(11);
  const char kBytes[] = "abx\n.";
  for (int round = 0; round < 60; round++) {
    std::string input(round % 6 == 0 ? 200000 : rng() % 3000, '.');
    for (char &c : input) c = kBytes[rng() % 5];
    MemoryInput source{input.data(), input.size(), static_cast<uint64_t>(round + 1)};
    BlockReader<TestClasses> in(MemoryInput::read, &source);
    size_t offset = 0;  // of the block's first byte in the input
    Block b;
    for (size_t from = 0; in.next(from, &b);) {
      ASSERT_EQ(std::string(b.data, b.size), input.substr(offset, b.size));
      for (size_t i = 1; i <= Block::kBack; i++)
        ASSERT_EQ(b.data[-static_cast<ptrdiff_t>(i)], i <= offset ? input[offset - i] : '\0');
      ASSERT_EQ(std::string(b.data + b.size, Block::kAhead), std::string(Block::kAhead, '\0'));
      for (size_t w = 0; w * 64 < b.size; w++) {
        uint64_t want[Block::kClasses];
        TestClasses::classify(b.data + w * 64, want);
        for (int k = 0; k < Block::kClasses; k++)
          ASSERT_EQ(b.bits[k][w], want[k]) << "word " << w << " class " << k;
      }
      if (b.last) {
        ASSERT_EQ(offset + b.size, input.size());
      }
      // Now and then nothing, unless the block is full or the last; else a drawn part.
      bool must = b.last || b.size == BlockInput::kBlock;
      from = b.last ? b.size : rng() % 3 == 0 && !must ? 0 : 1 + rng() % b.size;
      offset += from;
    }
    EXPECT_EQ(offset, input.size());
  }
}

#ifndef NDEBUG
TEST(BlockReaderDeathTest, AScannerThatTakesNothingOfAFullBlockStopsATestBuild) {
  std::string input(3 * BlockInput::kBlock, 'x');
  MemoryInput source{input.data(), input.size()};
  BlockReader<TestClasses> in(MemoryInput::read, &source);
  Block b;
  ASSERT_TRUE(in.next(0, &b));
  ASSERT_EQ(b.size, BlockInput::kBlock);
  EXPECT_DEATH(in.next(0, &b), "progress");
  std::string small(10, 'x');
  MemoryInput rest{small.data(), small.size()};
  BlockReader<TestClasses> last(MemoryInput::read, &rest);
  ASSERT_TRUE(last.next(0, &b));
  ASSERT_TRUE(last.next(0, &b));  // the read that finds the end
  ASSERT_TRUE(b.last);
  EXPECT_DEATH(last.next(3, &b), "progress");
}
#endif
