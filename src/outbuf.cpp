// One buffered output stream for the filters: large writes, no stdio or iostreams.
#include "outbuf.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace {
constexpr size_t kChunk = 256 * 1024;  // bytes gathered before a write(2)
}

OutBuf::OutBuf(int fd) : fd_(fd), data_(nullptr), len_(0), cap_(0), error_(0) {
  // Without this buffer every put becomes its own write: slow, but nothing is lost.
  data_ = static_cast<char *>(malloc(kChunk));
  if (data_) cap_ = kChunk;
}

OutBuf::OutBuf() : fd_(-1), data_(nullptr), len_(0), cap_(0), error_(0) {}

OutBuf::~OutBuf() { free(data_); }

void OutBuf::put_slow(const char *s, size_t n) {
  if (fd_ >= 0) {
    flush();
    if (n <= cap_) {
      memcpy(data_, s, n);
      len_ = n;
    } else if (!error_) {
      write_all(s, n);
    }
    return;
  }
  if (error_) return;
  size_t want = cap_ ? cap_ : 4096;
  while (want - len_ < n) want *= 2;
  char *p = static_cast<char *>(realloc(data_, want));
  if (!p) {
    error_ = ENOMEM;
    return;
  }
  data_ = p;
  cap_ = want;
  memcpy(data_ + len_, s, n);
  len_ += n;
}

void OutBuf::put(const char *s) { put(s, strlen(s)); }

void OutBuf::put_num(long long v) {
  char tmp[24];
  char *e = tmp + sizeof tmp;
  char *p = e;
  unsigned long long u = v < 0 ? 0ULL - static_cast<unsigned long long>(v) : v;
  do {
    *--p = static_cast<char>('0' + u % 10);
    u /= 10;
  } while (u);
  if (v < 0) *--p = '-';
  put(p, static_cast<size_t>(e - p));
}

void OutBuf::format(const char *fmt, std::initializer_list<FmtArg> args) {
  const FmtArg *a = args.begin();
  const char *run = fmt;  // start of the literal text not yet copied
  const char *p = fmt;    // scan position
  while (*p) {
    if (p[0] != '%' || (p[1] != 'd' && p[1] != 's' && p[1] != '%')) {
      p++;
      continue;
    }
    put(run, static_cast<size_t>(p - run));
    if (p[1] == '%') {
      put("%", 1);
    } else if (a != args.end()) {
      if (p[1] == 'd') put_num(a->num);
      else put(a->text ? a->text : "(null)");
      a++;
    }
    p += 2;
    run = p;
  }
  put(run, static_cast<size_t>(p - run));
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
