// Every text that the html filter writes, in one place.
#ifndef ILVO_HTMLFORMATS_H
#define ILVO_HTMLFORMATS_H

#include "outbuf.h"

// Standard error.
constexpr Fmt kPragmaError =
    "html.p: color pragma syntax error(%d parameters used, %d expected), defaults used.\n";
constexpr Fmt kSyntaxError = "Syntax error at line %d, on character %d!\n";
constexpr Fmt kWriteError = "html.p: standard output: %s\n";

// The stream's first and last lines.
constexpr Fmt kOpening = "1,$ ca;fgc '#ffff0010ffff';bgc %s; fgc %s\n";
constexpr Fmt kClosing = "msg 'HTML parse complete.'";

// Tag rows: start line and column, end line and column (one past the '>'), color.
constexpr Fmt kRowHtml = "[%d,%d],[%d,%d]ca %s \"\" # HTML\n";
constexpr Fmt kRowBody = "[%d,%d],[%d,%d]ca %s \"\" # BODY\n";
constexpr Fmt kRowP = "[%d,%d],[%d,%d]ca %s \"\" # P     \n";
constexpr Fmt kRowFont = "[%d,%d],[%d,%d]ca %s \"\" # FONT  \n";
constexpr Fmt kRowHead = "[%d,%d],[%d,%d]ca %s \"\" # HEAD  \n";
constexpr Fmt kRowTitle = "[%d,%d],[%d,%d]ca %s \"\" # TITLE \n";
constexpr Fmt kRowCenter = "[%d,%d],[%d,%d]ca %s \"\" # CENTER\n";
constexpr Fmt kRowH1 = "[%d,%d],[%d,%d]ca %s \"\" # H1    \n";
constexpr Fmt kRowH2 = "[%d,%d],[%d,%d]ca %s \"\" # H2    \n";
constexpr Fmt kRowH3 = "[%d,%d],[%d,%d]ca %s \"\" # H3    \n";
constexpr Fmt kRowH4 = "[%d,%d],[%d,%d]ca %s \"\" # H4    \n";
constexpr Fmt kRowUl = "[%d,%d],[%d,%d]ca %s \"\" # UL    \n";
constexpr Fmt kRowLi = "[%d,%d],[%d,%d]ca %s \"\" # LI    \n";
constexpr Fmt kRowOl = "[%d,%d],[%d,%d]ca %s \"\" # OL    \n";
constexpr Fmt kRowImg = "[%d,%d],[%d,%d]ca %s \"\" # IMG   \n";
constexpr Fmt kRowHr = "[%d,%d],[%d,%d]ca %s \"\" # HR    \n";
constexpr Fmt kRowBr = "[%d,%d],[%d,%d]ca %s \"\" # BR    \n";
constexpr Fmt kRowForm = "[%d,%d],[%d,%d]ca %s \"\" # FORM  \n";
constexpr Fmt kRowSelect = "[%d,%d],[%d,%d]ca %s \"\" # SELECT\n";
constexpr Fmt kRowOption = "[%d,%d],[%d,%d]ca %s \"\" # OPTION\n";
constexpr Fmt kRowB = "[%d,%d],[%d,%d]ca %s \"\" # B     \n";
constexpr Fmt kRowTd = "[%d,%d],[%d,%d]ca %s \"\" # TD     \n";
constexpr Fmt kRowTr = "[%d,%d],[%d,%d]ca %s \"\" # TR     \n";
constexpr Fmt kRowTh = "[%d,%d],[%d,%d]ca %s \"\" # TH     \n";
constexpr Fmt kRowTable = "[%d,%d],[%d,%d]ca %s \"\" # TABLE     \n";
constexpr Fmt kRowCaption = "[%d,%d],[%d,%d]ca %s \"\" # CAPTION     \n";
constexpr Fmt kRowEm = "[%d,%d],[%d,%d]ca %s \"\" # EM     \n";
constexpr Fmt kRowI = "[%d,%d],[%d,%d]ca %s \"\" # I     \n";
constexpr Fmt kRowBlockquote = "[%d,%d],[%d,%d]ca %s \"\" # BLOCKQUOTE     \n";

// Preformatted block: opening tag to end of file, the block, the rest of the file.
constexpr Fmt kRowPreOpen = "[%d,%d],$ca %s %s # PRE  \n";
constexpr Fmt kRowPreBlock = "[%d,%d],[%d,%d]ca %s \"\" # PRE\n";
constexpr Fmt kRowPreRest = "[%d,%d],$ca %s %s # PRE\n";

// Anchors: the opening tag, the href value, the anchor text, the closing tag.
constexpr Fmt kRowA = "[%d,%d],[%d,%d]ca %s \"\" # A     \n";
constexpr Fmt kRowLink = "[%d,%d],[%d,%d]ca %s \"\" # Link  \n";
constexpr Fmt kRowUrl = "[%d,%d],[%d,%d]ca %s \"\" # URL  \n";
constexpr Fmt kRowUrlLink = "[%d,%d],[%d,%d]ca %s \"\" # url - link  \n";

// A comment, from its '<' to past the '>' of "-->".
constexpr Fmt kRowCmnt = "[%d,%d],[%d,%d]ca %s \"\" # CMNT  \n";

#endif
