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
  bool need_gt;  // the byte after the word must be '>' (only one-letter words have it)
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

// For each folded first byte, the keywords that start with it, in table order: 20% less time on
// real pages than a test of every keyword (make bench's pairs).
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
  HtmlColor clr;
};
const Row kRows[] = {
    {State::HTML, &kRowHtml, html_clr},
    {State::BODY, &kRowBody, body_clr},
    {State::P, &kRowP, p_clr},
    {State::FONT, &kRowFont, font_clr},
    {State::HEAD, &kRowHead, head_clr},
    {State::TITLE, &kRowTitle, title_clr},
    {State::CENTER, &kRowCenter, center_clr},
    {State::H1, &kRowH1, h1_clr},
    {State::H2, &kRowH2, h2_clr},
    {State::H3, &kRowH3, h3_clr},
    {State::H4, &kRowH4, h4_clr},
    {State::UL, &kRowUl, ul_clr},
    {State::LI, &kRowLi, li_clr},
    {State::OL, &kRowOl, ol_clr},
    {State::IMG_FORM, &kRowImg, img_clr},
    {State::HR_SELECT, &kRowHr, hr_clr},
    {State::BR_OPTION, &kRowBr, br_clr},
    {State::IMG_FORM, &kRowForm, form_clr},
    {State::HR_SELECT, &kRowSelect, select_clr},
    {State::BR_OPTION, &kRowOption, option_clr},
    {State::B, &kRowB, b_clr},
    {State::TD, &kRowTd, td_clr},
    {State::TR, &kRowTr, tr_clr},
    {State::TH, &kRowTh, th_clr},
    {State::TABLE, &kRowTable, table_clr},
    {State::CAPTION, &kRowCaption, caption_clr},
    {State::EM, &kRowEm, em_clr},
    {State::I, &kRowI, i_clr},
    {State::BLOCKQUOTE, &kRowBlockquote, blockquote_clr},
};

// The rows of each state, in table order: at most two.
using StateRows = std::array<std::array<const Row *, 2>, HtmlScanner::CMNT + 1>;
const StateRows kRowsOf = [] {
  StateRows t{};
  for (const Row &r : kRows) (t[r.state][0] ? t[r.state][1] : t[r.state][0]) = &r;
  return t;
}();

}  // namespace

HtmlColors html_default_colors() {
  HtmlColors c;
  for (std::string_view &word : c.clr) word = "cyan";
  c.clr[fgc_clr] = "yellow";
  c.clr[bgc_clr] = "black";
  c.clr[link_clr] = "green";
  c.clr[url_clr] = "red";
  c.clr[pre_clr] = c.clr[li_clr] = c.clr[cmnt_clr] = "white";
  return c;
}

HtmlColors html_colors_from_args(char *const *argv) {
  HtmlColors c;
  for (int k = 0; k < kHtmlColorCount; k++) c.clr[k] = argv[k + 2];
  return c;
}

void HtmlScanner::reset() {
  state = IDLE;
  bcnt = -1;
  line = 1;
  column = 0;
  line_start_ = 0;
  end = 0;
  sline = 1, scolumn = 0;
  pre_sline = 1, pre_scolumn = 0;
  lnk_sline = 1, lnk_scolumn = 0;
  url_sline = 1, url_scolumn = 0;
  inbracket = 0;
}

bool HtmlScanner::match(int64_t at, const char *word, int len) const {
  // Past the end the file reads as zero bytes, which match no keyword byte. No word is looked
  // for before the first byte: "-->" is, at the earliest, the bytes after the comment's "<!".
  return len <= size_ - at && cmp(buf_ + at, word, len);
}

void HtmlScanner::run(const char *buf, int64_t size, const HtmlColors &colors, OutBuf &out,
                      OutBuf &err) {
  buf_ = buf;
  size_ = size > 0 ? size : 0;
  colors_ = colors;
  out_ = &out;
  err_ = &err;
  out.format(kOpening, colors[bgc_clr], colors[fgc_clr]);
  scan();
  out.format(kClosing);
}

void HtmlScanner::scan() {
  const auto size = static_cast<size_t>(size_);
  auto find = [&](char a, char b, char c) {
    return static_cast<int64_t>(find_any(buf_, static_cast<size_t>(bcnt), size, a, b, c));
  };
  auto newline = [&] {
    line++;
    line_start_ = bcnt + 1;
  };
  // A tag is taken in one turn of the loop where it can be, its '<', name and '>' in turn (7%
  // less time on real pages than a turn for each, make bench's pairs). Between them only the
  // bytes that can matter stop the search, and no newline is skipped: outside a tag '<' or '>';
  // past its name, '>' alone, for a '<' there only counts.
  for (bcnt = 0; bcnt < size_; bcnt++) {
    if (state == CMNT) {
      // Only "-->" matters, found at its last byte: '>' or 0x1e, which ORed with 0x20 is '>'
      // (as a carriage return is '-').
      bcnt = find('>', '\x1e', '\n');
      if (bcnt >= size_) break;
      if (buf_[bcnt] == '\n') {
        newline();
      } else if (match(bcnt - 2, "-->", 3)) {
        bcnt -= 2;
        column = bcnt - line_start_ + 1;
        out_->format(kRowCmnt, start_line_.of(sline), scolumn, end_line_.of(line), column + 3,
                     colors_[cmnt_clr]);
        state = IDLE;
        inbracket++;  // the tag goes on to the next '>'
      }
      continue;
    }
    if (inbracket == 0) {
      bcnt = find('<', '>', '\n');
      if (bcnt >= size_) break;
      if (buf_[bcnt] == '\n') {
        newline();
        continue;
      }
      column = bcnt - line_start_ + 1;
      if (buf_[bcnt] == '>') {
        close_tag();
        continue;
      }
      inbracket = 1;
      if (++bcnt >= size_) break;
    }
    if (inbracket == 1) {
      // The name's first byte; newlines before it are passed over.
      if (buf_[bcnt] == '\n') {
        newline();
        continue;
      }
      column = bcnt - line_start_ + 1;
      char ch = buf_[bcnt];
      if (ch == '>') {
        close_tag();
        continue;
      }
      inbracket = 2;
      if (ch != '<') {
        tag_name();
        if (state == CMNT) continue;
      }
      if (++bcnt >= size_) break;
    }
    int64_t next = find('>', '\n', '\n');
    inbracket += next - bcnt;
    bcnt = next;
    if (bcnt >= size_) break;
    if (buf_[bcnt] == '\n') {
      newline();
      continue;
    }
    column = bcnt - line_start_ + 1;
    close_tag();
  }
}

void HtmlScanner::tag_name() {
  if (buf_[bcnt] == '/') {
    // A closing tag: the byte after the '/' is consumed here and not visited again.
    end = 1;
    bcnt++;
    if (byte_at(bcnt) == '\n') {
      line++;
      line_start_ = bcnt + 1;
    }
    column = bcnt - line_start_ + 1;
  }
  // Only keywords whose first letter is this byte, folded, can match, and no name matches two:
  // the first that does is the one. The second byte tells most of them apart.
  int second = byte_at(bcnt + 1);
  for (const Keyword *k : kByFirst[byte_at(bcnt) | 0x20]) {
    if (!k) break;
    if (k->len == 1 ? !k->need_gt || second == '>'
                    : (second | 0x20) == k->word[1] && match(bcnt + 2, k->word + 2, k->len - 2)) {
      state = k->state;
      break;
    }
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
    if (r)
      out_->format(*r->fmt, start_line_.of(sline), scolumn, end_line_.of(line), column + 1,
                   colors_[r->clr]);
  if (state == PRE) {
    if (end == 0) {
      out_->format(kRowPreOpen, end_line_.of(line), column + 2, colors_[pre_clr], colors_[bgc_clr]);
    } else {
      out_->format(kRowPreBlock, start_line_.of(pre_sline), pre_scolumn, end_line_.of(line),
                   column + 1, colors_[pre_clr]);
      out_->format(kRowPreRest, end_line_.of(line), column + 2, colors_[fgc_clr], colors_[bgc_clr]);
    }
  } else if (state == A) {
    if (end == 0) {
      int64_t a_end = lnk_sline != 0 ? scolumn + 3 : column + 1;
      out_->format(kRowA, start_line_.of(sline), scolumn, end_line_.of(line), a_end,
                   colors_[a_clr]);
      url_sline = line;
      url_scolumn = column;
    } else {
      if (lnk_sline != 0)
        out_->format(kRowLink, start_line_.of(lnk_sline), lnk_scolumn + 1, end_line_.of(line),
                     url_scolumn, colors_[link_clr]);
      out_->format(kRowUrl, start_line_.of(url_sline), url_scolumn + 1, end_line_.of(line),
                   column - 3, colors_[url_clr]);
      out_->format(kRowUrlLink, start_line_.of(line), column - 3, end_line_.of(line), column + 1,
                   colors_[a_clr]);
    }
  }
  end = 0;
  inbracket = 0;
  state = IDLE;
}

void HtmlScanner::syntax() {
  err_->format(kSyntaxError, line, column);
}
