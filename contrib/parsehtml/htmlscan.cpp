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
constexpr Keyword kKeywords[] = {
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

// A keyword as one test of the eight bytes at a name: those under mask, each ORed with 0x20, must
// be the word's, and those under raw_mask must be raw_word (the '>' after a one-letter word).
// The same test tells, near a block's end, whether a name's outcome waits for bytes not yet read.
struct Probe {
  uint64_t mask, word, raw_mask, raw_word;
  int len;  // bytes the test reads
  State state;
  uint8_t next;  // the probe to try when this one fails (0: none)
};
// A name's first two bytes, ORed with 0x20, choose the keywords to test: the first whose five
// low bits are these, then those chained after it, in table order (no two keywords begin with the
// same two letters but "font" and "form"). The table stays in the first-level cache. 14% less
// time on real pages than a test of each keyword that begins with the name's letter (21 pairs
// into dd, with and without).
constexpr size_t slot(unsigned first, unsigned second) {
  return (first & 0x1f) << 5 | (second & 0x1f);
}
struct Probes {
  std::array<Probe, 40> list;       // [0] matches no name
  std::array<uint8_t, 256> starts;  // of a folded first byte: 1 when a keyword begins with it
  std::array<uint8_t, 1024> first;  // by slot(): the probe to try
};
constexpr Probes kProbes = [] {
  Probes t{};
  t.list[0] = Probe{0xff, 0, 0, 0, 0, IDLE, 0};  // no folded byte is zero
  uint8_t n = 1;
  for (const Keyword &k : kKeywords) {
    Probe &p = t.list[n];
    p = Probe{0, 0, 0, 0, k.len + (k.need_gt ? 1 : 0), k.state, 0};
    for (int j = 0; j < k.len; j++) {
      p.mask |= 0xffULL << (8 * j);
      p.word |= uint64_t{static_cast<unsigned char>(k.word[j])} << (8 * j);
    }
    if (k.need_gt) p.raw_mask = 0xffULL << 8, p.raw_word = uint64_t{'>'} << 8;
    auto first = static_cast<unsigned char>(k.word[0]);
    t.starts[first] = 1;
    for (unsigned second = 0; second < 32; second++) {
      // A one-letter word is tried after any byte, or only before the '>' it needs.
      if (k.len > 1 && second != (static_cast<unsigned char>(k.word[1]) & 0x1fu)) continue;
      if (k.need_gt && second != ('>' & 0x1f)) continue;
      uint8_t *at = &t.first[slot(first, second)];
      while (*at) at = &t.list[*at].next;
      *at = n;
    }
    n++;
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

void html_classify(const char *p, uint64_t (&classes)[Block::kClasses]) {
  static constexpr char kBytes[] = {'<', '>', '\x1e', '\n'};
  uint64_t m[4];
  byte_masks(p, kBytes, m);
  classes[0] = m[0] | m[1];
  classes[1] = m[1] | m[2];
  classes[2] = m[3];
}

void HtmlScanner::begin(const HtmlResume &r) {
  state = IDLE;
  bcnt = 0;
  base_ = r.offset;
  line = r.line;
  column = 0;
  block_line_ = r.line;
  block_line_start_ = r.line_start;
  end = 0;
  sline = 1, scolumn = 0;
  pre_sline = r.pre_sline, pre_scolumn = r.pre_scolumn;
  lnk_sline = r.lnk_sline, lnk_scolumn = r.lnk_scolumn;
  url_sline = r.url_sline, url_scolumn = r.url_scolumn;
  inbracket = 0;
  href_ = -1;
  stopped_ = false;
  nholes_ = 0;
}

HtmlResume HtmlScanner::resume() const {
  if (stopped_) return stop_;
  HtmlResume r;
  r.offset = base_;
  r.line = block_line_;
  r.line_start = block_line_start_;
  r.pre_sline = pre_sline, r.pre_scolumn = pre_scolumn;
  r.lnk_sline = lnk_sline, r.lnk_scolumn = lnk_scolumn;
  r.url_sline = url_sline, r.url_scolumn = url_scolumn;
  return r;
}

void HtmlScanner::bind(const HtmlColors &colors) {
  for (int &n : plain_count_) n = 0;
  for (const Row &r : kRows)
    plain_[r.state][plain_count_[r.state]++] = BoundFmt(*r.fmt, {colors[r.clr]});
  row_a_ = BoundFmt(kRowA, {colors[a_clr]});
  row_link_ = BoundFmt(kRowLink, {colors[link_clr]});
  row_url_ = BoundFmt(kRowUrl, {colors[url_clr]});
  row_url_link_ = BoundFmt(kRowUrlLink, {colors[a_clr]});
  row_pre_open_ = BoundFmt(kRowPreOpen, {colors[pre_clr], colors[bgc_clr]});
  row_pre_block_ = BoundFmt(kRowPreBlock, {colors[pre_clr]});
  row_pre_rest_ = BoundFmt(kRowPreRest, {colors[fgc_clr], colors[bgc_clr]});
  row_cmnt_ = BoundFmt(kRowCmnt, {colors[cmnt_clr]});
}

void HtmlScanner::run(BlockReader &in, const HtmlColors &colors, OutBuf &out, OutBuf &err) {
  bind(colors);
  attach(out, err, SIZE_MAX);
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

size_t HtmlScanner::feed(const Block &b, size_t from) {
  d_ = b.data;
  n_ = b.size;
  last_ = b.last;
  brackets_ = b.bits[0];
  ends_ = b.bits[1];
  newlines_ = b.bits[2];
  size_t words = (n_ + 63) / 64;
  int64_t l = block_line_, start = block_line_start_;
  for (size_t w = 0; w < words; w++) {
    lines_[w] = l;
    starts_[w] = start;
    uint64_t m = newlines_[w];
    if (w * 64 + 64 > n_) m &= (1ULL << (n_ % 64)) - 1;
    l += popcount(m);
    if (m) start = base_ + static_cast<int64_t>(w * 64 + 64 - __builtin_clzll(m));
  }
  lines_[words] = l;
  starts_[words] = start;
  bcnt = from;
  if (href_ >= 0) href_lookahead(0);
  while (bcnt < n_) {
    if (state == CMNT) {
      // Only "-->" matters, found at its last byte: '>' or 0x1e (as a carriage return is '-').
      // Its first two bytes may lie in the block before, whose last bytes stand before d_.
      bcnt = find_bit(ends_, bcnt, n_);
      if (bcnt >= n_) break;
      if (cmp(d_ + bcnt - 2, "-->", 3)) {
        locate(bcnt);
        column -= 2;
        out_->format(row_cmnt_, sline, scolumn, line, column + 3);
        if (out_->size() >= cap_) cap_ = 0;  // stop at the tag's '>'
        state = IDLE;
        inbracket = 2;  // the tag goes on to the next '>', which may be this byte
      } else {
        bcnt++;
      }
      continue;
    }
    if (inbracket == 1) {
      // The name's first byte; newlines before it are passed over.
      char ch = d_[bcnt];
      if (ch == '\n') {
        bcnt++;
        continue;
      }
      if (ch == '>') {
        close_tag(bcnt);
        bcnt++;
        continue;
      }
      if (ch != '<' && !tag_name()) break;  // the rest of the name is still to come
      inbracket = 2;
      bcnt++;
      continue;
    }
    if (!brackets()) break;
  }
  size_t left = bcnt < n_ ? bcnt : n_;
  locate(left);
  base_ += static_cast<int64_t>(left);
  block_line_ = line;
  block_line_start_ = base_ - column + 1;
  return left;
}

bool HtmlScanner::brackets() {
  // Outside a tag, and past a tag's name, only '<' and '>' stop the walk, a word of bits at a
  // time. Newlines do not: a tag's line and column are counted from their bits when its rows
  // need them.
  size_t w = bcnt / 64;
  uint64_t m = brackets_[w] & (~0ULL << (bcnt % 64));
  for (;;) {
    while (!m) {
      if (++w * 64 >= n_) {
        bcnt = n_;
        return true;
      }
      m = brackets_[w];
    }
    size_t at = w * 64 + static_cast<size_t>(__builtin_ctzll(m));
    if (at >= n_) {
      bcnt = n_;
      return true;
    }
    m &= m - 1;
    if (d_[at] == '>') {
      close_tag(at);
      continue;
    }
    if (inbracket) continue;  // a '<' inside a tag only counts as one of its bytes
    inbracket = 1;
    bcnt = at + 1;
    if (bcnt >= n_) return true;
    char ch = d_[bcnt];
    if (ch == '\n' || ch == '<' || ch == '>') return true;  // the name waits, or is none
    if (!tag_name()) return false;
    inbracket = 2;
    if (++bcnt >= n_ || state == CMNT) return true;
    w = bcnt / 64;
    m = brackets_[w] & (~0ULL << (bcnt % 64));
  }
}

bool HtmlScanner::tag_name() {
  size_t at = bcnt + (d_[bcnt] == '/');  // the byte after a '/' is consumed here, not visited again
  // The eight bytes from the name on; past the block they read as zero, which matches no
  // keyword byte: as at the end of the input, or as bytes still to come.
  uint64_t bytes;
  memcpy(&bytes, d_ + at, 8);
  uint64_t folded = bytes | 0x2020202020202020ULL;
  size_t have = last_ ? 8 : at < n_ ? n_ - at : 0;  // bytes known
  if (have < 2 && (have == 0 || kProbes.starts[folded & 0xff])) return false;
  uint64_t known = have >= 8 ? ~0ULL : (1ULL << (8 * have)) - 1;
  State found = state;
  // No name matches two keywords, so the first that matches is the one. A test that stops at
  // its first unequal byte would only need a byte not yet read when all before it are equal.
  const Probe *k = &kProbes.list[kProbes.first[slot(folded & 0xff, folded >> 8 & 0xff)]];
  for (;; k = &kProbes.list[k->next]) {
    if (static_cast<size_t>(k->len) > have && (folded & k->mask & known) == (k->word & known) &&
        (bytes & k->raw_mask & known) == (k->raw_word & known))
      return false;
    bool hit = ((folded & k->mask) == k->word) & ((bytes & k->raw_mask) == k->raw_word);
    found = hit ? k->state : found;
    if (hit || !k->next) break;
  }
  end = at != bcnt;
  bcnt = at;
  state = found;
  if (state == IDLE) return true;  // no rows to place: see close_tag()
  if (d_[at] == '\n') {            // only after a '/': newlines before a name are passed over
    locate(at + 1);
    column = 0;
  } else {
    locate(at);
  }
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

void HtmlScanner::close_tag(size_t at) {
  // A tag with no rows: its place is never needed, so it is not found (7% less time on real
  // pages than placing every tag, 21 pairs into dd, with and without).
  if (state == IDLE && inbracket) {
    end = 0;
    inbracket = 0;
    if (cap_ == 0) stop(at + 1);
    return;
  }
  locate(at);
  if (inbracket == 0) syntax();
  if (plain_count_[state] || state == PRE || state == A) rows();
  end = 0;
  inbracket = 0;
  state = IDLE;
  if (out_->size() >= cap_) stop(at + 1);
}

void HtmlScanner::stop(size_t after) {
  locate(after);
  stop_ = resume();
  stop_.offset = base_ + static_cast<int64_t>(after);
  stop_.line = line;
  stop_.line_start = stop_.offset - column + 1;
  stopped_ = true;
  n_ = after;  // the walks end here
}

void HtmlScanner::keep_hole() {
  holes_[nholes_++] =
      HtmlHole{out_->size(), state, line, column, lnk_sline, lnk_scolumn, url_sline, url_scolumn};
  if (nholes_ == kMaxHoles) cap_ = 0;  // no room for another: stop at this '>'
}

void HtmlScanner::fill(const HtmlHole &h, const HtmlResume &before, OutBuf &out) {
  if (h.state == PRE) {
    pre_rows(out, before.pre_sline, before.pre_scolumn, h.line, h.column);
    return;
  }
  bool lnk = h.lnk_sline >= 0, url = h.url_sline >= 0;
  a_rows(out, lnk ? h.lnk_sline : before.lnk_sline, lnk ? h.lnk_scolumn : before.lnk_scolumn,
         url ? h.url_sline : before.url_sline, url ? h.url_scolumn : before.url_scolumn, h.line,
         h.column);
}

void HtmlScanner::rows() {
  for (int r = 0; r < plain_count_[state]; r++)
    out_->format(plain_[state][r], sline, scolumn, line, column + 1);
  if (state == PRE) {
    if (end == 0) {
      out_->format(row_pre_open_, line, column + 2);
    } else if (pre_sline < 0) {
      keep_hole();
    } else {
      pre_rows(*out_, pre_sline, pre_scolumn, line, column);
    }
  } else if (state == A) {
    if (end == 0) {
      int64_t a_end = lnk_sline != 0 ? scolumn + 3 : column + 1;
      out_->format(row_a_, sline, scolumn, line, a_end);
      url_sline = line;
      url_scolumn = column;
    } else if ((lnk_sline | url_sline) < 0) {
      keep_hole();
    } else {
      a_rows(*out_, lnk_sline, lnk_scolumn, url_sline, url_scolumn, line, column);
    }
  }
}

void HtmlScanner::pre_rows(OutBuf &out, int64_t psline, int64_t pscolumn, int64_t l, int64_t c) {
  out.format(row_pre_block_, psline, pscolumn, l, c + 1);
  out.format(row_pre_rest_, l, c + 2);
}

void HtmlScanner::a_rows(OutBuf &out, int64_t lsline, int64_t lscolumn, int64_t usline,
                         int64_t uscolumn, int64_t l, int64_t c) {
  if (lsline != 0) out.format(row_link_, lsline, lscolumn + 1, l, uscolumn);
  out.format(row_url_, usline, uscolumn + 1, l, c - 3);
  out.format(row_url_link_, l, c - 3, l, c + 1);
}

void HtmlScanner::syntax() {
  err_->format(kSyntaxError, line, column);
  if (err_->size() >= cap_) cap_ = 0;  // stop at this '>'
}
