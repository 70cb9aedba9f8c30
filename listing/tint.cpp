// The listtint filter's core: takes markers out of each line and writes keyword and comment areas.
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

namespace {

// Ends a row at w, in room that out reserved: ",[line,end]" and the tail.
void end_row(OutBuf &out, char *w, int64_t line, int64_t end, std::string_view tail) {
  *w++ = ',';
  w = put_place(w, line, end);
  memcpy(w, tail.data(), tail.size());
  out.commit(w + tail.size());
}

// A row from a start (the saved start, or nothing) to [line,end], then its tail.
void area(OutBuf &out, std::string_view start, int64_t line, int64_t end, std::string_view tail) {
  char *w = out.reserve(start.size() + 1 + kPlaceRoom + tail.size());
  if (!w) return;
  if (!start.empty()) memcpy(w, start.data(), start.size());
  end_row(out, w + start.size(), line, end, tail);
}

// A row from [line,start] to [line,end], then its tail.
void area(OutBuf &out, int64_t line, int64_t start, int64_t end, std::string_view tail) {
  char *w = out.reserve(2 * kPlaceRoom + 1 + tail.size());
  if (w) end_row(out, put_place(w, line, start), line, end, tail);
}

}  // namespace

void ListTint::reset() {
  lineno_ = 0;
  shift_ = 0;
  mid_line_ = dead_ = false;
  saved_len_ = 0;
}

void ListTint::opening(OutBuf &out) {
  out.put(kListingOpening);
  out.put(kRowEnd);
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
  const uint64_t *newlines = b.bits[0], *special = b.bits[1];
  size_t start = 0, next = find_bit(special, 0, b.size);  // next: zero byte or marker head
  while (start < b.size) {
    if (next < start) next = find_bit(special, start, b.size);
    // Lines before the next zero byte or marker head hold no marker: they are counted from
    // their newlines, not handled one by one (11% less time on real listings than a piece for
    // every line, 21 pairs into dd, with and without). The first ends a line already counted
    // when a part of it was handled.
    size_t last = last_bit(newlines, start, next);
    if (last < next) {
      lineno_ += static_cast<int64_t>(count_bits(newlines, start, last + 1)) - mid_line_;
      mid_line_ = false;
      start = last + 1;
      continue;
    }
    size_t nl = find_bit(newlines, start, b.size);
    if (nl < b.size || b.last) {
      size_t end = nl < b.size ? nl + 1 : b.size;
      piece(Piece{b.data + start, end - start, special, start, true}, out);
      start = end;
      continue;
    }
    if (start > 0 || b.size < kPartMax) break;  // the rest of the line comes with the next block
    // A line longer than a block: this part now, but for a backslash among its last four bytes,
    // which may begin a marker that the next part ends.
    size_t cut = b.size;
    for (size_t k = 1; k < kMarkerLen; k++)
      if (b.data[b.size - k] == kHead[0]) cut = b.size - k;
    piece(Piece{b.data, cut, special, 0, false}, out);
    start = cut;
  }
  return start;
}

void ListTint::piece(const Piece &p, OutBuf &out) {
  if (!mid_line_) {
    lineno_++;
    shift_ = 0;
    dead_ = false;
  }
  mid_line_ = !p.ends;
  if (dead_) return;
  size_t n = p.n < kPartMax ? p.n : kPartMax;
  // Every marker starts with "\\*(", and the text ends at its first zero byte.
  size_t first = find_bit(p.special, p.offset, p.offset + n) - p.offset;
  size_t kept = first;  // bytes that stand in the line after its markers are taken out
  dead_ = first < n && p.text[first] == '\0';
  if (first < n && !dead_) {
    kept = passes(p, n, first, out);
    dead_ = len_ < static_cast<int>(n);
  }
  shift_ += static_cast<int64_t>(kept);
}

void ListTint::piece(const char *text, size_t n, OutBuf &out) {
  uint64_t special[kPartMax / 64 + 1] = {};
  for (size_t i = 0; i < n && i < kPartMax; i++)
    if (text[i] == '\0' || std::string_view(text + i, n - i).substr(0, 3) == kHead)
      special[i / 64] |= 1ULL << (i % 64);
  piece(Piece{text, n, special, 0, true}, out);
}

size_t ListTint::passes(const Piece &p, size_t n, size_t first, OutBuf &out) {
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
      marks_[kind][n_.marks[kind]++] = static_cast<int32_t>(at);
      any = true;
      at += kMarkerLen;
    } else {
      at++;
    }
  }
  len_ = static_cast<int>(at);
  // No marker: no removal, and so none formed.
  if (!any) return at;

  words_ = (len_ + 63) / 64;
  memset(gone_, 0, sizeof gone_[0] * static_cast<size_t>(words_));
  memset(count_, 0, sizeof count_[0] * static_cast<size_t>(words_));
  for (int j = 0; j < kWords / 64; j++) {
    int below = words_ - j * 64;  // words of the piece in this word of full_
    full_[j] = below >= 64 ? 0 : below <= 0 ? ~0ULL : ~0ULL << below;
  }
  removed_ = 0;

  int64_t start, end;  // columns of the area being written
  while (take(kKeywordOpen, &start) && take(kKeywordClose, &end))
    area(out, lineno_, start, end, kKeywordTail);
  while (take(kCommentOpen, &start)) {
    start -= 3;
    if (!take(kCommentClose, &end)) {
      save_start(start);
      break;
    }
    area(out, lineno_, start, end, kCommentTail);
  }
  while (take(kCommentClose, &end))
    area(out, std::string_view(saved_, saved_len_), lineno_, end, kCommentEndTail);
  return at - static_cast<size_t>(removed_);
}

inline bool ListTint::take(Kind kind, int64_t *col) {
  int32_t *heap = formed_[kind];
  int from_marks = n_.taken[kind] < n_.marks[kind] ? marks_[kind][n_.taken[kind]] : len_;
  int from_formed = n_.formed[kind] > 0 ? heap[0] : len_;
  if (from_marks == len_ && from_formed == len_) return false;
  int at;  // the backslash of the first marker of this kind
  if (from_marks < from_formed) {
    at = from_marks;
    n_.taken[kind]++;
  } else {
    at = from_formed;
    std::pop_heap(heap, heap + n_.formed[kind]--, std::greater<int32_t>());
  }
  *col = shift_ + at + 1 - removed_before(at);
  removed_ += kMarkerLen;
  remove(at, from_marks >= from_formed);
  return true;
}

inline int ListTint::left(int at) const {
  if (at <= 0) return -1;
  int i = at - 1, w = i >> 6;
  uint64_t alive = ~gone_[w] & (~0ULL >> (63 - (i & 63)));
  if (!alive) {
    if ((w = live_before(w)) < 0) return -1;
    alive = ~gone_[w];
  }
  return w * 64 + 63 - __builtin_clzll(alive);
}

inline int ListTint::right(int at) const {
  int i = at + 1, w = i >> 6;
  if (i >= len_) return len_;
  uint64_t alive = ~gone_[w] & (~0ULL << (i & 63));
  if (!alive) {
    if ((w = live_after(w)) >= kWords) return len_;
    alive = ~gone_[w];
  }
  int r = w * 64 + __builtin_ctzll(alive);
  return r < len_ ? r : len_;
}

inline int ListTint::live_before(int w) const {
  for (int j = (w - 1) >> 6; w > 0 && j >= 0; j--) {
    uint64_t m = ~full_[j];
    if (j == (w - 1) >> 6) m &= ~0ULL >> (63 - ((w - 1) & 63));
    if (m) return j * 64 + 63 - __builtin_clzll(m);
  }
  return -1;
}

inline int ListTint::live_after(int w) const {
  for (int j = (w + 1) >> 6; w + 1 < kWords && j < kWords / 64; j++) {
    uint64_t m = ~full_[j];
    if (j == (w + 1) >> 6) m &= ~0ULL << ((w + 1) & 63);
    if (m) return j * 64 + __builtin_ctzll(m);
  }
  return kWords;
}

inline void ListTint::mark_gone(int from, int to) {
  int w = from >> 6;
  gone_[w] |= (~0ULL >> (63 - (to & 63))) & (~0ULL << (from & 63));
  if (gone_[w] == ~0ULL) full_[w >> 6] |= 1ULL << (w & 63);
  // Counts of whole words before the last one are all that removed_before reads.
  for (int j = w + 1; j < words_; j += j & -j) count_[j] += static_cast<uint32_t>(to - from + 1);
}

inline int ListTint::removed_before(int at) const {
  int w = at >> 6;
  int sum = popcount(gone_[w] & ((1ULL << (at & 63)) - 1));
  for (int j = w; j > 0; j -= j & -j) sum += static_cast<int>(count_[j]);
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
    int32_t *heap = formed_[kind];
    heap[n_.formed[kind]++] = static_cast<int32_t>(node[k]);
    std::push_heap(heap, heap + n_.formed[kind], std::greater<int32_t>());
    break;  // no other byte of a marker is a backslash: one marker at most
  }
}

void ListTint::save_start(int64_t col) {
  saved_len_ = static_cast<size_t>(put_place(saved_, lineno_, col) - saved_);
}
