// Reading a color command stream into areas of a source text, the way the editor applies it.
#include "stream.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>

#include "previewtexts.h"
#include "visible.h"

namespace {

struct Named {
  const char *name;
  uint8_t r, g, b;
};
const Named kNames[] = {{"black", 0x00, 0x00, 0x00}, {"red", 0xcd, 0x00, 0x00},
                        {"green", 0x00, 0xcd, 0x00}, {"yellow", 0xcd, 0xcd, 0x00},
                        {"blue", 0x00, 0x00, 0xee},  {"magenta", 0xcd, 0x00, 0xcd},
                        {"cyan", 0x00, 0xcd, 0xcd},  {"white", 0xe5, 0xe5, 0xe5}};

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r'))
    s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
    s.remove_suffix(1);
  return s;
}

int hex(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

// The pieces of a text between separators that stand outside single quotes, one at a time
// (a line may hold a million).
class Pieces {
 public:
  Pieces(std::string_view s, char sep) : rest_(s), sep_(sep) {}
  // The next piece; false after the last.
  bool next(std::string_view *piece) {
    if (done_) return false;
    bool quoted = false;
    for (size_t i = 0; i < rest_.size(); i++) {  // i: byte looked at
      if (rest_[i] == '\'') {
        quoted = !quoted;
      } else if (rest_[i] == sep_ && !quoted) {
        *piece = rest_.substr(0, i);
        rest_.remove_prefix(i + 1);
        return true;
      }
    }
    *piece = rest_;
    done_ = true;
    return true;
  }

 private:
  std::string_view rest_;
  char sep_;
  bool done_ = false;
};

// Reads a decimal number, with an optional minus sign, at the front of s and removes it.
bool take_number(std::string_view &s, int64_t *v) {
  size_t i = s.size() > 0 && s[0] == '-' ? 1 : 0;  // i: byte read
  size_t digits = i;
  int64_t n = 0;
  while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
    if (n < INT64_MAX / 10 - 10) n = n * 10 + (s[i] - '0');
    i++;
  }
  if (i == digits) return false;
  *v = s[0] == '-' ? -n : n;
  s.remove_prefix(i);
  return true;
}

// Reads "[line,column]" at the front of s and removes it.
bool take_position(std::string_view &s, int64_t *ln, int64_t *col) {
  std::string_view t = s;
  if (t.empty() || t.front() != '[') return false;
  t.remove_prefix(1);
  if (!take_number(t, ln) || t.empty() || t.front() != ',') return false;
  t.remove_prefix(1);
  if (!take_number(t, col) || t.empty() || t.front() != ']') return false;
  t.remove_prefix(1);
  s = t;
  return true;
}

}  // namespace

bool parse_color(std::string_view word, Color *out) {
  if (word == "\"\"") {
    *out = Color{};
    return true;
  }
  if (word.size() >= 2 && word.front() == '\'' && word.back() == '\'')
    word = word.substr(1, word.size() - 2);
  if (word.size() == 13 && word[0] == '#') {
    int v[12];
    for (int k = 0; k < 12; k++)
      if ((v[k] = hex(word[static_cast<size_t>(k) + 1])) < 0) return false;
    *out = Color{true, static_cast<uint8_t>(v[0] * 16 + v[1]),
                 static_cast<uint8_t>(v[4] * 16 + v[5]), static_cast<uint8_t>(v[8] * 16 + v[9])};
    return true;
  }
  for (const Named &n : kNames) {
    std::string_view name = n.name;
    if (word.size() == name.size() &&
        std::equal(word.begin(), word.end(), name.begin(),
                   [](char a, char b) { return tolower(static_cast<unsigned char>(a)) == b; })) {
      *out = Color{true, n.r, n.g, n.b};
      return true;
    }
  }
  return false;
}

std::string quote(std::string_view text) {
  size_t at = 0;
  for (size_t k = 0; k < kQuoteChars && at < text.size(); k++) {
    Shown how;
    at += char_at(text, at, &how);
  }
  return visible(text.substr(0, at)) + (at < text.size() ? kCut : "");
}

bool StreamReader::count_message() {
  return ++messages_ <= kMaxMessages;
}

long Coloring::find(int64_t ln) const {
  auto at = std::lower_bound(texts.begin(), texts.end(), ln,
                             [](const Text &t, int64_t l) { return t.line < l; });
  return at == texts.end() || at->line != ln ? -1 : static_cast<long>(at - texts.begin());
}

std::string_view Coloring::text(int64_t ln) const {
  long k = find(ln);
  if (k < 0) return {};
  const Text &t = texts[static_cast<size_t>(k)];
  return std::string_view(text_bytes).substr(t.at, t.len);
}

void StreamReader::problem(const Fmt &fmt, std::string_view text) {
  if (count_message()) err_.format(fmt, visible(name_), lineno_, quote(text));
}

void StreamReader::finish() {
  if (messages_ > kMaxMessages) err_.format(kMoreMessages, messages_ - kMaxMessages);
}

void StreamReader::color_word(std::string_view word, Color *c) {
  if (!parse_color(word, c)) {
    problem(kBadColor, word);
    *c = Color{};
  }
}

// A command that starts with a range: "1,$ ca", "[l,c],[l,c]ca FG BG", "[l,c],$ca FG BG", and
// ",[l,c]ca FG BG", whose start is empty (listtint writes it for a comment that ends before any
// starts): from the start of the file.
void StreamReader::area(std::string_view cmd) {
  std::string_view rest = cmd;
  size_t start = 0, end = lines_.size();
  bool whole = false;
  int64_t l1, c1, l2, c2;
  if (rest.substr(0, 3) == "1,$") {
    whole = true;
    rest.remove_prefix(3);
  } else if (!rest.empty() && rest.front() == ',') {
    rest.remove_prefix(1);
    if (!take_position(rest, &l2, &c2)) return problem(kBadRange, cmd);
    end = lines_.offset(l2, c2);
  } else if (take_position(rest, &l1, &c1) && !rest.empty() && rest.front() == ',') {
    rest.remove_prefix(1);
    start = lines_.offset(l1, c1);
    if (!rest.empty() && rest.front() == '$')
      rest.remove_prefix(1);
    else if (take_position(rest, &l2, &c2))
      end = lines_.offset(l2, c2);
    else
      return problem(kBadRange, cmd);
  } else {
    return problem(kBadRange, cmd);
  }
  rest = trim(rest);
  if (rest.substr(0, 2) != "ca") return problem(kBadCommand, cmd);
  std::string_view words[3];  // two colors; a third is one too many
  size_t count = 0;
  Pieces blanks(trim(rest.substr(2)), ' ');
  for (std::string_view w; count < 3 && blanks.next(&w);)
    if (!w.empty()) words[count++] = w;
  if (count == 0 && whole) {
    out_.areas.clear();  // the whole file afresh
    out_.fg = out_.bg = Color{};
    return;
  }
  if (count != 2) return problem(kBadCommand, cmd);
  Area a{start, end, Color{}, Color{}, lineno_};
  color_word(words[0], &a.fg);
  color_word(words[1], &a.bg);
  if (a.end <= a.start) return;
  out_.areas.push_back(a);
  if (keep_texts_ && (out_.texts.empty() || out_.texts.back().line != lineno_)) {
    out_.texts.push_back(Coloring::Text{lineno_, out_.text_bytes.size(), text_.size()});
    out_.text_bytes += text_;
  }
}

void StreamReader::command(std::string_view cmd) {
  cmd = trim(cmd);
  if (cmd.empty()) return;
  if (cmd.substr(0, 4) == "fgc " || cmd.substr(0, 4) == "bgc ") {
    color_word(trim(cmd.substr(4)), cmd[0] == 'f' ? &out_.fg : &out_.bg);
  } else if (cmd.substr(0, 3) == "msg" && (cmd.size() == 3 || cmd[3] == ' ')) {
    std::string_view text = trim(cmd.substr(3));
    if (text.size() >= 2 && text.front() == '\'' && text.back() == '\'')
      text = text.substr(1, text.size() - 2);
    if (count_message()) err_.format(kMsg, quote(text));
  } else if (cmd.front() == '[' || cmd.front() == '1' || cmd.front() == ',') {
    area(cmd);
  } else {
    problem(kBadCommand, cmd);
  }
}

void StreamReader::line(std::string_view text) {
  lineno_++;
  text_ = text;
  // A label, " # word", ends a line; a '#' inside quotes is part of a color.
  std::string_view commands;
  Pieces(text, '#').next(&commands);
  Pieces each(commands, ';');
  for (std::string_view cmd; each.next(&cmd);) command(cmd);
}

Coloring read_stream(std::string_view stream, const LineTable &lines, const char *name, OutBuf &err,
                     bool keep_texts) {
  StreamReader r(lines, name, err, keep_texts);
  size_t at = 0;
  while (at < stream.size()) {
    size_t nl = stream.find('\n', at);
    if (nl == std::string_view::npos) nl = stream.size();
    r.line(stream.substr(at, nl - at));
    at = nl + 1;
  }
  r.finish();
  return r.coloring();
}

bool read_lines(int fd, bool regular, size_t limit, const MakeReader &make_reader, size_t *bytes) {
  StreamReader *reader = nullptr;
  OutBuf line;  // a line that goes on past a chunk
  char chunk[1 << 16];
  *bytes = 0;
  auto take = [&](std::string_view l) {
    if (!reader) reader = &make_reader(l);
    reader->line(l);
  };
  for (;;) {
    ssize_t n = read(fd, chunk, sizeof chunk);
    if (n < 0) return false;
    if (n == 0) break;
    *bytes += static_cast<size_t>(n);
    if (!regular && *bytes > limit) {
      errno = EFBIG;
      return false;
    }
    std::string_view rest(chunk, static_cast<size_t>(n));
    for (size_t nl; (nl = rest.find('\n')) != std::string_view::npos; rest.remove_prefix(nl + 1)) {
      if (line.view().empty()) {
        take(rest.substr(0, nl));
      } else {
        line.put(rest.substr(0, nl));
        take(line.view());
        line.clear();
      }
    }
    line.put(rest);
    if (line.error()) {
      errno = line.error();
      return false;
    }
  }
  if (!line.view().empty()) take(line.view());
  if (!reader) reader = &make_reader("");
  reader->finish();
  return true;
}
