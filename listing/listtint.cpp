// listtint: writes the editor's color command stream for a listing with marked keywords
// and comments, read from the named file or from standard input.
#include <sys/stat.h>

#include <cstring>

#include "inputfile.h"
#include "listformats.h"
#include "tint.h"
#include "visible.h"

int main(int argc, char **argv) {
  // An input that cannot be opened, or a directory, is answered by status 1 alone.
  int fd = 0;
  struct stat st;
  if (argc > 1 && (fd = open_input(argv[1], &st)) < 0) return 1;
  // A pipe that holds a whole buffer takes each write at once while its reader drains it:
  // without it listtint takes 1.23 to 1.24 times as long on real listings (two sets of 21 pairs
  // into dd).
  grow_pipe(1);
  OutBuf out(1);
  ListTint tint;
  ListingReader in(fd);
  tint.run(in, out);
  OutBuf err(2);
  int status = finish_output(out, err, kWriteError);
  if (in.error()) {
    // What was read is written; the status and the message say the input ended early.
    err.format(kReadError, argc > 1 ? visible(argv[1]) : "standard input", strerror(in.error()));
    err.flush();
    status = 1;
  }
  return status;
}
