// Fuzzes the listtint core: any input, in blocks that end anywhere, gives a well-formed stream,
// and the same stream as the literal passes over the lines of a line reader.
#include <cstdint>
#include <cstring>
#include <string>

#include "streamcheck.h"
#include "tint.h"
#include "memory_input.h"
#include "tint_reference.h"

namespace {

void check_row(const std::string &line, int64_t lines) {
  const char *s = line.c_str();
  int64_t l1, c1, l2, c2;
  if (eat(s, ",")) {  // a comment end with no saved start
    l1 = 1;
  } else {
    if (!eat_pos(s, &l1, &c1) || !eat(s, ",")) stream_fault("start", line);
    if (l1 < 1 || l1 > lines) stream_fault("start line", line);
  }
  if (!eat_pos(s, &l2, &c2)) stream_fault("end", line);
  if (l2 < l1 || l2 > lines || c2 < 1 || c2 > static_cast<int64_t>(kPartMax))
    stream_fault("end position", line);
  std::string rest = s;
  if (rest == "ca yellow black" || rest == "ca cyan black") {
    if (l1 != l2) stream_fault("area over lines", line);
  } else if (rest != "ca cyan black # MC! ") {
    stream_fault("command", line);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  OutBuf out;
  ListTint tint;
  ReferenceTint ref;
  // Blocks cut where the input's own bytes say, so that the fuzzer steers the cuts too.
  MemoryInput input{reinterpret_cast<const char *>(data), size,
                    size ? 1 + data[size - 1] * 257u + data[0] : 0};
  ListingReader in(MemoryInput::read, &input);
  tint.run(in, out);
  const std::string opening = "1,$ca;fgc green; bgc black; fgc green \n";
  std::string want = opening;
  const char *text = reinterpret_cast<const char *>(data);
  int64_t lines = 0;
  size_t at = 0;
  while (at < size) {  // the lines, the last one without its newline
    size_t n = size - at;
    const void *nl = memchr(text + at, '\n', n);
    if (nl) n = static_cast<size_t>(static_cast<const char *>(nl) - (text + at)) + 1;
    want += ref.line(text + at, n);
    lines++;
    at += n;
  }
  std::string stream = out.str();
  if (stream != want) stream_fault("differs from the literal passes", stream);
  size_t pos = opening.size();
  while (pos < stream.size()) {
    size_t nl = stream.find('\n', pos);
    if (nl == std::string::npos) stream_fault("row without newline", stream.substr(pos));
    check_row(stream.substr(pos, nl - pos), lines);
    pos = nl + 1;
  }
  return 0;
}
