/* Links the installed Debug and hexdump from C. */
#include <stdio.h>

#include <debug.h>
#include <hexdump.h>

unsigned int debug;

int main(void) {
  Debug(NULL);
  hexdump(stdout, "c", "Ab", 2, 0);
  return debug == 1 ? 0 : 1;
}
