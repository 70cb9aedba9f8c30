// Input in blocks of fixed size: what a scanner leaves moves to the front, more is read behind.
#include "blockreader.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

void BlockInput::clear_back() {
  memset(buf_, 0, Block::kBack);
}

bool BlockInput::refill(size_t from, size_t *redo) {
  // A scanner that takes nothing of a full block, or leaves bytes of the last, would be handed
  // the same bytes for ever.
  bool progress = from <= fill_ && (eof_ ? from == fill_ : from > 0 || fill_ < kBlock);
  assert(progress);
  if (!progress) return false;
  char *d = data();
  if (from > 0) {
    // The bytes left, with the kBack bytes before them, go to the front.
    memmove(buf_, buf_ + from, Block::kBack + fill_ - from);
    fill_ -= from;
    *redo = 0;
  } else {
    // A class may look into the next word, so the word before the new bytes is done again.
    *redo = fill_ >= 64 ? fill_ / 64 - 1 : 0;
  }
  if (!eof_ && fill_ < kBlock) {
    size_t ask = kBlock - fill_;
    // No handler of the programs returns, so a read is never interrupted.
    ssize_t got = read_ ? read_(context_, d + fill_, ask) : read(fd_, d + fill_, ask);
    if (got <= 0) {
      eof_ = true;  // a read error ends the input too, and is kept for the exit status
      if (got < 0) error_ = errno;
      drained_ = true;
    } else {
      fill_ += static_cast<size_t>(got);
      drained_ = static_cast<size_t>(got) < ask;
    }
  }
  if (fill_ == 0) return false;
  memset(d + fill_, 0, Block::kAhead);
  return true;
}
