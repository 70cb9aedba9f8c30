// Tests of hexdump against expected text written out by hand.
#include "hexdump.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

std::string dump(const char *header, const char *bytes, int length, int print_addr) {
  char *text = nullptr;
  size_t size = 0;
  FILE *f = open_memstream(&text, &size);
  hexdump(f, header, bytes, length, print_addr);
  fclose(f);
  std::string s(text, size);
  free(text);
  return s;
}

std::string dashes(int n) {
  return std::string(static_cast<size_t>(n), '-');
}
std::string blanks(int n) {
  return std::string(static_cast<size_t>(n), ' ');
}
const std::string kRuler = "--OFFSET----DATA-" + dashes(104) + "\n";

std::vector<std::string> lines(const std::string &s) {
  std::vector<std::string> out;
  size_t at = 0, nl;
  while ((nl = s.find('\n', at)) != std::string::npos) {
    out.push_back(s.substr(at, nl - at));
    at = nl + 1;
  }
  EXPECT_EQ(at, s.size()) << "text after the last newline";
  return out;
}

}  // namespace

TEST(Hexdump, WorkedExample) {
  const char bytes[] = {0x41, 0x62, 0x2D, 0x37, 0x20, static_cast<char>(0xE9)};
  std::string want =
      "Decimal len = 6\n" + kRuler + "  000000   41622D37 20E9" + blanks(59) + "  * Ab.7.. *\n";
  EXPECT_EQ(dump("", bytes, 6, 0), want);
}

TEST(Hexdump, NothingToDump) {
  std::string empty_line = "   *  *\n";
  EXPECT_EQ(dump("", "", 0, 0), "Decimal len = 0\n" + kRuler + empty_line);
  EXPECT_EQ(dump("T", "", -5, 0), "T     Decimal len = -5\n" + kRuler + empty_line);
  EXPECT_EQ(dump(nullptr, "", 0, 0), "Decimal len = 0\n" + kRuler + empty_line);
}

TEST(Hexdump, FullAndPartialLines) {
  char bytes[64];
  for (int i = 0; i < 64; i++) bytes[i] = static_cast<char>('0' + i % 10);
  std::string full0 =
      "  000000   30313233 34353637 38393031 32333435 36373839 30313233 "
      "34353637 38393031   * 01234567890123456789012345678901 *";
  std::string full1 =
      "  000020   32333435 36373839 30313233 34353637 38393031 32333435 "
      "36373839 30313233   * 23456789012345678901234567890123 *";
  std::vector<std::string> l = lines(dump("", bytes, 32, 0));
  ASSERT_EQ(l.size(), 3u);
  EXPECT_EQ(l[2], full0);

  l = lines(dump("", bytes, 64, 0));
  ASSERT_EQ(l.size(), 4u);
  EXPECT_EQ(l[3], full1);

  l = lines(dump("", bytes, 1, 0));
  ASSERT_EQ(l.size(), 3u);
  EXPECT_EQ(l[2], "  000000   30" + blanks(70) + "  * 0 *");

  l = lines(dump("", bytes, 33, 0));
  ASSERT_EQ(l.size(), 4u);
  EXPECT_EQ(l[3], "  000020   32" + blanks(70) + "  * 2 *");

  l = lines(dump("", bytes, 40, 0));
  ASSERT_EQ(l.size(), 4u);
  EXPECT_EQ(l[3], "  000020   32333435 36373839" + blanks(55) + "  * 23456789 *");
}

TEST(Hexdump, HighBytesBlanksAndPunctuationShowAsDots) {
  const char bytes[] = {static_cast<char>(0x80), static_cast<char>(0xFF), ' ', '~', 'z', 0};
  std::vector<std::string> l = lines(dump("bytes", bytes, 6, 0));
  EXPECT_EQ(l[0], "bytes     Decimal len = 6");
  EXPECT_EQ(l[2], "  000000   80FF207E 7A00" + blanks(59) + "  * ....z. *");
}

TEST(Hexdump, AddressesUseTheLow32BitsInEightColumns) {
  static char bytes[40];
  memset(bytes, 'a', sizeof bytes);
  std::vector<std::string> l = lines(dump("", bytes, 40, 1));
  ASSERT_EQ(l.size(), 4u);
  EXPECT_EQ(l[1], "--ADDR-----OFFSET----DATA-" + dashes(104));
  char addr[2][9];
  snprintf(addr[0], 9, "%08X", static_cast<unsigned>(reinterpret_cast<uintptr_t>(bytes)));
  snprintf(addr[1], 9, "%08X", static_cast<unsigned>(reinterpret_cast<uintptr_t>(bytes + 32)));
  EXPECT_EQ(l[2], std::string(addr[0]) + "   000000   " +
                      "61616161 61616161 61616161 61616161 61616161 61616161 61616161 61616161" +
                      "   * " + std::string(32, 'a') + " *");
  EXPECT_EQ(l[3],
            std::string(addr[1]) + "   000020   61616161 61616161" + blanks(55) + "  * aaaaaaaa *");
}

// The last line written to a stream, without keeping the rest.
std::string last_line(const char *bytes, int length, int print_addr) {
  std::string tail;
  cookie_io_functions_t io = {};
  io.write = [](void *cookie, const char *buf, size_t n) -> ssize_t {
    auto *t = static_cast<std::string *>(cookie);
    t->append(buf, n);
    size_t nl = t->rfind('\n', t->size() - 2);
    if (t->size() > 1 && nl != std::string::npos) t->erase(0, nl + 1);
    return static_cast<ssize_t>(n);
  };
  FILE *f = fopencookie(&tail, "w", io);
  hexdump(f, "", bytes, length, print_addr);
  fclose(f);
  return tail;
}

TEST(Hexdump, OffsetsPast16MiBPushIntoTheBlanks) {
  const int length = 16 * 1024 * 1024 + 1;
  std::vector<char> big(static_cast<size_t>(length), 'x');
  big[static_cast<size_t>(length) - 1] = 'y';
  EXPECT_EQ(last_line(big.data(), length, 0), "  1000000  79" + blanks(70) + "  * y *\n");
  EXPECT_EQ(last_line(big.data(), length, 1).substr(8),
            "   1000000  79" + blanks(70) + "  * y *\n");
}
