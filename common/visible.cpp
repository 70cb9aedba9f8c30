// Showing untrusted bytes safely: no control, bidirectional or invisible character reaches a
// terminal or a page as itself.
#include "visible.h"

#include <cstdint>
#include <new>

namespace {

// Characters that reorder the text around them or show nothing, as ranges of code points.
constexpr uint32_t kInvisible[][2] = {
    {0x00ad, 0x00ad},  // soft hyphen
    {0x034f, 0x034f},  // combining grapheme joiner
    {0x061c, 0x061c},  // Arabic letter mark
    {0x115f, 0x1160},  // Hangul fillers
    {0x17b4, 0x17b5},  // Khmer inherent vowels
    {0x180e, 0x180e},  // Mongolian vowel separator
    {0x200b,
     0x200f},  // zero-width space, non-joiner and joiner; left-to-right, right-to-left marks
    {0x2028, 0x202e},    // line and paragraph separators; embeddings and overrides
    {0x2060, 0x206f},    // word joiner, invisible operators, isolates, deprecated format characters
    {0x3164, 0x3164},    // Hangul filler
    {0xfeff, 0xfeff},    // byte order mark
    {0xffa0, 0xffa0},    // halfwidth Hangul filler
    {0xfff9, 0xfffb},    // interlinear annotation
    {0xe0000, 0xe007f},  // tags
};

bool invisible(uint32_t c) {
  for (const auto &r : kInvisible)
    if (c >= r[0] && c <= r[1]) return true;
  return false;
}

// The code point of a well-formed UTF-8 sequence.
uint32_t code_point(std::string_view ch) {
  auto b = [&](size_t k) { return static_cast<uint32_t>(static_cast<unsigned char>(ch[k])); };
  if (ch.size() == 1) return b(0);
  uint32_t c = b(0) & (0x7f >> ch.size());
  for (size_t k = 1; k < ch.size(); k++) c = c << 6 | (b(k) & 0x3f);
  return c;
}

}  // namespace

size_t char_at(std::string_view text, size_t i, Shown *how) {
  auto b = [&](size_t k) {
    return i + k < text.size() ? static_cast<unsigned char>(text[i + k]) : 0u;
  };
  unsigned c = b(0);
  if (c < 0x80) {
    *how = (c < 0x20 && c != '\t' && c != '\n') || c == 0x7f ? Shown::kControl : Shown::kPlain;
    return 1;
  }
  // The length and the range of the second byte that make a well-formed sequence.
  size_t len = 0;
  unsigned lo = 0x80, hi = 0xbf;
  if (c >= 0xc2 && c <= 0xdf)
    len = 2;
  else if (c == 0xe0)
    len = 3, lo = 0xa0;
  else if (c == 0xed)
    len = 3, hi = 0x9f;
  else if (c >= 0xe1 && c <= 0xef)
    len = 3;
  else if (c == 0xf0)
    len = 4, lo = 0x90;
  else if (c >= 0xf1 && c <= 0xf3)
    len = 4;
  else if (c == 0xf4)
    len = 4, hi = 0x8f;
  bool ok = len > 0 && b(1) >= lo && b(1) <= hi;
  for (size_t k = 2; ok && k < len; k++) ok = b(k) >= 0x80 && b(k) <= 0xbf;
  if (!ok) {
    *how = Shown::kBad;
    return 1;
  }
  *how = c == 0xc2 && b(1) <= 0x9f                    ? Shown::kControl
         : invisible(code_point(text.substr(i, len))) ? Shown::kInvisible
                                                      : Shown::kPlain;
  return len;
}

std::string visible_form(std::string_view ch, Shown how) {
  static const char kHex[] = "0123456789abcdef";
  if (how == Shown::kInvisible) {
    std::string form = "\\u";
    uint32_t c = code_point(ch);
    for (int shift = c > 0xffff ? 16 : 12; shift >= 0; shift -= 4) form += kHex[c >> shift & 15];
    return form;
  }
  auto c = static_cast<unsigned char>(ch.size() == 2 ? ch[1] : ch[0]);  // a C1 control: its code
  if (how == Shown::kControl && c < 0x80)
    return {'^', c == 0x7f ? '?' : static_cast<char>(c + 0x40)};
  return {'\\', 'x', kHex[c >> 4], kHex[c & 15]};
}

std::string visible(std::string_view text) noexcept try {
  std::string out;
  for (size_t i = 0; i < text.size();) {
    Shown how;
    size_t n = char_at(text, i, &how);
    if (text[i] == '\t' || text[i] == '\n') how = Shown::kControl;
    if (how == Shown::kPlain)
      out.append(text.substr(i, n));
    else
      out += visible_form(text.substr(i, n), how);
    i += n;
  }
  return out;
} catch (const std::bad_alloc &) {
  return std::string();
}
