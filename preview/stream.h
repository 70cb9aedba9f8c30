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

// Runs the commands of a stream, line by line as they come, against the source's lines.
// Problems are reported on err as "ilvo_preview: NAME:LINE: reason" and the command is skipped;
// msg texts go to err as well. Every text from the stream reaches err in visible form.
class StreamReader {
 public:
  StreamReader(const LineTable &lines, std::string_view name, OutBuf &err)
      : lines_(lines), name_(name), err_(err) {}
  // The next line of the stream, without its newline.
  void line(std::string_view text);
  const Coloring &coloring() const { return out_; }

 private:
  void command(std::string_view cmd);
  void area(std::string_view cmd);
  void color_word(std::string_view word, Color *c);
  void problem(const Fmt &fmt, std::string_view text);
  const LineTable &lines_;
  std::string_view name_;
  OutBuf &err_;
  Coloring out_;
  int64_t lineno_ = 0;
};

// The whole of a stream held in memory, for tests.
Coloring read_stream(std::string_view stream, const LineTable &lines, const char *name,
                     OutBuf &err);

// The opening line that listtint writes, by which a stream tells it colors a marked listing.
constexpr std::string_view kListingOpening = "1,$ca;fgc green; bgc black; fgc green ";

// A marked listing as the editor shows it: every keyword and comment marker taken out of each
// line (also those that taking out others forms), the rest as it stands.
std::string without_markers(std::string_view listing);

#endif
