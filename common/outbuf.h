// One buffered output stream for the programs: large writes, no stdio or iostreams.
#ifndef ILVO_OUTBUF_H
#define ILVO_OUTBUF_H

#include <algorithm>
#include <cassert>
#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <type_traits>

// Not constexpr, so that a bad format text stops the compiler where a format is made in a
// constant expression (every format of the programs is); elsewhere it stops a test build.
inline void bad_format() {
  assert(!"a '%' begins %d or %s, at most Fmt::kMaxConv times");
}

// A format text cut into literal runs around its "%d" (a number) and "%s" (a text)
// conversions. Any other '%', or more than kMaxConv conversions, is a bad format.
class Fmt {
 public:
  static constexpr int kMaxConv = 8;
  constexpr Fmt(const char *text) : text_(text) {
    size_t at = 0, start = 0;  // at: scan position; start: of the current literal run
    for (; text[at]; at++) {
      if (text[at] != '%') continue;
      if ((text[at + 1] != 'd' && text[at + 1] != 's') || nconv_ == kMaxConv) {
        bad_format();
        return;
      }
      kind_[nconv_] = text[at + 1];
      run_at_[nconv_] = start;
      run_len_[nconv_++] = at - start;
      start = at + 2;
      at++;
    }
    run_at_[nconv_] = start;
    run_len_[nconv_] = at - start;
  }
  // Whether arguments of these types fill the conversions: as many, numbers for "%d".
  template <class... Args>
  constexpr bool takes() const {
    int k = 0;
    bool ok = nconv_ == int{sizeof...(Args)};
    ((ok = ok && kind_[k++] == (std::is_integral_v<Args> ? 'd' : 's')), ...);
    return ok;
  }

 private:
  friend class OutBuf;
  const char *text_;
  char kind_[kMaxConv] = {};
  size_t run_at_[kMaxConv + 1] = {}, run_len_[kMaxConv + 1] = {};  // run before conversion k
  int nconv_ = 0;
};

// The digits of 0..999, three to each number with leading zeros, and a fourth byte.
struct Digits {
  char of[1000][4];
};
inline constexpr Digits kDigits = [] {
  Digits t{};
  for (int v = 0; v < 1000; v++)
    for (int k = 0, p = 100; k < 3; k++, p /= 10) t.of[v][k] = static_cast<char>('0' + v / p % 10);
  return t;
}();

// Room that put_number and put_place may use, whatever the numbers.
constexpr size_t kNumberRoom = 20, kPlaceRoom = 2 * kNumberRoom + 3;

// Writes the decimal digits of v (a '-' first when negative) at w, which has kNumberRoom bytes,
// and returns their end. Below a million by table, with four-byte moves and no test of each
// digit: with std::to_chars instead, html takes 1.27 to 1.29 times as long on real pages,
// listtint 1.04 on real listings (two sets of 21 pairs into dd).
inline char *put_number(char *w, int64_t v) {
  if (static_cast<uint64_t>(v) < 1000) {
    int skip = (v < 10) + (v < 100);  // leading zeros; the four bytes read stay in the table
    memcpy(w, kDigits.of[v] + skip, 4);
    return w + 3 - skip;
  }
  if (static_cast<uint64_t>(v) < 1000000) {
    int64_t high = v / 1000;
    int skip = (high < 10) + (high < 100);
    memcpy(w, kDigits.of[high] + skip, 4);
    memcpy(w + 3 - skip, kDigits.of[v - high * 1000], 4);
    return w + 6 - skip;
  }
  return std::to_chars(w, w + kNumberRoom, v).ptr;
}

// Writes the place "[line,column]" at w, which has kPlaceRoom bytes, and returns its end.
inline char *put_place(char *w, int64_t line, int64_t column) {
  *w++ = '[';
  w = put_number(w, line);
  *w++ = ',';
  w = put_number(w, column);
  *w++ = ']';
  return w;
}

// Collects output and hands it to a descriptor in large writes, or keeps it in memory. The
// first failure (of a write, or ENOMEM) is kept: nothing more is buffered, flush() reports it.
class OutBuf {
 public:
  static constexpr size_t kChunk = 256 * 1024, kFirst = 16 * 1024;  // largest and first buffer
  // Writes into fd whenever its buffer fills, and on flush(); the buffer starts at kFirst (or
  // chunk, when smaller) and grows to the bytes written so far until it holds chunk bytes.
  explicit OutBuf(int fd, size_t chunk = kChunk) : fd_(fd), chunk_(chunk) {}
  OutBuf() : fd_(-1), chunk_(4096) {}  // keeps everything in memory (view() shows it)
  ~OutBuf() { free(data_); }
  OutBuf(const OutBuf &) = delete;
  OutBuf &operator=(const OutBuf &) = delete;

  // Room for n bytes behind what is buffered: write there, then commit() their end. Null, once
  // a failure is kept.
  char *reserve(size_t n) { return n <= cap_ - len_ ? data_ + len_ : room(n); }
  void commit(const char *end) {
    assert(end >= data_ + len_ && end <= data_ + cap_);
    len_ = static_cast<size_t>(end - data_);
  }
  void put(std::string_view s) {
    char *w = reserve(s.size());
    if (w) commit(std::copy_n(s.data(), s.size(), w));
  }
  // Appends fmt with its conversions replaced by args in order: integers for "%d", texts
  // (std::string_view, std::string or a zero-terminated char pointer) for "%s".
  template <class... Args>
  void format(const Fmt &fmt, const Args &...args) {
    assert(fmt.takes<Args...>());
    char *w =
        reserve(fmt.run_at_[fmt.nconv_] + fmt.run_len_[fmt.nconv_] + (room_of(args) + ... + 0));
    if (!w) return;
    int k = 0;
    ((w = std::copy_n(fmt.text_ + fmt.run_at_[k], fmt.run_len_[k], w), k++, w = arg(w, args)), ...);
    commit(std::copy_n(fmt.text_ + fmt.run_at_[k], fmt.run_len_[k], w));
  }

  bool flush();                         // descriptor mode; false once any failure is kept
  int error() const { return error_; }  // errno of the first failure, or 0
  std::string_view view() const { return std::string_view(data_, len_); }
  size_t size() const { return len_; }  // bytes buffered
  std::string str() const { return std::string(view()); }
  void clear() { len_ = 0; }  // forgets what is buffered and not written

 private:
  template <class T>
  static size_t room_of(const T &v) {
    if constexpr (std::is_integral_v<T>)
      return kNumberRoom;
    else
      return std::string_view(v).size();
  }
  template <class T>
  static char *arg(char *w, const T &v) {
    if constexpr (std::is_integral_v<T>)
      return put_number(w, static_cast<int64_t>(v));
    else
      return std::copy_n(std::string_view(v).data(), std::string_view(v).size(), w);
  }
  // Room for n more bytes, after a flush or in a larger buffer; null when there cannot be.
  char *room(size_t n);
  int fd_;        // -1: memory mode
  size_t chunk_;  // a descriptor's largest buffer; in memory, the first
  char *data_ = nullptr;
  size_t len_ = 0, cap_ = 0, written_ = 0;  // written_: to fd so far
  int error_ = 0;
};

// Asks for a pipe on fd that holds a whole OutBuf::kChunk, so that each write is taken at once
// while the reader drains it; nothing when fd is no pipe.
void grow_pipe(int fd);

// Flushes out; when that fails, writes message with the reason (its one "%s") on err.
// The exit status a program gives then: 0 when all was written, 1 otherwise.
int finish_output(OutBuf &out, OutBuf &err, const Fmt &message);

#endif
