// Tests of the preview's model: colors, positions, and the sweep against a plain painter.
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "render.h"
#include "stream.h"

TEST(ParseColor, NamesNumbersAndNone) {
  Color c;
  ASSERT_TRUE(parse_color("Cyan", &c));
  EXPECT_TRUE(c.set);
  EXPECT_EQ(c, (Color{true, 0x00, 0xcd, 0xcd}));
  ASSERT_TRUE(parse_color("'#ffff0010ab00'", &c));
  EXPECT_EQ(c, (Color{true, 0xff, 0x00, 0xab}));
  ASSERT_TRUE(parse_color("#0000ffff8000", &c));
  EXPECT_EQ(c, (Color{true, 0x00, 0xff, 0x80}));
  ASSERT_TRUE(parse_color("\"\"", &c));
  EXPECT_FALSE(c.set);
  for (const char *bad : {"pink", "", "'#fff'", "#gggg00000000", "'#ffff0010ffff", "cyanx"})
    EXPECT_FALSE(parse_color(bad, &c)) << bad;
}

TEST(LineTable, PositionsClampToTheText) {
  LineTable t("ab\ncde\nf");  // lines start at 0, 3 and 7; size 8
  EXPECT_EQ(t.offset(1, 1), 0u);
  EXPECT_EQ(t.offset(2, 2), 4u);
  EXPECT_EQ(t.offset(2, 0), 3u);  // a column of 0 or less starts the line
  EXPECT_EQ(t.offset(2, -9), 3u);
  EXPECT_EQ(t.offset(2, 4), 6u);  // one past the line: its newline
  EXPECT_EQ(t.offset(2, 99), 6u);
  EXPECT_EQ(t.offset(3, 5), 8u);  // the last line has no newline
  EXPECT_EQ(t.offset(4, 1), 8u);  // past the last line: the end
  EXPECT_EQ(t.offset(0, 5), 0u);
  EXPECT_EQ(t.offset(-3, 5), 0u);
}

TEST(ReadStream, FreshStartDropsEarlierAreasAndDefaults) {
  LineTable t("abc\n");
  OutBuf err;
  Coloring c = read_stream(
      "fgc red\n[1,1],[1,2]ca red \"\"\n1,$ ca;bgc blue\n[1,2],$ca green black\n", t, "s", err);
  EXPECT_EQ(err.str(), "");
  ASSERT_EQ(c.areas.size(), 1u);
  EXPECT_EQ(c.areas[0].start, 1u);
  EXPECT_EQ(c.areas[0].end, 4u);
  EXPECT_FALSE(c.fg.set);
  EXPECT_EQ(c.bg, (Color{true, 0, 0, 0xee}));
}

TEST(Sweep, AgreesWithPaintingEveryByte) {
  std::mt19937 rng(7);
  const Color palette[] = {Color{}, Color{true, 1, 0, 0}, Color{true, 2, 0, 0},
                           Color{true, 3, 0, 0}};
  for (int round = 0; round < 200; round++) {  // round: one random text and stream
    size_t size = rng() % 60;
    Coloring c;
    int areas = static_cast<int>(rng() % 12);
    for (int k = 0; k < areas; k++) {
      size_t a = rng() % (size + 3), b = rng() % (size + 3);
      c.areas.push_back({a, b, palette[rng() % 4], palette[rng() % 4]});
    }
    // Painting byte by byte, latest area last, "" painting nothing.
    std::vector<Color> fg(size), bg(size);
    for (const Area &a : c.areas)
      for (size_t i = a.start; i < a.end && i < size; i++) {
        if (a.fg.set) fg[i] = a.fg;
        if (a.bg.set) bg[i] = a.bg;
      }
    Sweep s(c, size);
    size_t start, end, covered = 0;
    Color f, b;
    while (s.next(&start, &end, &f, &b)) {
      ASSERT_EQ(start, covered);
      ASSERT_LT(start, end);
      for (size_t i = start; i < end; i++) {
        ASSERT_EQ(f, fg[i]) << "round " << round << " byte " << i;
        ASSERT_EQ(b, bg[i]) << "round " << round << " byte " << i;
      }
      covered = end;
    }
    EXPECT_EQ(covered, size);
  }
}
