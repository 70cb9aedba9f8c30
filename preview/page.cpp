// The page form: the text as HTML, colored runs in spans that name the stream lines of their
// colors, each line's text written once.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "device.h"
#include "previewtexts.h"
#include "visible.h"

namespace {

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

// The text as the inside of a CSS string in a style element: no quote or backslash ends it,
// and no '<' closes the element.
std::string css_string(std::string_view s) {
  std::string e;
  e.reserve(s.size());
  for (char ch : s) {
    if (ch == '"' || ch == '\\')
      e += '\\';
    else if (ch == '<')
      e += "\\3c", ch = ' ';
    e += ch;
  }
  return e;
}

class Page : public Device {
 public:
  Page(const Coloring &c, std::string_view title, int width, OutBuf &out)
      : c_(c), dfg_(c.fg), dbg_(c.bg), out_(out), used_(c.texts.size()) {
    OutBuf numbers;
    if (width) numbers.format(kPageNumbers, width);
    out_.format(kPageHead, escape(visible(title)),
                css(dfg_.set ? dfg_ : Color{true, 0xe5, 0xe5, 0xe5}),
                css(dbg_.set ? dbg_ : Color{true, 0, 0, 0}), numbers.view(),
                c.texts.empty() ? "" : kOriginsStyle);
  }

  void colors(const Color &fg, const Color &bg, Origin from) override {
    if (open_ && fg == span_fg_ && bg == span_bg_ && from == span_from_) return;
    from = Origin{kept(from.fg), kept(from.bg)};
    if (open_ && fg == span_fg_ && bg == span_bg_ && from == span_from_) return;
    if (!open_ && fg == dfg_ && bg == dbg_ && from == Origin{}) return;
    if (open_) out_.put(kSpanClose);
    open_ = fg != dfg_ || bg != dbg_ || !(from == Origin{});
    if (open_) {
      std::string style;
      if (fg != dfg_ && fg.set) style += kStyleColor + css(fg) + kStyleEnd;
      if (bg != dbg_ && bg.set) style += kStyleBackground + css(bg) + kStyleEnd;
      // One line for the run, or two when its colors come from two.
      int64_t first = from.fg, second = from.bg;
      if (second == first) second = 0;
      if (!first) std::swap(first, second);
      if (first) use(first);
      if (second) use(second);
      if (second)
        out_.format(kSpanFromTwo, style, first, second);
      else if (first)
        out_.format(kSpanFrom, style, first);
      else
        out_.format(kSpanOpen, std::string_view(style).substr(0, style.size() - strlen(kStyleEnd)));
    }
    span_fg_ = fg;
    span_bg_ = bg;
    span_from_ = from;
  }

  void text(std::string_view bytes) override { out_.put(escape(bytes)); }

  void shown(std::string_view form) override { out_.format(kPageVisible, escape(form)); }

  void gutter(int64_t n, int) override {
    if (open_) out_.put(kSpanClose);
    open_ = false;
    out_.format(kPageGutter, n);
  }

  void line_end(const Color &fg, const Color &bg, Origin from) override {
    colors(fg, bg, from);  // a newline is in its run's span
    out_.put("\n");
  }

  void finish() override {
    if (open_) out_.put(kSpanClose);
    out_.put(kPageEnd);
    bool any = false;
    for (size_t k = 0; k < used_.size(); k++) {
      if (!used_[k]) continue;
      if (!any) out_.put(kOriginsOpen);
      any = true;
      int64_t ln = c_.texts[k].line;
      out_.format(kOriginText, ln, ln, css_string(quote(c_.text(ln))));
    }
    if (any) out_.put(kOriginsClose);
    out_.put(kPageTail);
  }

 private:
  // Stream line ln when its text was kept, else 0 (none).
  int64_t kept(int64_t ln) const { return ln && c_.find(ln) >= 0 ? ln : 0; }
  // Marks the text of kept line ln to be written at the end.
  void use(int64_t ln) { used_[static_cast<size_t>(c_.find(ln))] = 1; }

  const Coloring &c_;
  Color dfg_, dbg_;  // the colors of bare text
  OutBuf &out_;
  std::vector<char> used_;   // by c_.texts: a run refers to the line
  bool open_ = false;        // a span is open
  Color span_fg_, span_bg_;  // the colors of the open span
  Origin span_from_;         // the stream lines of the open span's colors
};

}  // namespace

std::unique_ptr<Device> page_device(const Coloring &c, std::string_view title, int width,
                                    OutBuf &out) {
  return std::make_unique<Page>(c, title, width, out);
}
