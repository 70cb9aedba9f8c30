// Tests of the html scanner in-process: cmp, rows from small pages, repeated runs, scans in
// parts against one scan.
#include "htmlscan.h"

#include <algorithm>
#include <cstring>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "html_reference.h"
#include "htmlparts.h"

namespace {

const char kHead[] = "1,$ ca;fgc '#ffff0010ffff';bgc black; fgc yellow\n";
const char kTail[] = "msg 'HTML parse complete.'";

struct Result {
  std::string out, err;
};

// The page read in blocks that end anywhere when seed is not 0 (reads of drawn sizes).
Result scan(const std::string &page, uint64_t seed = 0) {
  OutBuf out, err;
  HtmlScanner s;
  MemoryInput input{page.data(), page.size(), seed};
  BlockReader in(MemoryInput::read, &input, html_classify);
  s.run(in, html_default_colors(), out, err);
  return {out.str(), err.str()};
}

// The stream and messages of the literal scan, with the default colors.
Result reference(const std::string &page) {
  std::string colors[kHtmlColorCount];
  const char *words[kHtmlColorCount];
  for (int k = 0; k < kHtmlColorCount; k++)
    words[k] = (colors[k] = std::string(html_default_colors().clr[k])).c_str();
  ReferenceHtml ref(page, words);
  return {ref.out, ref.err};
}

// The rows alone, without the opening line and closing message.
std::string rows(const std::string &page) {
  std::string all = scan(page).out;
  EXPECT_EQ(all.compare(0, sizeof kHead - 1, kHead), 0);
  EXPECT_GE(all.size(), sizeof kHead - 1 + sizeof kTail - 1);
  EXPECT_EQ(all.substr(all.size() - (sizeof kTail - 1)), kTail);
  return all.substr(sizeof kHead - 1, all.size() - (sizeof kHead - 1) - (sizeof kTail - 1));
}

// A page in memory read at offsets, as a file: some reads give only a few bytes, as the
// offset says (no state, as threads read at once).
struct PageAt {
  const std::string &page;
  int64_t fails = -1;  // reads that reach this offset fail
  static ssize_t read(void *self, char *buf, size_t n, int64_t offset) {
    auto *at = static_cast<PageAt *>(self);
    const std::string &page = at->page;
    if (at->fails >= 0 && offset + static_cast<int64_t>(n) > at->fails) return -1;
    if (offset >= static_cast<int64_t>(page.size())) return 0;
    uint64_t h = static_cast<uint64_t>(offset) * 0x9e3779b97f4a7c15ULL >> 40;
    if (h % 4 == 0) n = std::min<size_t>(n, 1 + h % 7);
    n = std::min(n, page.size() - static_cast<size_t>(offset));
    memcpy(buf, page.data() + offset, n);
    return static_cast<ssize_t>(n);
  }
};

// The page scanned in parts of the given size by threads threads; options as given.
Result scan_parts(const std::string &page, HtmlPartsOptions o, HtmlPartsStats *stats = nullptr,
                  int64_t fails = -1) {
  OutBuf out, err;
  PageAt at{page, fails};
  o.stats = stats;
  EXPECT_TRUE(html_run_parts(PageAt::read, &at, static_cast<int64_t>(page.size()),
                             html_default_colors(), out, err, o));
  return {out.str(), err.str()};
}

// Pages rich in what the scanner's skips must not miss: tags in tags, comments ending with
// carriage returns or 0x1e, a newline after "</", names of every keyword and near misses
// (a one-letter name before 0x1e, which folds to '>'; names made of two bits).
const char *const kBits[] = {
    "<",     ">",     "</",        "<!--",   "-->",     "--",         "-",        "\r",
    "\x1e",  "\n",    " ",         "\t",     "x",       "<a href=x>", "</a>",     "<A\tHREF=",
    "<a >",  "<pre>", "</pre>",    "<p>",    "<P>",     "<p ",        "<b>",      "<i>",
    "<img ", "<h1>",  "<h5>",      "<titl>", "<title>", "<blockqx>",  "<!-->",    "</\n",
    "<\n",   "<<h2>", "<thead>",   "<form>", "<hr>",    "<br>",       "<option>", "<select",
    "<td>",  "<em",   "<caption>", "<font",  "<head>",  "<html>",     "<body>",   "<center>",
    "<ul>",  "<li>",  "<ol>",      "<tr>",   "<th>",    "<table>",    "<>",       "href",
    "\0",    "<p",    "<B",        "<i",     "<fO",     "rm>",        "nt>"};

std::string random_page(std::mt19937 &rng, size_t bits) {
  std::string page;
  for (size_t k = 0; k < bits; k++) page += kBits[rng() % (sizeof kBits / sizeof kBits[0])];
  return page;
}

}  // namespace

TEST(Cmp, FoldsOnlyTheInputByte) {
  EXPECT_EQ(cmp("BODY", "body", 4), 1);
  EXPECT_EQ(cmp("BoDyX", "body", 4), 1);  // no word boundary needed
  EXPECT_EQ(cmp("body", "BODY", 4), 0);   // the keyword is taken as stored
  EXPECT_EQ(cmp("\r\r>", "-->", 3), 1);   // a carriage return ORed with 0x20 is '-'
  EXPECT_EQ(cmp("xyz", "abc", 0), 1);
  EXPECT_EQ(cmp("h2", "h1", 2), 0);
}

TEST(Cmp, StopsAtTheFirstDifference) {
  const char one[1] = {'x'};  // only one byte may be read
  EXPECT_EQ(cmp(one, "html", 4), 0);
}

TEST(HtmlScanner, EmptyInputGivesOpeningAndClosingOnly) {
  EXPECT_EQ(scan("").out, std::string(kHead) + kTail);
  EXPECT_EQ(rows(""), "");
}

TEST(HtmlScanner, PlainTagRowsRunFromLessThanToPastGreaterThan) {
  EXPECT_EQ(rows("<html>"), "[1,1],[1,7]ca cyan \"\" # HTML\n");
  EXPECT_EQ(rows("<h1>Title</h1>"),
            "[1,1],[1,5]ca cyan \"\" # H1    \n"
            "[1,10],[1,15]ca cyan \"\" # H1    \n");
}

TEST(HtmlScanner, SharedStatesWriteBothRows) {
  std::string img = rows("<img src=\"x\">");
  EXPECT_EQ(img, "[1,1],[1,14]ca cyan \"\" # IMG   \n[1,1],[1,14]ca cyan \"\" # FORM  \n");
  EXPECT_EQ(rows("<form>"), "[1,1],[1,7]ca cyan \"\" # IMG   \n[1,1],[1,7]ca cyan \"\" # FORM  \n");
}

TEST(HtmlScanner, StrayGreaterThanReportsSyntaxAndWritesNoRow) {
  Result r = scan("x > y");
  EXPECT_EQ(r.err, "Syntax error at line 1, on character 3!\n");
  EXPECT_EQ(r.out, std::string(kHead) + kTail);
}

TEST(HtmlScanner, CommentRowAndNothingAtItsGreaterThan) {
  EXPECT_EQ(rows("<!-- x -->"), "[1,1],[1,11]ca white \"\" # CMNT  \n");
  EXPECT_EQ(rows("<!-->"), "[1,1],[1,6]ca white \"\" # CMNT  \n");
}

TEST(HtmlScanner, TrailingSlashOrLessThanReadsNothingPastTheEnd) {
  // Under the sanitizers these would catch a read past the buffer.
  for (const char *page : {"<", "</", "<a", "<a ", "<!-", "<!--", "<!---", "<p", "<pr", "<a\thre"})
    EXPECT_EQ(rows(page), "") << page;
}

TEST(HtmlScanner, RunsTheSameTwice) {
  const std::string page = "<pre>\nx\n</pre><a href=\"u\">t</a><!-- c";
  HtmlScanner s;
  OutBuf a, b, e;
  s.run(page.data(), static_cast<int64_t>(page.size()), html_default_colors(), a, e);
  s.reset();
  s.run(page.data(), static_cast<int64_t>(page.size()), html_default_colors(), b, e);
  EXPECT_EQ(a.str(), b.str());
  EXPECT_EQ(a.str(), scan(page).out);
}

TEST(HtmlScanner, BlocksMayEndInsideANameACommentEndOrAnHref) {
  // A block may end in the middle of a keyword, of the byte after "</", of "-->" (whose first
  // bytes the block before holds), of the blanks before "href" and of "href" itself.
  std::string page =
      "<b>x</b><blockquote><BLOCKQX></caption>\n<!-- c --\r><a  \t \t hRef=\"u\">t</a>"
      "<a \t\t h>z</a></\n h1><p></p><p ><pre>\n</pre><!---->";
  page += "<a" + std::string(70000, ' ') + "href=x>long</a>";  // blanks over a whole block
  std::string want = reference(page).out;
  EXPECT_NE(want.find("# Link"), std::string::npos);
  EXPECT_EQ(scan(page).out, want);
  for (uint64_t seed = 1; seed <= 300; seed++) ASSERT_EQ(scan(page, seed).out, want) << seed;
}

TEST(HtmlScanner, AgreesWithTheLiteralScan) {
  std::mt19937 rng(13);
  HtmlScanner s;
  for (int round = 0; round < 4000; round++) {
    // Now and then a page of more than one full block, read whole blocks at a time.
    std::string page =
        random_page(rng, round % 500 == 0 ? 20000 + rng() % 4000 : rng() % (round % 50 ? 40 : 400));
    if (round % 7 == 0) page += std::string(rng() % 40, '<');  // runs of '<' in a tag
    OutBuf out, err;
    s.reset();
    MemoryInput input{page.data(), page.size(), static_cast<uint64_t>(round % 3 ? round : 0)};
    BlockReader in(MemoryInput::read, &input, html_classify);
    s.run(in, html_default_colors(), out, err);
    Result want = reference(page);
    ASSERT_EQ(out.str(), want.out) << "page: " << page;
    ASSERT_EQ(err.str(), want.err) << "page: " << page;
  }
}

TEST(HtmlParts, AgreeWithOneScan) {
  // Parts of a few bytes, so that parts start and end inside names, comments, hrefs and pre
  // blocks; now and then a tiny output cap, so that parts stop early.
  std::mt19937 rng(17);
  HtmlPartsStats stats;
  for (int round = 0; round < 1500; round++) {
    std::string page = random_page(rng, 1 + rng() % (round % 10 ? 60 : 600));
    HtmlPartsOptions o;
    o.threads = 2 + static_cast<int>(rng() % 3);
    o.part = 1 + rng() % 80;
    if (round % 4 == 0) o.cap = rng() % 300;
    Result want = scan(page);
    Result got = scan_parts(page, o, &stats);
    ASSERT_EQ(got.out, want.out) << "page: " << page << " part " << o.part << " cap " << o.cap
                                 << " threads " << o.threads;
    ASSERT_EQ(got.err, want.err) << "page: " << page << " part " << o.part << " cap " << o.cap
                                 << " threads " << o.threads;
  }
  // Every way of placing a part was taken.
  EXPECT_GT(stats.rescans, 0);
  EXPECT_GT(stats.stops, 0);
  EXPECT_GT(stats.holes, 0);
}

TEST(HtmlParts, GuessesHoldOnPagesWithoutCommentsAcrossParts) {
  // Tags, anchors and pre blocks over many lines, some longer than a block: every part's
  // guess holds, so none is scanned twice, and the anchors and pre blocks that a part closes
  // get their places from the parts before.
  std::string page;
  for (int k = 0; k < 4000; k++) {
    page += "<p>text <b>bold</b>\n<a href=\"u\">link\n</a> <!-- c --> <pre>x\n\ny</pre>\n";
    if (k % 1000 == 999) page += std::string(70000, 'x') + "\n";  // a part longer than a block
  }
  HtmlPartsOptions o;
  o.part = 3000;
  o.threads = 2;
  HtmlPartsStats stats;
  Result got = scan_parts(page, o, &stats);
  EXPECT_EQ(got.out, scan(page).out);
  EXPECT_EQ(stats.rescans, 0);
  EXPECT_EQ(stats.stops, 0);
  EXPECT_GT(stats.holes, 0);
  EXPECT_GT(stats.parts, 50);
}

TEST(HtmlParts, ACommentOverManyPartsIsScannedAgainInTurn) {
  std::string page = "<b>x</b>\n<!-- " + std::string(5000, '>') + " -->\n<i>y</i><pre>\n</pre>";
  HtmlPartsOptions o;
  o.part = 100;
  HtmlPartsStats stats;
  EXPECT_EQ(scan_parts(page, o, &stats).out, scan(page).out);
  EXPECT_GT(stats.rescans, 0);
}

TEST(HtmlParts, AFailedReadOrAShorterFileEndsTheInputThere) {
  // As for one scan, the rest of the file counts as empty: the rows are those of the whole
  // page up to some place before the failure, then the closing message.
  std::string page;
  for (int k = 0; k < 3000; k++) page += "<p>x</p><a href=u>y</a><!-- c -->\n";
  std::string whole = scan(page).out;
  for (int64_t fails : {int64_t{0}, int64_t{5000}, int64_t{40000}, int64_t{90000}}) {
    HtmlPartsOptions o;
    o.part = 1000;
    std::string got = scan_parts(page, o, nullptr, fails).out;
    ASSERT_GE(got.size(), sizeof kTail - 1);
    EXPECT_EQ(got.substr(got.size() - (sizeof kTail - 1)), kTail) << fails;
    std::string rows = got.substr(0, got.size() - (sizeof kTail - 1));
    EXPECT_EQ(whole.compare(0, rows.size(), rows), 0) << fails;
    // No row of what lies past the failure.
    std::string before = scan(page.substr(0, static_cast<size_t>(fails))).out;
    EXPECT_LE(rows.size(), before.size() - (sizeof kTail - 1)) << fails;
  }
  // A file that shrank after its size was taken reads as what it holds.
  for (size_t more : {size_t{1}, size_t{5000}, size_t{200000}}) {
    OutBuf out, err;
    PageAt at{page};
    HtmlPartsOptions o;
    o.part = 1000;
    ASSERT_TRUE(html_run_parts(PageAt::read, &at, static_cast<int64_t>(page.size() + more),
                               html_default_colors(), out, err, o));
    EXPECT_EQ(out.str(), whole) << more;
  }
}
