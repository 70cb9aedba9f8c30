// Tests of the filters' output buffer: formatting and large writes.
#include "outbuf.h"

#include <fcntl.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <string>

#include <gtest/gtest.h>

TEST(OutBuf, FormatsNumbersAndTexts) {
  OutBuf b;
  b.format("[%d,%d] %s %x %d", {0, -17, "cyan", LLONG_MIN});
  constexpr Fmt kPair("%d|%d\n");
  b.format(kPair, {LLONG_MAX, 2147483648LL});
  b.format(kPair, {99, -100});
  EXPECT_EQ(b.str(),
            "[0,-17] cyan %x -9223372036854775808"
            "9223372036854775807|2147483648\n99|-100\n");
}

TEST(OutBuf, MissingArgumentsWriteNothing) {
  OutBuf b;
  b.format("a%db%sc", {});
  EXPECT_EQ(b.str(), "abc");
}

TEST(OutBuf, DescriptorModeKeepsOrderAcrossLongTexts) {
  char path[] = "/tmp/outbuf_testXXXXXX";
  int fd = mkstemp(path);
  ASSERT_GE(fd, 0);
  std::string big(600 * 1024, 'x');  // longer than the buffer: written directly
  std::string want;
  {
    OutBuf b(fd);
    for (int k = 0; k < 50000; k++) {
      b.put_num(k);
      want += std::to_string(k);
    }
    b.put(big.c_str());
    want += big;
    b.put("end");
    want += "end";
    EXPECT_TRUE(b.flush());
  }
  std::string got;
  char chunk[65536];
  lseek(fd, 0, SEEK_SET);
  ssize_t n;
  while ((n = read(fd, chunk, sizeof chunk)) > 0) got.append(chunk, static_cast<size_t>(n));
  close(fd);
  unlink(path);
  EXPECT_EQ(got, want);
}

TEST(OutBuf, ReportsAFailedWrite) {
  int fd = open("/dev/full", O_WRONLY);
  if (fd < 0) GTEST_SKIP() << "no /dev/full";
  OutBuf b(fd);
  b.put("x");
  EXPECT_FALSE(b.flush());
  EXPECT_NE(b.error(), 0);
  close(fd);
}
