// Input in blocks of fixed size, each 64-byte word classified once into bitmaps, for both
// filters: memory stays the same whatever the input, and a scanner walks set bits, not bytes.
#ifndef ILVO_BLOCKREADER_H
#define ILVO_BLOCKREADER_H

#include <sys/types.h>

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

// Sets, for the 64 bytes at p, the bits of each class in classes[k]. The 64 bytes after them
// can be read too (zero past the input read so far), for a class that depends on the next bytes.
using Classify = void (*)(const char *p, uint64_t (&classes)[Block::kClasses]);

// Where the bytes come from: read(2) on a descriptor, or a function (tests cut input there).
using ReadFn = ssize_t (*)(void *context, char *buf, size_t n);

// Hands out an input a block at a time; a scanner says how far it got, and what it left is at
// the start of the next block. Holds one block whatever the input's size.
class BlockReader {
 public:
  static constexpr size_t kBlock = 64 * 1024;
  BlockReader(int fd, Classify classify);
  BlockReader(ReadFn read, void *context, Classify classify);
  BlockReader(const BlockReader &) = delete;
  BlockReader &operator=(const BlockReader &) = delete;

  // The next block: the bytes of the last one from index from on (0 for the first call),
  // then what one read adds. False once the input ended and no byte is left. A scanner that
  // cannot go on without more bytes leaves them (from < size); one that can go on with none
  // (last) must take them all.
  bool next(size_t from, Block *b);
  // Drops what the reader holds, to read a new input from the same source (read is called again).
  void restart();
  // Whether the last read brought less than it asked for: the next one may wait for a writer.
  bool drained() const { return drained_; }
  // errno of the read error that ended the input, or 0.
  int error() const { return error_; }

 private:
  ssize_t read_more(char *buf, size_t n);
  int fd_;
  ReadFn read_ = nullptr;
  void *context_ = nullptr;
  Classify classify_;
  size_t fill_ = 0;  // bytes of data held
  bool eof_ = false, drained_ = false;
  int error_ = 0;
  // kBack bytes before the data, the data, and kAhead zeros behind it.
  alignas(64) char buf_[Block::kBack + kBlock + Block::kAhead] = {};
  uint64_t bits_[Block::kClasses][kBlock / 64 + 1] = {};
};

// Bytes in memory as a reader's input (tests, and callers that hold the whole input). With a
// seed, each read gives a drawn number of bytes, often only a few, so that blocks end anywhere.
struct MemoryInput {
  const char *data;
  size_t size;
  uint64_t seed = 0;
  static ssize_t read(void *self, char *buf, size_t n);
};

#endif
