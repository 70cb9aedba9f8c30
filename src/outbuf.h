// One buffered output stream for the filters: large writes, no stdio or iostreams.
#ifndef ILVO_OUTBUF_H
#define ILVO_OUTBUF_H

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>

// One value for OutBuf::format: a number for "%d", a text for "%s".
struct FmtArg {
  FmtArg(int v) : num(v), text(nullptr) {}
  FmtArg(long v) : num(v), text(nullptr) {}
  FmtArg(long long v) : num(v), text(nullptr) {}
  FmtArg(const char *s) : num(0), text(s) {}
  long long num;
  const char *text;  // null for a number
};

// Collects output and hands it to a descriptor in large writes, or keeps it in memory.
class OutBuf {
 public:
  // Writes into descriptor fd whenever the buffer fills, and on flush().
  explicit OutBuf(int fd);
  // Keeps everything written in memory, for tests; str() returns it.
  OutBuf();
  ~OutBuf();
  OutBuf(const OutBuf &) = delete;
  OutBuf &operator=(const OutBuf &) = delete;

  // Appends n bytes.
  void put(const char *s, size_t n) {
    if (n > cap_ - len_) return put_slow(s, n);
    for (size_t i = 0; i < n; i++) data_[len_ + i] = s[i];
    len_ += n;
  }
  // Appends a zero-terminated text.
  void put(const char *s);
  // Appends a number in decimal, with a minus sign when negative.
  void put_num(long long v);
  // Appends fmt with each "%d" and "%s" replaced by the next argument; "%%" is a percent sign.
  void format(const char *fmt, std::initializer_list<FmtArg> args);

  // Writes out what is buffered (descriptor mode); false once any write has failed.
  bool flush();
  // errno of the first failed write, or 0.
  int error() const { return error_; }
  // Everything written so far (memory mode).
  std::string str() const { return std::string(data_, len_); }

 private:
  void put_slow(const char *s, size_t n);
  bool write_all(const char *s, size_t n);
  int fd_;  // -1: memory mode
  char *data_;
  size_t len_;
  size_t cap_;
  int error_;
};

#endif
