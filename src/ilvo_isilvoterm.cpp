// ilvo_isilvoterm: exit status 0 when standard input and output are terminals and TERM
// begins with "vt100" (the editor's terminal window), else 1; "-d" says why on stderr.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "visible.h"

namespace {
const char kNotTty[] = "stdin is %sa tty, stdout is %sa tty\n";
const char kNoTerm[] = "No TERM environment variable, not a ilvoterm\n";
const char kOtherTerm[] = "TERM is not vt100, it is %s\n";
}  // namespace

int main(int argc, char **argv) {
  bool diagnose = argc >= 2 && strcmp(argv[1], "-d") == 0;
  if (!isatty(0) || !isatty(1)) {
    if (diagnose) {
      const char *in = isatty(0) ? "" : "not ";  // descriptor 0 first
      const char *out = isatty(1) ? "" : "not ";
      fprintf(stderr, kNotTty, in, out);
    }
    return 1;
  }
  const char *term = getenv("TERM");
  if (!term) {
    if (diagnose) fputs(kNoTerm, stderr);
    return 1;
  }
  if (strncmp(term, "vt100", 5) == 0) return 0;
  if (diagnose) fprintf(stderr, kOtherTerm, visible(term).c_str());
  return 1;
}
