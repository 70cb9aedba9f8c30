// The wrapped calls behind faults.h: each passes through until its planned failure.
#include "faults.h"

#include <cerrno>
#include <cstddef>

Faults faults;

namespace {
// True when the call that counts down is the planned one.
bool fails_now(int *in) {
  return *in > 0 && --*in == 0;
}
}  // namespace

extern "C" {
void *__real_malloc(size_t n);
void *__real_realloc(void *p, size_t n);
int __real_putenv(char *s);

void *__wrap_malloc(size_t n) {
  return fails_now(&faults.malloc_in) ? nullptr : __real_malloc(n);
}
void *__wrap_realloc(void *p, size_t n) {
  return fails_now(&faults.realloc_in) ? nullptr : __real_realloc(p, n);
}
int __wrap_putenv(char *s) {
  if (!fails_now(&faults.putenv_in)) return __real_putenv(s);
  errno = ENOMEM;
  return -1;
}
}
