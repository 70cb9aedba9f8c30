// The listtint filter's core: one piece of a marked listing in, its color lines out.
#ifndef ILVO_TINT_H
#define ILVO_TINT_H

#include <cstddef>
#include <cstdint>

#include "outbuf.h"

// Longest piece handled as one line; a longer input line arrives as several pieces.
constexpr size_t kPieceMax = 4096;

// Colors keywords and comments of a listing, piece by piece; a new object (or reset()) per input.
class ListTint {
 public:
  ListTint() { reset(); }
  // Back to the start of an input: line 0, no saved comment start.
  void reset();
  // Writes the stream's opening line.
  void opening(OutBuf &out);
  // Handles one piece of at most kPieceMax bytes (longer ones are cut) as the next line.
  void piece(const char *text, size_t n, OutBuf &out);
  // With on, every piece is handled by searching and removing marker after marker, the slower
  // way that the usual one must always agree with; for tests that compare the two.
  void always_search(bool on) { always_search_ = on; }

 private:
  enum Kind { kKeywordOpen, kKeywordClose, kCommentOpen, kCommentClose };
  // A marker as it stands in the piece: where, which, and whether a pass has removed it.
  struct Mark {
    int at;
    Kind kind;
    bool removed;
  };
  void by_search(OutBuf &out);
  bool find_and_remove(const char *marker, int *col);
  bool collect_marks();
  void by_marks(OutBuf &out);
  int first_mark(Kind kind) const;
  int take_mark(int k);
  void save_start(int col);

  char line_[kPieceMax + 1 + 16] = {};  // the piece being handled, markers removed as they are
                                        // found; slack behind it for whole-word searches
  size_t len_;                          // its text length, up to its first zero byte
  size_t first_bs_;                     // index of its first backslash; len_ when none
  int64_t lineno_;                      // line counter; 64 bits so that no input can overflow it
  NumText line_text_;                   // lineno_ in decimal, written once for all its rows
  char saved_[48];                      // "[line,column]" of the last comment opener left open
  Mark marks_[kPieceMax / 5 + 1];       // the piece's markers, in line order
  int nmarks_ = 0;
  bool always_search_ = false;
};

// Splits input read from a descriptor into pieces: a line with its newline, or kPieceMax bytes.
class PieceReader {
 public:
  explicit PieceReader(int fd) : fd_(fd), start_(0), fill_(0), eof_(false) {}
  // The next piece, valid until the next call; false at end of input or on a read error.
  bool next(const char **text, size_t *n);

 private:
  bool refill();
  int fd_;
  size_t start_, fill_;  // unread bytes are buf_[start_, fill_)
  bool eof_;
  char buf_[64 * 1024 + 16] = {};  // slack behind it for whole-word searches
};

#endif
