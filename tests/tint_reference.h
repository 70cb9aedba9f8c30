// The listing passes done literally, as the reference that the filter's core must agree with:
// every search starts at the first byte of the line, every removal moves the rest of it left.
#ifndef ILVO_TINT_REFERENCE_H
#define ILVO_TINT_REFERENCE_H

#include <cstdio>
#include <cstring>
#include <string>

class ReferenceTint {
 public:
  // The rows of the next line, of any length, in the stream's own words.
  std::string line(const char *text, size_t n) {
    lineno_++;
    line_.assign(text, n);  // the text ends at its first zero byte: strstr stops there
    std::string rows;
    int start, end;
    while (find_and_remove("\\*(+K", &start) && find_and_remove("\\*(-K", &end))
      rows += row("[%lld,%d],[%lld,%d]ca yellow black\n", start, end);
    while (find_and_remove("\\*(+C", &start)) {
      start -= 3;
      if (!find_and_remove("\\*(-C", &end)) {
        snprintf(saved_, sizeof saved_, "[%lld,%d]", lineno_, start);
        break;
      }
      rows += row("[%lld,%d],[%lld,%d]ca cyan black\n", start, end);
    }
    while (find_and_remove("\\*(-C", &end)) {
      char buf[96];
      snprintf(buf, sizeof buf, "%s,[%lld,%d]ca cyan black # MC! \n", saved_, lineno_, end);
      rows += buf;
    }
    return rows;
  }

 private:
  bool find_and_remove(const char *marker, int *col) {
    char *at = strstr(&line_[0], marker);
    if (!at) return false;
    *col = static_cast<int>(at - &line_[0]) + 1;
    memmove(at, at + 5, strlen(at + 5) + 1);
    return true;
  }
  std::string row(const char *fmt, int start, int end) const {
    char buf[96];
    snprintf(buf, sizeof buf, fmt, lineno_, start, lineno_, end);
    return buf;
  }
  std::string line_;
  long long lineno_ = 0;
  char saved_[48] = "";
};

#endif
