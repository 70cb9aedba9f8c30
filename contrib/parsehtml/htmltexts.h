// Every text that the html filter writes, and the table of the tags it colors, in one place.
#ifndef ILVO_HTMLTEXTS_H
#define ILVO_HTMLTEXTS_H

#include <string_view>

#include "htmlscan.h"
#include "outbuf.h"

// Standard error.
constexpr Fmt kPragmaError =
    "html.p: color pragma syntax error(%d parameters used, %d expected), defaults used.\n";
constexpr Fmt kSyntaxError = "Syntax error at line %d, on character %d!\n";
constexpr Fmt kWriteError = "html.p: standard output: %s\n";
// A file that cannot be opened or read: its name (in visible form), the system's reason.
constexpr Fmt kFileError = "html.p: %s: %s\n";
constexpr Fmt kNoMemory = "html.p: %s\n";

// The stream's first and last lines.
constexpr Fmt kOpening = "1,$ ca;fgc '#ffff0010ffff';bgc %s; fgc %s\n";
constexpr std::string_view kClosing = "msg 'HTML parse complete.'";

// A row is its places, then a tail of constant texts around its colors and label:
//   [l1,c1],[l2,c2]ca COLOR "" # LABEL\n        an area that ends one column past its last byte
//   [l,c],$ca COLOR BACKGROUND # LABEL\n       an area to the end of the file
constexpr std::string_view kArea = "ca ", kAreaLabel = " \"\" # ";
constexpr std::string_view kToEnd = ",$ca ", kToEndBackground = " ", kToEndLabel = " # ";
constexpr std::string_view kRowEnd = "\n";

// The tags, in the order of their rows. A tag's name matches when its first letters, each ORed
// with 0x20, are the keyword's (and, for need_gt, the byte after them is '>'); its state then
// writes the tag's row: the label with the color of its slot, whose default is dflt. Tags of
// one state write their rows in table order. The rows of pre, a and comments are their own
// (below); their labels here are those of the opening pre, the opening anchor and the comment.
struct Tag {
  std::string_view keyword;
  int letters;  // of the keyword, compared
  bool need_gt;
  State state;
  std::string_view label;
  HtmlColor clr;
  std::string_view dflt;
};
constexpr Tag kTags[] = {
    {"html", 4, false, State::HTML, "HTML", HtmlColor::html_clr, "cyan"},
    {"body", 4, false, State::BODY, "BODY", HtmlColor::body_clr, "cyan"},
    {"p", 1, true, State::P, "P     ", HtmlColor::p_clr, "cyan"},
    {"font", 4, false, State::FONT, "FONT  ", HtmlColor::font_clr, "cyan"},
    {"head", 4, false, State::HEAD, "HEAD  ", HtmlColor::head_clr, "cyan"},
    {"title", 5, false, State::TITLE, "TITLE ", HtmlColor::title_clr, "cyan"},
    {"center", 6, false, State::CENTER, "CENTER", HtmlColor::center_clr, "cyan"},
    {"h1", 2, false, State::H1, "H1    ", HtmlColor::h1_clr, "cyan"},
    {"h2", 2, false, State::H2, "H2    ", HtmlColor::h2_clr, "cyan"},
    {"h3", 2, false, State::H3, "H3    ", HtmlColor::h3_clr, "cyan"},
    {"h4", 2, false, State::H4, "H4    ", HtmlColor::h4_clr, "cyan"},
    {"ul", 2, false, State::UL, "UL    ", HtmlColor::ul_clr, "cyan"},
    {"li", 2, false, State::LI, "LI    ", HtmlColor::li_clr, "white"},
    {"ol", 2, false, State::OL, "OL    ", HtmlColor::ol_clr, "cyan"},
    {"img", 3, false, State::IMG_FORM, "IMG   ", HtmlColor::img_clr, "cyan"},
    {"hr", 2, false, State::HR_SELECT, "HR    ", HtmlColor::hr_clr, "cyan"},
    {"br", 2, false, State::BR_OPTION, "BR    ", HtmlColor::br_clr, "cyan"},
    {"form", 4, false, State::IMG_FORM, "FORM  ", HtmlColor::form_clr, "cyan"},
    {"select", 6, false, State::HR_SELECT, "SELECT", HtmlColor::select_clr, "cyan"},
    {"option", 6, false, State::BR_OPTION, "OPTION", HtmlColor::option_clr, "cyan"},
    {"b", 1, true, State::B, "B     ", HtmlColor::b_clr, "cyan"},
    {"td", 2, false, State::TD, "TD     ", HtmlColor::td_clr, "cyan"},
    {"tr", 2, false, State::TR, "TR     ", HtmlColor::tr_clr, "cyan"},
    {"th", 2, false, State::TH, "TH     ", HtmlColor::th_clr, "cyan"},
    {"table", 5, false, State::TABLE, "TABLE     ", HtmlColor::table_clr, "cyan"},
    {"caption", 7, false, State::CAPTION, "CAPTION     ", HtmlColor::caption_clr, "cyan"},
    {"em", 2, false, State::EM, "EM     ", HtmlColor::em_clr, "cyan"},
    {"i", 1, true, State::I, "I     ", HtmlColor::i_clr, "cyan"},
    {"blockquote", 6, false, State::BLOCKQUOTE, "BLOCKQUOTE     ", HtmlColor::blockquote_clr,
     "cyan"},
    {"pre", 3, false, State::PRE, "PRE  ", HtmlColor::pre_clr, "white"},
    {"a", 1, false, State::A, "A     ", HtmlColor::a_clr, "cyan"},
    {"!--", 3, false, State::CMNT, "CMNT  ", HtmlColor::cmnt_clr, "white"},
};

// The rows of a closing pre (the block, then the rest of the file) and of a closing anchor (the
// href's value, the anchor's text, the closing tag).
constexpr std::string_view kLabelPre = "PRE", kLabelLink = "Link  ", kLabelUrl = "URL  ",
                           kLabelUrlLink = "url - link  ";

// The slots that color text, not tags, with their defaults.
struct TextColor {
  HtmlColor clr;
  std::string_view dflt;
};
constexpr TextColor kTextColors[] = {{HtmlColor::fgc_clr, "yellow"},
                                     {HtmlColor::bgc_clr, "black"},
                                     {HtmlColor::link_clr, "green"},
                                     {HtmlColor::url_clr, "red"}};

#endif
