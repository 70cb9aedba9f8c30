// Fuzzes the html scanner: any bytes, in blocks that end anywhere, give a well-formed stream,
// the same as in one block, and the same as the literal scan.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <string>

#include "html_reference.h"
#include "memory_input.h"
#include "htmlscan.h"
#include "streamcheck.h"

namespace {

// Colors named after their variables, so that each row's color can be checked.
const char *const kNames[kHtmlColorCount] = {
    "FGC", "BGC",   "LINK",    "URL",    "HTML",   "BODY",       "PRE", "TITLE", "CENTER",
    "A",   "H1",    "H2",      "H3",     "H4",     "UL",         "LI",  "OL",    "IMG",
    "HR",  "BR",    "FORM",    "SELECT", "OPTION", "CMNT",       "B",   "TD",    "TR",
    "TH",  "TABLE", "CAPTION", "EM",     "I",      "BLOCKQUOTE", "P",   "FONT",  "HEAD"};

// Label (with its blanks) of every row ending at a position, and the color it must carry.
const std::map<std::string, std::string> kLabels = {{"HTML", "HTML"},
                                                    {"BODY", "BODY"},
                                                    {"P     ", "P"},
                                                    {"FONT  ", "FONT"},
                                                    {"HEAD  ", "HEAD"},
                                                    {"TITLE ", "TITLE"},
                                                    {"CENTER", "CENTER"},
                                                    {"H1    ", "H1"},
                                                    {"H2    ", "H2"},
                                                    {"H3    ", "H3"},
                                                    {"H4    ", "H4"},
                                                    {"UL    ", "UL"},
                                                    {"LI    ", "LI"},
                                                    {"OL    ", "OL"},
                                                    {"IMG   ", "IMG"},
                                                    {"HR    ", "HR"},
                                                    {"BR    ", "BR"},
                                                    {"FORM  ", "FORM"},
                                                    {"SELECT", "SELECT"},
                                                    {"OPTION", "OPTION"},
                                                    {"B     ", "B"},
                                                    {"TD     ", "TD"},
                                                    {"TR     ", "TR"},
                                                    {"TH     ", "TH"},
                                                    {"TABLE     ", "TABLE"},
                                                    {"CAPTION     ", "CAPTION"},
                                                    {"EM     ", "EM"},
                                                    {"I     ", "I"},
                                                    {"BLOCKQUOTE     ", "BLOCKQUOTE"},
                                                    {"PRE", "PRE"},
                                                    {"A     ", "A"},
                                                    {"Link  ", "LINK"},
                                                    {"URL  ", "URL"},
                                                    {"url - link  ", "A"},
                                                    {"CMNT  ", "CMNT"}};

void check_row(const std::string &line, int64_t lines) {
  const char *s = line.c_str();
  int64_t l1, c1, l2, c2;
  if (!eat_pos(s, &l1, &c1)) stream_fault("start position", line);
  if (l1 < 1 || l1 > lines) stream_fault("start line out of the file", line);
  if (eat(s, ",$ca ")) {
    // An area to the end of the file: the opening of a pre block, or the text after one.
    std::string rest = s;
    if (rest != "PRE BGC # PRE  " && rest != "FGC BGC # PRE") stream_fault("$ row", line);
    return;
  }
  if (!eat(s, ",") || !eat_pos(s, &l2, &c2)) stream_fault("end position", line);
  if (l2 < l1 || l2 > lines) stream_fault("end line", line);
  if (!eat(s, "ca ")) stream_fault("command", line);
  const char *sp = strchr(s, ' ');
  if (!sp) stream_fault("color", line);
  std::string color(s, sp);
  s = sp;
  if (!eat(s, " \"\" # ")) stream_fault("background", line);
  auto label = kLabels.find(s);
  if (label == kLabels.end()) stream_fault("label", line);
  if (label->second != color) stream_fault("color of " + label->second, line);
}

// The stream of the input read in blocks that end where the reads of seed cut it (0: whole).
std::string scan(HtmlScanner &scanner, const char *data, size_t size, uint64_t seed,
                 const HtmlColors &c, std::string *errors = nullptr) {
  OutBuf out, err;
  MemoryInput input{data, size, seed};
  HtmlReader in(MemoryInput::read, &input);
  scanner.run(in, c, out, err);
  if (errors) *errors = err.str();
  return out.str();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  char *argv[kHtmlArgCount] = {};
  for (int k = 0; k < kHtmlColorCount; k++) argv[k + 2] = const_cast<char *>(kNames[k]);
  HtmlColors colors = html_colors_from_args(argv);
  const char *bytes = reinterpret_cast<const char *>(data);
  HtmlScanner scanner;
  std::string errors;
  // Blocks cut where the input's own bytes say, so that the fuzzer steers the cuts too.
  uint64_t seed = size ? 1 + data[size - 1] * 257u + data[0] : 0;
  std::string stream = scan(scanner, bytes, size, seed, colors, &errors);
  scanner.use_popcnt = false;  // the copy of the scan for processors without the instruction
  if (scan(scanner, bytes, size, 0, colors) != stream) stream_fault("whole input differs", "");
  ReferenceHtml ref(std::string(bytes, size), kNames);
  if (ref.out != stream) stream_fault("differs from the literal scan", stream);
  if (ref.err != errors) stream_fault("syntax messages differ from the literal scan", errors);

  int64_t lines = 1;
  for (size_t i = 0; i < size; i++) lines += data[i] == '\n';
  const std::string opening = "1,$ ca;fgc '#ffff0010ffff';bgc BGC; fgc FGC\n";
  const std::string closing = "msg 'HTML parse complete.'";
  if (stream.compare(0, opening.size(), opening) != 0) stream_fault("opening", stream);
  if (stream.size() < opening.size() + closing.size() ||
      stream.compare(stream.size() - closing.size(), closing.size(), closing) != 0)
    stream_fault("closing", stream);
  size_t at = opening.size(), stop = stream.size() - closing.size();
  while (at < stop) {
    size_t nl = stream.find('\n', at);
    if (nl == std::string::npos || nl >= stop)
      stream_fault("row without newline", stream.substr(at));
    check_row(stream.substr(at, nl - at), lines);
    at = nl + 1;
  }
  return 0;
}
