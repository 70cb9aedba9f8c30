// One buffered output stream for the programs: large writes, no stdio or iostreams.
#include "outbuf.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace {
constexpr size_t kChunk = 256 * 1024;  // bytes gathered before a write(2)
}

OutBuf::OutBuf(int fd) : fd_(fd), data_(nullptr), len_(0), cap_(0), error_(0) {
#ifdef F_SETPIPE_SZ
  // A pipe that holds a whole buffer takes each write at once while its reader drains it, so
  // that the program goes on working instead of waiting. make bench: FIGURE
  struct stat st;
  if (fstat(fd, &st) == 0 && S_ISFIFO(st.st_mode)) fcntl(fd, F_SETPIPE_SZ, static_cast<int>(kChunk));
#endif
  // Without this buffer every put becomes its own write: slow, but nothing is lost.
  data_ = static_cast<char *>(malloc(kChunk));
  if (data_) cap_ = kChunk;
}

OutBuf::OutBuf() : fd_(-1), data_(nullptr), len_(0), cap_(0), error_(0) {}

OutBuf::~OutBuf() {
  free(data_);
}

void OutBuf::put_slow(std::string_view s) {
  if (fd_ < 0) {
    if (!grow(s.size())) return;
    memcpy(data_ + len_, s.data(), s.size());
    len_ += s.size();
    return;
  }
  flush();
  if (s.size() <= cap_) {
    memcpy(data_, s.data(), s.size());
    len_ = s.size();
  } else if (!error_) {
    write_all(s.data(), s.size());
  }
}

void OutBuf::format_slow(const Fmt &fmt, std::initializer_list<Arg> args) {
  // Piece by piece: a format that does not fit the one-move copies, a number of arguments that
  // differs from its conversions, or a line longer than the room left.
  const Arg *a = args.begin();
  for (int k = 0; k <= fmt.nconv_; k++) {
    put(std::string_view(fmt.text_ + fmt.run_at_[k], static_cast<size_t>(fmt.run_len_[k])));
    if (k == fmt.nconv_ || k >= static_cast<int>(args.size())) continue;
    if (a[k].is_text) {
      put(a[k].text);
    } else {
      char digits[24];
      put(std::string_view(digits, static_cast<size_t>(
                                        std::to_chars(digits, digits + sizeof digits, a[k].num).ptr -
                                        digits)));
    }
  }
}

bool OutBuf::grow(size_t n) {
  if (error_) return false;
  size_t want = cap_ ? cap_ : 4096;
  while (want - len_ < n) want *= 2;
  char *p = static_cast<char *>(realloc(data_, want));
  if (!p) {
    error_ = ENOMEM;
    return false;
  }
  data_ = p;
  cap_ = want;
  return true;
}

bool OutBuf::write_all(const char *s, size_t n) {
  while (n > 0) {
    ssize_t w = write(fd_, s, n);
    if (w < 0) {
      if (errno == EINTR) continue;
      error_ = errno;
      return false;
    }
    s += w;
    n -= static_cast<size_t>(w);
  }
  return true;
}

bool OutBuf::flush() {
  if (fd_ < 0) return error_ == 0;
  if (!error_) write_all(data_, len_);
  len_ = 0;
  return error_ == 0;
}

int finish_output(OutBuf &out, OutBuf &err, const Fmt &message) {
  bool ok = out.flush();
  if (!ok) err.format(message, strerror(out.error()));
  err.flush();
  return ok ? 0 : 1;
}
