// Failures on demand for the unit tests, which link with --wrap for these calls: a count of n
// makes the n-th call from now fail (malloc and realloc give null, putenv gives -1 and ENOMEM).
#ifndef ILVO_TESTS_FAULTS_H
#define ILVO_TESTS_FAULTS_H

struct Faults {
  int malloc_in = 0, realloc_in = 0, putenv_in = 0;  // 0: no failure planned
};
extern Faults faults;  // planned failures, reset by the caller when done

#endif
