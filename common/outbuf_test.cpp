// Tests of the programs' output buffer: formatting, long and many writes, failed writes.
#include "outbuf.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
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
  b.format("[%d,%d] %s %x %d|", 0, -17, "cyan", LLONG_MIN);
  b.format("%d|%d|%s\n", LLONG_MAX, 2147483648LL, std::string_view("ab\0c", 4));
  // Every power of ten has one digit more than the number before it.
  for (long long p = 1; p > 0; p = p <= LLONG_MAX / 10 ? p * 10 : 0) b.format("%d,%d;", p - 1, p);
  b.format("a%db%sc%d");  // conversions with no argument write nothing
  b.format("%d.", 1, 2);  // an argument with no conversion is dropped
  b.format("%d%d%d%d%d%d%d%d|%d|%s", 1, 2, 3, 4, 5, 6, 7, 8);  // past eight, "%d" is text
  std::string run(40, 'r');  // a run longer than one move, in a short format
  b.format(Fmt((run + "%d" + run + "%s").c_str()), 5, "t", 6);
  b.format(Fmt((run + "%d").c_str()), 12);
  std::string powers;
  for (long long p = 1; p > 0; p = p <= LLONG_MAX / 10 ? p * 10 : 0)
    powers += std::to_string(p - 1) + "," + std::to_string(p) + ";";
  EXPECT_EQ(b.str(), "<[0,-17] cyan %x -9223372036854775808|9223372036854775807|2147483648|" +
                         std::string("ab\0c\n", 5) + powers + "abc1.12345678|%d|%s" + run + "5" +
                         run + "t" + run + "12");
}

TEST(OutBuf, BoundFormatsWriteWhatTheirFormatWould) {
  const Fmt row("[%d,%d],[%d,%d]ca %s \"\" # P     \n"), pre("[%d,%d],$ca %s %s # PRE  \n");
  const Fmt long_run("at the line %d: %s\n"), text_first("%s=%d;"), holes("<%d|%d|%s|%s>");
  std::string wide(100, 'x');  // longer than the tail's one move
  struct Case {
    BoundFmt fmt;
    std::string want;
  };
  const Case cases[] = {
      {BoundFmt(row, {"cyan"}), "[1,0],[1000000,-3]ca cyan \"\" # P     \n"},
      {BoundFmt(pre, {"white", "black"}), "[1,0],$ca white black # PRE  \n"},
      {BoundFmt(row, {wide}), "[1,0],[1000000,-3]ca " + wide + " \"\" # P     \n"},
      {BoundFmt(long_run, {"t"}), "at the line 1: t\n"},
      {BoundFmt(text_first, {"k"}), "k=1;"},
      {BoundFmt(holes, {"a"}), "<1|0|a|>"},
  };
  for (const Case &c : cases) {
    OutBuf b;
    b.format(c.fmt, 1, 0LL, int64_t{1000000}, -3);  // numbers past the format's are dropped
    EXPECT_EQ(b.str(), c.want);
  }
  OutBuf b;
  b.format(BoundFmt(Fmt("[%d]"), {}), LLONG_MIN);
  EXPECT_EQ(b.str(), "[-9223372036854775808]");
  // Seven full runs and a long tail given no number, where the buffer has room for a tail only:
  // the room asked is that of the text written.
  std::string runs;
  for (int k = 0; k < 7; k++) runs += "abcdefgh%d";
  runs += "%s";
  const Fmt seven(runs.c_str());
  std::string tail(60, 't');
  OutBuf end;
  end.put(std::string(4096 - BoundFmt::kTail, '.'));
  end.format(BoundFmt(seven, {tail}));
  std::string letters;
  for (int k = 0; k < 7; k++) letters += "abcdefgh";
  EXPECT_EQ(end.str().substr(4096 - BoundFmt::kTail), letters + tail);
}

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

TEST(OutBuf, ReportsFailedAndPartialWrites) {
  int full = open("/dev/full", O_WRONLY);
  if (full >= 0) {
    OutBuf b(full);
    b.put("x");
    EXPECT_FALSE(b.flush());
    EXPECT_EQ(b.error(), ENOSPC);
    b.put("y");
    b.put(std::string(300 * 1024, 'z'));  // no room can be made after a failure
    b.format("%s%d", std::string(300 * 1024, 'z'), 1);
    EXPECT_FALSE(b.flush());  // a failure stays
    close(full);
  }
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

TEST(OutBuf, BorrowedMemoryKeepsTheBytesAndIsLeftBehindWhenOutgrown) {
  // In memory: what was buffered moves into the borrowed bytes, a buffer that outgrows them
  // moves out with all it holds, and giving back copies what is still there.
  char lent[256];
  OutBuf m;
  m.put("before ");
  EXPECT_FALSE(m.borrow(lent, 3));  // too small for what is held: nothing changes
  ASSERT_TRUE(m.borrow(lent, sizeof lent));
  m.format("%d %s ", 12, "twelve");
  EXPECT_EQ(std::string(lent, m.size()), "before 12 twelve ");
  m.give_back();
  memset(lent, '#', sizeof lent);
  m.put("after");
  EXPECT_EQ(m.str(), "before 12 twelve after");
  ASSERT_TRUE(m.borrow(lent, sizeof lent));
  std::string longer(600, 'x');
  m.put(longer);
  memset(lent, '#', sizeof lent);  // no longer used
  EXPECT_EQ(m.str(), "before 12 twelve after" + longer);
  m.give_back();
  EXPECT_EQ(m.str(), "before 12 twelve after" + longer);
  // No memory to give back into: the bytes are lost, and the failure is kept.
  m.clear();
  ASSERT_TRUE(m.borrow(lent, sizeof lent));
  m.put("lost");
  faults.malloc_in = 1;
  m.give_back();
  faults = Faults();
  EXPECT_EQ(m.view(), "");
  EXPECT_EQ(m.error(), ENOMEM);

  // For a descriptor: a borrowed buffer fills and is written as its own would be, and giving
  // it back writes what it holds.
  TempFile f;
  ASSERT_GE(f.fd, 0);
  std::vector<char> chunk(OutBuf::kChunk);
  std::string want;
  {
    OutBuf b(f.fd);
    b.put("head ");
    ASSERT_TRUE(b.borrow(chunk.data(), chunk.size()));
    for (int k = 0; k < 30000; k++) {
      b.format("[%d]\n", k);
      want += "[" + std::to_string(k) + "]\n";
    }
    b.give_back();
    EXPECT_EQ(b.size(), 0u);
    b.put("tail");
    EXPECT_TRUE(b.flush());
  }
  EXPECT_EQ(contents(f.fd), "head " + want + "tail");
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
