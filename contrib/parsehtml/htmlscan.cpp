// The html filter's scanner: finds tags byte by byte and writes their color areas.
#include "htmlscan.h"

#include <array>

#include "htmlformats.h"

#include "bytescan.h"

namespace {

using State = HtmlScanner::State;

// Tag names, tested in this order at every tag-name step; a later match overrides.
struct Keyword {
  const char *word;
  int len;       // leading bytes compared
  bool need_gt;  // the byte after the word must be '>'
  State state;
};
const Keyword kKeywords[] = {
    {"html", 4, false, State::HTML},
    {"body", 4, false, State::BODY},
    {"title", 5, false, State::TITLE},
    {"center", 6, false, State::CENTER},
    {"a", 1, false, State::A},
    {"font", 4, false, State::FONT},
    {"head", 4, false, State::HEAD},
    {"h1", 2, false, State::H1},
    {"h2", 2, false, State::H2},
    {"h3", 2, false, State::H3},
    {"h4", 2, false, State::H4},
    {"ul", 2, false, State::UL},
    {"li", 2, false, State::LI},
    {"ol", 2, false, State::OL},
    {"img", 3, false, State::IMG_FORM},
    {"hr", 2, false, State::HR_SELECT},
    {"br", 2, false, State::BR_OPTION},
    {"td", 2, false, State::TD},
    {"tr", 2, false, State::TR},
    {"th", 2, false, State::TH},
    {"form", 4, false, State::IMG_FORM},
    {"select", 6, false, State::HR_SELECT},
    {"!--", 3, false, State::CMNT},
    {"option", 6, false, State::BR_OPTION},
    {"table", 5, false, State::TABLE},
    {"caption", 7, false, State::CAPTION},
    {"em", 2, false, State::EM},
    {"blockquote", 6, false, State::BLOCKQUOTE},
    {"p", 1, true, State::P},
    {"b", 1, true, State::B},
    {"i", 1, true, State::I},
    {"pre", 3, false, State::PRE},
};

// For each folded first byte, the keywords that start with it, in table order.
using FirstLetter = std::array<std::array<const Keyword *, 8>, 256>;
const FirstLetter kByFirst = [] {
  FirstLetter t{};
  for (const Keyword &k : kKeywords) {
    auto &list = t[static_cast<unsigned char>(k.word[0])];
    size_t n = 0;
    while (list[n]) n++;
    list[n] = &k;
  }
  return t;
}();

// The plain tag rows, written in this order when the state matches: tag start to past its '>'.
struct Row {
  State state;
  const Fmt *fmt;
  const char *HtmlColors::*clr;
};
const Row kRows[] = {
    {State::HTML, &kRowHtml, &HtmlColors::html_clr},
    {State::BODY, &kRowBody, &HtmlColors::body_clr},
    {State::P, &kRowP, &HtmlColors::p_clr},
    {State::FONT, &kRowFont, &HtmlColors::font_clr},
    {State::HEAD, &kRowHead, &HtmlColors::head_clr},
    {State::TITLE, &kRowTitle, &HtmlColors::title_clr},
    {State::CENTER, &kRowCenter, &HtmlColors::center_clr},
    {State::H1, &kRowH1, &HtmlColors::h1_clr},
    {State::H2, &kRowH2, &HtmlColors::h2_clr},
    {State::H3, &kRowH3, &HtmlColors::h3_clr},
    {State::H4, &kRowH4, &HtmlColors::h4_clr},
    {State::UL, &kRowUl, &HtmlColors::ul_clr},
    {State::LI, &kRowLi, &HtmlColors::li_clr},
    {State::OL, &kRowOl, &HtmlColors::ol_clr},
    {State::IMG_FORM, &kRowImg, &HtmlColors::img_clr},
    {State::HR_SELECT, &kRowHr, &HtmlColors::hr_clr},
    {State::BR_OPTION, &kRowBr, &HtmlColors::br_clr},
    {State::IMG_FORM, &kRowForm, &HtmlColors::form_clr},
    {State::HR_SELECT, &kRowSelect, &HtmlColors::select_clr},
    {State::BR_OPTION, &kRowOption, &HtmlColors::option_clr},
    {State::B, &kRowB, &HtmlColors::b_clr},
    {State::TD, &kRowTd, &HtmlColors::td_clr},
    {State::TR, &kRowTr, &HtmlColors::tr_clr},
    {State::TH, &kRowTh, &HtmlColors::th_clr},
    {State::TABLE, &kRowTable, &HtmlColors::table_clr},
    {State::CAPTION, &kRowCaption, &HtmlColors::caption_clr},
    {State::EM, &kRowEm, &HtmlColors::em_clr},
    {State::I, &kRowI, &HtmlColors::i_clr},
    {State::BLOCKQUOTE, &kRowBlockquote, &HtmlColors::blockquote_clr},
};

// The rows of each state, in table order: at most two.
using StateRows = std::array<std::array<const Row *, 2>, HtmlScanner::CMNT + 1>;
const StateRows kRowsOf = [] {
  StateRows t{};
  for (const Row &r : kRows) (t[r.state][0] ? t[r.state][1] : t[r.state][0]) = &r;
  return t;
}();

// Default word of each color, in argument order.
const char *const kDefaultColors[kHtmlColorCount] = {
    "yellow", "black", "green", "red",  "cyan", "cyan",  "white", "cyan", "cyan",
    "cyan",   "cyan",  "cyan",  "cyan", "cyan", "cyan",  "white", "cyan", "cyan",
    "cyan",   "cyan",  "cyan",  "cyan", "cyan", "white", "cyan",  "cyan", "cyan",
    "cyan",   "cyan",  "cyan",  "cyan", "cyan", "cyan",  "cyan",  "cyan", "cyan"};

// Each color member, in argument order.
const char *HtmlColors::*const kColorOrder[kHtmlColorCount] = {
    &HtmlColors::fgc_clr,    &HtmlColors::bgc_clr,    &HtmlColors::link_clr,
    &HtmlColors::url_clr,    &HtmlColors::html_clr,   &HtmlColors::body_clr,
    &HtmlColors::pre_clr,    &HtmlColors::title_clr,  &HtmlColors::center_clr,
    &HtmlColors::a_clr,      &HtmlColors::h1_clr,     &HtmlColors::h2_clr,
    &HtmlColors::h3_clr,     &HtmlColors::h4_clr,     &HtmlColors::ul_clr,
    &HtmlColors::li_clr,     &HtmlColors::ol_clr,     &HtmlColors::img_clr,
    &HtmlColors::hr_clr,     &HtmlColors::br_clr,     &HtmlColors::form_clr,
    &HtmlColors::select_clr, &HtmlColors::option_clr, &HtmlColors::cmnt_clr,
    &HtmlColors::b_clr,      &HtmlColors::td_clr,     &HtmlColors::tr_clr,
    &HtmlColors::th_clr,     &HtmlColors::table_clr,  &HtmlColors::caption_clr,
    &HtmlColors::em_clr,     &HtmlColors::i_clr,      &HtmlColors::blockquote_clr,
    &HtmlColors::p_clr,      &HtmlColors::font_clr,   &HtmlColors::head_clr};

}  // namespace

HtmlColors html_default_colors() {
  HtmlColors c;
  for (int k = 0; k < kHtmlColorCount; k++) c.*kColorOrder[k] = kDefaultColors[k];
  return c;
}

HtmlColors html_colors_from_args(char *const *argv) {
  HtmlColors c;
  for (int k = 0; k < kHtmlColorCount; k++) c.*kColorOrder[k] = argv[k + 2];
  return c;
}

void HtmlScanner::reset() {
  state = IDLE;
  bcnt = -1;
  line = 1;
  column = 0;
  end = 0;
  sline = 1, scolumn = 0;
  pre_sline = 1, pre_scolumn = 0;
  lnk_sline = 1, lnk_scolumn = 0;
  url_sline = 1, url_scolumn = 0;
  inbracket = 0;
}

bool HtmlScanner::match(int64_t at, const char *word, int len) const {
  // Past the end the file reads as zero bytes, which match no keyword byte.
  return at >= 0 && len <= size_ - at && cmp(buf_ + at, word, len);
}

void HtmlScanner::run(const char *buf, int64_t size, const HtmlColors &colors, OutBuf &out,
                      OutBuf &err) {
  buf_ = buf;
  size_ = size > 0 ? size : 0;
  color_text_.clear();
  for (int k = 0; k < kHtmlColorCount; k++)
    color_arg_[k] = color_text_.keep(colors.*kColorOrder[k]);
  out_ = &out;
  err_ = &err;
  out.format(kOpening, colors.bgc_clr, colors.fgc_clr);
  scan();
  out.format(kClosing);
}

void HtmlScanner::scan() {
  for (bcnt = 0; bcnt < size_; bcnt++) {
    // Skip to the next byte that can matter; the skipped ones only move the counters.
    // In a comment that is one that can start "-->" (a carriage return ORed with 0x20 is '-').
    if (inbracket != 1 || state == CMNT) {
      size_t from = static_cast<size_t>(bcnt), size = static_cast<size_t>(size_);
      auto next = static_cast<int64_t>(state == CMNT ? find_any(buf_, from, size, '-', '\r', '\n')
                                                     : find_any(buf_, from, size, '<', '>', '\n'));
      column += next - bcnt;
      if (inbracket > 0 && state != CMNT) inbracket += next - bcnt;
      bcnt = next;
      if (bcnt >= size_) break;
    }
    char ch = buf_[bcnt];
    if (ch == '\n') {
      line++;
      column = 0;
      continue;
    }
    column++;
    if (state == CMNT) {
      if (!match(bcnt, "-->", 3)) continue;
      out_->format(kRowCmnt, at_line(sline), scolumn, at_line(line), column + 3,
                   color(&HtmlColors::cmnt_clr));
      state = IDLE;
    }
    if (ch == '<') {
      inbracket++;
    } else if (ch == '>') {
      close_tag();
    } else if (inbracket > 0) {
      if (inbracket == 1) tag_name();
      inbracket++;
    }
  }
}

void HtmlScanner::tag_name() {
  if (buf_[bcnt] == '/') {
    // A closing tag: the byte after the '/' is consumed here and not visited again.
    end = 1;
    bcnt++;
    if (byte_at(bcnt) == '\n') {
      line++;
      column = 0;
    } else {
      column++;
    }
  }
  // Only keywords whose first letter is this byte, folded, can match.
  for (const Keyword *k : kByFirst[byte_at(bcnt) | 0x20]) {
    if (!k) break;
    if (match(bcnt, k->word, k->len) && (!k->need_gt || byte_at(bcnt + 1) == '>')) state = k->state;
  }
  if (state == PRE && end == 0) {
    pre_sline = line;
    pre_scolumn = column - 1;
  }
  scolumn = column - 1 - end;
  sline = line;
  if (state == A && end == 0) href_lookahead();
}

void HtmlScanner::href_lookahead() {
  int64_t p = bcnt + 1;  // look-ahead position
  while (p < size_ && (buf_[p] == ' ' || buf_[p] == '\t')) p++;
  if (match(p, "href", 4)) {
    lnk_sline = line;
    lnk_scolumn = column + 5;
  } else {
    lnk_sline = 0;
    lnk_scolumn = column - 1;
  }
}

void HtmlScanner::close_tag() {
  if (inbracket == 0) syntax();
  for (const Row *r : kRowsOf[state])
    if (r) out_->format(*r->fmt, at_line(sline), scolumn, at_line(line), column + 1, color(r->clr));
  if (state == PRE) {
    if (end == 0) {
      out_->format(kRowPreOpen, at_line(line), column + 2, color(&HtmlColors::pre_clr),
                   color(&HtmlColors::bgc_clr));
    } else {
      out_->format(kRowPreBlock, at_line(pre_sline), pre_scolumn, at_line(line), column + 1,
                   color(&HtmlColors::pre_clr));
      out_->format(kRowPreRest, at_line(line), column + 2, color(&HtmlColors::fgc_clr),
                   color(&HtmlColors::bgc_clr));
    }
  } else if (state == A) {
    if (end == 0) {
      int64_t a_end = lnk_sline != 0 ? scolumn + 3 : column + 1;
      out_->format(kRowA, at_line(sline), scolumn, at_line(line), a_end, color(&HtmlColors::a_clr));
      url_sline = line;
      url_scolumn = column;
    } else {
      if (lnk_sline != 0)
        out_->format(kRowLink, at_line(lnk_sline), lnk_scolumn + 1, at_line(line), url_scolumn,
                     color(&HtmlColors::link_clr));
      out_->format(kRowUrl, at_line(url_sline), url_scolumn + 1, at_line(line), column - 3,
                   color(&HtmlColors::url_clr));
      out_->format(kRowUrlLink, at_line(line), column - 3, at_line(line), column + 1,
                   color(&HtmlColors::a_clr));
    }
  }
  end = 0;
  inbracket = 0;
  state = IDLE;
}

FmtArg HtmlScanner::color(const char *HtmlColors::*m) const {
  // The colors lie in argument order, so a member's place in the record is its index.
  static const HtmlColors layout{};
  auto at = reinterpret_cast<const char *>(&(layout.*m)) - reinterpret_cast<const char *>(&layout);
  return color_arg_[static_cast<size_t>(at) / sizeof(const char *)];
}

void HtmlScanner::syntax() {
  err_->format(kSyntaxError, line, column);
}
