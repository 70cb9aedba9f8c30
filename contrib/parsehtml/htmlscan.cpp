// The html filter's scanner: finds tags byte by byte and writes their color areas.
#include "htmlscan.h"

#include <array>
#include <cstring>

#include "htmlformats.h"

#include "bytescan.h"

namespace {

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

// A keyword as one test of the eight bytes at a name, each ORed with 0x20: those under mask
// must be the word's. Tried only for names that begin with the word's letter: 24% less time on
// real pages than a test of every keyword (21 pairs into dd, with and without). The same test
// tells, near a block's end, whether a name's outcome waits for bytes not yet read.
struct Probe {
  uint64_t mask, word;
  int len;  // bytes the test reads: the word's, and the '>' after a one-letter word
  bool need_gt;
  State state;
};
struct Probes {
  std::array<uint8_t, 256> group;             // of each folded first byte; 0: no keyword
  std::array<std::array<Probe, 8>, 16> list;  // a group's probes; len 0 ends it
};
const Probes kProbes = [] {
  Probes t{};
  int groups = 0;
  for (const Keyword &k : kKeywords) {
    auto first = static_cast<unsigned char>(k.word[0]);
    if (!t.group[first]) t.group[first] = static_cast<uint8_t>(++groups);
    auto &list = t.list[t.group[first]];
    size_t n = 0;
    while (list[n].len) n++;
    unsigned char mask[8] = {}, word[8] = {};
    for (int j = 0; j < k.len; j++) mask[j] = 0xff, word[j] = static_cast<unsigned char>(k.word[j]);
    Probe &p = list[n];
    memcpy(&p.mask, mask, 8);
    memcpy(&p.word, word, 8);
    p.len = k.len + (k.need_gt ? 1 : 0);
    p.need_gt = k.need_gt;
    p.state = k.state;
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
using StateRows = std::array<std::array<const Row *, 2>, kStates>;
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

void html_classify(const char *p, uint64_t *text, uint64_t *tag) {
  static constexpr char kBytes[] = {'<', '>', '\n', '\x1e'};
  uint64_t m[4];
  byte_masks(p, kBytes, m);
  *text = m[0] | m[1] | m[2];
  *tag = m[1] | m[2] | m[3];
}

void HtmlScanner::reset() {
  state = IDLE;
  bcnt = 0;
  base_ = 0;
  line = 1;
  column = 0;
  line_start_ = 0;
  end = 0;
  sline = 1, scolumn = 0;
  pre_sline = 1, pre_scolumn = 0;
  lnk_sline = 1, lnk_scolumn = 0;
  url_sline = 1, url_scolumn = 0;
  inbracket = 0;
  href_ = -1;
}

void HtmlScanner::run(BlockReader &in, const HtmlColors &colors, OutBuf &out, OutBuf &err) {
  colors_ = colors;
  out_ = &out;
  err_ = &err;
  out.format(kOpening, colors[bgc_clr], colors[fgc_clr]);
  Block b;
  for (size_t from = 0; in.next(from, &b);) {
    from = feed(b);
    if (in.drained()) out.flush();
  }
  out.format(kClosing);
}

void HtmlScanner::run(const char *buf, int64_t size, const HtmlColors &colors, OutBuf &out,
                      OutBuf &err) {
  MemoryInput input{buf, size > 0 ? static_cast<size_t>(size) : 0};
  BlockReader in(MemoryInput::read, &input, html_classify);
  run(in, colors, out, err);
}

size_t HtmlScanner::feed(const Block &b) {
  d_ = b.data;
  n_ = b.size;
  last_ = b.last;
  const uint64_t *text = b.bits[0], *tag = b.bits[1];
  bcnt = 0;
  if (href_ >= 0) href_lookahead(0);
  // A tag is taken in one turn of the loop where it can be, its '<', name and '>' in turn (7%
  // less time on real pages than a turn for each, make bench's pairs). Between them only the
  // bytes that can matter stop the walk, and no newline is skipped: outside a tag '<', '>' or a
  // newline; past its name, '>' or a newline, for a '<' there only counts.
  while (bcnt < n_) {
    if (state == CMNT) {
      // Only "-->" matters, found at its last byte: '>' or 0x1e (as a carriage return is '-').
      // Its first two bytes may lie in the block before, whose last bytes stand before d_.
      bcnt = find_bit(tag, bcnt, n_);
      if (bcnt >= n_) break;
      if (d_[bcnt] == '\n') {
        newline(bcnt++);
      } else if (cmp(d_ + bcnt - 2, "-->", 3)) {
        column = column_of(bcnt) - 2;
        out_->format(kRowCmnt, start_line_.of(sline), scolumn, end_line_.of(line), column + 3,
                     colors_[cmnt_clr]);
        state = IDLE;
        inbracket += 2;  // the dashes; the tag goes on to the next '>', which may be this byte
      } else {
        bcnt++;
      }
      continue;
    }
    if (inbracket == 0) {
      bcnt = find_bit(text, bcnt, n_);
      if (bcnt >= n_) break;
      if (d_[bcnt] == '\n') {
        newline(bcnt++);
        continue;
      }
      column = column_of(bcnt);
      if (d_[bcnt] == '>') {
        close_tag();
        bcnt++;
        continue;
      }
      inbracket = 1;
      if (++bcnt >= n_) break;
    }
    if (inbracket == 1) {
      // The name's first byte; newlines before it are passed over.
      char ch = d_[bcnt];
      if (ch == '\n') {
        newline(bcnt++);
        continue;
      }
      column = column_of(bcnt);
      if (ch == '>') {
        close_tag();
        bcnt++;
        continue;
      }
      if (ch != '<' && !tag_name()) break;  // the rest of the name is still to come
      inbracket = 2;
      if (++bcnt >= n_) break;
      if (state == CMNT) continue;
    }
    size_t next = find_bit(tag, bcnt, n_);
    while (next < n_ && d_[next] == '\x1e') next = find_bit(tag, next + 1, n_);
    inbracket += static_cast<int64_t>(next - bcnt);
    bcnt = next;
    if (bcnt >= n_) break;
    if (d_[bcnt] == '\n') {
      newline(bcnt++);
      continue;
    }
    column = column_of(bcnt);
    close_tag();
    bcnt++;
  }
  base_ += static_cast<int64_t>(bcnt < n_ ? bcnt : n_);
  return bcnt;
}

bool HtmlScanner::tag_name() {
  size_t at = bcnt;
  int closing = d_[at] == '/';  // the byte after the '/' is consumed here, not visited again
  at += static_cast<size_t>(closing);
  // The eight bytes from the name on; past the block they read as zero, which matches no
  // keyword byte: as at the end of the input, or as bytes still to come.
  uint64_t bytes;
  memcpy(&bytes, d_ + at, 8);
  uint64_t folded = bytes | 0x2020202020202020ULL;
  size_t have = last_ ? 8 : at < n_ ? n_ - at : 0;  // bytes known
  if (have == 0) return false;
  State found = state;
  // No name matches two keywords, so the first that matches is the one. A test that stops at
  // its first unequal byte would only need a byte not yet read when all before it are equal.
  if (int g = kProbes.group[static_cast<unsigned char>(folded)]) {
    uint64_t known = have >= 8 ? ~0ULL : (1ULL << (8 * have)) - 1;
    for (const Probe &k : kProbes.list[g]) {
      if (!k.len) break;
      if (static_cast<size_t>(k.len) > have && (folded & k.mask & known) == (k.word & known))
        return false;
      if ((folded & k.mask) == k.word && (!k.need_gt || d_[at + 1] == '>')) {
        found = k.state;
        break;
      }
    }
  }
  if (closing) {
    end = 1;
    if (at < n_ && d_[at] == '\n') newline(at);
  }
  bcnt = at;
  column = column_of(bcnt);
  state = found;
  if (state == PRE && end == 0) {
    pre_sline = line;
    pre_scolumn = column - 1;
  }
  scolumn = column - 1 - end;
  sline = line;
  if (state == A && end == 0) {
    href_ = 0;
    href_lookahead(bcnt + 1);
  }
  return true;
}

void HtmlScanner::href_lookahead(size_t p) {
  // Blanks and tabs may come first while no letter was found; then the four letters, each ORed
  // with 0x20. The answer lands before the tag's '>' is handled, as no '>' is a blank or a letter.
  static const char kWord[] = "href";
  if (href_ == 0)
    while (p < n_ && (d_[p] == ' ' || d_[p] == '\t')) p++;
  bool found = true;
  for (; href_ < 4 && p < n_; href_++, p++) {
    if (static_cast<char>(d_[p] | 0x20) != kWord[href_]) {
      found = false;
      break;
    }
  }
  if (found && href_ < 4) {
    if (!last_) return;  // the rest comes with the next block
    found = false;       // zero bytes after the end match no letter
  }
  // The positions are those of the anchor's name byte, one past its '<'.
  lnk_sline = found ? sline : 0;
  lnk_scolumn = found ? scolumn + 6 : scolumn;
  href_ = -1;
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
