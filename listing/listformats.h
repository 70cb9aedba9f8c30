// Every text that the listtint filter writes, in one place.
#ifndef ILVO_LISTFORMATS_H
#define ILVO_LISTFORMATS_H

#include "listmarks.h"
#include "outbuf.h"

// The stream's first line is kListingOpening, then kRowEnd. A row is "[line,start]", or the
// saved start of a comment left open ("[line,start]" or nothing), then ",[line,end]" and a tail:
// a keyword, and a comment, that open and close on one line, and the end of a comment opened
// on an earlier line.
constexpr std::string_view kRowEnd = "\n";
constexpr std::string_view kKeywordTail = "ca yellow black\n";
constexpr std::string_view kCommentTail = "ca cyan black\n";
constexpr std::string_view kCommentEndTail = "ca cyan black # MC! \n";

// Standard error, only when standard output cannot be written or the input cannot be read.
constexpr Fmt kWriteError = "listtint: standard output: %s\n";
constexpr Fmt kReadError = "listtint: %s: %s\n";

#endif
