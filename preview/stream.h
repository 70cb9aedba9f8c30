// Reading a color command stream into areas of a source text, the way the editor applies it.
#ifndef ILVO_PREVIEW_STREAM_H
#define ILVO_PREVIEW_STREAM_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "outbuf.h"
#include "source.h"

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

// One colored area, [start, end) in bytes of the source, in the order the stream gave it, and
// the stream line that gave it.
struct Area {
  size_t start, end;
  Color fg, bg;
  int64_t line;
};

// What a stream leaves: the areas still in force and the colors of the text they leave bare;
// and, when they were kept, the texts of the stream lines that gave areas, one after another in
// one string (a line that gives none, as an empty one, costs nothing).
struct Coloring {
  struct Text {
    int64_t line;
    size_t at, len;  // in text_bytes
  };
  std::vector<Area> areas;
  Color fg, bg;
  std::vector<Text> texts;  // by line
  std::string text_bytes;
  // The index in texts of stream line ln, or -1 when its text was not kept.
  long find(int64_t ln) const;
  // The text of stream line ln, or nothing when it was not kept.
  std::string_view text(int64_t ln) const;
};

// A text of the stream as a message or a page quotes it: its first kQuoteChars characters in
// visible form, and "..." when there are more, so that no line is repeated whole.
constexpr size_t kQuoteChars = 200;
std::string quote(std::string_view text);

// Runs the commands of a stream, line by line as they come, against the source's lines.
// Problems are reported on err as "ilvo_preview: NAME:LINE: reason" and the command is skipped;
// msg texts go to err as well; up to kMaxMessages messages in all, then their count. Every text
// from the stream reaches err in visible form, cut as quote() cuts it.
class StreamReader {
 public:
  static constexpr int64_t kMaxMessages = 20;
  // keep_texts: keep the text of every line, to say where a color comes from.
  StreamReader(const LineTable &lines, std::string_view name, OutBuf &err, bool keep_texts = false)
      : lines_(lines), name_(name), err_(err), keep_texts_(keep_texts) {}
  // The next line of the stream, without its newline.
  void line(std::string_view text);
  // After the last line: how many messages went unshown, if any.
  void finish();
  const Coloring &coloring() const { return out_; }

 private:
  void command(std::string_view cmd);
  void area(std::string_view cmd);
  void color_word(std::string_view word, Color *c);
  void problem(const Fmt &fmt, std::string_view text);
  bool count_message();  // false once kMaxMessages were written
  const LineTable &lines_;
  std::string_view name_;
  std::string_view text_;  // of the line being read
  OutBuf &err_;
  Coloring out_;
  int64_t lineno_ = 0;
  bool keep_texts_;
  int64_t messages_ = 0;  // written to err, or held back
};

// Reads a stream from fd a line at a time, holding only the line being read, into the reader
// that make_reader gives for the first line (which tells whether the stream colors a marked
// listing); then finishes it. False with errno set (EFBIG: past limit bytes from a file that is
// not regular, ENOMEM: a line too long to hold) on failure; *bytes counts what was read.
using MakeReader = std::function<StreamReader &(std::string_view first)>;
bool read_lines(int fd, bool regular, size_t limit, const MakeReader &make_reader, size_t *bytes);

// The whole of a stream held in memory, for tests; keep_texts as for StreamReader.
Coloring read_stream(std::string_view stream, const LineTable &lines, const char *name, OutBuf &err,
                     bool keep_texts = false);

#endif
