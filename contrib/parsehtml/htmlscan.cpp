// The html filter's scanner: finds tags byte by byte and writes their color areas.
#include "htmlscan.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cstring>

#include "bytescan.h"
#include "htmltexts.h"

#if defined(__x86_64__) && __has_include(<sys/platform/x86.h>)
#define _Bool bool  // the header is written for C
#include <sys/platform/x86.h>
#undef _Bool
#define COUNTING_TARGET __attribute__((target("popcnt")))
#else
#define COUNTING_TARGET
#endif

namespace {

// Whether the processor counts a word's bits in one instruction, as the C library found before
// main: asking the processor again would cost as much as the scan of a small page.
bool processor_counts_bits() {
#ifdef CPU_FEATURE_ACTIVE
  return CPU_FEATURE_ACTIVE(POPCNT);
#else
  return false;
#endif
}

// Compares len bytes at buf, each ORed with 0x20, with string; 1 when all are equal.
int cmp(const char *buf, const char *string, int len) {
  for (int k = 0; k < len; k++)  // k: byte compared
    if (static_cast<char>(buf[k] | 0x20) != string[k]) return 0;
  return 1;
}

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
constexpr size_t kTagCount = sizeof kTags / sizeof kTags[0];
struct Probes {
  std::array<Probe, kTagCount + 1> list;  // [0] matches no name
  std::array<uint8_t, 256> starts;        // of a folded first byte: 1 when a keyword begins with it
  std::array<uint8_t, 1024> first;        // by slot(): the probe to try
};
constexpr Probes kProbes = [] {
  Probes t{};
  t.list[0] = Probe{0xff, 0, 0, 0, 0, State::IDLE, 0};  // no folded byte is zero
  uint8_t n = 1;
  for (const Tag &k : kTags) {
    Probe &p = t.list[n];
    p = Probe{0, 0, 0, 0, k.letters + (k.need_gt ? 1 : 0), k.state, 0};
    for (int j = 0; j < k.letters; j++) {
      p.mask |= 0xffULL << (8 * j);
      p.word |= uint64_t{static_cast<unsigned char>(k.keyword[j])} << (8 * j);
    }
    if (k.need_gt) p.raw_mask = 0xffULL << 8, p.raw_word = uint64_t{'>'} << 8;
    auto first = static_cast<unsigned char>(k.keyword[0]);
    t.starts[first] = 1;
    for (unsigned second = 0; second < 32; second++) {
      // A one-letter word is tried after any byte, or only before the '>' it needs.
      if (k.letters > 1 && second != (static_cast<unsigned char>(k.keyword[1]) & 0x1fu)) continue;
      if (k.need_gt && second != ('>' & 0x1f)) continue;
      uint8_t *at = &t.first[slot(first, second)];
      while (*at) at = &t.list[*at].next;
      *at = n;
    }
    n++;
  }
  return t;
}();

// The most bytes a keyword's test reads: a name with these many bytes in the block is whole.
constexpr size_t kNameBytes = [] {
  int most = 0;
  for (const Probe &p : kProbes.list) most = std::max(most, p.len);
  return static_cast<size_t>(most);
}();
static_assert(kNameBytes <= 8, "a name's keyword is found in one eight-byte load");

// Whether the eight bytes at a name pass k's test, in the bytes under known.
inline bool matches(const Probe &k, uint64_t bytes, uint64_t known = ~0ULL) {
  uint64_t folded = bytes | 0x2020202020202020ULL;
  return ((folded & k.mask & known) == (k.word & known)) &
         ((bytes & k.raw_mask & known) == (k.raw_word & known));
}

// The first keyword to test for a name that begins with these eight bytes.
inline const Probe *first_probe(uint64_t bytes) {
  return &kProbes.list[kProbes.first[slot(bytes & 0xff, bytes >> 8 & 0xff)]];
}

// The state of the tag whose name begins with these eight bytes; IDLE when it is no keyword. No
// name matches two keywords, so the first that matches is the one.
inline State keyword(uint64_t bytes) {
  for (const Probe *k = first_probe(bytes);; k = &kProbes.list[k->next]) {
    if (matches(*k, bytes)) return k->state;
    if (!k->next) return State::IDLE;
  }
}

// Whether a state's rows are the plain ones of its tags (all but pre, anchors and comments).
constexpr bool plain(State s) {
  return s != State::PRE && s != State::A && s != State::CMNT;
}
// What the tables must hold: at most two plain rows for a state (plain_ has room for two), and
// a default for every color slot, given once.
constexpr bool tables_hold() {
  for (int s = 0; s < kStates; s++) {
    int rows = 0;
    for (const Tag &t : kTags) rows += static_cast<int>(t.state) == s && plain(t.state);
    if (rows > 2) return false;
  }
  for (int c = 0; c < kHtmlColorCount; c++) {
    int given = 0;
    for (const Tag &t : kTags) given += static_cast<int>(t.clr) == c;
    for (const TextColor &t : kTextColors) given += static_cast<int>(t.clr) == c;
    if (given != 1) return false;
  }
  return true;
}
static_assert(tables_hold(), "a state has at most two plain rows; every color one default");

constexpr const Tag &tag_of(State s) {
  for (const Tag &t : kTags)
    if (t.state == s) return t;
  return kTags[0];
}

}  // namespace

HtmlColors html_default_colors() {
  HtmlColors c;
  for (const Tag &t : kTags) c.clr[static_cast<int>(t.clr)] = t.dflt;
  for (const TextColor &t : kTextColors) c.clr[static_cast<int>(t.clr)] = t.dflt;
  return c;
}

HtmlColors html_colors_from_args(char *const *argv) {
  HtmlColors c;
  for (int k = 0; k < kHtmlColorCount; k++) c.clr[k] = argv[k + 2];
  return c;
}

void HtmlClasses::classify(const char *p, uint64_t (&classes)[Block::kClasses]) {
  static constexpr char kBytes[] = {'<', '>', '\x1e', '\n'};
  uint64_t m[4];
  byte_masks(p, kBytes, m);
  classes[0] = m[0] | m[1];
  classes[1] = m[1] | m[2];
  classes[2] = m[3];
}

void HtmlScanner::reset() {
  state = State::IDLE;
  bcnt = 0;
  base_ = 0;
  line = 1;
  column = 0;
  block_line_ = 1;
  block_line_start_ = 0;
  end = 0;
  sline = 1, scolumn = 0;
  pre_sline = 1, pre_scolumn = 0;
  lnk_sline = 1, lnk_scolumn = 0;
  url_sline = 1, url_scolumn = 0;
  inbracket = 0;
  href_ = -1;
}

HtmlScanner::Tail HtmlScanner::add_tail(std::initializer_list<std::string_view> pieces) {
  Tail t{static_cast<uint32_t>(tail_.size()), 0};
  for (std::string_view piece : pieces) tail_ += piece;
  tail_ += kRowEnd;
  t.len = static_cast<uint32_t>(tail_.size() - t.at);
  return t;
}

void HtmlScanner::bind(const HtmlColors &colors) {
  tail_.clear();
  for (int &n : plain_count_) n = 0;
  for (const Tag &t : kTags) {
    auto s = static_cast<int>(t.state);
    if (plain(t.state))
      plain_[s][plain_count_[s]++] = add_tail({kArea, colors[t.clr], kAreaLabel, t.label});
  }
  const Tag &a = tag_of(State::A), &pre = tag_of(State::PRE), &cmnt = tag_of(State::CMNT);
  std::string_view fgc = colors[HtmlColor::fgc_clr], bgc = colors[HtmlColor::bgc_clr];
  a_ = add_tail({kArea, colors[a.clr], kAreaLabel, a.label});
  link_ = add_tail({kArea, colors[HtmlColor::link_clr], kAreaLabel, kLabelLink});
  url_ = add_tail({kArea, colors[HtmlColor::url_clr], kAreaLabel, kLabelUrl});
  url_link_ = add_tail({kArea, colors[a.clr], kAreaLabel, kLabelUrlLink});
  pre_open_ = add_tail({kToEnd, colors[pre.clr], kToEndBackground, bgc, kToEndLabel, pre.label});
  pre_block_ = add_tail({kArea, colors[pre.clr], kAreaLabel, kLabelPre});
  pre_rest_ = add_tail({kToEnd, fgc, kToEndBackground, bgc, kToEndLabel, kLabelPre});
  cmnt_ = add_tail({kArea, colors[cmnt.clr], kAreaLabel, cmnt.label});
}

void HtmlScanner::run(HtmlReader &in, const HtmlColors &colors, OutBuf &out, OutBuf &err) {
  reset();
  bind(colors);
  out_ = &out;
  err_ = &err;
  out.format(kOpening, colors[HtmlColor::bgc_clr], colors[HtmlColor::fgc_clr]);
  Block b;
  auto step =
      use_popcnt && processor_counts_bits() ? &HtmlScanner::feed_popcnt : &HtmlScanner::feed;
  for (size_t from = 0; in.next(from, &b);) {
    from = (this->*step)(b);
    if (in.drained()) out.flush();
  }
  out.put(kClosing);
}

inline void HtmlScanner::locate(size_t i) {
  size_t w = i / 64;
  uint64_t before = newlines_[w] & ((1ULL << (i % 64)) - 1);
  line = lines_[w] + popcount(before);
  int64_t start =
      before ? base_ + static_cast<int64_t>(w * 64 + 64 - __builtin_clzll(before)) : starts_[w];
  column = base_ + static_cast<int64_t>(i) - start + 1;
}

// feed() again, with all it calls inlined, where the processor counts a word's bits in one
// instruction (each tag's line, each 64 bytes' newlines). 4 to 11% less time on real pages, from
// the file and through a pipe, into dd and into the Python reader (41 pairs each, with and
// without).
COUNTING_TARGET __attribute__((flatten)) size_t HtmlScanner::feed_popcnt(const Block &b) {
  return feed(b);
}

size_t HtmlScanner::feed(const Block &b) {
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
  bcnt = 0;
  if (href_ >= 0) href_lookahead(0);
  while (bcnt < n_) {
    if (state == State::CMNT) {
      // Only "-->" matters, found at its last byte: '>' or 0x1e (as a carriage return is '-').
      // Its first two bytes may lie in the block before, whose last bytes stand before d_.
      bcnt = find_bit(ends_, bcnt, n_);
      if (bcnt >= n_) break;
      if (cmp(d_ + bcnt - 2, "-->", 3)) {
        locate(bcnt);
        column -= 2;
        area(cmnt_, sline, scolumn, line, column + 3);
        state = State::IDLE;
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
    assert(state == State::IDLE);
    size_t name = at + 1;
    char ch = d_[name];  // zero past the block
    // The name waits for the next block, or there is none: newlines before a name pass over.
    if (name >= n_ || ch == '\n' || ch == '<' || ch == '>') {
      inbracket = 1;
      bcnt = name;
      return true;
    }
    inbracket = 2;
    if (name + 1 + kNameBytes > n_) {  // the name may go on in the next block: the careful step
      bcnt = name;
      if (!tag_name()) {
        inbracket = 1;
        return false;
      }
      if (++bcnt >= n_ || state == State::CMNT) return true;
      w = bcnt / 64;
      m = brackets_[w] & (~0ULL << (bcnt % 64));
      continue;
    }
    // The name, after a '/' too, is whole in the block, and its keyword is found in place. 9 to 14%
    // less time on real pages than the careful step for every name (41 pairs each into dd and into
    // the Python reader, from the file and through a pipe).
    end = ch == '/';
    size_t at_name = name + end;  // the byte after a '/' is consumed here, not visited again
    uint64_t bytes;
    memcpy(&bytes, d_ + at_name, 8);
    State found = keyword(bytes);
    if (end) {  // the byte after the '/' may be a '>', which is part of the name
      w = (at_name + 1) / 64;
      m = brackets_[w] & (~0ULL << ((at_name + 1) % 64));
    }
    if (found == State::IDLE) continue;
    state = found;
    bcnt = at_name;
    place_name(at_name);
    if (state == State::CMNT) {
      bcnt++;
      return true;
    }
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
  // A test that stops at its first unequal byte would only need a byte not yet read when all
  // before it are equal.
  for (const Probe *k = first_probe(bytes);; k = &kProbes.list[k->next]) {
    if (static_cast<size_t>(k->len) > have && matches(*k, bytes, known)) return false;
    if (!k->next) break;
  }
  State found = keyword(bytes);
  end = at != bcnt;
  bcnt = at;
  if (found == State::IDLE) return true;  // no rows to place: see close_tag()
  state = found;
  place_name(at);
  return true;
}

void HtmlScanner::place_name(size_t at) {
  if (d_[at] == '\n') {  // only after a '/': newlines before a name pass over
    locate(at + 1);
    column = 0;
  } else {
    locate(at);
  }
  if (state == State::PRE && end == 0) {
    pre_sline = line;
    pre_scolumn = column - 1;
  }
  scolumn = column - 1 - end;
  sline = line;
  if (state == State::A && end == 0) {
    href_ = 0;
    href_lookahead(bcnt + 1);
  }
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
  if (state == State::IDLE && inbracket) {
    end = 0;
    inbracket = 0;
    return;
  }
  locate(at);
  if (inbracket == 0) syntax();
  if (state != State::IDLE) rows();
  end = 0;
  inbracket = 0;
  state = State::IDLE;
}

void HtmlScanner::rows() {
  auto s = static_cast<int>(state);
  for (int r = 0; r < plain_count_[s]; r++) area(plain_[s][r], sline, scolumn, line, column + 1);
  if (state == State::PRE) {
    if (end == 0) {
      to_end(pre_open_, line, column + 2);
    } else {
      area(pre_block_, pre_sline, pre_scolumn, line, column + 1);
      to_end(pre_rest_, line, column + 2);
    }
  } else if (state == State::A) {
    if (end == 0) {
      area(a_, sline, scolumn, line, lnk_sline != 0 ? scolumn + 3 : column + 1);
      url_sline = line;
      url_scolumn = column;
    } else {
      if (lnk_sline != 0) area(link_, lnk_sline, lnk_scolumn + 1, line, url_scolumn);
      area(url_, url_sline, url_scolumn + 1, line, column - 3);
      area(url_link_, line, column - 3, line, column + 1);
    }
  }
}

inline void HtmlScanner::area(const Tail &t, int64_t l1, int64_t c1, int64_t l2, int64_t c2) {
  char *w = out_->reserve(2 * kPlaceRoom + 1 + t.len);
  if (!w) return;
  w = put_place(w, l1, c1);
  *w++ = ',';
  w = put_place(w, l2, c2);
  memcpy(w, tail_.data() + t.at, t.len);
  out_->commit(w + t.len);
}

void HtmlScanner::to_end(const Tail &t, int64_t l, int64_t c) {
  char *w = out_->reserve(kPlaceRoom + t.len);
  if (!w) return;
  w = put_place(w, l, c);
  memcpy(w, tail_.data() + t.at, t.len);
  out_->commit(w + t.len);
}

void HtmlScanner::syntax() {
  err_->format(kSyntaxError, line, column);
}
