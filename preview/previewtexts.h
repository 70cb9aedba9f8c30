// Every text that ilvo_preview writes, in one place: messages, --explain, and the escapes
// and markup of its two forms.
#ifndef ILVO_PREVIEW_TEXTS_H
#define ILVO_PREVIEW_TEXTS_H

#include "outbuf.h"

// The command line, files and the pager.
constexpr char kUsage[] =
    "usage: ilvo_preview [-lnP] [-f ansi|ansi256|html] [-s FILE] [--color WHEN]\n"
    "                    [--max-size SIZE] [--explain LINE,COL] SOURCE\n";
constexpr char kHelp[] =
    "Shows SOURCE in the colors that a color command stream (from html or listtint) gives it.\n"
    "  -f, --format FORM   ansi (24-bit terminal colors), ansi256 or html; by default ansi\n"
    "                      when COLORTERM is truecolor or 24bit, else ansi256\n"
    "      --color WHEN    terminal colors always, never, or auto (the default): on a\n"
    "                      terminal, unless NO_COLOR is set; -f ansi or ansi256 means always\n"
    "  -s, --stream FILE   the stream; standard input when not given or -; when standard\n"
    "                      input is a terminal, html's (or listtint's, with -l) for SOURCE\n"
    "  -l, --listing       SOURCE is a marked listing (also when the stream starts as\n"
    "                      listtint's does): show it without its markers\n"
    "  -n, --line-numbers  each line after its number\n"
    "  -P, --no-pager      write to the terminal directly, not through ILVO_PAGER, PAGER or less\n"
    "      --explain LINE,COL\n"
    "                      say which lines of the stream color that place, and which one shows\n"
    "      --max-size SIZE the most that is read from a pipe or other file that is not a\n"
    "                      regular file, in bytes or with k, M or G (default 1G)\n"
    "  -h, --help          this text\n"
    "      --version       the version\n";
constexpr Fmt kVersion = "ilvo_preview %s\n";
constexpr Fmt kMistake = "ilvo_preview: %s\n";
constexpr char kMissingSource[] = "missing SOURCE", kTwoSources[] = "more than one SOURCE",
               kBothStandardInput[] = "SOURCE and the stream cannot both be standard input";
constexpr char kStandardInput[] = "standard input";  // the stream's name when it is
constexpr Fmt kUnknownFormat = "ilvo_preview: unknown format '%s'\n";
constexpr Fmt kUnknownWhen = "ilvo_preview: --color takes always, never or auto, not '%s'\n";
constexpr Fmt kUnknownOption = "ilvo_preview: unknown option '%s'\n";
constexpr Fmt kNeedsArgument = "ilvo_preview: option '%s' needs an argument\n";
constexpr Fmt kBadSize = "ilvo_preview: bad size '%s'\n";
constexpr Fmt kBadPlace = "ilvo_preview: bad place '%s': LINE,COL, both from 1\n";
constexpr Fmt kFilterFailed =
    "ilvo_preview: %s could not be run beside ilvo_preview or from PATH, or failed (status %d)\n";
constexpr Fmt kCannotRead = "ilvo_preview: %s: %s\n";
constexpr Fmt kTooLarge =
    "ilvo_preview: %s: more than %d bytes from a file that is not a regular file (see "
    "--max-size)\n";
constexpr Fmt kEmptyStream =
    "ilvo_preview: %s: the stream is empty: the text shows without colors\n";
constexpr Fmt kNoPager = "ilvo_preview: cannot start the pager '%s' (%s): writing directly\n";
constexpr Fmt kPagerFailed = "ilvo_preview: the pager '%s' failed (status %d)\n";
constexpr Fmt kWriteError = "ilvo_preview: standard output: %s\n";

// Problems of a stream, and its msg texts.
constexpr Fmt kBadCommand = "ilvo_preview: %s:%d: unknown command '%s'\n";
constexpr Fmt kBadColor = "ilvo_preview: %s:%d: unknown color '%s'\n";
constexpr Fmt kBadRange = "ilvo_preview: %s:%d: cannot read the range '%s'\n";
constexpr Fmt kMsg = "%s\n";
constexpr Fmt kMoreMessages = "ilvo_preview: %d more messages were not shown\n";
constexpr char kCut[] = "...";

// --explain.
constexpr Fmt kPastFile = "[%d,%d] is past the end of the file, which has %d lines\n";
constexpr Fmt kPastLine = "[%d,%d] is past the end of line %d, which has %d columns\n";
constexpr Fmt kCoveredByNone =
    "[%d,%d] is covered by no area of the stream: it shows in the text's own colors\n";
constexpr Fmt kCoveredBy = "[%d,%d] is covered by %d areas of the stream, in stream order:\n";
constexpr Fmt kCoveredByOne = "[%d,%d] is covered by one area of the stream:\n";
constexpr Fmt kCoveringLine = "  stream line %d: %s\n";
constexpr Fmt kShown = "The editor shows the last, stream line %d: ";
constexpr Fmt kLayerFrom = "%s from stream line %d";
constexpr Fmt kLayerOwn = "the text's own %s";
constexpr char kForeground[] = "foreground", kBackground[] = "background", kLayerJoin[] = ", ",
               kLayersEnd[] = ".\n";

// The terminal form.
constexpr char kAnsiReset[] = "\x1b[0m";  // gives a terminal its own colors back
constexpr Fmt kAnsiFg = "\x1b[38;2;%d;%d;%dm";
constexpr Fmt kAnsiBg = "\x1b[48;2;%d;%d;%dm";
constexpr Fmt kAnsi256Fg = "\x1b[38;5;%dm";
constexpr Fmt kAnsi256Bg = "\x1b[48;5;%dm";
constexpr char kAnsiDefaultFg[] = "\x1b[39m";
constexpr char kAnsiDefaultBg[] = "\x1b[49m";
constexpr Fmt kAnsiGutter = "\x1b[2m%s%d\x1b[22m\t";  // blanks, the number: a tab's width
constexpr Fmt kPlainGutter = "%s%d\t";
constexpr char kAnsiToLineEnd[] = "\x1b[K";        // the background color to the window's edge
constexpr Fmt kAnsiVisible = "\x1b[7m%s\x1b[27m";  // a control character's visible form, reversed

// The page form.
constexpr Fmt kPageHead =
    "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n<title>%s</title>\n"
    "<style>body { color: %s; background: %s; margin: 0; }\n"
    "pre { font-family: monospace; margin: 0; padding: 1em; }\n"
    ".ctl { outline: 1px dotted; opacity: 0.7; }%s%s</style>\n</head>\n<body><pre>";
// Line numbers drawn by the page, so that copying the text leaves them out.
constexpr Fmt kPageNumbers =
    "\n.ln::before { content: attr(data-n); display: inline-block; min-width: %dch; "
    "text-align: right; margin-right: 1ch; color: #808080; user-select: none; }";
// A run's stream lines show when the pointer rests on it: their texts are written once, at the
// page's end, as properties that the runs refer to (--f, and --b when there are two).
constexpr char kOriginsStyle[] =
    "\n.o { position: relative; }\n"
    ".o:hover::after { content: var(--f); position: absolute; left: 0; top: 100%; z-index: 1; "
    "padding: 0 0.3em; color: #000; background: #ffffe0; border: 1px solid #808080; }\n"
    ".o2:hover::after { content: var(--f) \"\\A\" var(--b); }";
// A span's style: its colors, each piece ending in kStyleEnd.
constexpr char kStyleColor[] = "color: ", kStyleBackground[] = "background: ", kStyleEnd[] = "; ";
constexpr Fmt kSpanOpen = "<span style=\"%s\">";
// A run whose colors come from one stream line, or from two (foreground, background).
constexpr Fmt kSpanFrom = "<span class=\"o\" style=\"%s--f: var(--t%d)\">";
constexpr Fmt kSpanFromTwo = "<span class=\"o o2\" style=\"%s--f: var(--t%d); --b: var(--t%d)\">";
constexpr char kSpanClose[] = "</span>";
constexpr Fmt kPageGutter = "<span class=\"ln\" data-n=\"%d\"></span>";
constexpr Fmt kPageVisible = "<span class=\"ctl\">%s</span>";
constexpr char kPageEnd[] = "</pre>";
constexpr char kOriginsOpen[] = "\n<style>:root {\n";
constexpr Fmt kOriginText = "--t%d: \"stream line %d: %s\";\n";
constexpr char kOriginsClose[] = "}</style>";
constexpr char kPageTail[] = "</body>\n</html>\n";

#endif
