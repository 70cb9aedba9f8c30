// Showing a source text in the colors of a Coloring: the walk over its runs and characters,
// common to both forms, which the devices write.
#include "render.h"

#include <algorithm>

#include "device.h"
#include "sweep.h"
#include "visible.h"

namespace {

// A gutter of this many columns, one of them its margin, keeps the text's tab stops.
constexpr int kGutter = 8;

// Whether byte c, printable ASCII or a tab, shows as it stands.
bool as_is(unsigned char c) {
  return c < 0x20 ? c == '\t' : c < 0x7f;
}

// Hands the characters of each run to a device, with the line numbers before the lines.
class Walk {
 public:
  Walk(std::string_view text, const Coloring &c, int width, Device &d)
      : text_(text), dfg_(c.fg), dbg_(c.bg), width_(width), d_(d) {
    if (width_ && !text.empty()) gutter_at_ = 0;
  }

  // The characters that start in [start, end), in fg on bg, where "none" means the defaults.
  // A character that goes on past end is written whole here.
  void run(size_t start, size_t end, Color fg, Color bg, Origin from) {
    if (!fg.set) fg = dfg_;
    if (!bg.set) bg = dbg_;
    size_t i = std::max(start, next_);
    while (i < end) {
      d_.checkpoint();
      if (i == gutter_at_) d_.gutter(++line_, width_);
      auto c = static_cast<unsigned char>(text_[i]);
      if (c == '\r' && i + 1 < text_.size() && text_[i + 1] == '\n') {
        i++;
        continue;
      }
      if (c == '\n') {
        d_.line_end(fg, bg, from);
        if (width_ && i + 1 < text_.size()) gutter_at_ = i + 1;
        i++;
        continue;
      }
      d_.colors(fg, bg, from);
      size_t j = i;
      while (j < end && j - i < kPiece && as_is(static_cast<unsigned char>(text_[j]))) j++;
      if (j > i) {
        d_.text(text_.substr(i, j - i));
        i = j;
        continue;
      }
      Shown how;
      size_t n = char_at(text_, i, &how);
      std::string_view ch = text_.substr(i, n);
      if (how == Shown::kPlain)
        d_.text(ch);
      else
        d_.shown(visible_form(ch, how));
      i += n;
    }
    next_ = i;
  }

 private:
  std::string_view text_;
  Color dfg_, dbg_;  // the colors of bare text
  int width_;        // digits of the last line number; 0: no numbers
  Device &d_;
  size_t next_ = 0;  // the first byte not yet written: a character may cross runs
  size_t gutter_at_ = std::string_view::npos;  // where the next numbered line starts
  int64_t line_ = 0;                           // the last number written
};

// The digits of the gutter for text's last line number, at least a tab's width less a margin.
int gutter_width(std::string_view text) {
  if (text.empty()) return 0;
  int64_t lines = std::count(text.begin(), text.end(), '\n') + (text.back() != '\n');
  int width = 0;
  for (int64_t k = lines; k > 0; k /= 10) width++;
  return std::max(width, kGutter - 1);
}

}  // namespace

void render(std::string_view text, const Coloring &c, Format format, std::string_view title,
            OutBuf &out, bool numbers, WriteFn write) {
  int width = numbers ? gutter_width(text) : 0;
  std::unique_ptr<Device> d = format == Format::kHtml ? page_device(c, title, width, out)
                                                      : terminal_device(format, out, write);
  Walk w(text, c, width, *d);
  Sweep sweep(c, text.size());
  size_t start, end;
  Color fg, bg;
  long fa, ba;
  auto line = [&](long k) { return k < 0 ? 0 : c.areas[static_cast<size_t>(k)].line; };
  while (sweep.next(&start, &end, &fg, &bg, &fa, &ba))
    w.run(start, end, fg, bg, Origin{line(fa), line(ba)});
  d->finish();
}
