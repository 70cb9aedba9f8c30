// --explain: which lines of the stream color one place of the source, and which one shows.
#ifndef ILVO_PREVIEW_EXPLAIN_H
#define ILVO_PREVIEW_EXPLAIN_H

#include <cstdint>

#include "outbuf.h"
#include "source.h"
#include "stream.h"

// Writes, as plain text, every area of c (whose stream texts were kept) that covers column col of
// line ln, in stream order, and which of them the editor shows; or that no area covers it, or
// that it lies past its line or the file.
void explain_place(const LineTable &lines, const Coloring &c, int64_t ln, int64_t col, OutBuf &out);

#endif
