// Checks that a filter's output is a well-formed color command stream, line by line.
#ifndef ILVO_STREAMCHECK_H
#define ILVO_STREAMCHECK_H

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

// Reads the text at s: advances s past lit and returns true when s starts with it.
inline bool eat(const char *&s, const char *lit) {
  size_t n = std::char_traits<char>::length(lit);
  if (std::string(s).compare(0, n, lit) != 0) return false;
  s += n;
  return true;
}

// Reads a decimal number, with an optional minus sign.
inline bool eat_num(const char *&s, int64_t *v) {
  const char *p = s;
  bool neg = *p == '-';
  if (neg) p++;
  if (*p < '0' || *p > '9') return false;
  int64_t n = 0;
  while (*p >= '0' && *p <= '9') n = n * 10 + (*p++ - '0');
  *v = neg ? -n : n;
  s = p;
  return true;
}

// Reads "[line,column]".
inline bool eat_pos(const char *&s, int64_t *line, int64_t *col) {
  return eat(s, "[") && eat_num(s, line) && eat(s, ",") && eat_num(s, col) && eat(s, "]");
}

// Stops the fuzzer with the offending line, so that the input is kept as a reproducer.
[[noreturn]] inline void stream_fault(const std::string &why, const std::string &line) {
  fprintf(stderr, "bad stream line (%s): \"%s\"\n", why.c_str(), line.c_str());
  abort();
}

#endif
