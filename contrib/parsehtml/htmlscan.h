// The html filter's scanner: HTML bytes in, color command rows out.
#ifndef ILVO_HTMLSCAN_H
#define ILVO_HTMLSCAN_H

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "blockreader.h"
#include "outbuf.h"

// The 36 color slots of the editor's color pragma, in the order of the command-line arguments.
enum class HtmlColor : uint8_t {
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
};
constexpr int kHtmlColorCount = static_cast<int>(HtmlColor::head_clr) + 1;
// The argument count (program name and file included) that carries the colors.
constexpr int kHtmlArgCount = kHtmlColorCount + 2;

// The color words, one for each slot.
struct HtmlColors {
  std::string_view clr[kHtmlColorCount];
  std::string_view operator[](HtmlColor c) const { return clr[static_cast<int>(c)]; }
};
// The default colors, used when the argument count is not kHtmlArgCount.
HtmlColors html_default_colors();
// The colors of argv[2] .. argv[37]; argv must hold kHtmlArgCount entries.
HtmlColors html_colors_from_args(char *const *argv);

// Tag states: what the name of the tag being read was. A state shared by two tags writes both
// tags' rows.
enum class State : uint8_t {
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
};
constexpr int kStates = static_cast<int>(State::CMNT) + 1;

// The reader's classes of bytes for html: 0, the tags' brackets ('<' and '>'); 1, what may end
// a comment ('>', and 0x1e, which ORed with 0x20 is '>'); 2, newlines.
struct HtmlClasses {
  static void classify(const char *p, uint64_t (&classes)[Block::kClasses]);
};
using HtmlReader = BlockReader<HtmlClasses>;

// The tag scanner over an input read a block at a time. Its words are those of the byte loop; a
// block ends anywhere, even inside a tag name, a "-->" or an href, and the stream is the same.
class HtmlScanner {
 public:
  // Writes the whole stream for the input of in, from the scanner's start: opening line, rows,
  // closing message. Rows go to out, syntax messages to err; out is flushed whenever the input
  // has no more bytes ready, so that rows flow as the input arrives.
  void run(HtmlReader &in, const HtmlColors &colors, OutBuf &out, OutBuf &err);
  // Off: the scan counts bits without the processor's instruction for it even where there is
  // one, as it does where there is none (for tests).
  bool use_popcnt = true;

 private:
  // A row's constant end (colors, label, newline): tail_[at, at + len).
  struct Tail {
    uint32_t at, len;
  };
  void reset();                         // every scanner word to its value at program start
  void bind(const HtmlColors &colors);  // the rows' tails, with their colors
  // A tail of these pieces and the row's end, added to tail_.
  Tail add_tail(std::initializer_list<std::string_view> pieces);
  // Handles a block from index bcnt on; returns the index of the first byte left for the next.
  size_t feed(const Block &b);
  size_t feed_popcnt(const Block &b);  // feed(), built to count bits with the instruction
  // The brackets from bcnt on, outside a tag or inside one past its name, until the block ends
  // or another step must follow; false when the rest waits for the next block.
  bool brackets();
  // The careful tag-name step at bcnt, for a name that may go on past the block: false, changing
  // nothing, while its outcome depends on bytes not read yet. On a closing tag bcnt moves to the
  // byte after the '/'.
  bool tag_name();
  // A named tag's places, at its name's first byte at (after any '/'), once its state is known.
  void place_name(size_t at);
  // Looks for "href" after blanks from index p of the block, if an anchor is waiting for it.
  void href_lookahead(size_t p);
  void close_tag(size_t at);  // at the '>' at index at: its rows by the state, then outside again
  void rows();                // the rows of a tag's '>' by its state
  // A row from [l1,c1] to [l2,c2], and one from [l,c] to the end of the file.
  void area(const Tail &t, int64_t l1, int64_t c1, int64_t l2, int64_t c2);
  void to_end(const Tail &t, int64_t l, int64_t c);
  void syntax();
  // Sets line and column to those of the byte at index i of the block.
  void locate(size_t i);

  std::string tail_;        // the tails, one after another
  Tail plain_[kStates][2];  // a state's plain rows, in table order
  int plain_count_[kStates];
  Tail a_, link_, url_, url_link_, pre_open_, pre_block_, pre_rest_, cmnt_;
  OutBuf *out_;
  OutBuf *err_;
  const char *d_;  // the block being handled
  size_t n_;
  bool last_;
  const uint64_t *brackets_, *ends_, *newlines_;  // its classes
  int64_t base_;                                  // bytes before the block
  // Lines are counted from the newlines' bits, not met one by one: at each 64 bytes of the
  // block, the line and the input offset of its first byte; at the block's start, these two.
  int64_t lines_[BlockInput::kBlock / 64 + 1], starts_[BlockInput::kBlock / 64 + 1];
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
