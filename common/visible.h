// Showing untrusted bytes safely: no control, bidirectional or invisible character reaches a
// terminal or a page as itself.
#ifndef ILVO_VISIBLE_H
#define ILVO_VISIBLE_H

#include <cstddef>
#include <string>
#include <string_view>

// How a character of a text shows.
enum class Shown {
  kPlain,      // printable ASCII, a tab, a newline, or a whole UTF-8 character of none below
  kControl,    // a C0 control other than tab and newline, DEL, or a C1 control (U+0080 to U+009F)
  kInvisible,  // a character that reorders text or shows nothing: bidirectional controls,
               // zero-width characters, line and paragraph separators, the byte order mark
  kBad,        // a byte that starts no UTF-8 character
};

// The character that starts at text[i]: its length in bytes (1 for a bad byte), and how it shows.
size_t char_at(std::string_view text, size_t i, Shown *how);

// The visible form of a character that is not plain: "^[" for ESC, "^?" for DEL, "\x9b" for a
// C1 control or a bad byte, "\u202e" for an invisible character.
std::string visible_form(std::string_view ch, Shown how);

// The text on one line, for a message: every character that is not plain, and every tab and
// newline, in its visible form. Nothing, when there is no memory for it.
std::string visible(std::string_view text) noexcept;

#endif
