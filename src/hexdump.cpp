// hexdump: writes a hex-and-text dump of a byte range to a stream.
#include "hexdump.h"

#include <cctype>
#include <cstdint>
#include <cstring>

namespace {
const char kHeading[] = "%s     Decimal len = %d\n";
const char kHeadingUntitled[] = "Decimal len = %d\n";
const char kRulerAddr[] = "--ADDR-----OFFSET----DATA-";
const char kRuler[] = "--OFFSET----DATA-";
const char kRulerEnd[] = "%s\n";
const char kPrefixAddr[] = "%08X   %06X   ";
const char kPrefix[] = "  %06X   ";
const char kByte[] = "%02X";
const char kLine[] = "%s  * %s *\n";
constexpr int kDataDashes = 104;
constexpr int kPrefixAddrWidth = 20;  // where the hex area starts, whatever the offset's width
constexpr int kPrefixWidth = 11;
constexpr int kPerLine = 32;  // bytes a line
// The longest text the line buffer holds is the ruler with addresses, 26 + 104 characters; a
// data line is at most 8 + 3 + 8 + 3 (an address and an offset of eight digits each) + 2 * 32
// hex digits + 8 blanks = 94.
constexpr size_t kLineSize = sizeof kRulerAddr - 1 + kDataDashes + 1;
}  // namespace

extern "C" void hexdump(FILE *ofd, const char *header, const char *line, int length,
                        int print_addr) {
  char buffer[kLineSize];
  char text[kPerLine + 1];
  int b_pos = 0;  // write position in buffer

  if (header && header[0])
    fprintf(ofd, kHeading, header, length);
  else
    fprintf(ofd, kHeadingUntitled, length);

  const char *ruler = print_addr ? kRulerAddr : kRuler;
  b_pos = static_cast<int>(strlen(ruler));
  memcpy(buffer, ruler, static_cast<size_t>(b_pos));
  memset(buffer + b_pos, '-', kDataDashes);
  buffer[b_pos + kDataDashes] = '\0';
  fprintf(ofd, kRulerEnd, buffer);

  b_pos = 0;
  text[0] = '\0';
  int i;  // offset of the byte being dumped
  for (i = 0; i < length; i++) {
    if (i % 4 == 0 && i != 0) buffer[b_pos++] = ' ';
    if (i % kPerLine == 0 && i != 0) {
      buffer[b_pos] = '\0';
      fprintf(ofd, kLine, buffer, text);
      b_pos = 0;
    }
    unsigned int tchar = static_cast<unsigned char>(line[i]);
    text[i % kPerLine] = isdigit(static_cast<int>(tchar)) || isalpha(static_cast<int>(tchar))
                             ? static_cast<char>(tchar)
                             : '.';
    text[i % kPerLine + 1] = '\0';
    if (i % kPerLine == 0) {
      // A wider offset overwrites the blanks after it: the hex area starts in the same column.
      if (print_addr) {
        auto addr = static_cast<unsigned int>(reinterpret_cast<uintptr_t>(line + i));
        snprintf(buffer + b_pos, sizeof buffer - static_cast<size_t>(b_pos), kPrefixAddr, addr,
                 static_cast<unsigned int>(i));
        b_pos += kPrefixAddrWidth;
      } else {
        snprintf(buffer + b_pos, sizeof buffer - static_cast<size_t>(b_pos), kPrefix,
                 static_cast<unsigned int>(i));
        b_pos += kPrefixWidth;
      }
    }
    snprintf(buffer + b_pos, sizeof buffer - static_cast<size_t>(b_pos), kByte, tchar);
    b_pos += 2;
  }

  int r = (length > 0 ? length : 0) % kPerLine;
  int pad = 1;  // the group blank after the last full group
  if (r != 0) {
    // Two columns for each missing byte (d), a blank for each missing group of four bytes, whose
    // eight columns d counts (d / 8), and the blank that ends the hex area.
    int d = 2 * (kPerLine - r);
    pad = d + d / 8 + 1;
  }
  memset(buffer + b_pos, ' ', static_cast<size_t>(pad));
  b_pos += pad;
  buffer[b_pos] = '\0';
  fprintf(ofd, kLine, buffer, text);
}
