// What the renderer writes to: a terminal's escapes or a web page, behind one interface.
#ifndef ILVO_PREVIEW_DEVICE_H
#define ILVO_PREVIEW_DEVICE_H

#include <cstdint>
#include <memory>
#include <string_view>

#include "outbuf.h"
#include "render.h"
#include "stream.h"

// Bytes that show as they stand are handed to a device at most this many at a time, so that a
// write to a terminal can end inside a long run.
constexpr size_t kPiece = 64 * 1024;

// The stream lines that gave a run its colors (0: none), which a page names.
struct Origin {
  int64_t fg = 0, bg = 0;
  bool operator==(const Origin &o) const { return fg == o.fg && bg == o.bg; }
};

// One output form. The renderer calls it in the order of the text: colors() before the bytes
// they color; text() and shown() for the bytes of one line; gutter() before a line's first
// byte and line_end() at its newline, both outside any color; finish() once, at the end.
class Device {
 public:
  virtual ~Device() = default;
  // The colors of what is written next, as the stream leaves them (bare text's when no area
  // gives one), and the stream lines they come from.
  virtual void colors(const Color &fg, const Color &bg, Origin from) = 0;
  // Characters that show as they stand (printable ASCII, tabs, one whole UTF-8 character).
  virtual void text(std::string_view bytes) = 0;
  // A character that shows in its visible form (see visible.h), marked as such.
  virtual void shown(std::string_view form) = 0;
  // The number n of the line that starts next, in a gutter for numbers of width digits.
  virtual void gutter(int64_t n, int width) = 0;
  // A newline, in the colors of the run it ends.
  virtual void line_end(const Color &fg, const Color &bg, Origin from) = 0;
  // A place between characters where a write to a terminal may end.
  virtual void checkpoint() {}
  virtual void finish() = 0;
};

// The terminal's escapes of format (kAnsi, kAnsi256 or kPlain) into out; write as render()
// says.
std::unique_ptr<Device> terminal_device(Format format, OutBuf &out, WriteFn write);

// A page titled title, with a gutter of width digits (0: none), into out. When c keeps the
// texts of its stream lines, a colored run names those of its colors.
std::unique_ptr<Device> page_device(const Coloring &c, std::string_view title, int width,
                                    OutBuf &out);

#endif
