// Tests of the listtint core in-process: piece splitting and state across pieces.
#include "tint.h"

#include <unistd.h>

#include <cstring>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "tint_reference.h"

namespace {

// The pieces that PieceReader makes of input, fed through a pipe in small writes, or from a
// file, whose reads fill whole blocks.
std::vector<std::string> pieces(const std::string &input, bool from_file = false) {
  int fds[2];
  std::thread writer;
  if (from_file) {
    char path[] = "/tmp/tint_testXXXXXX";
    fds[0] = mkstemp(path);
    unlink(path);
    EXPECT_EQ(write(fds[0], input.data(), input.size()), static_cast<ssize_t>(input.size()));
    lseek(fds[0], 0, SEEK_SET);
  } else {
    EXPECT_EQ(pipe(fds), 0);
    writer = std::thread([&] {
      for (size_t at = 0; at < input.size(); at += 1000) {
        size_t n = input.size() - at < 1000 ? input.size() - at : 1000;
        EXPECT_EQ(write(fds[1], input.data() + at, n), static_cast<ssize_t>(n));
      }
      close(fds[1]);
    });
  }
  std::vector<std::string> got;
  PieceReader in(fds[0]);
  Piece p;
  while (in.next(&p)) {
    got.emplace_back(p.text, p.n);
    for (size_t i = 0; i < p.n; i++) {  // the index of backslashes and zero bytes is right
      bool special = p.special[(p.offset + i) / 64] >> ((p.offset + i) % 64) & 1;
      EXPECT_EQ(special, p.text[i] == '\\' || p.text[i] == '\0') << got.size() << ":" << i;
    }
  }
  if (writer.joinable()) writer.join();
  close(fds[0]);
  return got;
}

std::string tint(const std::vector<std::string> &lines) {
  OutBuf out;
  ListTint t;
  for (const std::string &l : lines) t.piece(l.data(), l.size(), out);
  return out.str();
}

}  // namespace

TEST(PieceReader, SplitsLikeALineReaderWithA4096ByteLimit) {
  std::string long_line(5000, 'x');
  std::vector<std::string> got =
      pieces("a\n\n" + long_line + "\n" + std::string(4095, 'y') + "\nend");
  std::vector<std::string> want = {"a\n",
                                   "\n",
                                   std::string(4096, 'x'),
                                   std::string(904, 'x') + "\n",
                                   std::string(4095, 'y') + "\n",
                                   "end"};
  EXPECT_EQ(got, want);
  EXPECT_TRUE(pieces("").empty());
  // Three blocks and more of marked lines, backslashes in every word, the blocks' last too.
  std::string marked;
  for (int k = 0; marked.size() < 200000; k++)
    marked += "\\*(+Kx\\*(-K" + std::string(k % 50, 'y') + "\n";
  std::string joined;
  for (const std::string &p : pieces(marked, true)) joined += p;
  EXPECT_EQ(joined, marked);
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

TEST(ListTint, OverlongPieceIsCutAndMarkersAtItsEndAreFound) {
  std::string p = std::string(4091, ' ') + "\\*(-C" + "\\*(-C";  // second closer lies past the cut
  OutBuf out;
  ListTint t;
  t.piece(p.data(), p.size(), out);
  EXPECT_EQ(out.str(), ",[1,4092]ca cyan black # MC! \n");
}

namespace {

// Pieces rich in near-markers: markers, markers with a byte missing or wrong, stray backslashes,
// markers split by other markers (removals join new ones), zero bytes, ends of pieces.
std::string near_markers(std::mt19937 &rng, size_t len) {
  static const char *const kBits[] = {
      "\\*(+K", "\\*(-K", "\\*(+C", "\\*(-C", "\\*(",  "\\*",   "\\",   "*(",    "(+K",
      "(-C",    "+K",     "-C",     "K",      "C",     "+",     "x",    " ",     "\\*(+X",
      "\\*x+K", "\\*(*K", "\\e",    "\\fB",   "\\c",   "\t",
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

TEST(ListTint, APieceFullOfOneKindOfMarker) {
  // 818 openers and a closer: the most markers of one kind that a piece can hold.
  std::string p;
  for (int k = 0; k < 818; k++) p += "\\*(+K";
  p += "\\*(-K\n";
  OutBuf out;
  ListTint t;
  t.piece(p.data(), p.size(), out);
  EXPECT_EQ(out.str(), "[1,1],[1,4086]ca yellow black\n");
}

TEST(ListTint, AgreesWithTheLiteralPasses) {
  // Hand-picked lines first: formed markers, a troff escape, a marker that ends the piece.
  std::vector<std::string> lines = {"\\*(+Kif\\*(-K \\*(+Kfor\\*(-K\n", "x\\*(-Ka\\*(+Kz\n",
                                    "\\*(\\*(+K\\*(-K+Kz\\*(-K\n", "\\fB\\*(+Kx\\*(-K\\fR\n",
                                    "\\*(+K\\", "\\*(+C\\*(+C\\*(-K\\*(-K\\*(-C\n", "\\*(-C"};
  // A join whose left neighbour lies a whole removed word away: "\*(" at the end of the first
  // 64 bytes, 70 bytes of keyword markers, then "+C", which the last removal makes a marker.
  std::string far = std::string(61, 'x') + "\\*(";
  for (int k = 0; k < 7; k++) far += "\\*(+K\\*(-K";
  lines.push_back(far + "+Cc\\*(-C\n");
  std::mt19937 rng(12);
  for (int k = 0; k < 3000; k++) lines.push_back(near_markers(rng, rng() % (k % 10 ? 60 : 4200)));
  OutBuf out;
  ListTint tint;
  ReferenceTint ref;
  std::string want;
  for (const std::string &l : lines) {
    tint.piece(l.data(), l.size(), out);
    want += ref.piece(l.data(), l.size());
  }
  EXPECT_EQ(out.str(), want);
  EXPECT_GT(want.size(), 50000u);  // the pieces did pair markers
}
