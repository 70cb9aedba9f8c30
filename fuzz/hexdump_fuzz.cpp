// Fuzzes hexdump: any bytes, length and address mode give the layout's line count and widths.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "hexdump.h"
#include "streamcheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < 2) return 0;
  // First byte: address mode and a sign for the length; the rest is the range.
  int print_addr = data[0] & 1;
  int length = static_cast<int>(size - 1);
  if (data[0] & 2) length = -length;
  const char *bytes = reinterpret_cast<const char *>(data + 1);
  const char *header = (data[0] & 4) ? "title" : "";

  char *text = nullptr;
  size_t text_size = 0;
  FILE *f = open_memstream(&text, &text_size);
  hexdump(f, header, bytes, length, print_addr);
  fclose(f);
  std::string out(text, text_size);
  free(text);

  int n = length > 0 ? length : 0;
  int data_lines = n == 0 ? 1 : (n + 31) / 32;
  size_t text_col = print_addr ? 96 : 87;  // where the text column starts
  size_t at = 0;
  for (int k = 0; k < data_lines + 2; k++) {  // k: output line
    size_t nl = out.find('\n', at);
    if (nl == std::string::npos) stream_fault("too few lines", out);
    std::string line = out.substr(at, nl - at);
    at = nl + 1;
    if (k == 1 && line.size() != (print_addr ? 130u : 121u)) stream_fault("ruler", line);
    if (k < 2) continue;
    size_t count = n == 0 ? 0 : (k - 2 < data_lines - 1 || n % 32 == 0 ? 32 : n % 32);
    if (line.size() != (n == 0 ? 7 : text_col + count + 2)) stream_fault("data line width", line);
  }
  if (at != out.size()) stream_fault("too many lines", out);
  return 0;
}
