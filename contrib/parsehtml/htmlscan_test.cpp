// Tests of the html scanner in-process: rows from small pages, blocks that end anywhere, repeated
// runs, and random pages against the literal scan.
#include "htmlscan.h"

#include <algorithm>
#include <cstring>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "html_reference.h"
#include "memory_input.h"

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
  HtmlReader in(MemoryInput::read, &input);
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

TEST(HtmlScanner, AnInputThatEndsInsideANameWritesNoRow) {
  // The zeros behind the last block match no keyword letter, no '>' and no "href".
  for (const char *page : {"<", "</", "<a", "<a ", "<!-", "<!--", "<!---", "<p", "<pr", "<a\thre"})
    EXPECT_EQ(rows(page), "") << page;
}

TEST(HtmlScanner, RunsTheSameTwice) {
  // The second run starts from the words of a first that ended inside a comment.
  const std::string page = "<pre>\nx\n</pre><a href=\"u\">t</a><!-- c";
  HtmlScanner s;
  OutBuf a, b, e;
  for (OutBuf *out : {&a, &b}) {
    MemoryInput input{page.data(), page.size()};
    HtmlReader in(MemoryInput::read, &input);
    s.run(in, html_default_colors(), *out, e);
  }
  EXPECT_EQ(a.str(), b.str());
  EXPECT_EQ(a.str(), reference(page).out);
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
    MemoryInput input{page.data(), page.size(), static_cast<uint64_t>(round % 3 ? round : 0)};
    HtmlReader in(MemoryInput::read, &input);
    s.use_popcnt = round % 2;  // both copies of the scan
    s.run(in, html_default_colors(), out, err);
    Result want = reference(page);
    ASSERT_EQ(out.str(), want.out) << "page: " << page;
    ASSERT_EQ(err.str(), want.err) << "page: " << page;
  }
}
