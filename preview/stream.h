// Reading a color command stream into areas of a source text, the way the editor applies it.
#ifndef ILVO_PREVIEW_STREAM_H
#define ILVO_PREVIEW_STREAM_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "listmarks.h"
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
  // Lines of the text: a last line without its newline counts, the empty rest after one does not.
  int64_t lines() const;
  // Where line ln starts and where its newline (or the text's end) stands; false past the end.
  bool line(int64_t ln, size_t *begin, size_t *stop) const;

 private:
  size_t start(size_t k) const { return wide_.empty() ? narrow_[k] : wide_[k]; }
  size_t count() const { return wide_.empty() ? narrow_.size() : wide_.size(); }
  // Offset of each line's first byte: in 32 bits while the text is under 4 GiB (half the memory
  // for a text of short lines), else in wide_.
  std::vector<uint32_t> narrow_;
  std::vector<size_t> wide_;
  size_t size_;
};

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

// Writes, as plain text, every area of c (whose stream texts were kept) that covers column col of
// line ln, in stream order, and which of them the editor shows; or that no area covers it, or
// that it lies past its line or the file.
void explain_place(const LineTable &lines, const Coloring &c, int64_t ln, int64_t col, OutBuf &out);

// The whole of a stream held in memory, for tests.
Coloring read_stream(std::string_view stream, const LineTable &lines, const char *name,
                     OutBuf &err);

#endif
