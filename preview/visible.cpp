// Showing untrusted bytes safely: no control character reaches a terminal or a page.
#include "visible.h"

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
  *how = c == 0xc2 && b(1) <= 0x9f ? Shown::kControl : Shown::kPlain;
  return len;
}

std::string visible_form(std::string_view ch, Shown how) {
  static const char kHex[] = "0123456789abcdef";
  auto c = static_cast<unsigned char>(ch.size() == 2 ? ch[1] : ch[0]);  // a C1 control: its code
  if (how == Shown::kControl && c < 0x80)
    return {'^', c == 0x7f ? '?' : static_cast<char>(c + 0x40)};
  return {'\\', 'x', kHex[c >> 4], kHex[c & 15]};
}

std::string visible(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size();) {
    Shown how;
    size_t n = char_at(text, i, &how);
    if (how == Shown::kPlain)
      out.append(text.substr(i, n));
    else
      out += visible_form(text.substr(i, n), how);
    i += n;
  }
  return out;
}
