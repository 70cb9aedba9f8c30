// The html filter's scanner: HTML bytes in, color command rows out.
#ifndef ILVO_HTMLSCAN_H
#define ILVO_HTMLSCAN_H

#include <cstdint>
#include <string_view>

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

// One run of the tag scanner; a new object (or reset()) per file.
class HtmlScanner {
 public:
  HtmlScanner() { reset(); }
  // Sets every scanner word to its value at program start.
  void reset();
  // Writes the whole stream for size bytes at buf: opening line, rows, closing message.
  // Rows go to out, syntax messages to err. buf needs no terminator or padding.
  void run(const char *buf, int64_t size, const HtmlColors &colors, OutBuf &out, OutBuf &err);

  // Tag states; only ever compared for equality.
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
    CMNT
  };

 private:
  void scan();
  void tag_name();
  void href_lookahead();
  void close_tag();  // at a tag's '>': its rows by its state, then outside again
  void syntax();
  bool match(int64_t at, const char *word, int len) const;
  unsigned char byte_at(int64_t at) const { return at < size_ ? buf_[at] : 0; }

  const char *buf_;  // the input; bytes past size_ read as zero
  int64_t size_;
  HtmlColors colors_;
  OutBuf *out_;
  OutBuf *err_;

  int state;
  int64_t bcnt;  // index of the byte being handled
  int64_t line, column;
  int64_t line_start_;  // index of the current line's first byte: column is bcnt - line_start_ + 1
  int end;  // 1 inside a closing tag
  int64_t sline, scolumn;
  int64_t pre_sline, pre_scolumn;
  int64_t lnk_sline, lnk_scolumn;
  int64_t url_sline, url_scolumn;
  int64_t inbracket;  // bytes seen since the last '<'; 0 outside a tag
  Digits start_line_, end_line_;  // of a row's first line and of its last
};

#endif
