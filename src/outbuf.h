// One buffered output stream for the filters: large writes, no stdio or iostreams.
#ifndef ILVO_OUTBUF_H
#define ILVO_OUTBUF_H

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>

// One value for OutBuf::format: a number for "%d", a text for "%s".
struct FmtArg {
  FmtArg(int v) : num(v), text(nullptr), len(0) {}
  FmtArg(long v) : num(v), text(nullptr), len(0) {}
  FmtArg(long long v) : num(v), text(nullptr), len(0) {}
  FmtArg(const char *s) : num(0), text(s ? s : "(null)"), len(static_cast<size_t>(-1)) {}
  // A text whose length is known, to spare measuring it again.
  FmtArg(const char *s, size_t n) : num(0), text(s), len(n) {}
  long long num;
  const char *text;  // null for a number
  size_t len;        // length of text; -1: not measured yet
};

// A format text split once, at compile time where it is a constant, into literal runs and
// "%d" (a number) or "%s" (a text) conversions; every other character is literal.
class Fmt {
 public:
  static constexpr int kMaxConv = 8;
  static constexpr int kMaxText = 128;  // longer texts are copied from where they stand
  static constexpr int kSlack = 16;     // zero bytes behind the copy, for whole-word copies
  constexpr Fmt(const char *text)
      : text_(text), lit_{}, run_at_{}, run_len_{}, conv_{}, nconv_(0), padded_(false) {
    int at = 0, start = 0;  // at: scan position; start: of the current literal run
    while (text[at]) {
      if (text[at] == '%' && (text[at + 1] == 'd' || text[at + 1] == 's') && nconv_ < kMaxConv) {
        run_at_[nconv_] = start;
        run_len_[nconv_] = at - start;
        conv_[nconv_++] = text[at + 1];
        at += 2;
        start = at;
      } else {
        at++;
      }
    }
    run_at_[nconv_] = start;
    run_len_[nconv_] = at - start;
    padded_ = at <= kMaxText;
    for (int i = 0; padded_ && i < at; i++) lit_[i] = text[i];
  }

 private:
  friend class OutBuf;
  const char *text_;
  char lit_[kMaxText + kSlack];  // copy of the text, when it fits
  int run_at_[kMaxConv + 1], run_len_[kMaxConv + 1];  // literal run before conversion k
  char conv_[kMaxConv];
  int nconv_;
  bool padded_;
};

// Writes v in decimal at w, with a minus sign when negative; returns the end. At most 20 bytes.
char *write_num(char *w, long long v);

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
  // Appends fmt with each "%d" and "%s" replaced by the next argument (missing ones: nothing).
  void format(const Fmt &fmt, std::initializer_list<FmtArg> args);

  // Formats into dst, which holds cap bytes, always terminated; cut when it does not fit.
  static void format_to(char *dst, size_t cap, const Fmt &fmt, std::initializer_list<FmtArg> args);

  // Writes out what is buffered (descriptor mode); false once any write has failed.
  bool flush();
  // errno of the first failed write, or 0.
  int error() const { return error_; }
  // Everything written so far (memory mode).
  std::string str() const { return std::string(data_, len_); }

 private:
  void put_slow(const char *s, size_t n);
  static size_t bound(const Fmt &fmt, std::initializer_list<FmtArg> args, size_t *lens);
  static char *emit(char *w, const Fmt &fmt, std::initializer_list<FmtArg> args,
                    const size_t *lens);
  // Memory mode: makes room for n more bytes; false when there is no memory.
  bool grow(size_t n);
  // Room for n more bytes at the end of the buffer, or null when there cannot be.
  char *reserve(size_t n);
  bool write_all(const char *s, size_t n);
  int fd_;  // -1: memory mode
  char *data_;
  size_t len_;
  size_t cap_;
  int error_;
};

#endif
