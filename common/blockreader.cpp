// Input in blocks of fixed size with their bitmaps; what a scanner leaves moves to the front.
#include "blockreader.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

BlockReader::BlockReader(int fd, Classify classify) : fd_(fd), classify_(classify) {}

BlockReader::BlockReader(ReadFn read, void *context, Classify classify)
    : fd_(-1), read_(read), context_(context), classify_(classify) {}

void BlockReader::restart() {
  fill_ = 0;
  eof_ = drained_ = false;
  error_ = 0;
  memset(buf_, 0, Block::kBack);  // nothing stands before the input
}

ssize_t BlockReader::read_more(char *buf, size_t n) {
  // No handler of the programs returns, so a read is never interrupted.
  return read_ ? read_(context_, buf, n) : read(fd_, buf, n);
}

bool BlockReader::next(size_t from, Block *b) {
  char *data = buf_ + Block::kBack;
  if (from > fill_) from = fill_;
  size_t redo;  // the first word whose classes may have changed
  if (from > 0) {
    // The bytes left, with the kBack bytes before them, go to the front.
    memmove(buf_, buf_ + from, Block::kBack + fill_ - from);
    fill_ -= from;
    redo = 0;
  } else if (eof_) {
    return false;  // the last block was given and nothing was taken: there is no more
  } else {
    // A class may look into the next word, so the word before the new bytes is done again.
    redo = fill_ >= 64 ? fill_ / 64 - 1 : 0;
  }
  if (!eof_ && fill_ < kBlock) {
    size_t ask = kBlock - fill_;
    ssize_t got = read_more(data + fill_, ask);
    if (got <= 0) {
      eof_ = true;  // a read error ends the input too, and is kept for the exit status
      if (got < 0) error_ = errno;
      drained_ = true;
    } else {
      fill_ += static_cast<size_t>(got);
      drained_ = static_cast<size_t>(got) < ask;
    }
  }
  if (fill_ == 0 && eof_) return false;
  memset(data + fill_, 0, Block::kAhead);
  for (size_t w = redo; w * 64 < fill_; w++) {
    uint64_t classes[Block::kClasses];
    classify_(data + w * 64, classes);
    for (int k = 0; k < Block::kClasses; k++) bits_[k][w] = classes[k];
  }
  *b = Block{data, fill_, {bits_[0], bits_[1], bits_[2]}, eof_};
  return true;
}

ssize_t MemoryInput::read(void *self, char *buf, size_t n) {
  auto *in = static_cast<MemoryInput *>(self);
  if (in->seed) {
    in->seed = in->seed * 6364136223846793005ULL + 1442695040888963407ULL;
    uint64_t r = in->seed >> 33;
    size_t most = r & 1 ? 16 : n;  // half the reads give at most 16 bytes
    size_t want = 1 + (r >> 1) % most;
    if (want < n) n = want;
  }
  if (n > in->size) n = in->size;
  if (n) memcpy(buf, in->data, n);
  in->data += n;
  in->size -= n;
  return static_cast<ssize_t>(n);
}
