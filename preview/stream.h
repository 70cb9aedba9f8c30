// Reading a color command stream into areas of a source text, the way the editor applies it.
#ifndef ILVO_PREVIEW_STREAM_H
#define ILVO_PREVIEW_STREAM_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "outbuf.h"

// A color: a value, or none ("" or unset), which lets the color underneath show.
struct Color {
  bool set = false;
  uint8_t r = 0, g = 0, b = 0;
  bool operator==(const Color &o) const {
    return set == o.set && (!set || (r == o.r && g == o.g && b == o.b));
  }
  bool operator!=(const Color &o) const { return !(*this == o); }
};

// Reads a color word: a terminal color name, '#rrrrggggbbbb' (quoted or not) or "" (none).
// False for anything else.
bool parse_color(std::string_view word, Color *out);

// Where each line of the source starts, to turn [line,column] into a byte offset.
class LineTable {
 public:
  explicit LineTable(std::string_view text);
  // Offset of column col of line ln: column 1 is the line's first byte, a column of 0 or less
  // the line's start, one past the line's end its newline; lines past the end give the end.
  size_t offset(int64_t ln, int64_t col) const;
  size_t size() const { return size_; }

 private:
  std::vector<size_t> starts_;  // offset of each line's first byte
  size_t size_;
};

// One colored area, [start, end) in bytes of the source, in the order the stream gave it.
struct Area {
  size_t start, end;
  Color fg, bg;
};

// What a stream leaves: the areas still in force and the colors of the text they leave bare.
struct Coloring {
  std::vector<Area> areas;
  Color fg, bg;
};

// Runs every command of stream against the source's lines. Problems are reported on err as
// "ilvo_preview: NAME:LINE: reason" and the command is skipped; msg texts go to err as well.
Coloring read_stream(std::string_view stream, const LineTable &lines, const char *name,
                     OutBuf &err);

#endif
