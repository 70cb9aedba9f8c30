// Showing a source text in the colors of a Coloring: ANSI escapes for a terminal, or a page.
#ifndef ILVO_PREVIEW_RENDER_H
#define ILVO_PREVIEW_RENDER_H

#include <cstdint>
#include <string_view>
#include <vector>

#include "outbuf.h"
#include "stream.h"

// 24-bit terminal colors, the 256 terminal colors, a web page, or the text alone (no colors:
// --color=never, NO_COLOR, or not a terminal).
enum class Format { kAnsi, kAnsi256, kHtml, kPlain };

// Walks the source in runs of bytes that share their colors: a later area wins over an
// earlier one, and an area's "" lets the color underneath show (none: the bare text's).
class Sweep {
 public:
  Sweep(const Coloring &c, size_t size);
  // The next run [*start, *end), its colors and the areas that give them (-1: none); false
  // after the last.
  bool next(size_t *start, size_t *end, Color *fg, Color *bg, long *fg_area, long *bg_area);

 private:
  // The latest area in force in one layer (foreground or background).
  class Layer {
   public:
    void add(uint32_t area);
    void remove(uint32_t area);
    long top();  // -1: none

   private:
    std::vector<uint32_t> heap_, gone_;  // max-heaps: areas started, and those ended
  };
  size_t start_of(uint32_t k) const;
  size_t end_of(uint32_t k) const;

  const Coloring &c_;
  size_t size_;
  std::vector<uint32_t> by_start_, by_end_;  // the areas that cover a byte, by start and by end
  size_t s_ = 0, e_ = 0;                     // the next of each
  size_t pos_ = 0;                           // first byte not yet walked
  Layer fg_, bg_;
};

// Writes text with the colors that c gives each byte: a later area wins over an earlier one,
// an area's "" lets the color underneath show, and bare text takes c.fg and c.bg. Control
// characters and bytes that are no UTF-8 show in visible form (see visible.h), reversed or
// marked; a carriage return before a newline does not show. title names the page in the HTML
// form, where a colored run names the stream lines of its colors when c keeps their texts.
// numbers: each line after its number, in a gutter of a tab's width (so that the text keeps
// its tab stops), dim, or in a column of the page that copying leaves out. In the terminal a
// line's background runs to the window's edge. write: for a terminal written directly, makes
// each write, told the escape sequence of the colors the terminal shows after it; the writes
// end where the renderer chooses, not where the buffer fills.
using WriteFn = void (*)(OutBuf &out, std::string_view colors);
void render(std::string_view text, const Coloring &c, Format format, std::string_view title,
            OutBuf &out, bool numbers = false, WriteFn write = nullptr);

// The escape sequence that gives a terminal its own colors back.
extern const char kAnsiReset[];

#endif
