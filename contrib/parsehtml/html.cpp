// html: writes the editor's color command stream for an HTML file.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "htmlformats.h"
#include "htmlscan.h"

namespace {

// The file's bytes; a file that cannot be opened or read counts as empty.
struct Loaded {
  char *buf = nullptr;
  int64_t size = 0;
};

Loaded load(const char *path, OutBuf &err) {
  Loaded f;
  int fd = path ? open(path, O_RDONLY) : -1;
  struct stat file_stats;
  if (fd < 0 || fstat(fd, &file_stats) != 0 || !S_ISREG(file_stats.st_mode)) return f;
  // Ten zero bytes behind the data, so that a look-ahead past the end reads zeros.
  uint64_t want = static_cast<uint64_t>(file_stats.st_size);
  f.buf = want <= SIZE_MAX - 10 ? static_cast<char *>(malloc(want + 10)) : nullptr;
  // Large files: huge pages make filling the buffer cheaper (fewer page faults).
  if (f.buf && want >= (8u << 20)) {
    uintptr_t start =
        (reinterpret_cast<uintptr_t>(f.buf) + (2u << 20) - 1) & ~uintptr_t((2u << 20) - 1);
    madvise(reinterpret_cast<void *>(start), want - (start - reinterpret_cast<uintptr_t>(f.buf)),
            MADV_HUGEPAGE);
  }
  if (!f.buf) {
    err.format(kNoMemory, path);
    return f;
  }
  uint64_t got = 0;  // bytes read so far; the file may shrink or fail while we read
  while (got < want) {
    size_t chunk = want - got < (1u << 30) ? static_cast<size_t>(want - got) : (1u << 30);
    ssize_t n = read(fd, f.buf + got, chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<uint64_t>(n);
  }
  memset(f.buf + got, 0, 10);
  f.size = static_cast<int64_t>(got);
  return f;
}

}  // namespace

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
  Loaded file = load(argc > 1 ? argv[1] : nullptr, err);
  HtmlScanner scanner;
  scanner.run(file.buf, file.size, colors, out, err);
  free(file.buf);
  return finish_output(out, err, kWriteError);
}
