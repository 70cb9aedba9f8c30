// ilvo_preview: shows a source file in the colors that a color command stream gives it, as
// ANSI escapes for a terminal or as a web page, without the editor.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "outbuf.h"
#include "render.h"
#include "stream.h"

namespace {

const char kUsage[] = "usage: ilvo_preview [--format ansi|ansi256|html] [--stream FILE] SOURCE\n";
const Fmt kCannotRead = "ilvo_preview: %s: %s\n";
const Fmt kWriteError = "ilvo_preview: standard output: %s\n";

// Reads all of fd; false with errno set on a read error.
bool slurp(int fd, std::string *out) {
  char chunk[1 << 16];
  for (;;) {
    ssize_t n = read(fd, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) return true;
    out->append(chunk, static_cast<size_t>(n));
  }
}

bool read_file(const char *path, std::string *out) {
  int fd = open(path, O_RDONLY);
  if (fd < 0) return false;
  struct stat st;
  if (fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    close(fd);
    errno = EISDIR;
    return false;
  }
  bool ok = slurp(fd, out);
  int saved = errno;
  close(fd);
  errno = saved;
  return ok;
}

}  // namespace

int main(int argc, char **argv) {
  OutBuf out(1), err(2);
  Format format = Format::kAnsi;
  const char *stream_path = nullptr, *source = nullptr;
  for (int k = 1; k < argc; k++) {  // k: argument
    std::string a = argv[k];
    if (a == "--format" && k + 1 < argc && std::string(argv[k + 1]) == "ansi")
      format = Format::kAnsi, k++;
    else if (a == "--format" && k + 1 < argc && std::string(argv[k + 1]) == "ansi256")
      format = Format::kAnsi256, k++;
    else if (a == "--format" && k + 1 < argc && std::string(argv[k + 1]) == "html")
      format = Format::kHtml, k++;
    else if (a == "--stream" && k + 1 < argc)
      stream_path = argv[++k];
    else if (!source && (a.empty() || a[0] != '-' || a == "-"))
      source = argv[k];
    else
      source = nullptr, k = argc;
  }
  if (!source) {
    err.put(kUsage);
    err.flush();
    return 2;
  }
  std::string text, stream;
  if (!read_file(source, &text)) {
    err.format(kCannotRead, source, strerror(errno));
    err.flush();
    return 1;
  }
  bool ok = stream_path ? read_file(stream_path, &stream) : slurp(0, &stream);
  if (!ok) {
    err.format(kCannotRead, stream_path ? stream_path : "standard input", strerror(errno));
    err.flush();
    return 1;
  }
  LineTable lines(text);
  Coloring c = read_stream(stream, lines, stream_path ? stream_path : "standard input", err);
  render(text, c, format, source, out);
  return finish_output(out, err, kWriteError);
}
