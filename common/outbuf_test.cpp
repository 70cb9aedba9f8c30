// Tests of the programs' output buffer: formatting, long and many writes, failed writes.
#include "outbuf.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "faults.h"

namespace {

// What descriptor fd holds from its start.
std::string contents(int fd) {
  std::string got;
  char chunk[65536];
  lseek(fd, 0, SEEK_SET);
  ssize_t n;
  while ((n = read(fd, chunk, sizeof chunk)) > 0) got.append(chunk, static_cast<size_t>(n));
  return got;
}

struct TempFile {
  char path[32] = "/tmp/outbuf_testXXXXXX";
  int fd = mkstemp(path);
  ~TempFile() {
    close(fd);
    unlink(path);
  }
};

}  // namespace

TEST(OutBuf, FormatsNumbersAndTexts) {
  OutBuf b;
  b.put("<");
  b.format("[%d,%d] %s|", 0, -17, "cyan");
  b.format("%d|%d|%s\n", LLONG_MAX, LLONG_MIN, std::string_view("ab\0c", 4));
  b.format("%s=%d;%s", std::string("k"), 42u, "");  // a number after a text, an empty text
  // Every power of ten has one digit more than the number before it, on both sides of zero.
  std::string powers;
  for (long long p = 1; p > 0; p = p <= LLONG_MAX / 10 ? p * 10 : 0) {
    b.format("%d,%d,%d;", p - 1, p, -p);
    powers += std::to_string(p - 1) + "," + std::to_string(p) + "," + std::to_string(-p) + ";";
  }
  char place[kPlaceRoom];
  b.put(std::string_view(place, put_place(place, LLONG_MIN, -999999) - place));
  EXPECT_EQ(b.str(), "<[0,-17] cyan|9223372036854775807|-9223372036854775808|" +
                         std::string("ab\0c\n", 5) + "k=42;" + powers +
                         "[-9223372036854775808,-999999]");
}

TEST(OutBuf, NumbersOfEveryLengthBelowTheTablesLimit) {
  // Each number below two million, written after another so that a move of four bytes that
  // writes past its digits shows.
  std::string want;
  OutBuf b;
  for (int64_t v = 0; v < 2000000; v += v < 20000 ? 1 : 997) {
    b.format("%d.", v);
    want += std::to_string(v) + ".";
  }
  EXPECT_EQ(b.view(), want);
}

#ifndef NDEBUG
TEST(OutBufDeathTest, AFormatOfTheWrongShapeStopsATestBuild) {
  OutBuf b;
  EXPECT_DEATH(b.format("%d", "text"), "takes");
  EXPECT_DEATH(b.format("%d %d", 1), "takes");
  EXPECT_DEATH(b.format("%s"), "takes");
  EXPECT_DEATH((void)Fmt("100%"), "begins");
  EXPECT_DEATH((void)Fmt("%d%d%d%d%d%d%d%d%d"), "begins");
}
#endif

TEST(OutBuf, LongFormatsAndTextsAreCopiedWhole) {
  // Literal runs longer than a one-move copy, a format too long to keep a copy of, and a text
  // argument longer than the whole buffer of a descriptor.
  std::string lit(200, 'L'), text(300 * 1024, 't');
  std::string fmt = "x%d" + lit + "%s" + std::string(20, 'y') + "%d\n";
  OutBuf m;
  m.format(Fmt(fmt.c_str()), 7, text, 8);
  EXPECT_EQ(m.str(), "x7" + lit + text + std::string(20, 'y') + "8\n");

  TempFile f;
  ASSERT_GE(f.fd, 0);
  std::string want;
  {
    OutBuf b(f.fd);
    for (int k = 0; k < 30000; k++) {  // fills the buffer many times, rows cut at its end
      b.format("[%d,%d]ca %s\n", k, -k, "cyan");
      want += "[" + std::to_string(k) + "," + std::to_string(-k) + "]ca cyan\n";
    }
    b.format(Fmt(fmt.c_str()), 7, text, 8);
    want += "x7" + lit + text + std::string(20, 'y') + "8\n";
    b.put(text);
    want += text;
    b.put("end");
    want += "end";
    EXPECT_TRUE(b.flush());
    EXPECT_EQ(b.error(), 0);
  }
  EXPECT_EQ(contents(f.fd), want);
}

TEST(OutBuf, WritesStartSmallAndGrowWithTheOutputToTheChunk) {
  // Each write is one message on a packet socket, so that its size shows.
  int sv[2];
  ASSERT_EQ(socketpair(AF_UNIX, SOCK_SEQPACKET, 0, sv), 0);
  {
    OutBuf b(sv[0], 32 * 1024);  // all of it fits in the socket's buffer, as nothing reads yet
    for (int k = 0; k < 100000; k++) b.put("r");
    EXPECT_TRUE(b.flush());
  }
  std::vector<ssize_t> sizes;
  static char got[65536];
  shutdown(sv[0], SHUT_WR);
  for (ssize_t n; (n = recv(sv[1], got, sizeof got, 0)) > 0;) sizes.push_back(n);
  EXPECT_EQ(sizes, (std::vector<ssize_t>{16384, 16384, 32768, 32768, 1696}));
  close(sv[0]);
  close(sv[1]);
}

TEST(OutBuf, AFailedWriteIsKept) {
  int full = open("/dev/full", O_WRONLY);
  if (full < 0) GTEST_SKIP() << "no /dev/full to fail the writes";
  OutBuf b(full);
  b.put("x");
  EXPECT_FALSE(b.flush());
  EXPECT_EQ(b.error(), ENOSPC);
  b.put("y");
  b.put(std::string(300 * 1024, 'z'));  // no room can be made after a failure
  b.format("%s%d", std::string(300 * 1024, 'z'), 1);
  EXPECT_EQ(b.size(), 0u);
  EXPECT_FALSE(b.flush());  // a failure stays
  close(full);
}

TEST(OutBuf, ReportsFailedAndPartialWrites) {
  // A buffer that cannot grow keeps what it holds and reports it, in memory or for a descriptor.
  {
    OutBuf m;
    m.put("kept");
    faults.realloc_in = 1;
    m.put(std::string(5000, 'z'));
    m.format("%s", std::string(5000, 'z'));
    m.put("x");
    faults = Faults();
    EXPECT_EQ(m.view(), "kept");
    EXPECT_EQ(m.error(), ENOMEM);
    EXPECT_FALSE(m.flush());
  }
  // A file size limit makes the first write partial and the next one fail: what fits lands.
  TempFile f;
  ASSERT_GE(f.fd, 0);
  struct rlimit old;
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
  struct rlimit small = old;
  small.rlim_cur = 1000;
  auto saved = signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  bool ok;
  int error;
  {
    OutBuf b(f.fd);
    b.put(std::string(5000, 'z'));
    ok = b.flush();
    error = b.error();
  }
  setrlimit(RLIMIT_FSIZE, &old);
  signal(SIGXFSZ, saved);
  EXPECT_FALSE(ok);
  EXPECT_EQ(error, EFBIG);
  EXPECT_EQ(contents(f.fd), std::string(1000, 'z'));
}

TEST(OutBuf, FinishOutputNamesTheReason) {
  OutBuf err;
  {
    int full = open("/dev/full", O_WRONLY);
    if (full < 0) GTEST_SKIP() << "no /dev/full";
    OutBuf out(full);
    out.put("x");
    EXPECT_EQ(finish_output(out, err, "prog: standard output: %s\n"), 1);
    close(full);
  }
  EXPECT_EQ(err.str(), std::string("prog: standard output: ") + strerror(ENOSPC) + "\n");
  OutBuf fine;
  fine.put("x");
  EXPECT_EQ(finish_output(fine, err, "%s"), 0);
}
