// Every text that the html filter writes, in one place.
#ifndef ILVO_HTMLFORMATS_H
#define ILVO_HTMLFORMATS_H

// Standard error.
constexpr char kPragmaError[] =
    "html.p: color pragma syntax error(%d parameters used, %d expected), defaults used.\n";
constexpr char kSyntaxError[] = "Syntax error at line %d, on character %d!\n";
constexpr char kNoMemory[] = "html.p: %s: not enough memory to load the file, treated as empty\n";
constexpr char kWriteError[] = "html.p: standard output: %s\n";

// The stream's first and last lines.
constexpr char kOpening[] = "1,$ ca;fgc '#ffff0010ffff';bgc %s; fgc %s\n";
constexpr char kClosing[] = "msg 'HTML parse complete.'";

// Tag rows: start line and column, end line and column (one past the '>'), color.
constexpr char kRowHtml[] = "[%d,%d],[%d,%d]ca %s \"\" # HTML\n";
constexpr char kRowBody[] = "[%d,%d],[%d,%d]ca %s \"\" # BODY\n";
constexpr char kRowP[] = "[%d,%d],[%d,%d]ca %s \"\" # P     \n";
constexpr char kRowFont[] = "[%d,%d],[%d,%d]ca %s \"\" # FONT  \n";
constexpr char kRowHead[] = "[%d,%d],[%d,%d]ca %s \"\" # HEAD  \n";
constexpr char kRowTitle[] = "[%d,%d],[%d,%d]ca %s \"\" # TITLE \n";
constexpr char kRowCenter[] = "[%d,%d],[%d,%d]ca %s \"\" # CENTER\n";
constexpr char kRowH1[] = "[%d,%d],[%d,%d]ca %s \"\" # H1    \n";
constexpr char kRowH2[] = "[%d,%d],[%d,%d]ca %s \"\" # H2    \n";
constexpr char kRowH3[] = "[%d,%d],[%d,%d]ca %s \"\" # H3    \n";
constexpr char kRowH4[] = "[%d,%d],[%d,%d]ca %s \"\" # H4    \n";
constexpr char kRowUl[] = "[%d,%d],[%d,%d]ca %s \"\" # UL    \n";
constexpr char kRowLi[] = "[%d,%d],[%d,%d]ca %s \"\" # LI    \n";
constexpr char kRowOl[] = "[%d,%d],[%d,%d]ca %s \"\" # OL    \n";
constexpr char kRowImg[] = "[%d,%d],[%d,%d]ca %s \"\" # IMG   \n";
constexpr char kRowHr[] = "[%d,%d],[%d,%d]ca %s \"\" # HR    \n";
constexpr char kRowBr[] = "[%d,%d],[%d,%d]ca %s \"\" # BR    \n";
constexpr char kRowForm[] = "[%d,%d],[%d,%d]ca %s \"\" # FORM  \n";
constexpr char kRowSelect[] = "[%d,%d],[%d,%d]ca %s \"\" # SELECT\n";
constexpr char kRowOption[] = "[%d,%d],[%d,%d]ca %s \"\" # OPTION\n";
constexpr char kRowB[] = "[%d,%d],[%d,%d]ca %s \"\" # B     \n";
constexpr char kRowTd[] = "[%d,%d],[%d,%d]ca %s \"\" # TD     \n";
constexpr char kRowTr[] = "[%d,%d],[%d,%d]ca %s \"\" # TR     \n";
constexpr char kRowTh[] = "[%d,%d],[%d,%d]ca %s \"\" # TH     \n";
constexpr char kRowTable[] = "[%d,%d],[%d,%d]ca %s \"\" # TABLE     \n";
constexpr char kRowCaption[] = "[%d,%d],[%d,%d]ca %s \"\" # CAPTION     \n";
constexpr char kRowEm[] = "[%d,%d],[%d,%d]ca %s \"\" # EM     \n";
constexpr char kRowI[] = "[%d,%d],[%d,%d]ca %s \"\" # I     \n";
constexpr char kRowBlockquote[] = "[%d,%d],[%d,%d]ca %s \"\" # BLOCKQUOTE     \n";

// Preformatted block: opening tag to end of file, the block, the rest of the file.
constexpr char kRowPreOpen[] = "[%d,%d],$ca %s %s # PRE  \n";
constexpr char kRowPreBlock[] = "[%d,%d],[%d,%d]ca %s \"\" # PRE\n";
constexpr char kRowPreRest[] = "[%d,%d],$ca %s %s # PRE\n";

// Anchors: the opening tag, the href value, the anchor text, the closing tag.
constexpr char kRowA[] = "[%d,%d],[%d,%d]ca %s \"\" # A     \n";
constexpr char kRowLink[] = "[%d,%d],[%d,%d]ca %s \"\" # Link  \n";
constexpr char kRowUrl[] = "[%d,%d],[%d,%d]ca %s \"\" # URL  \n";
constexpr char kRowUrlLink[] = "[%d,%d],[%d,%d]ca %s \"\" # url - link  \n";

// A comment, from its '<' to past the '>' of "-->".
constexpr char kRowCmnt[] = "[%d,%d],[%d,%d]ca %s \"\" # CMNT  \n";

#endif
