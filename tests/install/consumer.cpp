// Links the installed Debug and hexdump from C++.
#include <cstdio>

#include <ilvo/debug.h>
#include <ilvo/hexdump.h>

unsigned int debug;

int main() {
  Debug(nullptr);
  hexdump(stdout, "c++", "Ab", 2, 0);
  return debug == 1 ? 0 : 1;
}
