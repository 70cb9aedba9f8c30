// The html filter's scanner: HTML bytes in, color command rows out.
#ifndef ILVO_HTMLSCAN_H
#define ILVO_HTMLSCAN_H

#include <cstdint>
#include <string_view>

#include "blockreader.h"
#include "bytescan.h"
#include "outbuf.h"

// The 36 colors of the editor's color pragma, in the order of the command-line arguments.
enum HtmlColor {
  fgc_clr,
  bgc_clr,
  link_clr,
  url_clr,
  html_clr,
  body_clr,
  pre_clr,
  title_clr,
  center_clr,
  a_clr,
  h1_clr,
  h2_clr,
  h3_clr,
  h4_clr,
  ul_clr,
  li_clr,
  ol_clr,
  img_clr,
  hr_clr,
  br_clr,
  form_clr,
  select_clr,
  option_clr,
  cmnt_clr,
  b_clr,
  td_clr,
  tr_clr,
  th_clr,
  table_clr,
  caption_clr,
  em_clr,
  i_clr,
  blockquote_clr,
  p_clr,
  font_clr,
  head_clr,
  kHtmlColorCount
};
// Number of color arguments, and the argument count (program name included) that carries them.
constexpr int kHtmlArgCount = kHtmlColorCount + 2;

// The color words, indexed by HtmlColor.
struct HtmlColors {
  std::string_view clr[kHtmlColorCount];
  std::string_view operator[](HtmlColor c) const { return clr[c]; }
};

// Default colors, used when the argument count is not kHtmlArgCount.
HtmlColors html_default_colors();
// Colors taken from argv[2] .. argv[37]; argv must hold kHtmlArgCount entries.
HtmlColors html_colors_from_args(char *const *argv);

// Compares len bytes at buf, each ORed with 0x20, with string; 1 when all are equal.
inline int cmp(const char *buf, const char *string, int len) {
  for (int k = 0; k < len; k++)  // k: byte compared
    if (static_cast<char>(buf[k] | 0x20) != string[k]) return 0;
  return 1;
}

// Tag states. They index the table of each state's rows; their values mean nothing else.
enum State {
  IDLE,
  HTML,
  BODY,
  PRE,
  P,
  TITLE,
  CENTER,
  A,
  H1,
  H2,
  H3,
  H4,
  UL,
  LI,
  OL,
  TD,
  TR,
  TH,
  TABLE,
  CAPTION,
  EM,
  I,
  BLOCKQUOTE,
  FONT,
  HEAD,
  B,
  IMG_FORM,
  HR_SELECT,
  BR_OPTION,
  CMNT,
  kStates
};

// Classes of bytes for the reader: 0, the tags' brackets ('<' and '>'); 1, what may end a
// comment ('>', and 0x1e, which ORed with 0x20 is '>'); 2, newlines.
void html_classify(const char *p, uint64_t (&classes)[Block::kClasses]);

// A place outside any tag (an input's start, or just past a tag's '>') where a scan may start,
// with what the scan before it leaves for later tags: the last pre block's and anchor's places.
// A line of -1 there: not known yet, as for a part of the input scanned ahead of the parts
// before it.
struct HtmlResume {
  int64_t offset = 0, line = 1, line_start = 0;  // line_start: offset of the line's first byte
  int64_t pre_sline = 1, pre_scolumn = 0;
  int64_t lnk_sline = 1, lnk_scolumn = 0;
  int64_t url_sline = 1, url_scolumn = 0;
};

// The rows of a "</pre>" or "</a>" that need a place the scan before leaves: written later, in
// their place in the output, when the scan before has ended (HtmlScanner::fill).
struct HtmlHole {
  size_t at;  // bytes of output before the rows
  State state;
  int64_t line, column;                                    // of the tag's '>'
  int64_t lnk_sline, lnk_scolumn, url_sline, url_scolumn;  // as the scan had them; -1: before
};

// One run of the tag scanner over an input read a block at a time; a new object (or reset())
// per file. Its words are those of the byte loop; a block ends anywhere, even inside a tag name,
// a "-->" or an href, and the stream is the same.
class HtmlScanner {
 public:
  static constexpr int kMaxHoles = 64;
  HtmlScanner() { reset(); }
  // Sets every scanner word to its value at program start.
  void reset() { begin(HtmlResume{}); }
  // Sets the scanner words to start at r; nothing else changes.
  void begin(const HtmlResume &r);
  // Writes the whole stream for the input of in (made with html_classify): opening line, rows,
  // closing message. Rows go to out, syntax messages to err; out is flushed whenever the input
  // has no more bytes ready, so that rows flow as the input arrives.
  void run(BlockReader &in, const HtmlColors &colors, OutBuf &out, OutBuf &err);
  // The same for size bytes at buf, read in one piece.
  void run(const char *buf, int64_t size, const HtmlColors &colors, OutBuf &out, OutBuf &err);

  // A part of an input, scanned from a begin(): colors bound once, rows to out, messages to err.
  // Once out or err holds cap bytes, or kMaxHoles holes were kept, the scan stops just past
  // the next tag's '>' (stopped(); resume() says where).
  void bind(const HtmlColors &colors);
  void attach(OutBuf &out, OutBuf &err, size_t cap) { out_ = &out, err_ = &err, cap_ = cap; }
  // Handles a block from index from on (the bytes before are the input's, counted in the lines
  // of the block's start); returns the index of the first byte left for the next one.
  size_t feed(const Block &b, size_t from = 0);
  // Outside any tag, with nothing waiting for bytes: the next byte may start a part.
  bool clean() const { return state == IDLE && inbracket == 0 && end == 0 && href_ < 0; }
  bool stopped() const { return stopped_; }
  // Where the scan is, once all bytes fed are handled and clean(), or where it stopped.
  HtmlResume resume() const;
  int holes() const { return nholes_; }
  const HtmlHole &hole(int k) const { return holes_[k]; }
  // Writes h's rows with the places that the scan before its part left.
  void fill(const HtmlHole &h, const HtmlResume &before, OutBuf &out);

 private:
  // The brackets from bcnt on, outside a tag or inside one past its name, until the block ends
  // or another step must follow; false when the rest waits for the next block.
  bool brackets();
  // The tag-name step at bcnt; false, changing nothing, while its outcome depends on bytes not
  // read yet. On a closing tag bcnt moves to the byte after the '/'.
  bool tag_name();
  // Looks for "href" after blanks from index p of the block, if an anchor is waiting for it.
  void href_lookahead(size_t p);
  void close_tag(size_t at);  // at the '>' at index at: its rows by the state, then outside again
  void syntax();
  // Sets line and column to those of the byte at index i of the block.
  void locate(size_t i) {
    size_t w = i / 64;
    uint64_t before = newlines_[w] & ((1ULL << (i % 64)) - 1);
    line = lines_[w] + popcount(before);
    int64_t start =
        before ? base_ + static_cast<int64_t>(w * 64 + 64 - __builtin_clzll(before)) : starts_[w];
    column = base_ + static_cast<int64_t>(i) - start + 1;
  }

  // Writes the rows of a tag's '>' by its state.
  void rows();
  // The rows of "</pre>" and of "</a>", from the places they need.
  void pre_rows(OutBuf &out, int64_t psline, int64_t pscolumn, int64_t l, int64_t c);
  void a_rows(OutBuf &out, int64_t lsline, int64_t lscolumn, int64_t usline, int64_t uscolumn,
              int64_t l, int64_t c);
  void keep_hole();         // the rows of this '>' wait for the scan before
  void stop(size_t after);  // ends the scan past index after - 1, a '>' just handled

  BoundFmt plain_[kStates][2];  // a state's plain rows, in table order
  int plain_count_[kStates];
  BoundFmt row_a_, row_link_, row_url_, row_url_link_, row_pre_open_, row_pre_block_, row_pre_rest_,
      row_cmnt_;
  OutBuf *out_;
  OutBuf *err_;
  const char *d_ = nullptr;  // the block being handled
  size_t n_ = 0;
  bool last_ = false;
  const uint64_t *brackets_ = nullptr, *ends_ = nullptr, *newlines_ = nullptr;  // its classes
  int64_t base_;  // bytes before the block
  // Lines are counted from the newlines' bits, not met one by one: at each 64 bytes of the
  // block, the line and the input offset of its first byte; at the block's start, these two.
  int64_t lines_[BlockReader::kBlock / 64 + 1], starts_[BlockReader::kBlock / 64 + 1];
  int64_t block_line_, block_line_start_;

  State state;
  size_t bcnt;  // index in the block of the byte being handled
  int64_t line, column;
  int end;  // 1 inside a closing tag
  int64_t sline, scolumn;
  int64_t pre_sline, pre_scolumn;
  int64_t lnk_sline, lnk_scolumn;
  int64_t url_sline, url_scolumn;
  int64_t inbracket;  // 0 outside a tag; 1 after its '<', before its name; 2 past its name
  int href_;          // letters of "href" found so far by a look-ahead that waits for bytes, or -1

  size_t cap_ = SIZE_MAX;  // output held when the scan stops at the next '>'; 0: stop there
  bool stopped_ = false;
  HtmlResume stop_;
  HtmlHole holes_[kMaxHoles];
  int nholes_ = 0;
};

#endif
