// The listtint filter's core: one piece of a marked listing in, its color lines out.
#ifndef ILVO_TINT_H
#define ILVO_TINT_H

#include <cstddef>
#include <cstdint>

#include "blockreader.h"
#include "outbuf.h"

// Longest piece handled as one line; a longer input line arrives as several pieces.
constexpr size_t kPieceMax = 4096;

// The reader's classes of bytes for listtint: 0, newlines; 1, zero bytes and the backslashes
// that begin "\\*(", where a marker may start; 2, none.
struct ListingClasses {
  static void classify(const char *p, uint64_t (&classes)[Block::kClasses]);
};
using ListingReader = BlockReader<ListingClasses>;

// A piece of input, with where its zero bytes and marker heads stand: bit offset + i of special
// (64 to a word, from the lowest) is set when byte i is one of them.
struct Piece {
  const char *text;
  size_t n;
  const uint64_t *special;
  size_t offset;
};

// Colors keywords and comments of a listing, piece by piece; a new object (or reset()) per input.
//
// Each pass takes the first marker of a kind from the start of the line and removes it, which
// may join a new marker out of the bytes on both sides. Rather than search and move the line for
// every marker, a piece is read once for its markers; the bytes removed since are bits of a
// bitset (with a word of its full words, so that the bytes still standing next to a place are
// found at once), a Fenwick tree over its words counts the removed bytes before a place (for a
// marker's column), and each removal looks at the four bytes on each side of the join for a
// marker formed there. Cost: linear in the piece, and log n per marker.
class ListTint {
 public:
  ListTint() { reset(); }
  // Back to the start of an input: line 0, no saved comment start.
  void reset();
  // Writes the whole stream for the input of in: the opening line, then each line's areas. out
  // is flushed whenever the input has no more bytes ready.
  void run(ListingReader &in, OutBuf &out);
  // Writes the stream's opening line.
  void opening(OutBuf &out);
  // Handles the whole lines of a block (and at the end of the input its last bytes); returns
  // the index of the first byte left for the next block.
  size_t feed(const Block &b, OutBuf &out);
  // Handles one piece of at most kPieceMax bytes (longer ones are cut) as the next line.
  // The piece is only read, never copied.
  void piece(const Piece &p, OutBuf &out);
  // The same for bytes without their bitmap (for tests: it makes one).
  void piece(const char *text, size_t n, OutBuf &out);

 private:
  enum Kind { kKeywordOpen, kKeywordClose, kCommentOpen, kCommentClose, kKinds };
  static constexpr int kMaxMarks = kPieceMax / 5 + 1;
  static constexpr int kWords = kPieceMax / 64;

  // Finds the markers of a piece with a backslash (first) and runs the three passes over it.
  void passes(const Piece &p, size_t n, size_t first, OutBuf &out);
  // The first marker of kind still in the line, removed, with its column then; false if none.
  bool take(Kind kind, int *col);
  // Removes the marker whose backslash is at (formed: by a removal), and notes a marker formed
  // across the join.
  void remove(int at, bool formed);
  // Notes bytes from to to (both in one word) as removed.
  void mark_gone(int from, int to);
  int byte(int at) const {
    return at >= 0 && at < len_ ? static_cast<unsigned char>(text_[at]) : 0;
  }
  // The byte still in the line before at (-1 when none) and after it (len_ when none).
  int left(int at) const;
  int right(int at) const;
  // Bytes removed before index at.
  int removed_before(int at) const;
  void save_start(int col);

  const char *text_ = nullptr;  // the piece, up to its first zero byte
  int len_ = 0;
  // Per kind: the backslash indexes of the markers that stood in the piece before any removal,
  // in line order, and how many of them the passes have taken (always the first ones); and a
  // min-heap of the markers that removals formed.
  struct Counts {
    int marks[kKinds], taken[kKinds], formed[kKinds];
  } n_;
  int16_t marks_[kKinds][kMaxMarks];
  int16_t formed_[kKinds][kMaxMarks];
  uint64_t gone_[kWords];   // removed bytes; the words past the piece's last are not kept
  uint64_t full_;           // bit w: no byte of word w left (set for words past the last)
  uint16_t count_[kWords];  // Fenwick tree, from 1, of the removed bytes of each word
  int words_ = 0;           // words of the piece

  int64_t lineno_;  // line counter; 64 bits so that no input can overflow it
  OutBuf saved_;    // "[line,column]" of the last comment opener left open, or nothing
};

#endif
