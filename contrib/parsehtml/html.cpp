// html: writes the editor's color command stream for an HTML file.
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <new>

#include "htmlscan.h"
#include "htmltexts.h"
#include "inputfile.h"
#include "visible.h"

int main(int argc, char **argv) {
  // A pipe that holds a whole buffer takes each write at once while its reader drains it, so
  // that the program goes on working instead of waiting: without it html takes 1.52 to 1.55
  // times as long on real pages (two sets of 21 pairs into dd).
  grow_pipe(1);
  OutBuf out(1);
  OutBuf err(2);
  HtmlColors colors;
  if (argc == kHtmlArgCount) {
    colors = html_colors_from_args(argv);
  } else {
    err.format(kPragmaError, argc, kHtmlArgCount);
    colors = html_default_colors();
  }
  // A file that cannot be opened, or a directory, counts as empty, and so does the rest of one
  // whose read fails: the stream is that of what was read, as the editor may read it, and the
  // failure is said and is the exit status. The input is read a block at a time: a pipe may be
  // endless.
  struct stat st;
  int fd = argc > 1 ? open_input(argv[1], &st) : -1;
  int why = fd < 0 && argc > 1 ? errno : 0;
  HtmlReader in(fd);
  HtmlScanner scanner;
  try {
    scanner.run(in, colors, out, err);
  } catch (const std::bad_alloc &) {  // for the rows' colors, which may be of any length
    err.format(kNoMemory, strerror(ENOMEM));
    finish_output(out, err, kWriteError);
    return 1;
  }
  if (fd >= 0) why = in.error();
  if (why) err.format(kFileError, visible(argv[1]), strerror(why));
  int status = finish_output(out, err, kWriteError);
  return why ? 1 : status;
}
