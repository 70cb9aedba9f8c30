// The listtint filter's core: one piece of a marked listing in, its color lines out.
#ifndef ILVO_TINT_H
#define ILVO_TINT_H

#include <cstddef>
#include <cstdint>

#include "outbuf.h"

// Longest piece handled as one line; a longer input line arrives as several pieces.
constexpr size_t kPieceMax = 4096;

// Colors keywords and comments of a listing, piece by piece; a new object (or reset()) per input.
//
// Each pass takes the first marker of a kind from the start of the line and removes it, which
// may join a new marker out of the bytes on both sides. Rather than search and move the line for
// every marker, a piece is read once for its markers; the line as it shrinks is a linked list of
// its bytes, a Fenwick tree counts the bytes removed before a place (a marker's column), and
// each removal looks at the four bytes on each side of the join for a marker formed there.
// Cost: linear in the piece, plus log n per marker.
class ListTint {
 public:
  ListTint() { reset(); }
  // Back to the start of an input: line 0, no saved comment start.
  void reset();
  // Writes the stream's opening line.
  void opening(OutBuf &out);
  // Handles one piece of at most kPieceMax bytes (longer ones are cut) as the next line.
  // first is the index of its first backslash or zero byte, n when it has none: a piece
  // without a backslash before its end holds no marker. The piece is only read, never copied.
  void piece(const char *text, size_t n, size_t first, OutBuf &out);
  // The same, finding first itself.
  void piece(const char *text, size_t n, OutBuf &out);

 private:
  enum Kind { kKeywordOpen, kKeywordClose, kCommentOpen, kCommentClose, kKinds };
  static constexpr int kMaxMarks = kPieceMax / 5 + 1;

  // The first marker of kind still in the line, removed, with its column then; false if none.
  bool take(Kind kind, int *col);
  // Unlinks the five bytes of the marker whose backslash is at, and notes a marker formed
  // across the join.
  void remove(int at);
  int byte(int at) const { return at >= 0 && at < len_ ? static_cast<unsigned char>(text_[at]) : 0; }
  int prev(int at) const { return prev_[at + 1]; }
  int next(int at) const { return next_[at + 1]; }
  // Bytes removed before index at (exclusive), and a removal of n bytes at at.
  int removed_before(int at) const;
  void add_removed(int at, int n);
  void save_start(int col);

  const char *text_ = nullptr;  // the piece, up to its first zero byte
  int len_ = 0;
  int base_ = 0;  // index of its first backslash: no marker and no removal lies before it
  // Per kind, the backslash indexes of the markers that stood in the piece before any removal,
  // in line order, and how many of them the passes have taken (always the first ones).
  int16_t marks_[kKinds][kMaxMarks];
  int nmarks_[kKinds];
  int taken_[kKinds];
  // Per kind, a min-heap of the backslash indexes of markers that removals formed.
  int16_t formed_[kKinds][kMaxMarks];
  int nformed_[kKinds];
  // The line as it is now: neighbours of byte i at [i + 1]; -1 and len_ stand for its ends.
  int16_t prev_[kPieceMax + 2];
  int16_t next_[kPieceMax + 2];
  uint16_t fenwick_[kPieceMax + 1];  // removed bytes, indexed from base_ + 1

  int64_t lineno_;  // line counter; 64 bits so that no input can overflow it
  OutBuf saved_;    // "[line,column]" of the last comment opener left open, or nothing
};

// Splits input read from a descriptor into pieces: a line with its newline, or kPieceMax bytes.
class PieceReader {
 public:
  explicit PieceReader(int fd) : fd_(fd), start_(0), fill_(0), eof_(false) {}
  // The next piece, valid until the next call, with the index of its first backslash or zero
  // byte (*n when none); false at end of input or on a read error.
  bool next(const char **text, size_t *n, size_t *first);

 private:
  bool refill();
  int fd_;
  size_t start_, fill_;  // unread bytes are buf_[start_, fill_)
  bool eof_;
  char buf_[64 * 1024];
};

#endif
