// html on a regular file: the file cut into parts that threads scan at once, the stream the
// same as from one scan.
#ifndef ILVO_HTMLPARTS_H
#define ILVO_HTMLPARTS_H

#include <sys/types.h>

#include <cstddef>
#include <cstdint>

#include "htmlscan.h"
#include "outbuf.h"

// Where the bytes come from: pread(2) on a descriptor, or a function (tests).
using ReadAtFn = ssize_t (*)(void *context, char *buf, size_t n, int64_t offset);

// What a run did with its parts, for tests and measurements.
struct HtmlPartsStats {
  int64_t parts = 0;    // parts that held bytes
  int64_t rescans = 0;  // scanned again, from their start, as their guess was wrong
  int64_t stops = 0;    // whose scan stopped early: too much output, or too many holes
  int64_t holes = 0;    // rows filled in from the parts before
};

struct HtmlPartsOptions {
  int threads = 2;  // that scan parts, the calling one among them
  // A part starts just past the first '>' at or after a multiple of this: less than a block,
  // so that most parts are read, counted and scanned in one.
  size_t part = 60 * 1024;
  // Output (or messages) a part holds before the rest of it waits to be scanned in turn:
  // memory stays within a few times this for each thread, and the rest of a part rich in tags
  // goes straight into the output, not through a buffer (a third less time than a cap of 1 MB
  // on the hostile pages of anchors and of bold tags, 5 alternating runs each).
  size_t cap = 120 * 1024;
  HtmlPartsStats *stats = nullptr;
};

// Threads worth starting here: the processors this process may run on, at most 8.
int html_threads();

// Writes the whole stream for the size bytes of read (as HtmlScanner::run does). Each part is
// scanned as if no tag or comment were open where it starts; the thread that finds the parts
// before it written writes it, and scans it again in turn when the part before ended inside a
// tag or comment. False, with nothing written, when no other thread or buffer could be had.
bool html_run_parts(ReadAtFn read, void *context, int64_t size, const HtmlColors &colors,
                    OutBuf &out, OutBuf &err, const HtmlPartsOptions &options);

#endif
