// What a marked listing and listtint's stream look like, for listtint and for the preview.
#ifndef ILVO_LISTMARKS_H
#define ILVO_LISTMARKS_H

#include <string>
#include <string_view>

// The first line of listtint's stream, without its newline; a stream that begins with it
// colors a marked listing.
constexpr std::string_view kListingOpening = "1,$ca;fgc green; bgc black; fgc green ";
// The markers around keywords and comments, as the listing spells them.
constexpr std::string_view kListingMarkers[] = {"\\*(+K", "\\*(-K", "\\*(+C", "\\*(-C"};

// A marked listing as the editor shows it: every marker taken out, also those that taking out
// others forms. No two markers can overlap (only a marker's first byte is a backslash), so the
// order of removals does not matter: each byte is kept, and a marker taken off the end of what
// is kept as soon as its last byte arrives, in time linear in the listing.
inline std::string without_markers(std::string_view listing) {
  std::string kept;
  kept.reserve(listing.size());
  for (char c : listing) {
    kept += c;
    if (kept.size() < 5) continue;
    std::string_view last = std::string_view(kept).substr(kept.size() - 5);
    for (std::string_view m : kListingMarkers)
      if (last == m) {
        kept.resize(kept.size() - 5);
        break;
      }
  }
  return kept;
}

#endif
