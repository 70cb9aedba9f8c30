// --explain: which lines of the stream color one place of the source, and which one shows.
#include "explain.h"

#include <vector>

#include "previewtexts.h"

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
  fg ? out.format(kLayerFrom, kForeground, fg->line) : out.format(kLayerOwn, kForeground);
  out.put(kLayerJoin);
  bg ? out.format(kLayerFrom, kBackground, bg->line) : out.format(kLayerOwn, kBackground);
  out.put(kLayersEnd);
}
