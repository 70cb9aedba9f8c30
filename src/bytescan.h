// Finding the next byte of interest, 16 bytes at a time where the processor allows.
#ifndef ILVO_BYTESCAN_H
#define ILVO_BYTESCAN_H

#include <cstddef>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#ifdef __SSE2__
// Bit i set when byte i of the 16 at p is a, b or c.
inline unsigned match_mask(const char *p, __m128i a, __m128i b, __m128i c) {
  __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
  __m128i hit =
      _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, a), _mm_cmpeq_epi8(v, b)), _mm_cmpeq_epi8(v, c));
  return static_cast<unsigned>(_mm_movemask_epi8(hit));
}
#endif

// Index of the first byte at or after from that is a, b or c; size when there is none.
inline size_t find_any(const char *buf, size_t from, size_t size, char a, char b, char c) {
#ifdef __SSE2__
  const __m128i va = _mm_set1_epi8(a), vb = _mm_set1_epi8(b), vc = _mm_set1_epi8(c);
  while (size - from >= 16) {
    unsigned mask = match_mask(buf + from, va, vb, vc);
    if (mask) return from + static_cast<size_t>(__builtin_ctz(mask));
    from += 16;
  }
#endif
  while (from < size && buf[from] != a && buf[from] != b && buf[from] != c) from++;
  return from;
}

// The same for a buffer with at least 16 readable bytes behind size: the last, short stretch
// is compared in one piece too, and what lies past size is not counted.
inline size_t find_any_slack(const char *buf, size_t from, size_t size, char a, char b, char c) {
#ifdef __SSE2__
  const __m128i va = _mm_set1_epi8(a), vb = _mm_set1_epi8(b), vc = _mm_set1_epi8(c);
  while (from < size) {
    unsigned mask = match_mask(buf + from, va, vb, vc);
    if (size - from < 16) mask &= (1u << (size - from)) - 1;
    if (mask) return from + static_cast<size_t>(__builtin_ctz(mask));
    from += 16;
  }
  return size;
#else
  return find_any(buf, from, size, a, b, c);
#endif
}

#endif
