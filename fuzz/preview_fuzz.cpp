// Fuzzes ilvo_preview's reading of streams and its sweep: any stream over any text shows the
// whole text in runs that cover it once, every control character and bad byte in visible form.
#include <cstdint>
#include <string>
#include <string_view>

#include "render.h"
#include "stream.h"
#include "streamcheck.h"
#include "sweep.h"
#include "visible.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  // The input is the source text, a zero byte, then the stream.
  std::string_view all(reinterpret_cast<const char *>(data), size);
  size_t cut = all.find('\0');
  std::string_view text = all.substr(0, cut);
  std::string_view stream = cut == std::string_view::npos ? "" : all.substr(cut + 1);
  LineTable lines(text);
  OutBuf err;
  Coloring c = read_stream(stream, lines, "fuzz", err, true);
  for (const Area &a : c.areas)
    if (a.start >= a.end || a.end > text.size()) stream_fault("area outside the text", "");
  Sweep sweep(c, text.size());
  size_t start, end, covered = 0;
  Color fg, bg;
  long fa, ba;
  while (sweep.next(&start, &end, &fg, &bg, &fa, &ba)) {
    if (start != covered || end <= start) stream_fault("runs do not tile the text", "");
    covered = end;
  }
  if (covered != text.size()) stream_fault("text not covered", "");
  OutBuf out;
  render(text, c, Format::kAnsi, "fuzz", out);
  // Without its own escapes the ANSI form is the text in visible form, with no carriage return
  // before a newline: no control byte of the text is left.
  std::string shown = out.str(), plain, bare;
  for (size_t i = 0; i < text.size(); i++)
    if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) bare += text[i];
  for (size_t i = 0; i < shown.size(); i++) {  // i: byte of the shown text
    if (shown[i] == '\x1b') {
      while (i < shown.size() && shown[i] != 'm') i++;
      continue;
    }
    plain += shown[i];
  }
  // Tabs and newlines lay the text out; all else is as visible() shows it.
  std::string want;
  for (size_t i = 0, from = 0; i <= bare.size(); i++) {
    if (i < bare.size() && bare[i] != '\n' && bare[i] != '\t') continue;
    want += visible(std::string_view(bare).substr(from, i - from));
    if (i < bare.size()) want += bare[i];
    from = i + 1;
  }
  if (plain != want) stream_fault("text not shown as it is, in visible form", plain);
  std::string errors = err.str();  // each message on its line, in visible form
  for (size_t at = 0, nl; at < errors.size(); at = nl + 1) {
    nl = errors.find('\n', at);
    if (nl == std::string::npos) nl = errors.size();
    std::string_view message = std::string_view(errors).substr(at, nl - at);
    if (visible(message) != message) stream_fault("a control byte on standard error", errors);
  }
  // The page closes every span it opens, and defines every stream line a run refers to.
  OutBuf page;
  render(text, c, Format::kHtml, "fuzz", page);
  std::string_view p = page.view();
  auto count = [&](std::string_view what) {
    size_t n = 0;
    for (size_t at = 0; (at = p.find(what, at)) != std::string_view::npos; at++) n++;
    return n;
  };
  if (count("<span") != count("</span>")) stream_fault("a span left open on the page", page.str());
  // (The text's own bytes are escaped: a span's tag is the page's.)
  for (size_t at = 0; (at = p.find("<span class=\"o", at)) != std::string_view::npos; at++) {
    std::string_view tag = p.substr(at, p.find('>', at) - at);
    for (size_t r = 0; (r = tag.find("var(--t", r)) != std::string_view::npos; r++) {
      std::string name(tag.substr(r + 4, tag.find(')', r) - r - 4));
      if (p.find("\n" + name + ": ") == std::string_view::npos)
        stream_fault("a stream line referred to, not defined", name);
    }
  }
  return 0;
}
