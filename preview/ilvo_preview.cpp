// ilvo_preview: shows a source file in the colors that a color command stream gives it, as
// ANSI escapes for a terminal or as a web page, without the editor.
#include <fcntl.h>
#include <getopt.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#include "outbuf.h"
#include "render.h"
#include "stream.h"
#include "visible.h"

namespace {

const char kUsage[] =
    "usage: ilvo_preview [-l] [-f ansi|ansi256|html] [-s FILE] [--max-size SIZE] SOURCE\n";
const char kHelp[] =
    "Shows SOURCE in the colors that a color command stream (from html or listtint) gives it.\n"
    "  -f, --format FORM   ansi (24-bit terminal colors, the default), ansi256 or html\n"
    "  -s, --stream FILE   the stream; standard input when not given\n"
    "  -l, --listing       SOURCE is a marked listing (also when the stream starts as\n"
    "                      listtint's does): show it without its markers\n"
    "      --max-size SIZE the most that is read from a pipe or other file that is not a\n"
    "                      regular file, in bytes or with k, M or G (default 1G)\n"
    "  -h, --help          this text\n"
    "      --version       the version\n";
const Fmt kVersion = "ilvo_preview %s\n";
const Fmt kMistake = "ilvo_preview: %s\n";
const Fmt kUnknownFormat = "ilvo_preview: unknown format '%s'\n";
const Fmt kUnknownOption = "ilvo_preview: unknown option '%s'\n";
const Fmt kNeedsArgument = "ilvo_preview: option '%s' needs an argument\n";
const Fmt kBadSize = "ilvo_preview: bad size '%s'\n";
const char kStdinTerminal[] =
    "ilvo_preview: the stream would come from standard input, which is a terminal: give it with"
    " --stream FILE or through a pipe\n";
const Fmt kCannotRead = "ilvo_preview: %s: %s\n";
const Fmt kTooLarge =
    "ilvo_preview: %s: more than %d bytes from a file that is not a regular file (see --max-size)\n";
const Fmt kEmptyStream = "ilvo_preview: %s: the stream is empty: the text shows without colors\n";
const Fmt kWriteError = "ilvo_preview: standard output: %s\n";

// A file's bytes: mapped when it is a regular file, else read, up to limit bytes.
struct File {
  std::string_view bytes;
  std::string held;  // the bytes when they were read, not mapped
};

// Reads path into *f; false with errno set (EFBIG: past the limit) when it cannot.
bool load(const char *path, size_t limit, File *f) {
  int fd = open(path, O_RDONLY);
  if (fd < 0) return false;
  struct stat st;
  if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    errno = S_ISDIR(st.st_mode) ? EISDIR : errno;
    close(fd);
    return false;
  }
  bool regular = S_ISREG(st.st_mode);
  if (regular && st.st_size > 0) {
    void *p = mmap(nullptr, static_cast<size_t>(st.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
    if (p != MAP_FAILED) {
      close(fd);
      f->bytes = std::string_view(static_cast<const char *>(p), static_cast<size_t>(st.st_size));
      return true;
    }
  }
  char chunk[1 << 16];
  for (;;) {
    ssize_t n = read(fd, chunk, sizeof chunk);  // never interrupted: no signal is caught
    if (n <= 0) {
      int saved = errno;
      close(fd);
      errno = saved;
      if (n < 0) return false;
      f->bytes = f->held;
      return true;
    }
    if (!regular && f->held.size() + static_cast<size_t>(n) > limit) {
      close(fd);
      errno = EFBIG;
      return false;
    }
    f->held.append(chunk, static_cast<size_t>(n));
  }
}

// Reads a stream from fd line by line into reader, which is made once the first line has told
// whether it colors a marked listing (make_reader(first line)). Only a line at a time is held.
// False with errno set (EFBIG: past the limit) on a read error; *bytes counts what was read.
template <class MakeReader>
bool read_lines(int fd, bool regular, size_t limit, MakeReader make_reader, size_t *bytes) {
  StreamReader *reader = nullptr;
  std::string line;
  char chunk[1 << 16];
  *bytes = 0;
  auto take = [&](std::string_view l) {
    if (!reader) reader = make_reader(l);
    reader->line(l);
  };
  for (;;) {
    ssize_t n = read(fd, chunk, sizeof chunk);
    if (n < 0) return false;
    if (n == 0) break;
    *bytes += static_cast<size_t>(n);
    if (!regular && *bytes > limit) {
      errno = EFBIG;
      return false;
    }
    std::string_view rest(chunk, static_cast<size_t>(n));
    for (size_t nl; (nl = rest.find('\n')) != std::string_view::npos; rest.remove_prefix(nl + 1)) {
      if (line.empty()) {
        take(rest.substr(0, nl));
      } else {
        line.append(rest.substr(0, nl));
        take(line);
        line.clear();
      }
    }
    line.append(rest);
  }
  if (!line.empty()) take(line);
  if (!reader) make_reader("");
  return true;
}

// "1000", "64k", "10M", "1G": a size in bytes; false for anything else.
bool parse_size(const char *s, size_t *out) {
  char *end;
  errno = 0;
  unsigned long long v = strtoull(s, &end, 10);
  if (end == s || errno || *s == '-') return false;
  int shift = *end == 'k' ? 10 : *end == 'M' ? 20 : *end == 'G' ? 30 : 0;
  if (shift) end++;
  if (*end || v > (~0ULL >> shift)) return false;
  *out = static_cast<size_t>(v << shift);
  return true;
}

}  // namespace

int main(int argc, char **argv) {
  OutBuf out(1), err(2);
  auto usage_error = [&](const Fmt &what, std::string_view text) {
    err.format(what, visible(text));
    err.put(kUsage);
    err.flush();
    return 2;
  };
  enum { kMaxSize = 1000, kVersionOption };
  const option options[] = {{"format", required_argument, nullptr, 'f'},
                            {"stream", required_argument, nullptr, 's'},
                            {"listing", no_argument, nullptr, 'l'},
                            {"max-size", required_argument, nullptr, kMaxSize},
                            {"help", no_argument, nullptr, 'h'},
                            {"version", no_argument, nullptr, kVersionOption},
                            {nullptr, 0, nullptr, 0}};
  Format format = Format::kAnsi;
  const char *stream_path = nullptr;
  bool listing = false;
  size_t limit = size_t{1} << 30;
  opterr = 0;
  for (int c; (c = getopt_long(argc, argv, ":f:s:lh", options, nullptr)) != -1;) {
    std::string_view a = optarg ? optarg : "";
    if (c == 'f' && a == "ansi") format = Format::kAnsi;
    else if (c == 'f' && a == "ansi256") format = Format::kAnsi256;
    else if (c == 'f' && a == "html") format = Format::kHtml;
    else if (c == 'f') return usage_error(kUnknownFormat, a);
    else if (c == 's') stream_path = optarg;
    else if (c == 'l') listing = true;
    else if (c == kMaxSize && !parse_size(optarg, &limit)) return usage_error(kBadSize, a);
    else if (c == 'h') return out.put(kUsage), out.put(kHelp), finish_output(out, err, kWriteError);
    else if (c == kVersionOption) return out.format(kVersion, ILVO_VERSION), finish_output(out, err, kWriteError);
    else if (c == ':') return usage_error(kNeedsArgument, argv[optind - 1]);
    else if (c == '?') return usage_error(kUnknownOption, optopt ? std::string{'-', static_cast<char>(optopt)} : argv[optind - 1]);
  }
  if (optind == argc) return usage_error(kMistake, "missing SOURCE");
  if (optind + 1 < argc) return usage_error(kMistake, "more than one SOURCE");
  const char *source = argv[optind];
  if (!stream_path && isatty(0)) {
    err.put(kStdinTerminal);
    err.flush();
    return 2;
  }
  auto fail = [&](const Fmt &what, const char *name, std::string_view why) {
    err.format(what, visible(name), why);
    err.flush();
    return 1;
  };

  File text;
  if (!load(source, limit, &text))
    return errno == EFBIG ? (err.format(kTooLarge, visible(source), limit), err.flush(), 1)
                          : fail(kCannotRead, source, strerror(errno));
  const char *name = stream_path ? stream_path : "standard input";
  int fd = stream_path ? open(stream_path, O_RDONLY) : 0;
  struct stat st;
  if (fd < 0 || fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    if (fd >= 0 && S_ISDIR(st.st_mode)) errno = EISDIR;
    return fail(kCannotRead, name, strerror(errno));
  }
  // A listing shows without its markers, and the stream's columns count that text.
  std::string shown;
  std::string_view display = text.bytes;
  std::optional<LineTable> lines;
  std::optional<StreamReader> reader;
  auto make_reader = [&](std::string_view first) {
    if (listing || first == kListingOpening) display = shown = without_markers(text.bytes);
    lines.emplace(display);
    return &reader.emplace(*lines, name, err);
  };
  size_t bytes;
  if (!read_lines(fd, S_ISREG(st.st_mode), limit, make_reader, &bytes))
    return errno == EFBIG ? (err.format(kTooLarge, visible(name), limit), err.flush(), 1)
                          : fail(kCannotRead, name, strerror(errno));
  if (bytes == 0) err.format(kEmptyStream, visible(name));
  render(display, reader->coloring(), format, source, out);
  return finish_output(out, err, kWriteError);
}
