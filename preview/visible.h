// Showing untrusted bytes safely: no control character reaches a terminal or a page.
#ifndef ILVO_PREVIEW_VISIBLE_H
#define ILVO_PREVIEW_VISIBLE_H

#include <cstddef>
#include <string>
#include <string_view>

// How a character of a text shows.
enum class Shown {
  kPlain,    // printable ASCII, a tab, a newline, or a whole UTF-8 character that is no control
  kControl,  // a C0 control other than tab and newline, DEL, or a C1 control (U+0080 to U+009F)
  kBad,      // a byte that starts no UTF-8 character
};

// The character that starts at text[i]: its length in bytes (1 for a bad byte), and how it shows.
size_t char_at(std::string_view text, size_t i, Shown *how);

// The visible form of a control or bad character: "^[" for ESC, "^?" for DEL, "\x9b" for a C1
// control or a bad byte.
std::string visible_form(std::string_view ch, Shown how);

// The text with every control and bad character in its visible form, for standard error.
std::string visible(std::string_view text);

#endif
