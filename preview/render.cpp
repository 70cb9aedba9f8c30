// Showing a source text in the colors of a Coloring: ANSI escapes for a terminal, or a page.
#include "render.h"

#include <algorithm>
#include <string>

#include "visible.h"

const char kAnsiReset[] = "\x1b[0m";

namespace {

const Fmt kAnsiFg = "\x1b[38;2;%d;%d;%dm";
const Fmt kAnsiBg = "\x1b[48;2;%d;%d;%dm";
const Fmt kAnsi256Fg = "\x1b[38;5;%dm";
const Fmt kAnsi256Bg = "\x1b[48;5;%dm";
const char kAnsiDefaultFg[] = "\x1b[39m";
const char kAnsiDefaultBg[] = "\x1b[49m";
const Fmt kAnsiGutter = "\x1b[2m%s%d\x1b[22m\t";  // blanks, the number: a tab's width
const Fmt kPlainGutter = "%s%d\t";
const char kAnsiToLineEnd[] = "\x1b[K";        // the background color to the window's edge
const Fmt kAnsiVisible = "\x1b[7m%s\x1b[27m";  // a control character's visible form, reversed
const Fmt kPageHead =
    "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n<title>%s</title>\n"
    "<style>body { color: %s; background: %s; margin: 0; }\n"
    "pre { font-family: monospace; margin: 0; padding: 1em; }\n"
    ".ctl { outline: 1px dotted; opacity: 0.7; }%s</style>\n</head>\n<body><pre>";
// Line numbers drawn by the page, so that copying the text leaves them out.
const Fmt kPageNumbers =
    "\n.ln::before { content: attr(data-n); display: inline-block; min-width: %dch; "
    "text-align: right; margin-right: 1ch; color: #808080; user-select: none; }";
// A gutter of this many columns, one of them its margin, keeps the text's tab stops.
constexpr int kGutter = 8;
// Writes to a terminal end at runs' edges once this much is buffered (see render()).
constexpr size_t kWriteAt = 64 * 1024;
const char kPageTail[] = "</pre></body>\n</html>\n";
const Fmt kSpanOpen = "<span style=\"%s\">";
const Fmt kSpanOpenTitled = "<span style=\"%s\" title=\"%s\">";
const Fmt kOrigin = "stream line %d: %s";  // where a run's color comes from
const Fmt kPageGutter = "<span class=\"ln\" data-n=\"%d\"></span>";
const char kSpanClose[] = "</span>";
const Fmt kPageVisible = "<span class=\"ctl\">%s</span>";

// A color as CSS "#rrggbb".
std::string css(const Color &c) {
  static const char digits[] = "0123456789abcdef";
  std::string s = "#";
  for (uint8_t v : {c.r, c.g, c.b}) {
    s += digits[v >> 4];
    s += digits[v & 15];
  }
  return s;
}

// The nearest of the 256 terminal colors in the 6x6x6 cube.
int cube(const Color &c) {
  auto step = [](uint8_t v) { return v < 48 ? 0 : v < 115 ? 1 : (v - 35) / 40; };
  return 16 + 36 * step(c.r) + 6 * step(c.g) + step(c.b);
}

// The text with the characters that HTML gives a meaning to escaped.
std::string escape(std::string_view s) {
  std::string e;
  e.reserve(s.size());
  for (char ch : s) {
    switch (ch) {
      case '&':
        e += "&amp;";
        break;
      case '<':
        e += "&lt;";
        break;
      case '>':
        e += "&gt;";
        break;
      case '"':
        e += "&quot;";
        break;
      default:
        e += ch;
    }
  }
  return e;
}

// Whether byte c, printable ASCII or a tab, is written as it stands in the form.
bool as_is(unsigned char c, bool html) {
  if (c < 0x20 ? c != '\t' : c >= 0x7f) return false;
  return !html || (c != '&' && c != '<' && c != '>' && c != '"');
}

// The stream lines that gave a run its colors (0: none), which a page names.
struct Origin {
  int64_t fg = 0, bg = 0;
  bool operator==(const Origin &o) const { return fg == o.fg && bg == o.bg; }
};

// Writes runs of equal colors, merging neighbours, in one of the forms.
class Writer {
 public:
  Writer(Format f, const Coloring &c, std::string_view title, std::string_view text, bool numbers,
         OutBuf &out, WriteFn write)
      : write_(write),
        format_(f),
        html_(f == Format::kHtml),
        dfg_(c.fg),
        dbg_(c.bg),
        c_(c),
        text_(text),
        out_(out) {
    if (numbers && !text.empty()) {
      int64_t lines = std::count(text.begin(), text.end(), '\n') + (text.back() != '\n');
      for (int64_t k = lines; k > 0; k /= 10) width_++;
      width_ = std::max(width_, kGutter - 1);
      gutter_at_ = 0;
    }
    if (html_) {
      OutBuf numbers_style;
      if (width_) numbers_style.format(kPageNumbers, width_);
      out_.format(kPageHead, escape(visible(title)),
                  css(dfg_.set ? dfg_ : Color{true, 0xe5, 0xe5, 0xe5}),
                  css(dbg_.set ? dbg_ : Color{true, 0, 0, 0}), numbers_style.view());
    }
  }

  // The characters that start in [start, end), in fg on bg, where "none" means the defaults.
  // A character that goes on past end is written whole here.
  void run(size_t start, size_t end, Color fg, Color bg, Origin from) {
    if (!fg.set) fg = dfg_;
    if (!bg.set) bg = dbg_;
    size_t i = std::max(start, next_);
    while (i < end) {
      checkpoint();
      if (i == gutter_at_) gutter();
      auto c = static_cast<unsigned char>(text_[i]);
      if (c == '\n' || (c == '\r' && i + 1 < text_.size() && text_[i + 1] == '\n')) {
        if (c == '\n' && html_) colors(fg, bg, from);  // a page's newline is in its run's span
        if (c == '\n' && !html_ && bg.set) {           // the line's background to the window's edge
          if (bg != shown_bg_) ansi(bg, false);
          out_.put(kAnsiToLineEnd);
        }
        if (c == '\n') newline(i);
        i++;
        continue;
      }
      colors(fg, bg, from);
      size_t j = i;
      while (j < end && j - i < kWriteAt && as_is(static_cast<unsigned char>(text_[j]), html_)) j++;
      if (j > i) {
        out_.put(text_.substr(i, j - i));
        i = j;
        continue;
      }
      Shown how;
      size_t n = char_at(text_, i, &how);
      std::string_view ch = text_.substr(i, n);
      if (how == Shown::kPlain)
        out_.put(html_ ? escape(ch) : std::string(ch));
      else if (html_)
        out_.format(kPageVisible, escape(visible_form(ch, how)));
      else if (plain())
        out_.put(visible_form(ch, how));
      else
        out_.format(kAnsiVisible, visible_form(ch, how));
      i += n;
    }
    next_ = i;
  }

  // Where a write to a terminal may end, with the colors it then shows; last: the end.
  void checkpoint(bool last = false) {
    if (!write_ || (!last && out_.size() < kWriteAt)) return;
    OutBuf escape;
    if (shown_fg_.set) ansi_escape(shown_fg_, true, escape);
    if (shown_bg_.set) ansi_escape(shown_bg_, false, escape);
    write_(out_, escape.view());
  }

  void finish() {
    if (html_) {
      if (open_) out_.put(kSpanClose);
      out_.put(kPageTail);
    } else if (shown_fg_.set || shown_bg_.set) {
      out_.put(kAnsiReset);
      shown_fg_ = shown_bg_ = Color{};
    }
    checkpoint(true);
  }

 private:
  void newline(size_t at) {
    if (!html_ && (shown_fg_.set || shown_bg_.set)) {
      // Reset before the line end, so that no background runs on to the window's edge.
      out_.put(kAnsiReset);
      shown_fg_ = shown_bg_ = Color{};
    }
    out_.put("\n");
    if (width_ && at + 1 < text_.size()) gutter_at_ = at + 1;
  }

  // The number of the line that starts here, outside any color.
  void gutter() {
    line_++;
    if (html_) {
      if (open_) out_.put(kSpanClose);
      open_ = false;
      out_.format(kPageGutter, line_);
    } else {
      int digits = 0;
      for (int64_t k = line_; k > 0; k /= 10) digits++;
      out_.format(plain() ? kPlainGutter : kAnsiGutter,
                  std::string(static_cast<size_t>(std::max(width_ - digits, 0)), ' '), line_);
    }
  }

  // Makes fg on bg, from the stream lines of from, the colors of what is written next.
  bool plain() const { return format_ == Format::kPlain; }

  void colors(const Color &fg, const Color &bg, Origin from) {
    if (plain()) return;
    if (!html_) {
      if (fg != shown_fg_) ansi(fg, true);
      if (bg != shown_bg_) ansi(bg, false);
      return;
    }
    if (c_.texts.empty()) from = Origin{};
    if (open_ && fg == span_fg_ && bg == span_bg_ && from == span_from_) return;
    if (!open_ && fg == dfg_ && bg == dbg_ && from == Origin{}) return;
    if (open_) out_.put(kSpanClose);
    open_ = fg != dfg_ || bg != dbg_ || !(from == Origin{});
    if (open_) {
      std::string style;
      if (fg != dfg_ && fg.set) style += "color: " + css(fg) + ";";
      if (bg != dbg_ && bg.set)
        style += std::string(style.empty() ? "" : " ") + "background: " + css(bg) + ";";
      if (from == Origin{}) {
        out_.format(kSpanOpen, style);
      } else {
        OutBuf title;
        if (from.fg) title.format(kOrigin, from.fg, escape(quote(text_of(from.fg))));
        if (from.fg && from.bg && from.bg != from.fg) title.put("&#10;");
        if (from.bg && from.bg != from.fg)
          title.format(kOrigin, from.bg, escape(quote(text_of(from.bg))));
        out_.format(kSpanOpenTitled, style, title.view());
      }
    }
    span_fg_ = fg;
    span_bg_ = bg;
    span_from_ = from;
  }

  std::string_view text_of(int64_t line) const { return c_.text(line); }

  void ansi(const Color &c, bool fore) {
    ansi_escape(c, fore, out_);
    (fore ? shown_fg_ : shown_bg_) = c;
  }

  void ansi_escape(const Color &c, bool fore, OutBuf &out) const {
    if (!c.set)
      out.put(fore ? kAnsiDefaultFg : kAnsiDefaultBg);
    else if (format_ == Format::kAnsi256)
      out.format(fore ? kAnsi256Fg : kAnsi256Bg, cube(c));
    else
      out.format(fore ? kAnsiFg : kAnsiBg, c.r, c.g, c.b);
  }

  WriteFn write_;
  Format format_;
  bool html_;
  Color dfg_, dbg_;  // the colors of bare text
  const Coloring &c_;
  std::string_view text_;
  OutBuf &out_;
  size_t next_ = 0;            // the first byte not yet written: a character may cross runs
  Color shown_fg_, shown_bg_;  // ANSI: the colors the terminal shows now; none: its own
  bool open_ = false;          // HTML: a span is open
  Color span_fg_, span_bg_;    // HTML: the colors of the open span
  Origin span_from_;           // HTML: the stream lines of the open span's colors
  int width_ = 0;              // digits of the last line number; 0: no numbers
  size_t gutter_at_ = std::string_view::npos;  // where the next numbered line starts
  int64_t line_ = 0;                           // the last number written
};

}  // namespace

void Sweep::Layer::add(uint32_t area) {
  heap_.push_back(area);
  std::push_heap(heap_.begin(), heap_.end());
}

void Sweep::Layer::remove(uint32_t area) {
  gone_.push_back(area);
  std::push_heap(gone_.begin(), gone_.end());
}

long Sweep::Layer::top() {
  // Ended areas leave the heap only when they reach its top.
  while (!heap_.empty() && !gone_.empty() && heap_.front() == gone_.front()) {
    std::pop_heap(heap_.begin(), heap_.end());
    heap_.pop_back();
    std::pop_heap(gone_.begin(), gone_.end());
    gone_.pop_back();
  }
  return heap_.empty() ? -1 : static_cast<long>(heap_.front());
}

size_t Sweep::start_of(uint32_t k) const {
  return std::min(c_.areas[k].start, size_);
}

size_t Sweep::end_of(uint32_t k) const {
  return std::min(c_.areas[k].end, size_);
}

Sweep::Sweep(const Coloring &c, size_t size) : c_(c), size_(size) {
  for (size_t k = 0; k < c.areas.size(); k++)  // k: area, in stream order
    if (start_of(static_cast<uint32_t>(k)) < end_of(static_cast<uint32_t>(k)))
      by_start_.push_back(static_cast<uint32_t>(k));
  by_end_ = by_start_;
  std::sort(by_start_.begin(), by_start_.end(),
            [this](uint32_t a, uint32_t b) { return start_of(a) < start_of(b); });
  std::sort(by_end_.begin(), by_end_.end(),
            [this](uint32_t a, uint32_t b) { return end_of(a) < end_of(b); });
}

bool Sweep::next(size_t *start, size_t *end, Color *fg, Color *bg, long *fg_area, long *bg_area) {
  for (;;) {
    size_t at = size_;  // the next boundary
    if (s_ < by_start_.size()) at = std::min(at, start_of(by_start_[s_]));
    if (e_ < by_end_.size()) at = std::min(at, end_of(by_end_[e_]));
    if (at > pos_) {
      long f = fg_.top(), b = bg_.top();
      *start = pos_;
      *end = at;
      *fg = f < 0 ? Color{} : c_.areas[static_cast<size_t>(f)].fg;
      *bg = b < 0 ? Color{} : c_.areas[static_cast<size_t>(b)].bg;
      *fg_area = f;
      *bg_area = b;
      pos_ = at;
      return true;
    }
    if (pos_ == size_ && s_ == by_start_.size() && e_ == by_end_.size()) return false;
    // An area's "" leaves its layer to the areas beneath.
    bool starts = s_ < by_start_.size() && start_of(by_start_[s_]) == at;
    uint32_t k = starts ? by_start_[s_++] : by_end_[e_++];
    const Area &a = c_.areas[k];
    if (a.fg.set) starts ? fg_.add(k) : fg_.remove(k);
    if (a.bg.set) starts ? bg_.add(k) : bg_.remove(k);
  }
}

void render(std::string_view text, const Coloring &c, Format format, std::string_view title,
            OutBuf &out, bool numbers, WriteFn write) {
  Writer w(format, c, title, text, numbers, out, write);
  Sweep sweep(c, text.size());
  size_t start, end;
  Color fg, bg;
  long fa, ba;
  auto line = [&](long k) { return k < 0 ? 0 : c.areas[static_cast<size_t>(k)].line; };
  while (sweep.next(&start, &end, &fg, &bg, &fa, &ba))
    w.run(start, end, fg, bg, Origin{line(fa), line(ba)});
  w.finish();
}
