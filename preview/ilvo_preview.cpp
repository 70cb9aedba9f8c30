// ilvo_preview: shows a source file in the colors that a color command stream gives it, as
// ANSI escapes for a terminal or as a web page, without the editor.
#include <getopt.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "explain.h"
#include "htmlscan.h"
#include "inputfile.h"
#include "listmarks.h"
#include "outbuf.h"
#include "pager.h"
#include "previewtexts.h"
#include "render.h"
#include "source.h"
#include "stream.h"
#include "visible.h"

namespace {

struct Options {
  Format format = Format::kAnsi;
  bool format_given = false;
  enum When { kAuto, kAlways, kNever } color = kAuto;
  const char *stream = nullptr;
  bool listing = false, numbers = false, pager = true;
  size_t limit = size_t{1} << 30;
  int64_t explain_line = 0, explain_col = 0;  // 0: no --explain
  bool filter = false;  // no stream given, and standard input a terminal: run the filter
};

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

// "LINE,COL", both whole numbers from 1.
bool parse_place(const char *s, int64_t *ln, int64_t *col) {
  char *end;
  errno = 0;
  long long l = strtoll(s, &end, 10);
  if (end == s || *end != ',' || l < 1 || errno) return false;
  const char *c = end + 1;
  long long k = strtoll(c, &end, 10);
  if (end == c || *end || k < 1 || errno) return false;
  *ln = l;
  *col = k;
  return true;
}

// The words of -f and --color.
constexpr std::pair<std::string_view, Format> kFormats[] = {
    {"ansi", Format::kAnsi}, {"ansi256", Format::kAnsi256}, {"html", Format::kHtml}};
constexpr std::pair<std::string_view, Options::When> kWhens[] = {
    {"auto", Options::kAuto}, {"always", Options::kAlways}, {"never", Options::kNever}};

// Sets *value to the value of word a in words; false when a is none of them.
template <class T, size_t N>
bool choose(std::string_view a, const std::pair<std::string_view, T> (&words)[N], T *value) {
  for (const auto &[word, v] : words)
    if (a == word) {
      *value = v;
      return true;
    }
  return false;
}

// Reads the command line into *o; the exit status when the program ends here, else -1.
int parse(int argc, char **argv, Options *o, OutBuf &out, OutBuf &err) {
  auto usage_error = [&](const Fmt &what, std::string_view text) {
    err.format(what, visible(text));
    err.put(kUsage);
    err.flush();
    return 2;
  };
  enum { kMaxSize = 1000, kVersionOption, kExplain, kColor };
  const option options[] = {{"format", required_argument, nullptr, 'f'},
                            {"stream", required_argument, nullptr, 's'},
                            {"listing", no_argument, nullptr, 'l'},
                            {"line-numbers", no_argument, nullptr, 'n'},
                            {"no-pager", no_argument, nullptr, 'P'},
                            {"explain", required_argument, nullptr, kExplain},
                            {"color", required_argument, nullptr, kColor},
                            {"max-size", required_argument, nullptr, kMaxSize},
                            {"help", no_argument, nullptr, 'h'},
                            {"version", no_argument, nullptr, kVersionOption},
                            {nullptr, 0, nullptr, 0}};
  opterr = 0;
  for (int c; (c = getopt_long(argc, argv, ":f:s:lnPh", options, nullptr)) != -1;) {
    std::string_view a = optarg ? optarg : "";
    switch (c) {
      case 'f':
        if (!choose(a, kFormats, &o->format)) return usage_error(kUnknownFormat, a);
        o->format_given = true;
        break;
      case kColor:
        if (!choose(a, kWhens, &o->color)) return usage_error(kUnknownWhen, a);
        break;
      case 's':
        o->stream = optarg;
        break;
      case 'l':
        o->listing = true;
        break;
      case 'n':
        o->numbers = true;
        break;
      case 'P':
        o->pager = false;
        break;
      case kExplain:
        if (!parse_place(optarg, &o->explain_line, &o->explain_col))
          return usage_error(kBadPlace, a);
        break;
      case kMaxSize:
        if (!parse_size(optarg, &o->limit)) return usage_error(kBadSize, a);
        break;
      case 'h':
        out.put(kUsage);
        out.put(kHelp);
        return finish_output(out, err, kWriteError);
      case kVersionOption:
        out.format(kVersion, ILVO_VERSION);
        return finish_output(out, err, kWriteError);
      case ':':
        return usage_error(kNeedsArgument, argv[optind - 1]);
      default:
        return usage_error(kUnknownOption, optopt ? std::string{'-', static_cast<char>(optopt)}
                                                  : std::string(argv[optind - 1]));
    }
  }
  if (optind == argc) return usage_error(kMistake, kMissingSource);
  if (optind + 1 < argc) return usage_error(kMistake, kTwoSources);
  if (o->stream && strcmp(o->stream, "-") == 0) o->stream = nullptr;  // standard input
  if (!o->stream && strcmp(argv[optind], "-") == 0)
    return usage_error(kMistake, kBothStandardInput);
  o->filter = !o->stream && isatty(0);
  return -1;
}

// The stream that html, with the editor's default colors, or listtint for a listing, writes for
// source: the program beside this one, else the one on PATH. The pipe from it, or -1 with errno
// set; *pid: its process.
int start_filter(bool listing, const char *source, pid_t *pid) {
  const char *name = listing ? "listtint" : "html";
  std::vector<std::string> args = {name, source};
  if (!listing)
    for (std::string_view c : html_default_colors().clr) args.emplace_back(c);
  std::vector<char *> argv;
  for (std::string &a : args) argv.push_back(&a[0]);
  argv.push_back(nullptr);
  // Beside: only where this program's own path is known, never a name taken from the current
  // folder.
  std::string beside;
  char self[4096];
  ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  std::string_view path(self, n > 0 ? static_cast<size_t>(n) : 0);
  if (path.rfind('/') != std::string_view::npos)
    beside = std::string(path.substr(0, path.rfind('/') + 1)) + name;
  int fds[2];
  if (pipe(fds) != 0) return -1;
  pid_t p = fork();
  if (p == 0) {
    dup2(fds[1], 1);
    close(fds[0]);
    close(fds[1]);
    if (!beside.empty() && access(beside.c_str(), X_OK) == 0) execv(beside.c_str(), argv.data());
    execvp(name, argv.data());
    _exit(127);
  }
  int why = errno;
  close(fds[1]);
  if (p < 0) {
    close(fds[0]);
    errno = why;
    return -1;
  }
  *pid = p;
  return fds[0];
}

// Renders into out; what was written is flushed also when memory runs out on the way.
void show(std::string_view text, const Coloring &c, const Options &o, const char *source,
          OutBuf &out, WriteFn write) {
  try {
    render(text, c, o.format, source, out, o.numbers, write);
  } catch (const std::bad_alloc &) {
    out.flush();
    throw;
  }
}

// The form of the output, as -f, --color, NO_COLOR and COLORTERM say, when standard output is a
// terminal or not.
Format output_format(const Options &o, bool terminal) {
  if (o.format == Format::kHtml) return o.format;
  if (o.format_given) return o.color == Options::kNever ? Format::kPlain : o.format;
  const char *no_color = getenv("NO_COLOR"), *colorterm = getenv("COLORTERM");
  bool colors = o.color == Options::kAlways ||
                (o.color == Options::kAuto && terminal && !(no_color && *no_color));
  std::string_view depth = colorterm ? colorterm : "";
  return !colors                                    ? Format::kPlain
         : depth == "truecolor" || depth == "24bit" ? Format::kAnsi
                                                    : Format::kAnsi256;
}

// Writes the text to the pager, when there is one for a terminal, else to standard output; the
// exit status.
int write_out(std::string_view text, const Coloring &c, const Options &o, const char *source,
              OutBuf &err) {
  bool terminal = o.format != Format::kHtml && isatty(1);
  std::string pager = terminal && o.pager ? pager_command() : "";
  if (!pager.empty()) {
    catch_signals(false);
    int to_pager = start_pager(pager);
    if (to_pager >= 0) {
      OutBuf out(to_pager);
      show(text, c, o, source, out, nullptr);
      bool written = out.flush() || out.error() == EPIPE;  // the pager may quit early
      if (int status = wait_pager(); status != 0) {
        err.format(kPagerFailed, visible(pager), status);
        err.flush();
        return 1;
      }
      err.flush();
      return written ? 0 : finish_output(out, err, kWriteError);
    }
    err.format(kNoPager, visible(pager), strerror(errno));
  }
  if (terminal) catch_signals(true);
  OutBuf out(1);
  show(text, c, o, source, out, terminal ? write_terminal : nullptr);
  return finish_output(out, err, kWriteError);
}

// Shows the source as the options say; the exit status. *doing names the file being worked on,
// for a failure to get memory.
int run(Options o, const char *source, OutBuf &err, const char **doing) {
  auto fail = [&](const char *name, int why) {
    if (why == EFBIG)
      err.format(kTooLarge, visible(name), o.limit);
    else
      err.format(kCannotRead, visible(name), strerror(why));
    err.flush();
    return 1;
  };
  File text;
  if (!load(source, o.limit, &text)) return fail(source, errno);
  const char *name = o.stream ? o.stream : kStandardInput;
  pid_t filter = -1;
  if (o.filter) name = o.listing ? "listtint" : "html";
  *doing = name;
  struct stat st;
  int fd = o.filter   ? start_filter(o.listing, source, &filter)
           : o.stream ? open_input(o.stream, &st, true)
                      : 0;
  if (fd < 0 || fstat(fd, &st) != 0) return fail(name, errno);
  // A listing shows without its markers, and the stream's columns count that text.
  std::string shown;
  std::string_view display = text.bytes;
  std::optional<LineTable> lines;
  std::optional<StreamReader> reader;
  bool explain = o.explain_line > 0;
  auto make_reader = [&](std::string_view first) -> StreamReader & {
    if (o.listing || first == kListingOpening) display = shown = without_markers(text.bytes);
    lines.emplace(display);
    return reader.emplace(*lines, name, err, explain || o.format == Format::kHtml);
  };
  size_t bytes;
  if (!read_lines(fd, S_ISREG(st.st_mode), o.limit, make_reader, &bytes)) return fail(name, errno);
  if (filter > 0) {
    if (int status = wait_child(filter); status != 0) {
      err.format(kFilterFailed, name, status);
      err.flush();
      return 1;
    }
  }
  if (bytes == 0) err.format(kEmptyStream, visible(name));
  *doing = source;
  if (explain) {
    OutBuf out(1);
    explain_place(*lines, reader->coloring(), o.explain_line, o.explain_col, out);
    return finish_output(out, err, kWriteError);
  }
  o.format = output_format(o, isatty(1));
  return write_out(display, reader->coloring(), o, source, err);
}

}  // namespace

int main(int argc, char **argv) {
  OutBuf err(2);
  Options o;
  {
    OutBuf out(1);
    if (int status = parse(argc, argv, &o, out, err); status >= 0) return status;
  }
  const char *source = argv[optind], *doing = source;
  try {
    return run(o, source, err, &doing);
  } catch (const std::bad_alloc &) {
    // What was written stays written; the rest could not be had.
    err.format(kCannotRead, visible(doing), strerror(ENOMEM));
    err.flush();
    return 1;
  }
}
