// Input in blocks of fixed size, each 64-byte word classified once into bitmaps, for both
// filters: memory stays the same whatever the input, and a scanner walks set bits, not bytes.
#ifndef ILVO_BLOCKREADER_H
#define ILVO_BLOCKREADER_H

#include <sys/types.h>

#include <cassert>
#include <cstddef>
#include <cstdint>

// A run of input bytes and their classes. data[0, size) are the bytes; the kBack bytes before
// data are the input's bytes before them (zero before its start), and the kAhead bytes after
// them are zero. Bit i of bits[k] (64 to a word, from the lowest) says whether byte i is of
// class k; bits past size mean nothing.
struct Block {
  static constexpr size_t kBack = 64, kAhead = 128;
  static constexpr int kClasses = 3;
  const char *data;
  size_t size;
  const uint64_t *bits[kClasses];
  bool last;  // no input follows
};

// Where the bytes come from: read(2) on a descriptor, or a function (tests cut input there).
using ReadFn = ssize_t (*)(void *context, char *buf, size_t n);

// The reading and moving of a block reader, whatever its classes.
class BlockInput {
 public:
  static constexpr size_t kBlock = 64 * 1024;
  explicit BlockInput(int fd) : fd_(fd) { clear_back(); }
  BlockInput(ReadFn read, void *context) : fd_(-1), read_(read), context_(context) { clear_back(); }
  BlockInput(const BlockInput &) = delete;
  BlockInput &operator=(const BlockInput &) = delete;
  // Whether the last read brought less than it asked for: the next one may wait for a writer.
  bool drained() const { return drained_; }
  // errno of the read error that ended the input, or 0.
  int error() const { return error_; }

 protected:
  // Keeps the bytes from index from on, at the front, and reads more behind them; *redo: the
  // first word whose classes must be made again. False once the input ended and no byte is left.
  bool refill(size_t from, size_t *redo);
  char *data() { return buf_ + Block::kBack; }
  size_t fill_ = 0;  // bytes of data held
  bool eof_ = false;
  uint64_t bits_[Block::kClasses][kBlock / 64 + 1];  // made as bytes arrive

 private:
  // Nothing stands before the input. The rest of the buffer is written before it is read: it is
  // not cleared, as a program that reads a small file would touch every page of it.
  void clear_back();
  int fd_;
  ReadFn read_ = nullptr;
  void *context_ = nullptr;
  bool drained_ = false;
  int error_ = 0;
  // kBack bytes before the data, the data, and kAhead zeros behind it.
  alignas(64) char buf_[Block::kBack + kBlock + Block::kAhead];
};

// Hands out an input a block at a time; a scanner says how far it got, and what it left is at
// the start of the next block. Holds one block whatever the input's size. Classes::classify(p,
// classes) sets, for the 64 bytes at p, the bits of each class in classes[k]; it may read the 64
// bytes after them too (zero past the input read so far), for a class that depends on them.
template <class Classes>
class BlockReader : public BlockInput {
 public:
  using BlockInput::BlockInput;
  // The next block: the bytes of the last one from index from on (0 for the first call), then
  // what one read adds. False once the input ended and no byte is left. A scanner that cannot
  // go on without more bytes leaves them, but takes some of a full block; one that can go on
  // with none (last) takes them all.
  bool next(size_t from, Block *b) {
    size_t redo;
    if (!refill(from, &redo)) return false;
    for (size_t w = redo; w * 64 < fill_; w++) {
      uint64_t classes[Block::kClasses];
      Classes::classify(data() + w * 64, classes);
      for (int k = 0; k < Block::kClasses; k++) bits_[k][w] = classes[k];
    }
    *b = Block{data(), fill_, {bits_[0], bits_[1], bits_[2]}, eof_};
    return true;
  }
};

#endif
