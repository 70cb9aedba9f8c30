// Finding the next byte of interest, 16 bytes at a time where the processor allows.
#ifndef ILVO_BYTESCAN_H
#define ILVO_BYTESCAN_H

#include <cstddef>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

// Index of the first byte at or after from that is a, b or c; size when there is none.
// Reads nothing outside [from, size).
inline size_t find_any(const char *buf, size_t from, size_t size, char a, char b, char c) {
#ifdef __SSE2__
  const __m128i va = _mm_set1_epi8(a), vb = _mm_set1_epi8(b), vc = _mm_set1_epi8(c);
  auto match = [&](const char *p) {  // bit i set when byte i of the 16 at p is a, b or c
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
    __m128i hit = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, va), _mm_cmpeq_epi8(v, vb)),
                               _mm_cmpeq_epi8(v, vc));
    return static_cast<unsigned>(_mm_movemask_epi8(hit));
  };
  for (; size - from >= 16; from += 16)
    if (unsigned mask = match(buf + from)) return from + static_cast<size_t>(__builtin_ctz(mask));
  if (from < size) {
    // The short rest is compared in a copy, so that nothing past size is read.
    char rest[16] = {};
    memcpy(rest, buf + from, size - from);
    if (unsigned mask = match(rest) & ((1u << (size - from)) - 1))
      return from + static_cast<size_t>(__builtin_ctz(mask));
  }
  return size;
#else
  while (from < size && buf[from] != a && buf[from] != b && buf[from] != c) from++;
  return from;
#endif
}

#endif
