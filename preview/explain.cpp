// --explain: which lines of the stream color one place of the source, and which one shows.
#include "explain.h"

#include <vector>

namespace {

const Fmt kPastFile = "[%d,%d] is past the end of the file, which has %d lines\n";
const Fmt kPastLine = "[%d,%d] is past the end of line %d, which has %d columns\n";
const Fmt kCoveredByNone =
    "[%d,%d] is covered by no area of the stream: it shows in the text's own colors\n";
const Fmt kCoveredBy = "[%d,%d] is covered by %d areas of the stream, in stream order:\n";
const Fmt kCoveredByOne = "[%d,%d] is covered by one area of the stream:\n";
const Fmt kCoveringLine = "  stream line %d: %s\n";
const Fmt kShown = "The editor shows the last, stream line %d: ";
const Fmt kLayerFrom = "%s from stream line %d";
const Fmt kLayerOwn = "the text's own %s";

}  // namespace

void explain_place(const LineTable &lines, const Coloring &c, int64_t ln, int64_t col,
                   OutBuf &out) {
  size_t begin, stop;
  if (!lines.line(ln, &begin, &stop)) return out.format(kPastFile, ln, col, lines.lines());
  if (col < 1 || static_cast<uint64_t>(col) > stop - begin)
    return out.format(kPastLine, ln, col, ln, stop - begin);
  size_t at = begin + static_cast<size_t>(col - 1);
  std::vector<const Area *> covering;
  for (const Area &a : c.areas)
    if (a.start <= at && at < a.end) covering.push_back(&a);
  if (covering.empty()) return out.format(kCoveredByNone, ln, col);
  if (covering.size() == 1)
    out.format(kCoveredByOne, ln, col);
  else
    out.format(kCoveredBy, ln, col, covering.size());
  const Area *fg = nullptr, *bg = nullptr;  // the last with a color of each layer: shown
  for (const Area *a : covering) {
    out.format(kCoveringLine, a->line, quote(c.text(a->line)));
    if (a->fg.set) fg = a;
    if (a->bg.set) bg = a;
  }
  out.format(kShown, covering.back()->line);
  fg ? out.format(kLayerFrom, "foreground", fg->line) : out.format(kLayerOwn, "foreground");
  out.put(", ");
  bg ? out.format(kLayerFrom, "background", bg->line) : out.format(kLayerOwn, "background");
  out.put(".\n");
}
