// The terminal form: the text in ANSI escapes of 24-bit or 256 colors, or bare.
#include <algorithm>
#include <cassert>
#include <string>

#include "device.h"
#include "previewtexts.h"

namespace {

// Writes to a terminal end at runs' edges once this much is buffered; the buffer holds that, a
// piece, and a character's escapes and gutter, so that it never fills between two edges.
constexpr size_t kWriteAt = 64 * 1024, kBuffer = kWriteAt + kPiece + 4096;

// The nearest of the 256 terminal colors in the 6x6x6 cube.
int cube(const Color &c) {
  auto step = [](uint8_t v) { return v < 48 ? 0 : v < 115 ? 1 : (v - 35) / 40; };
  return 16 + 36 * step(c.r) + 6 * step(c.g) + step(c.b);
}

class Terminal : public Device {
 public:
  Terminal(Format f, OutBuf &out, WriteFn write) : format_(f), out_(out), write_(write) {
    if (write_) out_.reserve(kBuffer);  // when it fails, so do the writes, which say so
  }

  void colors(const Color &fg, const Color &bg, Origin) override {
    if (plain()) return;
    if (fg != shown_fg_) ansi(fg, true);
    if (bg != shown_bg_) ansi(bg, false);
  }

  void text(std::string_view bytes) override { out_.put(bytes); }

  void shown(std::string_view form) override {
    if (plain())
      out_.put(form);
    else
      out_.format(kAnsiVisible, form);
  }

  void gutter(int64_t n, int width) override {
    int digits = 0;
    for (int64_t k = n; k > 0; k /= 10) digits++;
    out_.format(plain() ? kPlainGutter : kAnsiGutter,
                std::string(static_cast<size_t>(std::max(width - digits, 0)), ' '), n);
  }

  void line_end(const Color &, const Color &bg, Origin) override {
    if (!plain() && bg.set) {  // the line's background to the window's edge
      if (bg != shown_bg_) ansi(bg, false);
      out_.put(kAnsiToLineEnd);
    }
    reset();  // before the newline, so that no background runs on past the next line's end
    out_.put("\n");
  }

  void checkpoint() override {
    // Only write() empties the buffer: one that filled and was written by itself would have
    // ended a write inside a run, unknown to the stop's bookkeeping.
    assert(!write_ || out_.error() || out_.size() >= held_);
    if (out_.size() >= kWriteAt) write();
    held_ = out_.size();
  }

  void finish() override {
    reset();
    write();
  }

 private:
  bool plain() const { return format_ == Format::kPlain; }

  void reset() {
    if (!shown_fg_.set && !shown_bg_.set) return;
    out_.put(kAnsiReset);
    shown_fg_ = shown_bg_ = Color{};
  }

  // Hands what is buffered to write_, with the escapes of the colors the terminal then shows.
  void write() {
    if (!write_) return;
    OutBuf escape;
    if (shown_fg_.set) ansi_escape(shown_fg_, true, escape);
    if (shown_bg_.set) ansi_escape(shown_bg_, false, escape);
    write_(out_, escape.view());
  }

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

  Format format_;
  OutBuf &out_;
  WriteFn write_;
  Color shown_fg_, shown_bg_;  // the colors the terminal shows now; none: its own
  size_t held_ = 0;            // bytes buffered at the last checkpoint
};

}  // namespace

std::unique_ptr<Device> terminal_device(Format format, OutBuf &out, WriteFn write) {
  return std::make_unique<Terminal>(format, out, write);
}
