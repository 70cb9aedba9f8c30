// The listtint filter's core: the lines of a marked listing in, their color lines out.
#ifndef ILVO_TINT_H
#define ILVO_TINT_H

#include <cstddef>
#include <cstdint>

#include "blockreader.h"
#include "outbuf.h"

// Longest part of a line handled at once: a whole block. A longer line is handled in parts of
// this size, which keep its line number and go on with its columns, but pair no markers across
// parts (a marker is never cut by one).
constexpr size_t kPartMax = BlockInput::kBlock;

// The reader's classes of bytes for listtint: 0, newlines; 1, zero bytes and the backslashes
// that begin "\\*(", where a marker may start; 2, none.
struct ListingClasses {
  static void classify(const char *p, uint64_t (&classes)[Block::kClasses]);
};
using ListingReader = BlockReader<ListingClasses>;

// A line, or a part of one, with where its zero bytes and marker heads stand: bit offset + i of
// special (64 to a word, from the lowest) is set when byte i is one of them.
struct Piece {
  const char *text;
  size_t n;
  const uint64_t *special;
  size_t offset;
  bool ends;  // the line ends with this part (at a newline, or at the input's end)
};

// Colors keywords and comments of a listing, line by line; a new object (or reset()) per input.
//
// Each pass takes the first marker of a kind from the start of the line and removes it, which
// may join a new marker out of the bytes on both sides. Rather than search and move the line for
// every marker, a piece is read once for its markers; the bytes removed since are bits of a
// bitset (with a word of its full words, so that the bytes still standing next to a place are
// found at once), a Fenwick tree over its words counts the removed bytes before a place (for a
// marker's column), and each removal looks at the four bytes on each side of the join for a
// marker formed there. Cost: linear in the line, and log n per marker.
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
  // Handles the next line, or part of a line, of at most kPartMax bytes (longer ones are cut).
  // The text is only read, never copied.
  void piece(const Piece &p, OutBuf &out);
  // The same for a whole line without its bitmap (for tests: it makes one).
  void piece(const char *text, size_t n, OutBuf &out);

 private:
  enum Kind { kKeywordOpen, kKeywordClose, kCommentOpen, kCommentClose, kKinds };
  static constexpr int kMaxMarks = kPartMax / 5 + 1;
  static constexpr int kWords = kPartMax / 64;

  // Finds the markers of a piece with a backslash (first) and runs the three passes over it;
  // returns the bytes of the piece that stand in the line after them.
  size_t passes(const Piece &p, size_t n, size_t first, OutBuf &out);
  // The first marker of kind still in the line, removed, with its column then; false if none.
  bool take(Kind kind, int64_t *col);
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
  // The last word before w, and the first after it, with a byte left; -1 or kWords when none.
  int live_before(int w) const;
  int live_after(int w) const;
  // Bytes removed before index at.
  int removed_before(int at) const;
  void save_start(int64_t col);

  const char *text_ = nullptr;  // the piece, up to its first zero byte
  int len_ = 0;
  // Per kind: the backslash indexes of the markers that stood in the piece before any removal,
  // in line order, and how many of them the passes have taken (always the first ones); and a
  // min-heap of the markers that removals formed.
  struct Counts {
    int marks[kKinds], taken[kKinds], formed[kKinds];
  } n_;
  int32_t marks_[kKinds][kMaxMarks];
  int32_t formed_[kKinds][kMaxMarks];
  uint64_t gone_[kWords];       // removed bytes; the words past the piece's last are not kept
  uint64_t full_[kWords / 64];  // bit w: no byte of word w left (set for words past the last)
  uint32_t count_[kWords];      // Fenwick tree, from 1, of the removed bytes of each word
  int words_ = 0;               // words of the piece
  int removed_ = 0;             // bytes of the markers taken out of it

  // Line counter and columns: 64 bits, so that no input can overflow them.
  int64_t lineno_;
  int64_t shift_;  // columns of the line's parts before this one, less their removed markers
  bool mid_line_;  // a part of the line was handled, and the next part goes on with it
  bool dead_;      // a zero byte ended the line's text in an earlier part
  char saved_[kPlaceRoom];  // "[line,column]" of the last comment opener left open, or nothing
  size_t saved_len_;
};

#endif
