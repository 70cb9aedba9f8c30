// Showing a source text in the colors of a Coloring: ANSI escapes for a terminal, or a page.
#ifndef ILVO_PREVIEW_RENDER_H
#define ILVO_PREVIEW_RENDER_H

#include <string_view>
#include <vector>

#include "outbuf.h"
#include "stream.h"

enum class Format { kAnsi, kAnsi256, kHtml };

// Walks the source in runs of bytes that share their colors: a later area wins over an
// earlier one, and an area's "" lets the color underneath show (none: the bare text's).
class Sweep {
 public:
  Sweep(const Coloring &c, size_t size);
  // The next run [*start, *end) and its colors; false after the last.
  bool next(size_t *start, size_t *end, Color *fg, Color *bg);

 private:
  struct Event {
    size_t at, area;
    bool starts;
  };
  // The latest area in force in one layer (foreground or background).
  class Layer {
   public:
    void add(size_t area);
    void remove(size_t area);
    long top();  // -1: none

   private:
    std::vector<size_t> heap_, gone_;  // max-heaps: areas started, and those ended
  };

  const Coloring &c_;
  size_t size_;
  std::vector<Event> events_;  // area boundaries in source order
  size_t e_ = 0;               // next event
  size_t pos_ = 0;             // first byte not yet walked
  Layer fg_, bg_;
};

// Writes text with the colors that c gives each byte: a later area wins over an earlier one,
// an area's "" lets the color underneath show, and bare text takes c.fg and c.bg.
// title names the page in the HTML form.
void render(std::string_view text, const Coloring &c, Format format, const char *title,
            OutBuf &out);

#endif
