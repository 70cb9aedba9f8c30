// The source file: read whole, and its lines, to turn a stream's [line,column] into bytes.
#include "source.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>

#include "inputfile.h"

bool load(const char *path, size_t limit, File *f) {
  struct stat st;
  int fd = open_input(path, &st, true);
  if (fd < 0) return false;
  bool regular = S_ISREG(st.st_mode);
  if (regular && st.st_size > 0 && !f->held.reserve(static_cast<size_t>(st.st_size))) {
    close(fd);
    errno = ENOMEM;
    return false;
  }
  char chunk[1 << 16];
  for (;;) {
    ssize_t n = read(fd, chunk, sizeof chunk);
    int why = n < 0 ? errno : 0;
    if (n > 0 && !regular && f->held.view().size() + static_cast<size_t>(n) > limit) why = EFBIG;
    if (n > 0 && !why) f->held.put(std::string_view(chunk, static_cast<size_t>(n)));
    if (f->held.error()) why = f->held.error();
    if (n <= 0 || why) {
      close(fd);
      errno = why;
      f->bytes = f->held.view();
      return !why;
    }
  }
}

LineTable::LineTable(std::string_view text) : size_(text.size()) {
  bool wide = text.size() > UINT32_MAX;
  auto add = [&](size_t at) {
    if (wide)
      wide_.push_back(at);
    else
      narrow_.push_back(static_cast<uint32_t>(at));
  };
  // Reserved to the line, not grown: a text of newlines would need three times the memory.
  size_t lines = static_cast<size_t>(std::count(text.begin(), text.end(), '\n')) + 1;
  if (wide)
    wide_.reserve(lines);
  else
    narrow_.reserve(lines);
  add(0);
  for (size_t at = 0; (at = text.find('\n', at)) != std::string_view::npos; at++) add(at + 1);
}

size_t LineTable::offset(int64_t ln, int64_t col) const {
  if (ln < 1) return 0;
  if (static_cast<uint64_t>(ln) > count()) return size_;
  size_t begin = start(static_cast<size_t>(ln - 1)), stop = end(static_cast<size_t>(ln - 1));
  if (col <= 1) return begin;
  return static_cast<uint64_t>(col - 1) < stop - begin ? begin + static_cast<size_t>(col - 1)
                                                       : stop;
}

int64_t LineTable::lines() const {
  auto n = static_cast<int64_t>(count());
  return start(count() - 1) == size_ ? n - 1 : n;
}

bool LineTable::line(int64_t ln, size_t *begin, size_t *stop) const {
  if (ln < 1 || ln > lines()) return false;
  *begin = start(static_cast<size_t>(ln - 1));
  *stop = end(static_cast<size_t>(ln - 1));
  return true;
}
