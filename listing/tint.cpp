// The listtint filter's core: takes markers out of each piece and writes keyword and comment areas.
#include "tint.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>

#include "bytescan.h"
#include "listformats.h"

namespace {
constexpr int kMarkerLen = 5;

// The kind of the marker at p (a backslash, '*', '(', a sign, a letter), or -1.
int marker_kind(int c0, int c1, int c2, int sign, int letter) {
  if (c0 != '\\' || c1 != '*' || c2 != '(' || (sign != '+' && sign != '-') ||
      (letter != 'K' && letter != 'C'))
    return -1;
  return (letter == 'C' ? 2 : 0) + (sign == '-' ? 1 : 0);
}
// kCounting[i] is i - 1: the neighbours of every byte of a line that nothing was removed from.
const struct Counting {
  int16_t v[kPieceMax + 2];
  constexpr Counting() : v() {
    for (size_t i = 0; i < kPieceMax + 2; i++) v[i] = static_cast<int16_t>(static_cast<int>(i) - 1);
  }
} kCountingTable;
const int16_t *const kCounting = kCountingTable.v;
}  // namespace

void ListTint::reset() {
  lineno_ = 0;
  saved_.clear();
}

void ListTint::opening(OutBuf &out) {
  out.format(kOpening);
}

void ListTint::piece(const char *text, size_t n, OutBuf &out) {
  piece(text, n, find_any(text, 0, n < kPieceMax ? n : kPieceMax, '\\', '\0', '\0'), out);
}

void ListTint::piece(const char *text, size_t n, size_t first, OutBuf &out) {
  lineno_++;
  if (n > kPieceMax) n = kPieceMax;
  if (first >= n || text[first] == '\0') return;
  text_ = text;
  base_ = static_cast<int>(first);
  bool any = false;
  for (int k = 0; k < kKinds; k++) nmarks_[k] = taken_[k] = nformed_[k] = 0;
  size_t at = first;  // a backslash, or where the text ends
  for (; at < n && text[at] != '\0'; at = find_any(text, at, n, '\\', '\0', '\0')) {
    // A zero byte among the next four ends the text and fails the match.
    int kind = n - at < kMarkerLen ? -1
                                   : marker_kind(text[at], text[at + 1], text[at + 2],
                                                 text[at + 3], text[at + 4]);
    if (kind >= 0) {
      marks_[kind][nmarks_[kind]++] = static_cast<int16_t>(at);
      any = true;
      at += kMarkerLen;
    } else {
      at++;
    }
  }
  len_ = static_cast<int>(at);
  // No marker: no removal, and so none formed.
  if (!any) return;

  // A join looks at most four bytes to its left, and no byte before base_ is ever removed.
  int from = base_ >= 4 ? base_ - 4 : 0;
  size_t count = static_cast<size_t>(len_ - from);
  memcpy(prev_ + from + 1, kCounting + from, count * sizeof prev_[0]);
  memcpy(next_ + from + 1, kCounting + from + 2, count * sizeof next_[0]);
  memset(fenwick_, 0, sizeof fenwick_[0] * static_cast<size_t>(len_ - base_ + 1));

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

bool ListTint::take(Kind kind, int *col) {
  int16_t *heap = formed_[kind];
  int from_marks = taken_[kind] < nmarks_[kind] ? marks_[kind][taken_[kind]] : len_;
  int from_formed = nformed_[kind] > 0 ? heap[0] : len_;
  if (from_marks == len_ && from_formed == len_) return false;
  int at;  // the backslash of the first marker of this kind
  if (from_marks < from_formed) {
    at = from_marks;
    taken_[kind]++;
  } else {
    at = from_formed;
    std::pop_heap(heap, heap + nformed_[kind]--, std::greater<int16_t>());
  }
  *col = at + 1 - removed_before(at);
  remove(at);
  return true;
}

void ListTint::remove(int at) {
  int last = at;
  for (int k = 1; k < kMarkerLen; k++) last = next(last);
  int before = prev(at), after = next(last);
  next_[before + 1] = static_cast<int16_t>(after);
  prev_[after + 1] = static_cast<int16_t>(before);
  add_removed(at, kMarkerLen);

  // The byte right of the join would be a formed marker's second to fifth.
  int right = byte(after);
  if (right != '*' && right != '(' && right != '+' && right != '-' && right != 'K' && right != 'C')
    return;

  // A marker formed across the join starts at one of the four bytes to its left.
  int node[4], b[8];  // b: the four bytes to the left of the join, then the four to its right
  for (int k = 3, i = before; k >= 0; k--) {
    node[k] = i;
    b[k] = byte(i);
    if (i >= 0 && k > 0) i = prev(i);
  }
  for (int k = 4, i = after; k < 8; k++) {
    b[k] = byte(i);
    if (i < len_) i = next(i);
  }
  for (int k = 0; k < 4; k++) {
    int kind = marker_kind(b[k], b[k + 1], b[k + 2], b[k + 3], b[k + 4]);
    if (kind < 0) continue;
    int16_t *heap = formed_[kind];
    heap[nformed_[kind]++] = static_cast<int16_t>(node[k]);
    std::push_heap(heap, heap + nformed_[kind], std::greater<int16_t>());
    break;  // no other byte of a marker is a backslash: one marker at most
  }
}

int ListTint::removed_before(int at) const {
  int sum = 0;
  for (int i = at - base_; i > 0; i -= i & -i) sum += fenwick_[i];
  return sum;
}

void ListTint::add_removed(int at, int n) {
  for (int i = at - base_ + 1; i <= len_ - base_; i += i & -i)
    fenwick_[i] = static_cast<uint16_t>(fenwick_[i] + n);
}

void ListTint::save_start(int col) {
  saved_.clear();
  saved_.format(kSavedStart, lineno_, col);
}

bool PieceReader::refill() {
  if (start_ > 0) {
    memmove(buf_, buf_ + start_, fill_ - start_);
    fill_ -= start_;
    start_ = 0;
  }
  while (!eof_ && fill_ < sizeof buf_) {
    ssize_t got = read(fd_, buf_ + fill_, sizeof buf_ - fill_);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      eof_ = true;  // a read error ends the input like its end
      break;
    }
    fill_ += static_cast<size_t>(got);
    return true;
  }
  return false;
}

bool PieceReader::next(const char **text, size_t *n, size_t *first) {
  for (;;) {
    const char *p = buf_ + start_;
    size_t avail = fill_ - start_;
    size_t look = avail < kPieceMax ? avail : kPieceMax;
    // One search finds the line's end, or its first backslash or zero byte and then its end.
    size_t at = find_any(p, 0, look, '\n', '\\', '\0');
    size_t special = look;
    if (at < look && p[at] != '\n') {
      special = at;
      const void *nl = memchr(p + at, '\n', look - at);
      at = nl ? static_cast<size_t>(static_cast<const char *>(nl) - p) : look;
    }
    if (at < look || avail >= kPieceMax || (eof_ && avail > 0)) {
      size_t len = at < look ? at + 1 : look;
      *text = p;
      *n = len;
      *first = special < len ? special : len;
      start_ += len;
      return true;
    }
    if (eof_) return false;
    refill();
  }
}
