// One buffered output stream for the programs: large writes, no stdio or iostreams.
#ifndef ILVO_OUTBUF_H
#define ILVO_OUTBUF_H

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <cstring>
#include <string>
#include <type_traits>

// One value for OutBuf::format: a number for "%d", a text for "%s".
struct FmtArg {
  static constexpr size_t kPad = 16;  // readable bytes at a padded text, whatever its length
  FmtArg() : FmtArg(0) {}
  FmtArg(int v) : num(v), text(nullptr), len(0), padded(false) {}
  FmtArg(long v) : num(v), text(nullptr), len(0), padded(false) {}
  FmtArg(long long v) : num(v), text(nullptr), len(0), padded(false) {}
  FmtArg(const char *s)
      : num(0), text(s ? s : "(null)"), len(static_cast<size_t>(-1)), padded(false) {}
  // A text whose length is known, to spare measuring it again. For "%d" it stands for a number
  // already written in decimal (see NumText), so a number used in many lines is written once.
  // With padded, at least kPad bytes can be read at s, so it is copied in one piece.
  FmtArg(const char *s, size_t n, bool pad = false) : num(0), text(s), len(n), padded(pad) {}
  long long num;
  const char *text;  // null for a number
  size_t len;        // length of text; -1: not measured yet
  bool padded;
};

// Texts kept with their lengths and room to be copied in one piece (see FmtArg::padded).
class PaddedText {
 public:
  // Keeps a copy of s; the result stays valid as long as this object.
  FmtArg keep(const char *s);
  // Forgets every text kept.
  void clear();
  PaddedText() = default;
  PaddedText(const PaddedText &) = delete;
  PaddedText &operator=(const PaddedText &) = delete;
  ~PaddedText() { clear(); }

 private:
  char *store_[64] = {};  // each text, followed by FmtArg::kPad zero bytes
  int n_ = 0;
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
    lit_total_ = at;
    for (int i = 0; padded_ && i < at; i++) lit_[i] = text[i];
  }

 private:
  friend class OutBuf;
  const char *text_;
  char lit_[kMaxText + kSlack];                       // copy of the text, when it fits
  int run_at_[kMaxConv + 1], run_len_[kMaxConv + 1];  // literal run before conversion k
  char conv_[kMaxConv];
  int nconv_;
  bool padded_;
  int lit_total_ = 0;  // length of the text: a bound for the literal runs
};

// Writes v in decimal at w, with a minus sign when negative; returns the end. At most 20 bytes.
char *write_num(char *w, long long v);

// Copies a text of a few bytes, where a call to memcpy costs more than the copy.
inline char *copy_short(char *w, const char *s, size_t n) {
  if (n > 16) {
    memcpy(w, s, n);
    return w + n;
  }
  for (size_t i = 0; i < n; i++) w[i] = s[i];
  return w + n;
}

// A number kept with its decimal text, for numbers that many lines repeat (line numbers).
class NumText {
 public:
  NumText() : value_(0), len_(1) { text_[0] = '0'; }
  // The number v as a "%d" argument; its text is written only when v changes.
  FmtArg operator()(long long v) {
    if (v != value_) {
      value_ = v;
      len_ = static_cast<size_t>(write_num(text_, v) - text_);
    }
    return FmtArg(text_, len_, true);
  }

 private:
  long long value_;
  size_t len_;
  char text_[24];
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
  // Appends fmt with each "%d" and "%s" replaced by the next argument (missing ones: nothing).
  void format(const Fmt &fmt, std::initializer_list<FmtArg> args);
  // The same for arguments listed one by one (numbers, texts, FmtArg): the code is made for
  // the argument types at compile time, which makes the many short rows of a stream cheap.
  template <class... Args>
  void format(const Fmt &fmt, const Args &...args) {
    size_t need = static_cast<size_t>(fmt.lit_total_) + Fmt::kSlack + (bound_of(args) + ... + 0);
    char *w = sizeof...(Args) == static_cast<size_t>(fmt.nconv_) ? reserve(need) : nullptr;
    if (!w) {
      format(fmt, {FmtArg(args)...});
      return;
    }
    char *start = w;
    int k = 0;  // literal run, then its argument
    ((w = put_run(w, fmt, k), w = put_arg(w, args), ++k), ...);
    w = put_run(w, fmt, k);
    len_ += static_cast<size_t>(w - start);
  }

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
  static char *put_run(char *w, const Fmt &fmt, int k) {
    auto n = static_cast<size_t>(fmt.run_len_[k]);
    if (!fmt.padded_ || n > Fmt::kSlack) return copy_short(w, fmt.text_ + fmt.run_at_[k], n);
    memcpy(w, fmt.lit_ + fmt.run_at_[k], Fmt::kSlack);  // zero bytes behind it, slack at w
    return w + n;
  }
  template <class T, class = std::enable_if_t<std::is_integral<T>::value>>
  static size_t bound_of(T) {
    return 20;
  }
  static size_t bound_of(const char *s) { return strlen(s); }
  static size_t bound_of(const FmtArg &a) {
    if (!a.text) return 20;
    return a.len != static_cast<size_t>(-1) ? a.len : strlen(a.text);
  }
  template <class T, class = std::enable_if_t<std::is_integral<T>::value>>
  static char *put_arg(char *w, T v) {
    return write_num(w, static_cast<long long>(v));
  }
  static char *put_arg(char *w, const char *s) { return copy_short(w, s, strlen(s)); }
  static char *put_arg(char *w, const FmtArg &a) {
    if (!a.text) return write_num(w, a.num);
    size_t n = bound_of(a);
    if (!a.padded || n > FmtArg::kPad) return copy_short(w, a.text, n);
    memcpy(w, a.text, FmtArg::kPad);
    return w + n;
  }
  static size_t bound(const Fmt &fmt, std::initializer_list<FmtArg> args, size_t *lens);
  static char *emit(char *w, const Fmt &fmt, std::initializer_list<FmtArg> args,
                    const size_t *lens);
  // Memory mode: makes room for n more bytes; false when there is no memory.
  bool grow(size_t n);
  // Room for n more bytes at the end of the buffer, or null when there cannot be.
  char *reserve(size_t n) { return n <= cap_ - len_ ? data_ + len_ : reserve_slow(n); }
  char *reserve_slow(size_t n);
  bool write_all(const char *s, size_t n);
  int fd_;  // -1: memory mode
  char *data_;
  size_t len_;
  size_t cap_;
  int error_;
};

// Flushes out; when that fails, writes message with the reason (its one "%s") on err.
// The exit status a program gives then: 0 when all was written, 1 otherwise.
int finish_output(OutBuf &out, OutBuf &err, const Fmt &message);

#endif
