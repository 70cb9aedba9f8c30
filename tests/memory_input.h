// Bytes in memory as a block reader's input, for the tests and the fuzz targets.
#ifndef ILVO_TESTS_MEMORY_INPUT_H
#define ILVO_TESTS_MEMORY_INPUT_H

#include <sys/types.h>

#include <cstdint>
#include <cstring>

// With a seed, each read gives a drawn number of bytes, often only a few, so that blocks end
// anywhere.
struct MemoryInput {
  const char *data;
  size_t size;
  uint64_t seed = 0;
  static ssize_t read(void *self, char *buf, size_t n) {
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
};

#endif
