// debug_example: shows what Debug makes of DEBUG. Try:
//   DEBUG=y debug_example            DEBUG=@1,3 debug_example
//   DEBUG='3>$HOME/err.$$' debug_example        DEBUG='1|sed s/^/piped:/' debug_example
#include <unistd.h>

#include <cstdio>
#include <iostream>

#include "debug.h"

unsigned int debug;

int main() {
  Debug(nullptr);
  printf("debug = 0x%x\n", debug);
  fflush(stdout);
  if (debug & 1) fprintf(stderr, "level 1: a line through stderr\n");
  if (debug & 2) std::cerr << "level 2: a line through std::cerr" << std::endl;
  if (debug & 4) {
    const char line[] = "bit 3: a line through descriptor 2\n";
    if (write(2, line, sizeof line - 1) < 0) return 1;
  }
  return 0;
}
