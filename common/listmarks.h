// What a marked listing and listtint's stream look like, for listtint and for the preview.
#ifndef ILVO_LISTMARKS_H
#define ILVO_LISTMARKS_H

#include <string_view>

// The first line of listtint's stream, without its newline; a stream that begins with it
// colors a marked listing.
constexpr std::string_view kListingOpening = "1,$ca;fgc green; bgc black; fgc green ";
// The markers around keywords and comments, as the listing spells them.
constexpr std::string_view kListingMarkers[] = {"\\*(+K", "\\*(-K", "\\*(+C", "\\*(-C"};

#endif
