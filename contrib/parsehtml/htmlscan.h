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

// One run of the tag scanner over an input read a block at a time; a new object (or reset())
// per file. Its words are those of the byte loop; a block ends anywhere, even inside a tag name,
// a "-->" or an href, and the stream is the same.
class HtmlScanner {
 public:
  HtmlScanner() { reset(); }
  // Sets every scanner word to its value at program start.
  void reset();
  // Writes the whole stream for the input of in (made with html_classify): opening line, rows,
  // closing message. Rows go to out, syntax messages to err; out is flushed whenever the input
  // has no more bytes ready, so that rows flow as the input arrives.
  void run(BlockReader &in, const HtmlColors &colors, OutBuf &out, OutBuf &err);
  // The same for size bytes at buf, read in one piece.
  void run(const char *buf, int64_t size, const HtmlColors &colors, OutBuf &out, OutBuf &err);

 private:
  // Handles a block; returns the index of the first byte left for the next one.
  size_t feed(const Block &b);
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
  // Binds this run's colors to the rows.
  void bind(const HtmlColors &colors);

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
};

#endif
