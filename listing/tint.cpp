// The listtint filter's core: finds and removes markers, writes keyword and comment areas.
#include "tint.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "bytescan.h"
#include "listformats.h"

namespace {
// The markers, by kind.
const char *const kMarker[] = {"\\*(+K", "\\*(-K", "\\*(+C", "\\*(-C"};
constexpr int kMarkerLen = 5;
}  // namespace

void ListTint::reset() {
  len_ = 0;
  first_bs_ = 0;
  line_[0] = '\0';
  lineno_ = 0;
  saved_[0] = '\0';
}

void ListTint::opening(OutBuf &out) {
  out.format(kOpening);
}

bool ListTint::find_and_remove(const char *marker, int *col) {
  // Every search starts at the first byte, since a removal may join a new marker; no byte
  // before first_bs_ is a backslash, and every marker starts with one.
  size_t at = first_bs_;  // candidate position
  for (;;) {
    at = find_any_slack(line_, at, len_, '\\', '\\', '\\');
    if (len_ - at < kMarkerLen) return false;
    if (memcmp(line_ + at, marker, kMarkerLen) == 0) break;
    at++;
  }
  memmove(line_ + at, line_ + at + kMarkerLen, len_ - at - kMarkerLen + 1);
  len_ -= kMarkerLen;
  if (at == first_bs_) first_bs_ = find_any_slack(line_, at, len_, '\\', '\\', '\\');
  *col = static_cast<int>(at) + 1;
  return true;
}

void ListTint::piece(const char *text, size_t n, OutBuf &out) {
  lineno_++;
  if (n > kPieceMax) n = kPieceMax;
  memcpy(line_, text, n);
  // The text ends at its first zero byte; every marker starts with a backslash, so a piece
  // without one writes nothing.
  size_t first = find_any_slack(line_, 0, n, '\0', '\\', '\\');
  if (first == n || line_[first] == '\0') return;
  n = find_any_slack(line_, first, n, '\0', '\0', '\0');
  if (n < kMarkerLen) return;
  line_[n] = '\0';
  len_ = n;
  first_bs_ = first;

  // Usually every backslash starts a marker; then no removal can join a new one, and the
  // passes can work on the markers' places alone, without moving the line.
  if (!always_search_ && collect_marks())
    by_marks(out);
  else
    by_search(out);
}

void ListTint::save_start(int col) {
  OutBuf::format_to(saved_, sizeof saved_, kSavedStart, {lineno_, col});
}

// The three passes, each search from the first byte of the line, each find removed at once.
void ListTint::by_search(OutBuf &out) {
  int start, end;  // columns of the area being written
  while (find_and_remove(kMarker[kKeywordOpen], &start) &&
         find_and_remove(kMarker[kKeywordClose], &end))
    out.format(kKeyword, line_text_(lineno_), start, line_text_(lineno_), end);
  for (;;) {
    if (!find_and_remove(kMarker[kCommentOpen], &start)) break;
    start -= 3;
    if (!find_and_remove(kMarker[kCommentClose], &end)) {
      save_start(start);
      break;
    }
    out.format(kComment, line_text_(lineno_), start, line_text_(lineno_), end);
  }
  while (find_and_remove(kMarker[kCommentClose], &end))
    out.format(kCommentEnd, saved_, line_text_(lineno_), end);
}

bool ListTint::collect_marks() {
  nmarks_ = 0;
  for (size_t at = first_bs_; at < len_; at++) {  // at: a backslash of the line
    at = find_any_slack(line_, at, len_, '\\', '\\', '\\');
    if (at == len_) break;
    if (len_ - at < kMarkerLen || line_[at + 1] != '*' || line_[at + 2] != '(') return false;
    char sign = line_[at + 3], letter = line_[at + 4];
    if ((sign != '+' && sign != '-') || (letter != 'K' && letter != 'C')) return false;
    Kind kind = letter == 'K' ? (sign == '+' ? kKeywordOpen : kKeywordClose)
                              : (sign == '+' ? kCommentOpen : kCommentClose);
    marks_[nmarks_++] = {static_cast<int>(at), kind, false};
    at += kMarkerLen - 1;
  }
  return true;
}

int ListTint::first_mark(Kind kind) const {
  for (int k = 0; k < nmarks_; k++)  // k: marker, in line order
    if (!marks_[k].removed && marks_[k].kind == kind) return k;
  return -1;
}

// Removes marker k; returns its column, counted without the markers removed before it.
int ListTint::take_mark(int k) {
  int gone = 0;  // markers removed to the left of k
  for (int j = 0; j < k; j++) gone += marks_[j].removed;
  marks_[k].removed = true;
  return marks_[k].at + 1 - kMarkerLen * gone;
}

// The same three passes as by_search, on the markers' places.
void ListTint::by_marks(OutBuf &out) {
  int k;
  while ((k = first_mark(kKeywordOpen)) >= 0) {
    int start = take_mark(k);
    if ((k = first_mark(kKeywordClose)) < 0) break;
    int end = take_mark(k);
    out.format(kKeyword, line_text_(lineno_), start, line_text_(lineno_), end);
  }
  while ((k = first_mark(kCommentOpen)) >= 0) {
    int start = take_mark(k) - 3;
    if ((k = first_mark(kCommentClose)) < 0) {
      save_start(start);
      break;
    }
    int end = take_mark(k);
    out.format(kComment, line_text_(lineno_), start, line_text_(lineno_), end);
  }
  while ((k = first_mark(kCommentClose)) >= 0)
    out.format(kCommentEnd, saved_, line_text_(lineno_), take_mark(k));
}

bool PieceReader::refill() {
  if (start_ > 0) {
    memmove(buf_, buf_ + start_, fill_ - start_);
    fill_ -= start_;
    start_ = 0;
  }
  while (!eof_ && fill_ < sizeof buf_ - 16) {
    ssize_t got = read(fd_, buf_ + fill_, sizeof buf_ - 16 - fill_);
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

bool PieceReader::next(const char **text, size_t *n) {
  for (;;) {
    size_t avail = fill_ - start_;
    size_t look = avail < kPieceMax ? avail : kPieceMax;
    size_t at = find_any_slack(buf_ + start_, 0, look, '\n', '\n', '\n');
    const char *nl = at < look ? buf_ + start_ + at : nullptr;
    if (nl || avail >= kPieceMax || (eof_ && avail > 0)) {
      size_t len = nl ? static_cast<size_t>(nl - (buf_ + start_)) + 1 : look;
      *text = buf_ + start_;
      *n = len;
      start_ += len;
      return true;
    }
    if (eof_) return false;
    refill();
  }
}
