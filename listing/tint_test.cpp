// Tests of the listtint core in-process: lines from blocks, and state across lines.
#include "tint.h"

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "memory_input.h"
#include "tint_reference.h"

namespace {

// The stream of input read in blocks, which end anywhere when seed is not 0 (reads of drawn
// sizes); and the one the literal passes give for its lines.
std::string through_reader(const std::string &input, uint64_t seed) {
  OutBuf out;
  ListTint t;
  MemoryInput in{input.data(), input.size(), seed};
  ListingReader reader(MemoryInput::read, &in);
  t.run(reader, out);
  return out.str();
}

std::string by_lines(const std::string &input) {
  ReferenceTint ref;
  std::string want = "1,$ca;fgc green; bgc black; fgc green \n";
  for (size_t at = 0, n; at < input.size(); at += n) {
    size_t nl = input.find('\n', at);
    n = nl == std::string::npos ? input.size() - at : nl + 1 - at;
    want += ref.line(input.data() + at, n);
  }
  return want;
}

std::string tint(const std::vector<std::string> &lines) {
  OutBuf out;
  ListTint t;
  for (const std::string &l : lines) t.piece(l.data(), l.size(), out);
  return out.str();
}

}  // namespace

TEST(ListTint, BlocksThatEndAnywhereGiveTheLinesOfALineReader) {
  // Every line is marked, so each line shows in the stream with its number: short and empty
  // lines, one of 5000 bytes with a marker across byte 4096, one of 4095 bytes, no final
  // newline; then over three blocks of marked lines.
  const std::string mark = "\\*(+Kx\\*(-K";
  std::string cut = std::string(4093, 'x') + mark + std::string(900, 'x') + mark;
  std::string input =
      mark + "\n\n" + mark + "\n" + cut + "\n" + std::string(4084, 'y') + mark + "\nend" + mark;
  for (int k = 0; input.size() < 200000; k++) input += mark + std::string(k % 50, 'y') + "\n";
  input += "\\*(+C last \\*";
  std::string want = by_lines(input);
  EXPECT_NE(want.find("[3,1],[3,2]ca yellow"), std::string::npos);
  EXPECT_EQ(through_reader(input, 0), want);
  for (uint64_t seed = 1; seed <= 40; seed++) ASSERT_EQ(through_reader(input, seed), want) << seed;
  EXPECT_EQ(through_reader("", 0), by_lines(""));
}

TEST(ListTint, SavedStartOutlivesItsLineAndIsNeverCleared) {
  EXPECT_EQ(tint({"x\\*(+Cc\n", "\n", "\\*(-C\\*(-C\n"}),
            "[1,-1],[3,1]ca cyan black # MC! \n[1,-1],[3,1]ca cyan black # MC! \n");
}

TEST(ListTint, ResetForgetsLineCountAndSavedStart) {
  OutBuf out;
  ListTint t;
  t.piece("\\*(+C\n", 6, out);
  t.reset();
  t.piece("\\*(-C\n", 6, out);
  EXPECT_EQ(out.str(), ",[1,1]ca cyan black # MC! \n");
}

TEST(ListTint, ALineLongerThanABlockKeepsItsNumberAndColumns) {
  // Parts of a block: each marks a keyword, and one ends with a backslash that the next part's
  // marker begins; the line after it is line 2.
  const std::string mark = "\\*(+Kab\\*(-K";
  std::string line = std::string(70000, 'x') + mark;
  line.replace(kPartMax - 2, mark.size(), mark);
  line += std::string(100000, 'y') + mark + "\n";
  std::string input = line + mark + "\n";
  std::string want = by_lines(input);
  EXPECT_NE(want.find("[1,65535],[1,65537]ca yellow"), std::string::npos) << want;
  EXPECT_NE(want.find("[2,1],[2,3]ca yellow"), std::string::npos) << want;
  for (uint64_t seed = 0; seed <= 5; seed++) EXPECT_EQ(through_reader(input, seed), want) << seed;
  // A zero byte in a part ends the line's text: the later parts' markers are not read.
  std::string zero =
      std::string(1000, 'x') + '\0' + std::string(kPartMax, 'x') + mark + "\n" + mark;
  EXPECT_EQ(through_reader(zero, 0), by_lines(zero));
}

namespace {

// Pieces rich in near-markers: markers, markers with a byte missing or wrong, stray backslashes,
// markers split by other markers (removals join new ones), zero bytes, ends of pieces.
std::string near_markers(std::mt19937 &rng, size_t len) {
  static const char *const kBits[] = {
      "\\*(+K", "\\*(-K", "\\*(+C", "\\*(-C", "\\*(", "\\*", "\\", "*(", "(+K", "(-C", "+K", "-C",
      "K", "C", "+", "x", " ", "\\*(+X", "\\*x+K", "\\*(*K", "\\e", "\\fB", "\\c", "\t",
      // a removal joins a marker with 1, 2, 3 or 4 of its bytes left of the join
      "\\\\*(+K*(-K", "\\*\\*(+K(-C", "\\*(\\*(+K+K", "\\*(-\\*(+KK", "\\*(+\\*(-KC"};
  std::string s;
  while (s.size() < len) {
    size_t k = rng() % (sizeof kBits / sizeof kBits[0] + 1);
    if (k == sizeof kBits / sizeof kBits[0])
      s += '\0';
    else
      s += kBits[k];
  }
  s.resize(len);
  return s;
}

}  // namespace

TEST(ListTint, ALineFullOfOneKindOfMarker) {
  // Openers and a closer: the most markers of one kind that a line of a block can hold.
  std::string p;
  while (p.size() + 11 <= kPartMax) p += "\\*(+K";
  p += "\\*(-K\n";
  OutBuf out;
  ListTint t;
  t.piece(p.data(), p.size(), out);
  EXPECT_EQ(out.str(), ReferenceTint().line(p.data(), p.size()));
  EXPECT_EQ(out.str(), "[1,1],[1," + std::to_string(p.size() - 1 - 10 + 1) + "]ca yellow black\n");
}

TEST(ListTint, AgreesWithTheLiteralPasses) {
  // Hand-picked lines first: formed markers, a troff escape, a marker that ends the piece.
  std::vector<std::string> lines = {"\\*(+Kif\\*(-K \\*(+Kfor\\*(-K\n",
                                    "x\\*(-Ka\\*(+Kz\n",
                                    "\\*(\\*(+K\\*(-K+Kz\\*(-K\n",
                                    "\\fB\\*(+Kx\\*(-K\\fR\n",
                                    "\\*(+K\\",
                                    "\\*(+C\\*(+C\\*(-K\\*(-K\\*(-C\n",
                                    "\\*(-C"};
  // A join whose left neighbour lies a whole removed word away: "\*(" at the end of the first
  // 64 bytes, 70 bytes of keyword markers, then "+C", which the last removal makes a marker.
  std::string far = std::string(61, 'x') + "\\*(";
  for (int k = 0; k < 7; k++) far += "\\*(+K\\*(-K";
  lines.push_back(far + "+Cc\\*(-C\n");
  std::mt19937 rng(12);
  for (int k = 0; k < 3000; k++)
    lines.push_back(near_markers(rng, rng() % (k % 10 ? 60 : k % 500 ? 4200 : kPartMax)));
  OutBuf out;
  ListTint tint;
  ReferenceTint ref;
  std::string want;
  for (const std::string &l : lines) {
    tint.piece(l.data(), l.size(), out);
    want += ref.line(l.data(), l.size());
  }
  EXPECT_EQ(out.str(), want);
  EXPECT_GT(want.size(), 50000u);  // the pieces did pair markers
}
