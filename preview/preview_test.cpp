// Tests of the preview's model: colors, positions, and the sweep against a plain painter.
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "listmarks.h"
#include "source.h"
#include "stream.h"
#include "sweep.h"
#include "visible.h"

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
  LineTable nl("\nab");  // a text that starts with its first line's end
  EXPECT_EQ(nl.offset(2, 1), 1u);
  EXPECT_EQ(nl.offset(1, 5), 0u);
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
      c.areas.push_back({a, b, palette[rng() % 4], palette[rng() % 4], k + 1});
    }
    // Painting byte by byte, latest area last, "" painting nothing.
    std::vector<long> fg(size, -1), bg(size, -1);  // the area that gives each byte its color
    for (size_t k = 0; k < c.areas.size(); k++)
      for (size_t i = c.areas[k].start; i < c.areas[k].end && i < size; i++) {
        if (c.areas[k].fg.set) fg[i] = static_cast<long>(k);
        if (c.areas[k].bg.set) bg[i] = static_cast<long>(k);
      }
    Sweep s(c, size);
    size_t start, end, covered = 0;
    Color f, b;
    long fa, ba;
    while (s.next(&start, &end, &f, &b, &fa, &ba)) {
      ASSERT_EQ(start, covered);
      ASSERT_LT(start, end);
      for (size_t i = start; i < end; i++) {
        ASSERT_EQ(fa, fg[i]) << "round " << round << " byte " << i;
        ASSERT_EQ(ba, bg[i]) << "round " << round << " byte " << i;
        ASSERT_EQ(f, fa < 0 ? Color{} : c.areas[static_cast<size_t>(fa)].fg);
        ASSERT_EQ(b, ba < 0 ? Color{} : c.areas[static_cast<size_t>(ba)].bg);
      }
      covered = end;
    }
    EXPECT_EQ(covered, size);
  }
}

TEST(Visible, EveryKindOfByte) {
  const struct {
    std::string in, out;
  } cases[] = {
      {"a\tb\n ~", "a^Ib^J ~"},  // a message stays on its line
      {std::string("\0\x1b\x07\x7f\r", 5), "^@^[^G^?^M"},
      {"\xc2\x9b\xc2\x80\xc2\x9f", "\\x9b\\x80\\x9f"},  // C1 controls, UTF-8
      {"\xc2\xa0\xdf\xbf", "\xc2\xa0\xdf\xbf"},         // the first and last after them
      {"\xc0\xaf\xc1\xbf", "\\xc0\\xaf\\xc1\\xbf"},     // overlong
      {"\xe0\xa0\x80\xe0\x9f\x80", "\xe0\xa0\x80\\xe0\\x9f\\x80"},
      {"\xed\x9f\xbf\xed\xa0\x80", "\xed\x9f\xbf\\xed\\xa0\\x80"},  // a surrogate is no character
      {"\xe1\x80\xbf\xee\x80\x80\xef\xbf\xbf", "\xe1\x80\xbf\xee\x80\x80\xef\xbf\xbf"},
      {"\xf0\x90\x80\x80\xf0\x8f\x80\x80", "\xf0\x90\x80\x80\\xf0\\x8f\\x80\\x80"},
      {"\xf3\xbf\xbf\xbf\xf4\x8f\xbf\xbf\xf4\x90\x80\x80",
       "\xf3\xbf\xbf\xbf\xf4\x8f\xbf\xbf\\xf4\\x90\\x80\\x80"},
      {"\xf5\x80\xff", "\\xf5\\x80\\xff"},
      {"\xe1\x80", "\\xe1\\x80"},  // cut short by the end
      {"\xe1\x80x", "\\xe1\\x80x"},
      // Characters that reorder text or show nothing, at the edges of their ranges, beside
      // neighbours that show.
      {"user\xe2\x80\xae \xe2\x81\xa6x\xe2\x81\xa9", "user\\u202e \\u2066x\\u2069"},
      {"\xe2\x80\x8a\xe2\x80\x8b\xe2\x80\x8f\xe2\x80\x90",
       "\xe2\x80\x8a\\u200b\\u200f\xe2\x80\x90"},
      {"\xc2\xad\xef\xbb\xbf\xf3\xa0\x80\x81\xf3\xa0\x82\x80",
       "\\u00ad\\ufeff\\ue0001\xf3\xa0\x82\x80"},
  };
  for (const auto &c : cases) EXPECT_EQ(visible(c.in), c.out) << c.in;
}

TEST(ReadStream, EveryMalformedLineIsReportedAndSkipped) {
  LineTable t("abc\ndef\n");
  const struct {
    const char *line, *err;  // err: what the report says, or "" when the line is read
    size_t areas;
  } cases[] = {
      {"[1,1],[1,2]ca red red", "", 1},
      {" \t[1,1],[1,2]ca   red  red \r", "", 1},
      {"[1,1],[1,2]ca '#FFFF0000aBcD' '#0000ffff8000'", "", 1},
      {"[1,1],[1,2]ca '#ffff;0000abcd' red", "unknown color", 1},  // ';' in quotes is no end
      {"[1,1],[1,2]ca '#ffff0000abcg' red", "unknown color", 1},
      {"[1,1],[1,2]ca red", "unknown command", 0},
      {"[1,1],[1,2] ca", "unknown command", 0},
      {"[1,1],[1,2]xx red red", "unknown command", 0},
      {"[1", "cannot read the range", 0},
      {"[1,", "cannot read the range", 0},
      {"[1,2", "cannot read the range", 0},
      {"[1,2]", "cannot read the range", 0},
      {"[1,2],", "cannot read the range", 0},
      {"[1,2],[", "cannot read the range", 0},
      {"[a,1],[1,2]ca red red", "cannot read the range", 0},
      {"[1,-],[1,2]ca red red", "cannot read the range", 0},
      {",[1", "cannot read the range", 0},
      {"[99999999999999999999999,1],[1,2]ca red red", "", 0},  // starts past the end
      {"[2,2],$ca red red", "", 1},
      {",[1,3]ca red red", "", 1},
      {"[1,3],[1,1]ca red red", "", 0},  // ends before it starts: nothing to color
      {"fgc", "unknown command", 0},
      {"fgc ", "unknown command", 0},
      {"fgc pink", "unknown color", 0},
      {"msg", "", 0},
      {"msg'x'", "unknown command", 0},
      {"# only a label", "", 0},
      {";;", "", 0},
  };
  for (const auto &c : cases) {
    OutBuf err;
    Coloring col = read_stream(c.line, t, "s", err);
    if (*c.err)
      EXPECT_NE(err.str().find(c.err), std::string::npos) << c.line << ": " << err.str();
    else
      EXPECT_EQ(err.str().find("ilvo_preview"), std::string::npos) << c.line << ": " << err.str();
    EXPECT_EQ(col.areas.size(), c.areas) << c.line;
  }
}

TEST(ReadStream, MsgTextsAsTheyStand) {
  LineTable t("");
  OutBuf err;
  read_stream("msg ''\nmsg 'a' b\nmsg x\nmsg\n", t, "s", err);
  EXPECT_EQ(err.str(), "\n'a' b\nx\n\n");
}

TEST(WithoutMarkers, TakesOutEveryMarkerAndTheOnesThatForm) {
  EXPECT_EQ(without_markers("\\*(+Kif\\*(-K x\n\\*(\\*(+C+Cy\\*(-C\n\\*(+Xz\\*e"),
            "if x\ny\n\\*(+Xz\\*e");
  EXPECT_EQ(without_markers(""), "");
  // Against the literal removal, line by line until no marker is left, on lines rich in markers
  // that removals join.
  std::mt19937 rng(3);
  const char *const kBits[] = {"\\*(+K", "\\*(-C", "\\*(", "\\", "*(", "+K", "-C", "+", "x", "\n"};
  for (int round = 0; round < 500; round++) {
    std::string in;
    for (auto k = rng() % 60; k > 0; k--) in += kBits[rng() % 10];
    std::string want;
    for (size_t at = 0; at < in.size();) {
      size_t stop = std::min(in.find('\n', at), in.size() - 1) + 1;
      std::string line = in.substr(at, stop - at);
      for (bool found = true; found;) {
        found = false;
        for (std::string_view m : kListingMarkers)
          for (size_t k; (k = line.find(m)) != std::string::npos; found = true) line.erase(k, 5);
      }
      want += line;
      at = stop;
    }
    ASSERT_EQ(without_markers(in), want) << in;
  }
}
