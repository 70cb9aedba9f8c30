// Showing a source text in the colors of a Coloring: ANSI escapes for a terminal, or a page.
#ifndef ILVO_PREVIEW_RENDER_H
#define ILVO_PREVIEW_RENDER_H

#include <string_view>

#include "outbuf.h"
#include "stream.h"

// 24-bit terminal colors, the 256 terminal colors, a web page, or the text alone (no colors:
// --color=never, NO_COLOR, or not a terminal).
enum class Format { kAnsi, kAnsi256, kHtml, kPlain };

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

#endif
