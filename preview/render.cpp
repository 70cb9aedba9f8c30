// Showing a source text in the colors of a Coloring: ANSI escapes for a terminal, or a page.
#include "render.h"

#include <algorithm>
#include <vector>

namespace {

const Fmt kAnsiFg = "\x1b[38;2;%d;%d;%dm";
const Fmt kAnsiBg = "\x1b[48;2;%d;%d;%dm";
const Fmt kAnsi256Fg = "\x1b[38;5;%dm";
const Fmt kAnsi256Bg = "\x1b[48;5;%dm";
const char kAnsiDefaultFg[] = "\x1b[39m";
const char kAnsiDefaultBg[] = "\x1b[49m";
const char kAnsiReset[] = "\x1b[0m";
const Fmt kPageHead =
    "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n<title>%s</title>\n"
    "<style>body { color: %s; background: %s; margin: 0; }\n"
    "pre { font-family: monospace; margin: 0; padding: 1em; }</style>\n</head>\n<body><pre>";
const char kPageTail[] = "</pre></body>\n</html>\n";
const Fmt kSpanOpen = "<span style=\"%s\">";
const char kSpanClose[] = "</span>";

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

// Writes runs of equal colors, merging neighbours, in one of the forms.
class Writer {
 public:
  Writer(Format f, const Coloring &c, const char *title, OutBuf &out)
      : format_(f), dfg_(c.fg), dbg_(c.bg), out_(out) {
    if (format_ == Format::kHtml) {
      std::string t = escape(title);
      out_.format(kPageHead, t.c_str(),
                  css(dfg_.set ? dfg_ : Color{true, 0xe5, 0xe5, 0xe5}).c_str(),
                  css(dbg_.set ? dbg_ : Color{true, 0, 0, 0}).c_str());
    }
  }

  // Text that shows in fg on bg, where "none" means the default colors.
  void run(std::string_view text, Color fg, Color bg) {
    if (!fg.set) fg = dfg_;
    if (!bg.set) bg = dbg_;
    if (format_ == Format::kHtml) return html(text, fg, bg);
    while (!text.empty()) {
      size_t nl = text.find('\n');
      std::string_view piece = text.substr(0, nl);
      if (!piece.empty()) {
        if (fg != shown_fg_) ansi(fg, true);
        if (bg != shown_bg_) ansi(bg, false);
        out_.put(piece);
      }
      if (nl == std::string_view::npos) break;
      // Reset before the line end, so that no background runs on to the window's edge.
      if (shown_fg_.set || shown_bg_.set) out_.put(kAnsiReset);
      shown_fg_ = shown_bg_ = Color{};
      out_.put("\n");
      text.remove_prefix(nl + 1);
    }
  }

  void finish() {
    if (format_ == Format::kHtml) {
      if (open_) out_.put(kSpanClose);
      out_.put(kPageTail);
    } else if (shown_fg_.set || shown_bg_.set) {
      out_.put(kAnsiReset);
    }
  }

 private:
  void ansi(const Color &c, bool fore) {
    if (!c.set)
      out_.put(fore ? kAnsiDefaultFg : kAnsiDefaultBg);
    else if (format_ == Format::kAnsi256)
      out_.format(fore ? kAnsi256Fg : kAnsi256Bg, cube(c));
    else
      out_.format(fore ? kAnsiFg : kAnsiBg, c.r, c.g, c.b);
    (fore ? shown_fg_ : shown_bg_) = c;
  }

  void html(std::string_view text, const Color &fg, const Color &bg) {
    if (!open_ || fg != span_fg_ || bg != span_bg_) {
      if (open_) out_.put(kSpanClose);
      open_ = fg != dfg_ || bg != dbg_;
      if (open_) {
        std::string style;
        if (fg != dfg_ && fg.set) style += "color: " + css(fg) + ";";
        if (bg != dbg_ && bg.set)
          style += std::string(style.empty() ? "" : " ") + "background: " + css(bg) + ";";
        out_.format(kSpanOpen, style.c_str());
      }
      span_fg_ = fg;
      span_bg_ = bg;
    }
    std::string e = escape(text);
    out_.put(e);
  }

  static std::string escape(std::string_view s) {
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

  Format format_;
  Color dfg_, dbg_;  // the colors of bare text
  OutBuf &out_;
  Color shown_fg_, shown_bg_;  // ANSI: the colors the terminal shows now; none: its own
  bool open_ = false;          // HTML: a span is open
  Color span_fg_, span_bg_;    // HTML: the colors of the open span, or of the bare text
};

}  // namespace

void Sweep::Layer::add(size_t area) {
  heap_.push_back(area);
  std::push_heap(heap_.begin(), heap_.end());
}

void Sweep::Layer::remove(size_t area) {
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

Sweep::Sweep(const Coloring &c, size_t size) : c_(c), size_(size) {
  events_.reserve(c.areas.size() * 2);
  for (size_t k = 0; k < c.areas.size(); k++) {  // k: area, in stream order
    size_t start = std::min(c.areas[k].start, size), end = std::min(c.areas[k].end, size);
    if (start >= end) continue;
    events_.push_back({start, k, true});
    events_.push_back({end, k, false});
  }
  std::sort(events_.begin(), events_.end(),
            [](const Event &a, const Event &b) { return a.at < b.at; });
}

bool Sweep::next(size_t *start, size_t *end, Color *fg, Color *bg) {
  for (;;) {
    size_t at = e_ < events_.size() ? events_[e_].at : size_;
    if (at > pos_) {
      long f = fg_.top(), b = bg_.top();
      *start = pos_;
      *end = at;
      *fg = f < 0 ? Color{} : c_.areas[static_cast<size_t>(f)].fg;
      *bg = b < 0 ? Color{} : c_.areas[static_cast<size_t>(b)].bg;
      pos_ = at;
      return true;
    }
    if (e_ == events_.size()) return false;
    const Event &ev = events_[e_++];
    const Area &a = c_.areas[ev.area];
    // An area's "" leaves its layer to the areas beneath.
    if (a.fg.set) ev.starts ? fg_.add(ev.area) : fg_.remove(ev.area);
    if (a.bg.set) ev.starts ? bg_.add(ev.area) : bg_.remove(ev.area);
  }
}

void render(std::string_view text, const Coloring &c, Format format, const char *title,
            OutBuf &out) {
  Writer w(format, c, title, out);
  Sweep sweep(c, text.size());
  size_t start, end;
  Color fg, bg;
  while (sweep.next(&start, &end, &fg, &bg)) w.run(text.substr(start, end - start), fg, bg);
  w.finish();
}
