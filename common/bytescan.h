// The classes of bytes that the filters stop at, found 16 bytes at a time, and the walk over
// their bitmaps.
#ifndef ILVO_BYTESCAN_H
#define ILVO_BYTESCAN_H

#include <cstddef>
#include <cstdint>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

// For each byte set[j], the bits of the 64 bytes at p that are it (bit i: byte i), each 16 bytes
// loaded once for all of them.
template <size_t N>
inline void byte_masks(const char *p, const char (&set)[N], uint64_t (&mask)[N]) {
  for (size_t j = 0; j < N; j++) mask[j] = 0;
#ifdef __SSE2__
  for (int k = 0; k < 4; k++) {
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + 16 * k));
    for (size_t j = 0; j < N; j++) {
      auto hit = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8(set[j]))));
      mask[j] |= static_cast<uint64_t>(hit) << (16 * k);
    }
  }
#else
  for (int i = 0; i < 64; i++)
    for (size_t j = 0; j < N; j++) mask[j] |= static_cast<uint64_t>(p[i] == set[j]) << i;
#endif
}

// Bytes equal to c among the n at p: 16 at a time, summed every 255 rounds.
inline size_t count_byte(const char *p, size_t n, char c) {
  size_t total = 0, i = 0;
#ifdef __SSE2__
  const __m128i want = _mm_set1_epi8(c);
  while (n - i >= 16) {
    size_t rounds = (n - i) / 16 < 255 ? (n - i) / 16 : 255;
    __m128i hits = _mm_setzero_si128();  // per lane, up to 255
    for (size_t stop = i + 16 * rounds; i < stop; i += 16) {
      __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + i));
      hits = _mm_sub_epi8(hits, _mm_cmpeq_epi8(v, want));
    }
    __m128i sums = _mm_sad_epu8(hits, _mm_setzero_si128());
    total += static_cast<size_t>(_mm_cvtsi128_si32(sums)) +
             static_cast<size_t>(_mm_cvtsi128_si32(_mm_srli_si128(sums, 8)));
  }
#endif
  for (; i < n; i++) total += p[i] == c;
  return total;
}

// Bits set in x (the processor's own count is not in every x86-64). Both compilers use that
// instruction in a function built for it: gcc finds it in this sum, clang in its builtin, which
// elsewhere it writes as this sum (gcc calls a function of its run time instead).
inline int popcount(uint64_t x) {
#ifdef __clang__
  return __builtin_popcountll(x);
#else
  x -= (x >> 1) & 0x5555555555555555ULL;
  x = (x & 0x3333333333333333ULL) + ((x >> 2) & 0x3333333333333333ULL);
  x = (x + (x >> 4)) & 0x0f0f0f0f0f0f0f0fULL;
  return static_cast<int>((x * 0x0101010101010101ULL) >> 56);
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

// Bits set from index from up to, not including, to (from <= to), kept as for find_bit.
inline size_t count_bits(const uint64_t *bits, size_t from, size_t to) {
  size_t n = 0;
  for (size_t w = from / 64; w * 64 < to; w++) {
    uint64_t m = bits[w];
    if (w == from / 64) m &= ~0ULL << (from % 64);
    if (w * 64 + 64 > to) m &= (1ULL << (to % 64)) - 1;
    n += static_cast<size_t>(popcount(m));
  }
  return n;
}

// Index of the last bit set at or after from and before to; to when there is none.
inline size_t last_bit(const uint64_t *bits, size_t from, size_t to) {
  if (from >= to) return to;
  for (size_t w = (to - 1) / 64 + 1; w-- > from / 64;) {
    uint64_t m = bits[w];
    if (w == from / 64) m &= ~0ULL << (from % 64);
    if (w * 64 + 64 > to) m &= (1ULL << (to % 64)) - 1;
    if (m) return w * 64 + 63 - static_cast<size_t>(__builtin_clzll(m));
  }
  return to;
}

#endif
