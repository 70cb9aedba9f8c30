// Finding the next byte of interest, 16 bytes at a time where the processor allows.
#ifndef ILVO_BYTESCAN_H
#define ILVO_BYTESCAN_H

#include <cstddef>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

// Index of the first byte at or after from that is a, b or c; size when there is none.
inline size_t find_any(const char *buf, size_t from, size_t size, char a, char b, char c) {
#ifdef __SSE2__
  const __m128i va = _mm_set1_epi8(a), vb = _mm_set1_epi8(b), vc = _mm_set1_epi8(c);
  while (size - from >= 16) {
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(buf + from));
    __m128i hit = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, va), _mm_cmpeq_epi8(v, vb)),
                               _mm_cmpeq_epi8(v, vc));
    int mask = _mm_movemask_epi8(hit);
    if (mask) return from + static_cast<size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
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
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(buf + from));
    __m128i hit = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, va), _mm_cmpeq_epi8(v, vb)),
                               _mm_cmpeq_epi8(v, vc));
    auto mask = static_cast<unsigned>(_mm_movemask_epi8(hit));
    if (size - from < 16) mask &= (1u << (size - from)) - 1;
    if (mask) return from + static_cast<size_t>(__builtin_ctz(mask));
    from += 16;
  }
  return size;
#else
  return find_any(buf, from, size, a, b, c);
#endif
}

// Index of the first byte at or after from that is c; size when there is none.
inline size_t find_byte(const char *buf, size_t from, size_t size, char c) {
  return find_any(buf, from, size, c, c, c);
}

#endif
