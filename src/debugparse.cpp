// Reading a Debug value: its form, level part and target, with no effect on the process.
#include "debugparse.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

bool blank(char c) {
  return c == ' ' || c == '\t';
}

// A decimal number as atoi reads it, without atoi's undefined overflow (beyond the range of
// long long, that bound).
long long number(const char *s) {
  return strtoll(s, nullptr, 10);
}

}  // namespace

void debug_parse(const char *value, long pid, DebugValue *v) {
  v->form = DebugValue::kPlain;
  v->append_mode = 0;
  v->level = value;
  v->work[0] = '\0';
  v->target = v->work;
  const char *op = strchr(value, '>');
  const char *bar = op ? nullptr : strchr(value, '|');
  if (!op && !bar) return;
  if (!op) op = bar;

  size_t keep = op == bar ? kPipeKeep : kFileKeep;
  size_t n = strnlen(value, keep);  // characters kept in work
  memcpy(v->work, value, n);
  v->work[n] = '\0';
  v->level = v->work;
  size_t at = static_cast<size_t>(op - value);  // the operator's index
  if (at >= n) return;  // the operator was cut off: a plain level, nothing redirected

  v->form = op == bar ? DebugValue::kPipe : DebugValue::kFile;
  size_t op_len = 1;
  if (v->form == DebugValue::kFile && op[1] == '>') {
    v->append_mode = 1;
    op_len = 2;
  }
  v->work[at] = '\0';
  if (op_len == 2 && at + 1 < n) v->work[at + 1] = '\0';

  size_t i = at;  // end of the level part
  while (i > 1 && blank(v->work[i - 1])) v->work[--i] = '\0';

  size_t t = at + op_len < n ? at + op_len : n;  // start of the target
  while (blank(v->work[t])) t++;
  size_t len = strlen(v->work + t);
  while (len > 1 && blank(v->work[t + len - 1])) v->work[t + --len] = '\0';
  v->target = v->work + t;

  if (len >= 2 && v->work[t + len - 2] == '$' && v->work[t + len - 1] == '$') {
    char id[24];
    int k = snprintf(id, sizeof id, "%ld", pid);
    size_t at_dollars = t + len - 2;
    if (k > 0 && at_dollars + static_cast<size_t>(k) < sizeof v->work)
      memcpy(v->work + at_dollars, id, static_cast<size_t>(k) + 1);
  }
}

unsigned debug_level(const char *level, unsigned current) {
  if (level[0] == 'y' || level[0] == 'Y') return 1;
  // A plain level is taken modulo 2^32, so that -1 sets every bit.
  if (level[0] != '@') return static_cast<unsigned>(static_cast<unsigned long long>(number(level)));
  unsigned bits = current;
  for (const char *p = level + 1; *p;) {  // p: start of the next piece
    long long n = number(p);
    if (n >= 1 && n <= 32) bits |= 1u << (n - 1);
    const char *comma = strchr(p, ',');
    if (!comma) break;
    p = comma + 1;
  }
  return bits;
}
