// Every text that the listtint filter writes, in one place.
#ifndef ILVO_LISTFORMATS_H
#define ILVO_LISTFORMATS_H

#include "listmarks.h"
#include "outbuf.h"

// The stream's first line: kListingOpening and a newline.
constexpr Fmt kOpening = "%s\n";
// A keyword, and a comment, that open and close on one line: line, start column, line, end column.
constexpr Fmt kKeyword = "[%d,%d],[%d,%d]ca yellow black\n";
constexpr Fmt kComment = "[%d,%d],[%d,%d]ca cyan black\n";
// The end of a comment opened on an earlier line: saved start, line, end column.
constexpr Fmt kCommentEnd = "%s,[%d,%d]ca cyan black # MC! \n";
// The saved start of an unclosed comment: line, start column.
constexpr Fmt kSavedStart = "[%d,%d]";

// Standard error, only when standard output cannot be written or the input cannot be read.
constexpr Fmt kWriteError = "listtint: standard output: %s\n";
constexpr Fmt kReadError = "listtint: %s: %s\n";

#endif
