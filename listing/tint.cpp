// The listtint filter's core: finds and removes markers, writes keyword and comment areas.
#include "tint.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "bytescan.h"
#include "listformats.h"

namespace {
const char kKeywordOpen[] = "\\*(+K";
const char kKeywordClose[] = "\\*(-K";
const char kCommentOpen[] = "\\*(+C";
const char kCommentClose[] = "\\*(-C";
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

  int start, end;  // columns of the area being written
  while (find_and_remove(kKeywordOpen, &start) && find_and_remove(kKeywordClose, &end))
    out.format(kKeyword, line_text_(lineno_), start, line_text_(lineno_), end);
  for (;;) {
    if (!find_and_remove(kCommentOpen, &start)) break;
    start -= 3;
    if (!find_and_remove(kCommentClose, &end)) {
      OutBuf::format_to(saved_, sizeof saved_, kSavedStart, {lineno_, start});
      break;
    }
    out.format(kComment, line_text_(lineno_), start, line_text_(lineno_), end);
  }
  while (find_and_remove(kCommentClose, &end))
    out.format(kCommentEnd, saved_, line_text_(lineno_), end);
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
