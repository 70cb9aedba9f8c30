/* A C program that links Debug: the header and the library work from C. */
#define _POSIX_C_SOURCE 200112L
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "debug.h"

unsigned int debug;

int main(void) {
  setenv("C_DEBUG", "@2,4", 1);
  Debug("C_DEBUG");
  if (debug != 0xa) {
    printf("debug is 0x%x, want 0xa\n", debug);
    return 1;
  }
  unsetenv("DEBUG");
  Debug(NULL);
  if (debug != 0) {
    printf("debug is 0x%x with DEBUG unset, want 0\n", debug);
    return 1;
  }
  printf("1 passed, 0 failed\n");
  return 0;
}
