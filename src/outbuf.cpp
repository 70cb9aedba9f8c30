// One buffered output stream for the programs: large writes, no stdio or iostreams.
#include "outbuf.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
constexpr size_t kChunk = 256 * 1024;  // bytes gathered before a write(2)
}

OutBuf::OutBuf(int fd) : fd_(fd), data_(nullptr), len_(0), cap_(0), error_(0) {
#ifdef F_SETPIPE_SZ
  // A pipe that holds a whole buffer takes each write at once, while the reader drains it.
  struct stat st;
  if (fstat(fd, &st) == 0 && S_ISFIFO(st.st_mode))
    fcntl(fd, F_SETPIPE_SZ, static_cast<int>(kChunk));
#endif
  // Without this buffer every put becomes its own write: slow, but nothing is lost.
  data_ = static_cast<char *>(malloc(kChunk));
  if (data_) cap_ = kChunk;
}

OutBuf::OutBuf() : fd_(-1), data_(nullptr), len_(0), cap_(0), error_(0) {}

OutBuf::~OutBuf() {
  free(data_);
}

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
  if (!grow(n)) return;
  memcpy(data_ + len_, s, n);
  len_ += n;
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

void OutBuf::put(const char *s) {
  put(s, strlen(s));
}

char *write_num(char *w, long long v) {
  static const char kPairs[] =
      "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
      "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
      "8081828384858687888990919293949596979899";
  unsigned long long u = v < 0 ? 0ULL - static_cast<unsigned long long>(v) : v;
  if (v < 0) *w++ = '-';
  if (u < 10) {
    *w = static_cast<char>('0' + u);
    return w + 1;
  }
  if (u < 100) {  // most columns
    w[0] = kPairs[2 * u];
    w[1] = kPairs[2 * u + 1];
    return w + 2;
  }
  int digits = u < 100 ? 2 : u < 1000 ? 3 : u < 10000 ? 4 : u < 100000 ? 5 : 6;
  for (unsigned long long t = 1000000; digits < 20 && u >= t; t *= 10) digits++;
  char *p = w + digits;  // digits are written backwards from here
  if (u <= 0xffffffffu) {
    // 32-bit division is cheaper, and most numbers are line and column numbers.
    unsigned x = static_cast<unsigned>(u);
    while (x >= 100) {
      unsigned r = x % 100;
      x /= 100;
      p -= 2;
      p[0] = kPairs[2 * r];
      p[1] = kPairs[2 * r + 1];
    }
    u = x;
  }
  while (u >= 100) {
    unsigned r = static_cast<unsigned>(u % 100);
    u /= 100;
    p -= 2;
    p[0] = kPairs[2 * r];
    p[1] = kPairs[2 * r + 1];
  }
  if (u >= 10) {
    p[-2] = kPairs[2 * u];
    p[-1] = kPairs[2 * u + 1];
  } else {
    p[-1] = static_cast<char>('0' + u);
  }
  return w + digits;
}

void OutBuf::put_num(long long v) {
  char tmp[24];
  put(tmp, static_cast<size_t>(write_num(tmp, v) - tmp));
}

char *OutBuf::reserve_slow(size_t n) {
  if (fd_ >= 0)
    flush();
  else
    grow(n);
  if (n > cap_ - len_ || error_) return nullptr;
  return data_ + len_;
}

// Bytes that fmt with args can take at most (slack included), and the length of each text.
inline size_t OutBuf::bound(const Fmt &fmt, std::initializer_list<FmtArg> args, size_t *lens) {
  const FmtArg *a = args.begin();
  int nargs = static_cast<int>(args.size());
  size_t need = static_cast<size_t>(fmt.lit_total_) + Fmt::kSlack;
  for (int k = 0; k < fmt.nconv_ && k < nargs; k++) {  // k: conversion
    if (a[k].text)
      lens[k] = a[k].len != static_cast<size_t>(-1) ? a[k].len : strlen(a[k].text);
    else
      lens[k] = 20;
    need += lens[k];
  }
  return need;
}

// Writes fmt with args at w, which has room for bound(); returns the end.
inline char *OutBuf::emit(char *w, const Fmt &fmt, std::initializer_list<FmtArg> args,
                          const size_t *lens) {
  const FmtArg *a = args.begin();
  int nargs = static_cast<int>(args.size());
  for (int k = 0; k <= fmt.nconv_; k++) {  // k: literal run, then its conversion
    size_t n = static_cast<size_t>(fmt.run_len_[k]);
    if (fmt.padded_ && n <= Fmt::kSlack) {
      // The copy inside fmt has zero bytes behind it, and w has slack: one whole-word copy.
      memcpy(w, fmt.lit_ + fmt.run_at_[k], Fmt::kSlack);
      w += n;
    } else {
      w = copy_short(w, fmt.text_ + fmt.run_at_[k], n);
    }
    if (k == fmt.nconv_ || k >= nargs) continue;
    if (a[k].padded && lens[k] <= FmtArg::kPad) {
      memcpy(w, a[k].text, FmtArg::kPad);
      w += lens[k];
    } else if (a[k].text) {
      w = copy_short(w, a[k].text, lens[k]);
    } else if (fmt.conv_[k] == 'd')
      w = write_num(w, a[k].num);
  }
  return w;
}

void OutBuf::format(const Fmt &fmt, std::initializer_list<FmtArg> args) {
  // One bound for the whole line, then plain stores: rows are short and many.
  size_t lens[Fmt::kMaxConv];
  char *w = reserve(bound(fmt, args, lens));
  if (w) {
    len_ += static_cast<size_t>(emit(w, fmt, args, lens) - w);
    return;
  }
  // Longer than the buffer: piece by piece.
  const FmtArg *a = args.begin();
  int nargs = static_cast<int>(args.size());
  for (int k = 0; k <= fmt.nconv_; k++) {
    put(fmt.text_ + fmt.run_at_[k], static_cast<size_t>(fmt.run_len_[k]));
    if (k == fmt.nconv_ || k >= nargs) continue;
    if (a[k].text)
      put(a[k].text, lens[k]);
    else if (fmt.conv_[k] == 'd')
      put_num(a[k].num);
  }
}

void OutBuf::format_to(char *dst, size_t cap, const Fmt &fmt, std::initializer_list<FmtArg> args) {
  if (cap == 0) return;
  size_t lens[Fmt::kMaxConv];
  size_t n = 0;
  char small[256];
  if (bound(fmt, args, lens) <= sizeof small) {
    n = static_cast<size_t>(emit(small, fmt, args, lens) - small);
    if (n > cap - 1) n = cap - 1;
    memcpy(dst, small, n);
  } else {
    OutBuf b;
    b.format(fmt, args);
    n = b.len_ < cap - 1 ? b.len_ : cap - 1;
    if (n) memcpy(dst, b.data_, n);
  }
  dst[n] = '\0';
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

FmtArg PaddedText::keep(const char *s) {
  size_t n = strlen(s);
  if (n_ == static_cast<int>(sizeof store_ / sizeof store_[0])) return FmtArg(s, n);
  char *copy = static_cast<char *>(calloc(n + FmtArg::kPad, 1));
  if (!copy) return FmtArg(s, n);
  memcpy(copy, s, n);
  store_[n_++] = copy;
  return FmtArg(copy, n, true);
}

void PaddedText::clear() {
  for (int k = 0; k < n_; k++) free(store_[k]);
  n_ = 0;
}

int finish_output(OutBuf &out, OutBuf &err, const Fmt &message) {
  bool ok = out.flush();
  if (!ok) err.format(message, strerror(out.error()));
  err.flush();
  return ok ? 0 : 1;
}
