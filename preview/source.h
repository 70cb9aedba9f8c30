// The source file: read whole, and its lines, to turn a stream's [line,column] into bytes.
#ifndef ILVO_PREVIEW_SOURCE_H
#define ILVO_PREVIEW_SOURCE_H

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "outbuf.h"

// A file's bytes, read into held rather than mapped: a file that shrank while mapped would end
// the program with SIGBUS.
struct File {
  std::string_view bytes;
  OutBuf held;  // its growth fails without throwing
};

// Reads path into *f, up to limit bytes when it is not a regular file; false with errno set
// (EFBIG: past the limit, ENOMEM: no memory to hold it) when it cannot.
bool load(const char *path, size_t limit, File *f);

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
  // Where the newline of the line that starts at start(k) stands, or the text's end.
  size_t end(size_t k) const { return k + 1 < count() ? start(k + 1) - 1 : size_; }
  size_t count() const { return wide_.empty() ? narrow_.size() : wide_.size(); }
  // Offset of each line's first byte: in 32 bits while the text is under 4 GiB (half the memory
  // for a text of short lines), else in wide_.
  std::vector<uint32_t> narrow_;
  std::vector<size_t> wide_;
  size_t size_;
};

#endif
