// The html filter's scan done literally, as the reference that the scanner must agree with:
// every byte handled in turn, every keyword tested at every tag name, rows by their table.
#ifndef ILVO_HTML_REFERENCE_H
#define ILVO_HTML_REFERENCE_H

#include <cstdio>
#include <string>

struct ReferenceHtml {
  std::string out, err;  // the stream and the syntax messages

  // colors: the 36 color words in argument order.
  ReferenceHtml(const std::string &file, const char *const *colors) : c(colors) {
    buf = file + std::string(10, '\0');  // ten zero bytes behind the data
    size = static_cast<long long>(file.size());
    add("1,$ ca;fgc '#ffff0010ffff';bgc %s; fgc %s\n", c[1], c[0]);
    for (bcnt = 0; bcnt < size; bcnt++) {
      char ch = buf[static_cast<size_t>(bcnt)];
      if (ch == '\n') {
        line++;
        column = 0;
        continue;
      }
      column++;
      if (state == kCmnt) {
        if (!cmp(bcnt, "-->", 3)) continue;
        add("[%lld,%lld],[%lld,%lld]ca %s \"\" # CMNT  \n", sline, scolumn, line, column + 3,
            c[23]);
        state = kIdle;
      }
      if (ch == '<') {
        inbracket++;
      } else if (ch == '>') {
        close();
      } else if (inbracket > 0) {
        if (inbracket == 1) name();
        inbracket++;
      }
    }
    out += "msg 'HTML parse complete.'";
  }

 private:
  // States: idle, the tag rows' labels, a comment.
  enum { kIdle = 100, kCmnt = 101 };
  struct Keyword {
    const char *word;
    int len, state;  // state: the index of its row in kRows, or kCmnt
    bool need_gt;
  };
  struct Row {
    const char *label;
    int color;  // argument index - 2
  };
  // Rows 1 to 29, in the order they are tested; IMG/FORM, HR/SELECT, BR/OPTION share a state.
  static constexpr Row kRows[] = {{"HTML", 4},
                                  {"BODY", 5},
                                  {"P     ", 33},
                                  {"FONT  ", 34},
                                  {"HEAD  ", 35},
                                  {"TITLE ", 7},
                                  {"CENTER", 8},
                                  {"H1    ", 10},
                                  {"H2    ", 11},
                                  {"H3    ", 12},
                                  {"H4    ", 13},
                                  {"UL    ", 14},
                                  {"LI    ", 15},
                                  {"OL    ", 16},
                                  {"IMG   ", 17},
                                  {"HR    ", 18},
                                  {"BR    ", 19},
                                  {"FORM  ", 20},
                                  {"SELECT", 21},
                                  {"OPTION", 22},
                                  {"B     ", 24},
                                  {"TD     ", 25},
                                  {"TR     ", 26},
                                  {"TH     ", 27},
                                  {"TABLE     ", 28},
                                  {"CAPTION     ", 29},
                                  {"EM     ", 30},
                                  {"I     ", 31},
                                  {"BLOCKQUOTE     ", 32}};
  static constexpr int kPre = 40, kA = 41;
  static constexpr Keyword kKeywords[] = {
      {"html", 4, 0, false},        {"body", 4, 1, false},     {"title", 5, 5, false},
      {"center", 6, 6, false},      {"a", 1, kA, false},       {"font", 4, 3, false},
      {"head", 4, 4, false},        {"h1", 2, 7, false},       {"h2", 2, 8, false},
      {"h3", 2, 9, false},          {"h4", 2, 10, false},      {"ul", 2, 11, false},
      {"li", 2, 12, false},         {"ol", 2, 13, false},      {"img", 3, 14, false},
      {"hr", 2, 15, false},         {"br", 2, 16, false},      {"td", 2, 21, false},
      {"tr", 2, 22, false},         {"th", 2, 23, false},      {"form", 4, 14, false},
      {"select", 6, 15, false},     {"!--", 3, kCmnt, false},  {"option", 6, 16, false},
      {"table", 5, 24, false},      {"caption", 7, 25, false}, {"em", 2, 26, false},
      {"blockquote", 6, 28, false}, {"p", 1, 2, true},         {"b", 1, 20, true},
      {"i", 1, 27, true},           {"pre", 3, kPre, false}};

  bool cmp(long long at, const char *word, int len) const {
    for (int k = 0; k < len; k++) {
      auto i = static_cast<size_t>(at + k);
      char b = i < buf.size() ? buf[i] : '\0';
      if (static_cast<char>(b | 0x20) != word[k]) return false;
    }
    return true;
  }
  char at(long long i) const {
    return static_cast<size_t>(i) < buf.size() ? buf[static_cast<size_t>(i)] : '\0';
  }

  template <class... T>
  void add(const char *fmt, T... v) {
    char line_[4096];
    snprintf(line_, sizeof line_, fmt, v...);
    out += line_;
  }

  void name() {
    if (at(bcnt) == '/') {
      end = 1;
      bcnt++;
      if (at(bcnt) == '\n') {
        line++;
        column = 0;
      } else {
        column++;
      }
    }
    bool pre = false;
    for (const Keyword &k : kKeywords) {
      if (cmp(bcnt, k.word, k.len) && (!k.need_gt || at(bcnt + 1) == '>')) {
        state = k.state;
        pre = k.state == kPre;
      }
    }
    if (pre && end == 0) {
      pre_sline = line;
      pre_scolumn = column - 1;
    }
    scolumn = column - 1 - end;
    sline = line;
    if (state == kA && end == 0) {
      long long p = bcnt + 1;
      while (at(p) == ' ' || at(p) == '\t') p++;
      if (cmp(p, "href", 4)) {
        lnk_sline = line;
        lnk_scolumn = column + 5;
      } else {
        lnk_sline = 0;
        lnk_scolumn = column - 1;
      }
    }
  }

  void close() {
    if (inbracket == 0) {
      char msg[96];
      snprintf(msg, sizeof msg, "Syntax error at line %lld, on character %lld!\n", line, column);
      err += msg;
    }
    const char *row = "[%lld,%lld],[%lld,%lld]ca %s \"\" # %s\n";
    for (int r = 0; r < 29; r++) {
      bool shared =
          (r == 17 && state == 14) || (r == 18 && state == 15) || (r == 19 && state == 16);
      if (state == r || shared)
        add(row, sline, scolumn, line, column + 1, c[kRows[r].color], kRows[r].label);
    }
    if (state == kPre && end == 0) {
      add("[%lld,%lld],$ca %s %s # PRE  \n", line, column + 2, c[6], c[1]);
    } else if (state == kPre) {
      add("[%lld,%lld],[%lld,%lld]ca %s \"\" # PRE\n", pre_sline, pre_scolumn, line, column + 1,
          c[6]);
      add("[%lld,%lld],$ca %s %s # PRE\n", line, column + 2, c[0], c[1]);
    } else if (state == kA && end == 0) {
      add("[%lld,%lld],[%lld,%lld]ca %s \"\" # A     \n", sline, scolumn, line,
          lnk_sline != 0 ? scolumn + 3 : column + 1, c[9]);
      url_sline = line;
      url_scolumn = column;
    } else if (state == kA) {
      if (lnk_sline != 0)
        add("[%lld,%lld],[%lld,%lld]ca %s \"\" # Link  \n", lnk_sline, lnk_scolumn + 1, line,
            url_scolumn, c[2]);
      add("[%lld,%lld],[%lld,%lld]ca %s \"\" # URL  \n", url_sline, url_scolumn + 1, line,
          column - 3, c[3]);
      add("[%lld,%lld],[%lld,%lld]ca %s \"\" # url - link  \n", line, column - 3, line, column + 1,
          c[9]);
    }
    end = 0;
    inbracket = 0;
    state = kIdle;
  }

  const char *const *c;
  std::string buf;
  long long size, bcnt = -1, line = 1, column = 0, inbracket = 0;
  int state = kIdle, end = 0;
  long long sline = 1, scolumn = 0, pre_sline = 1, pre_scolumn = 0;
  long long lnk_sline = 1, lnk_scolumn = 0, url_sline = 1, url_scolumn = 0;
};

#endif
