// The classes of bytes that the filters stop at, found 16 bytes at a time, and the walk over
// their bitmaps.
#ifndef ILVO_BYTESCAN_H
#define ILVO_BYTESCAN_H

#include <cstddef>
#include <cstdint>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

// Bit i set when byte i of the 64 at p is one of the n bytes of set (n at most 4).
inline uint64_t byte_mask(const char *p, const char *set, int n) {
#ifdef __SSE2__
  uint64_t mask = 0;
  for (int k = 0; k < 4; k++) {
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + 16 * k));
    __m128i hit = _mm_cmpeq_epi8(v, _mm_set1_epi8(set[0]));
    for (int j = 1; j < n; j++) hit = _mm_or_si128(hit, _mm_cmpeq_epi8(v, _mm_set1_epi8(set[j])));
    mask |= static_cast<uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(hit))) << (16 * k);
  }
  return mask;
#else
  uint64_t mask = 0;
  for (int i = 0; i < 64; i++)
    for (int j = 0; j < n; j++) mask |= static_cast<uint64_t>(p[i] == set[j]) << i;
  return mask;
#endif
}

// Index of the first bit set at or after from and before to, in bits kept 64 to a word from
// the lowest; to when there is none. The word of bit to - 1 must exist.
inline size_t find_bit(const uint64_t *bits, size_t from, size_t to) {
  if (from >= to) return to;
  size_t w = from / 64;
  uint64_t m = bits[w] & (~0ULL << (from % 64));
  while (!m) {
    if (++w * 64 >= to) return to;
    m = bits[w];
  }
  size_t at = w * 64 + static_cast<size_t>(__builtin_ctzll(m));
  return at < to ? at : to;
}

#endif
