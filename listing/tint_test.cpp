// Tests of the listtint core in-process: piece splitting and state across pieces.
#include "tint.h"

#include <unistd.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace {

// The pieces that PieceReader makes of input, fed through a pipe in small writes.
std::vector<std::string> pieces(const std::string &input) {
  int fds[2];
  EXPECT_EQ(pipe(fds), 0);
  std::thread writer([&] {
    for (size_t at = 0; at < input.size(); at += 1000) {
      size_t n = input.size() - at < 1000 ? input.size() - at : 1000;
      EXPECT_EQ(write(fds[1], input.data() + at, n), static_cast<ssize_t>(n));
    }
    close(fds[1]);
  });
  std::vector<std::string> got;
  PieceReader in(fds[0]);
  const char *text;
  size_t n;
  while (in.next(&text, &n)) got.emplace_back(text, n);
  writer.join();
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

TEST(ListTint, MarkerPlacesAgreeWithSearchAndRemove) {
  // Lines where every backslash starts a marker, and lines where one does not (a formed
  // marker, a troff escape, a backslash at the end).
  const char *lines[] = {"\\*(+Kif\\*(-K \\*(+Kfor\\*(-K\n", "x\\*(-Ka\\*(+Kz\n",
                         "\\*(+Ka\\*(+Kb\\*(-K\n",           "a\\*(-K\\*(+Cc\\*(-C\n",
                         "\\*(+Cc\\*(-C \\*(+Kk\\*(-K\n",    "/* \\*(+Copen\n",
                         "\\*(-C \\*(+Cnew\\*(-C\\*(-C\n",   "\\*(\\*(+K\\*(-K+Kz\\*(-K\n",
                         "\\fB\\*(+Kx\\*(-K\\fR\n",          "\\*(+K\\",
                         "\\*(+C\\*(+C\\*(-K\\*(-K\\*(-C\n"};
  OutBuf a, b;
  ListTint by_place, by_search;
  by_search.always_search(true);
  for (const char *l : lines) {
    by_place.piece(l, strlen(l), a);
    by_search.piece(l, strlen(l), b);
  }
  EXPECT_EQ(a.str(), b.str());
  EXPECT_NE(a.str(), "");
}
