// The listtint filter's core: takes markers out of each piece and writes keyword and comment areas.
#include "tint.h"

#include <algorithm>
#include <cstring>
#include <functional>

#include "bytescan.h"
#include "listformats.h"

namespace {
constexpr int kMarkerLen = 5;

// The four markers share their head; their fourth byte is an opener's or a closer's sign, their
// fifth a keyword's or a comment's letter, in the order of the kinds.
constexpr std::string_view kHead = kListingMarkers[0].substr(0, 3);
constexpr char kOpen = kListingMarkers[0][3], kClose = kListingMarkers[1][3];
constexpr char kKeywordLetter = kListingMarkers[0][4], kCommentLetter = kListingMarkers[2][4];
static_assert(kListingMarkers[1].substr(0, 3) == kHead &&
                  kListingMarkers[2].substr(0, 3) == kHead &&
                  kListingMarkers[3].substr(0, 3) == kHead && kListingMarkers[2][3] == kOpen &&
                  kListingMarkers[3][3] == kClose && kListingMarkers[1][4] == kKeywordLetter &&
                  kListingMarkers[3][4] == kCommentLetter,
              "the markers are a head, a sign and a letter");

// The kind of the marker made of these five bytes (the head, a sign, a letter), or -1.
int marker_kind(int c0, int c1, int c2, int sign, int letter) {
  if (c0 != kHead[0] || c1 != kHead[1] || c2 != kHead[2] || (sign != kOpen && sign != kClose) ||
      (letter != kKeywordLetter && letter != kCommentLetter))
    return -1;
  return (letter == kCommentLetter ? 2 : 0) + (sign == kClose ? 1 : 0);
}
}  // namespace

void ListingClasses::classify(const char *p, uint64_t (&classes)[Block::kClasses]) {
  static constexpr char kBytes[] = {'\n', '\0', kHead[0], kHead[1], kHead[2]};
  uint64_t m[5];
  byte_masks(p, kBytes, m);
  classes[0] = m[0];
  // The head's first byte where its next two, in this word or the next, follow.
  uint64_t star = m[3] >> 1 | static_cast<uint64_t>(p[64] == kHead[1]) << 63;
  uint64_t paren = m[4] >> 2 | static_cast<uint64_t>(p[64] == kHead[2]) << 62 |
                   static_cast<uint64_t>(p[65] == kHead[2]) << 63;
  classes[1] = m[1] | (m[2] & star & paren);
  classes[2] = 0;
}

void ListTint::reset() {
  lineno_ = 0;
  saved_.clear();
}

void ListTint::opening(OutBuf &out) {
  out.format(kOpening, kListingOpening);
}

void ListTint::run(ListingReader &in, OutBuf &out) {
  opening(out);
  Block b;
  for (size_t from = 0; in.next(from, &b);) {
    from = feed(b, out);
    if (in.drained()) out.flush();
  }
}

size_t ListTint::feed(const Block &b, OutBuf &out) {
  // A piece is a line with its newline, or kPieceMax bytes of a longer one, or the input's last
  // bytes; a shorter line that the block cuts waits for the next.
  size_t start = 0, special = find_bit(b.bits[1], 0, b.size);
  while (start < b.size) {
    // Lines before the next zero byte or marker head hold no marker: they are counted, not cut
    // into pieces, at most kPieceMax bytes of them at a time so that none is longer than one.
    // 11% less time on real listings than a piece for every line (21 pairs into dd, with and
    // without).
    if (special < start) special = find_bit(b.bits[1], start, b.size);
    size_t clear = std::min(special, start + kPieceMax);
    size_t last = last_bit(b.bits[0], start, clear);
    if (last < clear) {
      lineno_ += static_cast<int64_t>(count_bits(b.bits[0], start, last + 1));
      start = last + 1;
      continue;
    }
    size_t avail = b.size - start;
    size_t stop = start + (avail < kPieceMax ? avail : kPieceMax);
    size_t nl = find_bit(b.bits[0], start, stop);
    if (nl == stop && avail < kPieceMax && !b.last) break;
    size_t end = nl < stop ? nl + 1 : stop;
    piece(Piece{b.data + start, end - start, b.bits[1], start}, out);
    start = end;
  }
  return start;
}

void ListTint::piece(const Piece &p, OutBuf &out) {
  lineno_++;
  size_t n = p.n < kPieceMax ? p.n : kPieceMax;
  // Every marker starts with "\\*(", and the text ends at its first zero byte.
  size_t first = find_bit(p.special, p.offset, p.offset + n) - p.offset;
  if (first < n && p.text[first] != '\0') passes(p, n, first, out);
}

void ListTint::piece(const char *text, size_t n, OutBuf &out) {
  uint64_t special[kPieceMax / 64 + 1] = {};
  for (size_t i = 0; i < n && i < kPieceMax; i++)
    if (text[i] == '\0' || std::string_view(text + i, n - i).substr(0, 3) == kHead)
      special[i / 64] |= 1ULL << (i % 64);
  piece(Piece{text, n, special, 0}, out);
}

void ListTint::passes(const Piece &p, size_t n, size_t first, OutBuf &out) {
  const char *text = p.text;
  size_t at = first;
  text_ = text;
  n_ = Counts{};
  bool any = false;
  for (; at < n && text[at] != '\0';
       at = find_bit(p.special, p.offset + at, p.offset + n) - p.offset) {
    // A zero byte among the next four ends the text and fails the match.
    const char *m = text + at;
    int kind = n - at < kMarkerLen ? -1 : marker_kind(m[0], m[1], m[2], m[3], m[4]);
    if (kind >= 0) {
      marks_[kind][n_.marks[kind]++] = static_cast<int16_t>(at);
      any = true;
      at += kMarkerLen;
    } else {
      at++;
    }
  }
  len_ = static_cast<int>(at);
  // No marker: no removal, and so none formed.
  if (!any) return;

  words_ = (len_ + 63) / 64;
  memset(gone_, 0, sizeof gone_[0] * static_cast<size_t>(words_));
  memset(count_, 0, sizeof count_[0] * static_cast<size_t>(words_));
  full_ = words_ == kWords ? 0 : ~0ULL << words_;

  int start, end;  // columns of the area being written
  while (take(kKeywordOpen, &start) && take(kKeywordClose, &end))
    out.format(kKeyword, lineno_, start, lineno_, end);
  while (take(kCommentOpen, &start)) {
    start -= 3;
    if (!take(kCommentClose, &end)) {
      save_start(start);
      break;
    }
    out.format(kComment, lineno_, start, lineno_, end);
  }
  while (take(kCommentClose, &end)) out.format(kCommentEnd, saved_.view(), lineno_, end);
}

inline bool ListTint::take(Kind kind, int *col) {
  int16_t *heap = formed_[kind];
  int from_marks = n_.taken[kind] < n_.marks[kind] ? marks_[kind][n_.taken[kind]] : len_;
  int from_formed = n_.formed[kind] > 0 ? heap[0] : len_;
  if (from_marks == len_ && from_formed == len_) return false;
  int at;  // the backslash of the first marker of this kind
  if (from_marks < from_formed) {
    at = from_marks;
    n_.taken[kind]++;
  } else {
    at = from_formed;
    std::pop_heap(heap, heap + n_.formed[kind]--, std::greater<int16_t>());
  }
  *col = at + 1 - removed_before(at);
  remove(at, from_marks >= from_formed);
  return true;
}

inline int ListTint::left(int at) const {
  if (at <= 0) return -1;
  int i = at - 1, w = i >> 6;
  uint64_t alive = ~gone_[w] & (~0ULL >> (63 - (i & 63)));
  if (!alive) {
    uint64_t words = ~full_ & ((1ULL << w) - 1);  // words before w with a byte left
    if (!words) return -1;
    w = 63 - __builtin_clzll(words);
    alive = ~gone_[w];
  }
  return w * 64 + 63 - __builtin_clzll(alive);
}

inline int ListTint::right(int at) const {
  int i = at + 1, w = i >> 6;
  if (i >= len_) return len_;
  uint64_t alive = ~gone_[w] & (~0ULL << (i & 63));
  if (!alive) {
    uint64_t words = ~full_ & ~((2ULL << w) - 1);  // words after w with a byte left
    if (!words) return len_;
    w = __builtin_ctzll(words);
    alive = ~gone_[w];
  }
  int r = w * 64 + __builtin_ctzll(alive);
  return r < len_ ? r : len_;
}

inline void ListTint::mark_gone(int from, int to) {
  int w = from >> 6;
  gone_[w] |= (~0ULL >> (63 - (to & 63))) & (~0ULL << (from & 63));
  if (gone_[w] == ~0ULL) full_ |= 1ULL << w;
  // Counts of whole words before the last one are all that removed_before reads.
  for (int j = w + 1; j < words_; j += j & -j)
    count_[j] = static_cast<uint16_t>(count_[j] + to - from + 1);
}

inline int ListTint::removed_before(int at) const {
  int w = at >> 6;
  int sum = popcount(gone_[w] & ((1ULL << (at & 63)) - 1));
  for (int j = w; j > 0; j -= j & -j) sum += count_[j];
  return sum;
}

inline void ListTint::remove(int at, bool formed) {
  // The marker's bytes: its backslash and the four bytes still in the line after it, which
  // follow it at once unless a removal formed it.
  int last = at + kMarkerLen - 1;
  if (formed) {
    last = at;
    for (int k = 1; k < kMarkerLen; k++) {
      mark_gone(last, last);
      last = right(last);
    }
    mark_gone(last, last);
  } else if (at >> 6 == last >> 6) {
    mark_gone(at, last);
  } else {
    mark_gone(at, at | 63);
    mark_gone((at | 63) + 1, last);
  }

  // A marker formed across the join has its second to fifth byte right of it, and starts at
  // one of the four bytes to its left.
  int after = right(last);
  int c = byte(after);
  if (c != kHead[1] && c != kHead[2] && c != kOpen && c != kClose && c != kKeywordLetter &&
      c != kCommentLetter)
    return;
  int node[4], b[8];  // b: the four bytes left of the join, then the four right of it
  for (int k = 3, i = left(at); k >= 0; k--) {
    node[k] = i;
    b[k] = byte(i);
    if (k > 0) i = left(i);
  }
  for (int k = 4, i = after; k < 8; k++) {
    b[k] = byte(i);
    i = right(i);
  }
  for (int k = 0; k < 4; k++) {
    int kind = marker_kind(b[k], b[k + 1], b[k + 2], b[k + 3], b[k + 4]);
    if (kind < 0) continue;
    int16_t *heap = formed_[kind];
    heap[n_.formed[kind]++] = static_cast<int16_t>(node[k]);
    std::push_heap(heap, heap + n_.formed[kind], std::greater<int16_t>());
    break;  // no other byte of a marker is a backslash: one marker at most
  }
}

void ListTint::save_start(int col) {
  saved_.clear();
  saved_.format(kSavedStart, lineno_, col);
}
