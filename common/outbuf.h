// One buffered output stream for the programs: large writes, no stdio or iostreams.
#ifndef ILVO_OUTBUF_H
#define ILVO_OUTBUF_H

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string>
#include <string_view>
#include <type_traits>

// A format text cut, once (at compile time for a constant), into literal runs around its
// "%d" (an integer) and "%s" (a text) conversions; every other character is literal.
class Fmt {
 public:
  static constexpr int kMaxConv = 8, kMaxText = 96;  // conversions; length of a kept copy
  // A short format keeps a copy with zero bytes behind it, so that each run is copied in one
  // 32-byte move: 18% less time for listtint on real listings than the general path (21 pairs
  // into dd, with and without); html's rows are bound formats.
  static constexpr size_t kSlack = 32;
  constexpr Fmt(const char *text) : text_(text) {
    int at = 0, start = 0;  // at: scan position; start: of the current literal run
    for (; text[at]; at++) {
      if (text[at] == '%' && (text[at + 1] == 'd' || text[at + 1] == 's') && nconv_ < kMaxConv) {
        run_at_[nconv_] = start;
        run_len_[nconv_++] = at - start;
        start = at + 2;
        at++;
      }
    }
    run_at_[nconv_] = start;
    run_len_[nconv_] = at - start;
    size_ = at;
    compact_ = at <= kMaxText;
    for (int k = 0; k <= nconv_; k++) compact_ = compact_ && run_len_[k] <= int{kSlack};
    for (int i = 0; i < at && compact_; i++) copy_[i] = text[i];
  }

 private:
  friend class OutBuf;
  friend class BoundFmt;
  const char *text_;
  char copy_[kMaxText + kSlack] = {};
  int run_at_[kMaxConv + 1] = {}, run_len_[kMaxConv + 1] = {};  // literal run before conversion k
  int nconv_ = 0, size_ = 0;
  bool compact_ = false;  // copied, and every run fits one move
};

// A format whose texts are known before its rows are written (a filter's colors), its "%d"
// numbers all before its "%s" texts: the short literal runs before the numbers and the tail
// with the texts in place are prepared once, so that a row is its numbers and a few moves. 7%
// less time for html on real pages than its formats with the colors as arguments (21 pairs
// into dd, with and without).
class BoundFmt {
 public:
  static constexpr int kRun = 8, kTail = 64;  // the moves: a run, the tail
  BoundFmt() = default;
  // Binds texts, in order, to the "%s" of fmt, which must outlive this. A format of another
  // shape, or with longer runs or tail, is written the general way.
  BoundFmt(const Fmt &fmt, std::initializer_list<std::string_view> texts);

 private:
  friend class OutBuf;
  const Fmt *fmt_ = nullptr;
  std::string_view texts_[Fmt::kMaxConv];
  char kind_[Fmt::kMaxConv] = {};  // of each conversion: 'd' or 's'
  int nnum_ = 0, ntext_ = 0;
  char run_[Fmt::kMaxConv][kRun] = {};
  int run_len_[Fmt::kMaxConv] = {};
  char tail_[kTail] = {};
  int tail_len_ = 0;
  bool compact_ = false;  // every run and the tail fit their moves
};

// The digits of 0..999, each in four bytes: the number's digits, then zeros, the last byte their
// count; and each as three digits with leading zeros.
struct SmallNumbers {
  char text[1000][4], padded[1000][4];
};
inline constexpr SmallNumbers kSmallNumbers = [] {
  SmallNumbers t{};
  for (int v = 0; v < 1000; v++) {
    char d[3] = {static_cast<char>('0' + v / 100), static_cast<char>('0' + v / 10 % 10),
                 static_cast<char>('0' + v % 10)};
    int n = v >= 100 ? 3 : v >= 10 ? 2 : 1;
    for (int k = 0; k < n; k++) t.text[v][k] = d[3 - n + k];
    t.text[v][3] = static_cast<char>(n);
    for (int k = 0; k < 3; k++) t.padded[v][k] = d[k];
  }
  return t;
}();

// Writes the digits of v at w, which has room for any number (20 bytes), and returns their end:
// below a million by table, with four-byte moves and no test of each digit. 6% less time for
// html on real pages, 5% for listtint on real listings, than std::to_chars (21 pairs into dd).
inline char *put_number(char *w, int64_t v) {
  if (static_cast<uint64_t>(v) < 1000) {
    memcpy(w, kSmallNumbers.text[v], 4);
    return w + kSmallNumbers.text[v][3];
  }
  if (static_cast<uint64_t>(v) < 1000000) {
    int64_t high = v / 1000;
    memcpy(w, kSmallNumbers.text[high], 4);
    w += kSmallNumbers.text[high][3];
    memcpy(w, kSmallNumbers.padded[v - high * 1000], 4);
    return w + 3;
  }
  return std::to_chars(w, w + 20, v).ptr;
}

// Collects output and hands it to a descriptor in large writes, or keeps it in memory.
class OutBuf {
 public:
  static constexpr size_t kChunk = 256 * 1024;  // bytes gathered before a write(2)
  explicit OutBuf(int fd);  // writes into fd whenever the buffer fills, and on flush()
  OutBuf() : fd_(-1) {}     // keeps everything in memory (view() shows it)
  ~OutBuf() {
    if (owned_) free(data_);
  }
  OutBuf(const OutBuf &) = delete;
  OutBuf &operator=(const OutBuf &) = delete;

  void put(std::string_view s) {
    char *w = s.size() <= cap_ - len_ ? data_ + len_ : room(s.size());
    if (!w || s.empty()) return;
    memcpy(w, s.data(), s.size());
    len_ += s.size();
  }
  // Appends fmt with its conversions replaced by args in order: integers for "%d",
  // texts (std::string_view, or a zero-terminated char pointer) for "%s". A conversion with no
  // argument writes nothing, an argument with no conversion is dropped.
  template <class... Args>
  void format(const Fmt &fmt, const Args &...args) {
    static_assert(sizeof...(Args) <= Fmt::kMaxConv, "too many arguments");
    size_t need = static_cast<size_t>(fmt.size_) + Fmt::kSlack + (bound(args) + ... + 0);
    char *w = need <= cap_ - len_ ? data_ + len_ : room(need), *start = w;
    if (!w) return;
    int k = 0;
    if (fmt.compact_ && fmt.nconv_ == int{sizeof...(Args)}) {  // the usual row: run k, arg k, ...
      ((memcpy(w, fmt.copy_ + fmt.run_at_[k], Fmt::kSlack), w += fmt.run_len_[k++],
        w = arg(w, args)),
       ...);
      memcpy(w, fmt.copy_ + fmt.run_at_[k], Fmt::kSlack);
      w += fmt.run_len_[k];
    } else {
      const Arg list[] = {Arg(args)..., Arg()};  // the last one only gives the array a size
      w = general(w, fmt, list, int{sizeof...(Args)});
    }
    len_ += static_cast<size_t>(w - start);
  }

  // Appends a row of f with these numbers for its "%d" in order; as for format, a conversion
  // with no number writes nothing, a number with no conversion is dropped.
  template <class... Nums>
  void format(const BoundFmt &f, const Nums &...nums) {
    static_assert(((std::is_integral_v<Nums> && std::is_signed_v<Nums>)&&...), "numbers only");
    bool moves = f.compact_ && f.nnum_ == int{sizeof...(Nums)};
    size_t need = 20 * sizeof...(Nums);
    if (moves) {
      need += BoundFmt::kTail + BoundFmt::kRun * sizeof...(Nums);
    } else {
      need += f.fmt_ ? static_cast<size_t>(f.fmt_->size_) : 0;
      for (int k = 0; k < f.ntext_; k++) need += f.texts_[k].size();
    }
    char *w = need <= cap_ - len_ ? data_ + len_ : room(need), *start = w;
    if (!w) return;
    if (moves) {
      int k = 0;
      ((memcpy(w, f.run_[k], BoundFmt::kRun), w += f.run_len_[k++], w = arg(w, nums)), ...);
      memcpy(w, f.tail_, BoundFmt::kTail);
      w += f.tail_len_;
    } else if (f.fmt_) {
      // Each conversion in turn: the next number given, or the next text bound.
      const int64_t values[] = {nums..., 0};
      Arg list[Fmt::kMaxConv + 1];
      int n = 0, t = 0, k = 0;
      for (; k < f.fmt_->nconv_; k++) {
        if (f.kind_[k] == 'd' && n < int{sizeof...(Nums)})
          list[k].text = std::string_view(
              list[k].digits,
              static_cast<size_t>(put_number(list[k].digits, values[n++]) - list[k].digits));
        else if (f.kind_[k] == 's' && t < f.ntext_)
          list[k].text = f.texts_[t++];
      }
      w = general(w, *f.fmt_, list, k);
    }
    len_ += static_cast<size_t>(w - start);
  }

  // Appends s; a long one, after what is buffered, goes straight to the descriptor.
  void put_long(std::string_view s);
  bool flush();                         // descriptor mode; false once any write has failed
  int error() const { return error_; }  // errno of the first failure (ENOMEM too), or 0
  std::string_view view() const { return std::string_view(data_, len_); }
  size_t size() const { return len_; }  // bytes buffered
  std::string str() const { return std::string(view()); }
  void clear() { len_ = 0; }  // forgets what is buffered and not written
  // Buffers in the cap bytes at p from now on, which stay the caller's until give_back(); what
  // is buffered moves there, and a buffer that must grow past cap moves into memory of its own.
  // False, changing nothing, when p is null or cap too small for what is buffered.
  bool borrow(char *p, size_t cap);
  // Buffers in memory of its own again: a descriptor's buffer is flushed first, a memory
  // buffer's bytes are copied (lost, with ENOMEM, when there is no memory for them).
  void give_back();

 private:
  template <class T>
  static size_t bound(const T &v) {
    if constexpr (std::is_integral_v<T>)
      return 20;
    else
      return std::string_view(v).size();
  }
  template <class T>
  static char *arg(char *w, const T &v) {
    if constexpr (std::is_integral_v<T> && std::is_signed_v<T> && sizeof(T) <= 8) {
      return put_number(w, v);
    } else if constexpr (std::is_integral_v<T>) {
      return std::to_chars(w, w + 20, v).ptr;
    } else {
      std::string_view s(v);
      if (!s.empty()) memcpy(w, s.data(), s.size());
      return w + s.size();
    }
  }
  // An argument as its text, for the general path: one copy of the code for every argument list.
  struct Arg {
    Arg() noexcept = default;
    template <class T>
    explicit Arg(const T &v) noexcept {
      if constexpr (std::is_integral_v<T>)
        text = std::string_view(digits, static_cast<size_t>(arg(digits, v) - digits));
      else
        text = v;
    }
    Arg(const Arg &) = delete;
    char digits[20];
    std::string_view text;
  };
  // Any format with n arguments: runs and arguments in turn, the missing or extra ones left out.
  static char *general(char *w, const Fmt &fmt, const Arg *args, int n) noexcept;
  void write_all(const char *s, size_t n);  // into the descriptor, until done or failed
  // Room for n more bytes, after a flush or a larger buffer; null when there cannot be.
  char *room(size_t n);
  int fd_;  // -1: memory mode
  char *data_ = nullptr;
  size_t len_ = 0, cap_ = 0;
  bool owned_ = true;  // data_ is freed here; false while borrowed
  int error_ = 0;
};

// Flushes out; when that fails, writes message with the reason (its one "%s") on err.
// The exit status a program gives then: 0 when all was written, 1 otherwise.
int finish_output(OutBuf &out, OutBuf &err, const Fmt &message);

#endif
