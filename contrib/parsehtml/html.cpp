// html: writes the editor's color command stream for an HTML file.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "htmlformats.h"
#include "htmlparts.h"
#include "htmlscan.h"

static ssize_t read_at(void *fd, char *buf, size_t n, int64_t offset) {
  return pread(*static_cast<int *>(fd), buf, n, offset);
}

int main(int argc, char **argv) {
  OutBuf out(1);
  OutBuf err(2);
  HtmlColors colors;
  if (argc == kHtmlArgCount) {
    colors = html_colors_from_args(argv);
  } else {
    err.format(kPragmaError, argc, kHtmlArgCount);
    colors = html_default_colors();
  }
  // A file that cannot be opened, or a directory, counts as empty; so does the rest of one
  // whose read fails. The input is read a block at a time: a pipe may be endless.
  int fd = argc > 1 ? open(argv[1], O_RDONLY) : -1;
  struct stat st;
  if (fd >= 0 && (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode))) fd = -1;
  // A file of several parts is scanned on every processor this process may use: 31% less time
  // on real pages than one scan on one (21 pairs into dd, with and without, on two).
  HtmlPartsOptions parts;
  if (fd >= 0 && S_ISREG(st.st_mode) && st.st_size >= static_cast<off_t>(2 * parts.part) &&
      (parts.threads = html_threads()) > 1 &&
      html_run_parts(read_at, &fd, st.st_size, colors, out, err, parts))
    return finish_output(out, err, kWriteError);
  BlockReader in(fd, html_classify);
  HtmlScanner scanner;
  scanner.run(in, colors, out, err);
  return finish_output(out, err, kWriteError);
}
