// Tests of Debug: each case runs in a child process, since Debug changes the environment,
// descriptor 2 and stderr. Parsing is also tested in-process.
#include "debug.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <iostream>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "debugparse.h"
#include "faults.h"

unsigned int debug;

namespace {

std::string slurp(const std::string &path) {
  std::ifstream f(path, std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

// A scratch folder for one test.
struct TempDir {
  TempDir() {
    char tmpl[] = "/tmp/debug_testXXXXXX";
    path = mkdtemp(tmpl);
  }
  ~TempDir() { EXPECT_EQ(system(("rm -rf '" + path + "'").c_str()), 0); }
  std::string operator/(const std::string &name) const { return path + "/" + name; }
  std::string path;
};

#ifdef ILVO_COVERAGE
extern "C" void __gcov_dump(void);
#endif

// Ends a child process at once, keeping what a coverage build has counted in it.
[[noreturn]] void child_exit(int status) {
#ifdef ILVO_COVERAGE
  __gcov_dump();
#endif
  _exit(status);
}

struct Child {
  int status = -1;  // exit status, or -1 when killed or timed out
  bool timed_out = false;
  std::string out, err;  // what the child wrote on descriptors 1 and 2
};

// Runs body in a child process with stdout and stderr in files; kills it after timeout_s.
Child run_child(const std::function<void()> &body, int timeout_s = 20) {
  TempDir dir;
  std::string out = dir / "out", err = dir / "err";
  fflush(nullptr);
  pid_t pid = fork();
  if (pid == 0) {
    int o = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    int e = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(o, 1);
    dup2(e, 2);
    close(o);
    close(e);
    body();
    fflush(nullptr);
    std::cerr.flush();
    child_exit(0);
  }
  Child c;
  int st = 0;
  for (int tick = 0; tick < timeout_s * 100; tick++) {  // tick: 10 ms waited
    pid_t w = waitpid(pid, &st, WNOHANG);
    if (w == pid) {
      c.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
      c.out = slurp(out);
      c.err = slurp(err);
      return c;
    }
    usleep(10000);
  }
  kill(pid, SIGKILL);
  waitpid(pid, &st, 0);
  c.timed_out = true;
  c.out = slurp(out);
  c.err = slurp(err);
  return c;
}

// Calls Debug with no descriptor from n up to be had, then gives the old limit back (the
// sanitizers need descriptors of their own).
void debug_with_descriptors_below(rlim_t n) {
  struct rlimit old, lim;
  getrlimit(RLIMIT_NOFILE, &old);
  lim = old;
  lim.rlim_cur = n;
  setrlimit(RLIMIT_NOFILE, &lim);
  Debug(nullptr);
  setrlimit(RLIMIT_NOFILE, &old);
}

// Sets DEBUG (or unsets it for null), calls Debug and prints the word on stdout.
Child debug_with(const char *value, unsigned start = 0, const char *name = nullptr) {
  return run_child([=] {
    const char *var = name ? name : "DEBUG";
    if (value)
      setenv(var, value, 1);
    else
      unsetenv(var);
    debug = start;
    Debug(name);
    printf("word=0x%x\n", debug);
  });
}

}  // namespace

TEST(DebugPlain, LevelForms) {
  std::string long_at = "@";  // a plain value is read whole, past the lengths kept for targets
  for (int k = 0; k < 600; k++) long_at += "1,";
  long_at += "32";
  struct Case {
    const char *value;
    unsigned start, want;
  } cases[] = {
      {"y", 0, 1},
      {"Y", 0, 1},
      {"yes", 0, 1},
      {"@1,3,5", 0, 0x15},
      {"@0,33,40", 0, 0},
      {"@2", 1, 3},
      {"@,,2,", 0, 2},
      {"-1", 0, 0xffffffff},
      {"0x10", 0, 0},
      {"12abc", 0, 12},
      {" +42", 0, 42},
      {"", 5, 0},
      {"4294967297", 0, 1},
      {"99999999999999999999999", 0, 0xffffffff},
      {long_at.c_str(), 0, 0x80000001},
  };
  for (const Case &c : cases) {
    Child r = debug_with(c.value, c.start);
    char want_out[32];
    snprintf(want_out, sizeof want_out, "word=0x%x\n", c.want);
    EXPECT_EQ(r.out, want_out) << c.value;
    char want_err[32] = "";
    if (c.want) snprintf(want_err, sizeof want_err, "DEBUG=0x%x\n", c.want);
    EXPECT_EQ(r.err, want_err) << c.value;
  }
}

TEST(DebugPlain, UnsetVariableAndNamedVariable) {
  Child r = debug_with(nullptr, 7);
  EXPECT_EQ(r.out, "word=0x0\n");
  EXPECT_EQ(r.err, "");
  r = debug_with("@1,2", 0, "MY_LEVEL");
  EXPECT_EQ(r.err, "MY_LEVEL=0x3\n");
}

TEST(DebugPlain, AtFormAddsBitsAcrossCallsAndLeavesTheEnvironment) {
  Child r = run_child([] {
    setenv("DEBUG", "@1", 1);
    Debug(nullptr);
    setenv("DEBUG", "@3", 1);
    Debug(nullptr);
    printf("%x %s\n", debug, getenv("DEBUG"));
  });
  EXPECT_EQ(r.out, "5 @3\n");
  EXPECT_EQ(r.err, "DEBUG=0x1\nDEBUG=0x5\n");
}

TEST(DebugFile, WithDescriptor2ClosedTheFileBecomesIt) {
  // Closed before a file form, and closed again after a pipe form: descriptor 2 is the file.
  TempDir d;
  Child r = run_child([&] {
    close(2);
    setenv("DEBUG", ("1>" + (d / "a")).c_str(), 1);
    Debug(nullptr);
    setenv("DEBUG", "4|cat >/dev/null", 1);  // a file form: the first '>' decides
    Debug(nullptr);
    setenv("DEBUG", "8|cat", 1);
    Debug(nullptr);
    close(2);
    setenv("DEBUG", ("3>" + (d / "b")).c_str(), 1);
    Debug(nullptr);
    fprintf(stderr, "last\n");
  });
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(slurp(d / "a"), "DEBUG=0x1\n");
  EXPECT_EQ(slurp(d / "b"), "DEBUG=0x3\nlast\n");
}

TEST(DebugFile, StandardErrorIsUnbufferedAfterwards) {
  TempDir d;
  Child r = run_child([&] {
    static char buf[4096];
    setvbuf(stderr, buf, _IOFBF, sizeof buf);
    setenv("DEBUG", ("1>" + (d / "log")).c_str(), 1);
    Debug(nullptr);
    fprintf(stderr, "x");
    child_exit(0);  // with no flush
  });
  EXPECT_EQ(slurp(d / "log"), "DEBUG=0x1\nx");
}

TEST(DebugFile, TheFileModeFollowsTheUmask) {
  TempDir d;
  std::string path = d / "log";
  Child r = run_child([&] {
    umask(027);
    setenv("DEBUG", ("1>" + path).c_str(), 1);
    Debug(nullptr);
  });
  struct stat st;
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  EXPECT_EQ(r.status, 0);
}

TEST(DebugFile, TruncatesOrAppends) {
  TempDir d;
  for (const char *op : {">", ">>"}) {
    std::string log = d / "log";
    std::ofstream(log) << "old\n";
    std::string value = std::string("3") + op + log;
    Child r = run_child([&] {
      setenv("DEBUG", value.c_str(), 1);
      Debug(nullptr);
      fprintf(stderr, "after\n");
    });
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(slurp(log), std::string(op[1] ? "old\n" : "") + "DEBUG=0x3\nafter\n") << op;
  }
}

TEST(DebugFile, BlanksPidAndOddPaths) {
  TempDir d;
  // Blanks and tabs around the operator and the path are cut.
  Child r = debug_with(("15 \t>>  \t" + (d / "blank") + " \t").c_str());
  EXPECT_EQ(r.out, "word=0xf\n");
  EXPECT_EQ(slurp(d / "blank"), "DEBUG=0xf\n");
  // A final "$$" becomes the process id; one that is not final stays.
  pid_t pid = 0;
  r = run_child([&] {
    setenv("DEBUG", ("1>" + (d / "err.$$")).c_str(), 1);
    Debug(nullptr);
    printf("%d", static_cast<int>(getpid()));
  });
  pid = atoi(r.out.c_str());
  EXPECT_EQ(slurp(d / ("err." + std::to_string(pid))), "DEBUG=0x1\n");
  debug_with(("1>" + (d / "log$$x")).c_str());
  EXPECT_EQ(slurp(d / "log$$x"), "DEBUG=0x1\n");
  // The first '>' decides: a '|' before it is part of the level part, one after it of the path.
  debug_with(("1>" + (d / "a|b")).c_str());
  EXPECT_EQ(slurp(d / "a|b"), "DEBUG=0x1\n");
  debug_with(("2|sort >" + (d / "out")).c_str());
  EXPECT_EQ(slurp(d / "out"), "DEBUG=0x2\n");
}

TEST(DebugFile, NoLevelRedirectsSilently) {
  TempDir d;
  Child r = run_child([&] {
    setenv("DEBUG", (">" + (d / "f")).c_str(), 1);
    Debug(nullptr);
    fprintf(stderr, "x\n");
    printf("word=%u\n", debug);
  });
  EXPECT_EQ(r.out, "word=0\n");
  EXPECT_EQ(slurp(d / "f"), "x\n");
}

TEST(DebugFile, EmptyPathOrUnopenablePathUsesStandardOutput) {
  Child r = run_child([] {
    setenv("DEBUG", "3>", 1);
    Debug(nullptr);
    fprintf(stderr, "e\n");
  });
  EXPECT_EQ(r.out, "DEBUG=0x3\ne\n");
  EXPECT_EQ(r.err, "");
  for (const char *op : {">", ">>"}) {
    r = run_child([&] {
      setenv("DEBUG", (std::string("2") + op + "/nonexistent/dir/f").c_str(), 1);
      Debug(nullptr);
      std::cerr << "cerr" << std::endl;
    });
    std::string flags =
        op[1] ? "(O_WRONLY | O_CREAT | O_APPEND)" : "(O_WRONLY | O_CREAT | O_TRUNC)";
    EXPECT_EQ(r.out,
              "/nonexistent/dir/f : No such file or directory (" + flags + ")\nDEBUG=0x2\ncerr\n");
    EXPECT_EQ(r.err, "");
  }
}

TEST(DebugPipe, EverythingWrittenToStandardErrorReachesTheCommand) {
  TempDir d;
  // A pipe's command cannot hold '>': the first '>' would make the value a file form.
  std::string value =
      "5|dd status=none of=" + (d / "got") +
      "; printf '%s[%s]' \"${DEBUG+set}\" \"$DEBUG\" | dd status=none of=" + (d / "env");
  Child r = run_child([&] {
    setenv("DEBUG", value.c_str(), 1);
    Debug(nullptr);
    printf("same=%d env=%d\n", stderr != nullptr, strcmp(getenv("DEBUG"), value.c_str()) == 0);
    fprintf(stderr, "fprintf\n");
    if (write(2, "write\n", 6) != 6) child_exit(3);
    std::cerr << "cerr" << std::endl;
    if (system("echo child >&2") != 0) child_exit(4);
    // A file form closes the pipe, waiting for the command, so its files are complete.
    setenv("OTHER", "0>/dev/null", 1);
    Debug("OTHER");
  });
  EXPECT_FALSE(r.timed_out);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "same=1 env=1\n");
  EXPECT_EQ(slurp(d / "got"), "DEBUG=0x5\nfprintf\nwrite\ncerr\nchild\n");
  EXPECT_EQ(slurp(d / "env"), "set[]");
}

TEST(DebugPipe, PipeThenPipeThenFileNeverDeadlocks) {
  TempDir d;
  Child r = run_child([&] {
    setenv("DEBUG", ("1|dd status=none of=" + (d / "one")).c_str(), 1);
    Debug(nullptr);
    fprintf(stderr, "to one\n");
    if (system("sleep 0.1 >&2 & true") != 0) child_exit(3);
    setenv("DEBUG", ("2|dd status=none of=" + (d / "two")).c_str(), 1);
    Debug(nullptr);
    fprintf(stderr, "to two\n");
    setenv("DEBUG", ("4>" + (d / "three")).c_str(), 1);
    Debug(nullptr);
    fprintf(stderr, "to three\n");
  });
  EXPECT_FALSE(r.timed_out) << "a later Debug call hung waiting for the earlier command";
  EXPECT_EQ(slurp(d / "one"), "DEBUG=0x1\nto one\n");
  EXPECT_EQ(slurp(d / "two"), "DEBUG=0x2\nto two\n");
  EXPECT_EQ(slurp(d / "three"), "DEBUG=0x4\nto three\n");
}

TEST(DebugPipe, EmptyCommandUsesStandardOutputAndRestoresTheVariable) {
  Child r = run_child([] {
    setenv("DEBUG", "3|", 1);
    Debug(nullptr);
    fprintf(stderr, "e\n");
    printf("env=%s\n", getenv("DEBUG"));
  });
  EXPECT_EQ(r.out, "DEBUG=0x3\ne\nenv=3|\n");
  EXPECT_EQ(r.err, "");
}

TEST(DebugPipe, FailedPopenIsReportedOnStandardOutput) {
  Child r = run_child([] {
    setenv("DEBUG", "1|cat", 1);
    debug_with_descriptors_below(3);  // no descriptor left for the pipe
    printf("|env=%s\n", getenv("DEBUG"));
  });
  EXPECT_EQ(r.out,
            "cat : Too many open files"
            "DEBUG=0x1\n|env=1|cat\n");
}

// When a copy for the environment cannot be made: without the NAME= copy the command sees the
// value; without the NAME=VALUE copy the variable keeps the empty value. Either way the command
// runs and gets standard error.
TEST(DebugPipe, FailedCopiesForTheEnvironment) {
  const std::string value = "1|dd status=none of=/dev/null; echo \"[$DEBUG]\"";
  const std::string seen = "[" + value + "]\n";
  struct Case {
    int malloc_in, putenv_in;
    std::string out;
  } cases[] = {
      {1, 0, "[]\nafter=\n"},                  // NAME=VALUE
      {2, 0, seen + "after=" + value + "\n"},  // NAME=
      {0, 1, seen + "after=" + value + "\n"},  // putting NAME= in
      {0, 2, "[]\nafter=\n"},                  // putting NAME=VALUE back
  };
  for (const Case &c : cases) {
    Child r = run_child([&] {
      setenv("DEBUG", value.c_str(), 1);
      faults.malloc_in = c.malloc_in;
      faults.putenv_in = c.putenv_in;
      Debug(nullptr);
      faults = Faults();
      std::string after = getenv("DEBUG");
      setenv("DEBUG", "0>/dev/null", 1);
      Debug(nullptr);  // waits for the command
      printf("after=%s\n", after.c_str());
    });
    EXPECT_EQ(r.out, c.out) << c.malloc_in << " " << c.putenv_in;
  }
}

// With no descriptor to spare for /dev/null, a later call still ends the command and the file
// gets descriptor 2.
TEST(DebugPipe, PipeThenFileWithNoDescriptorToSpare) {
  TempDir d;
  Child r = run_child([&] {
    setenv("DEBUG", ("1|dd status=none of=" + (d / "pipe")).c_str(), 1);
    Debug(nullptr);
    fprintf(stderr, "to the pipe\n");
    setenv("DEBUG", ("2>" + (d / "file")).c_str(), 1);
    debug_with_descriptors_below(4);  // 0, 1, 2 and the pipe's own descriptor
    fprintf(stderr, "to the file\n");
  });
  EXPECT_FALSE(r.timed_out);
  EXPECT_EQ(slurp(d / "pipe"), "DEBUG=0x1\nto the pipe\n");
  EXPECT_EQ(slurp(d / "file"), "DEBUG=0x2\nto the file\n");
  // With standard input closed, /dev/null opens as descriptor 0 for a moment: it is not left
  // open behind the caller.
  r = run_child([&] {
    close(0);
    setenv("DEBUG", "1|dd status=none of=/dev/null", 1);
    Debug(nullptr);
    setenv("DEBUG", ("2>" + (d / "file")).c_str(), 1);
    Debug(nullptr);
    printf("stdin %s\n", fcntl(0, F_GETFD) < 0 ? "closed" : "open");
  });
  EXPECT_EQ(r.out, "stdin closed\n");
}

TEST(DebugPipe, LongValueComesBackWhole) {
  std::string value = "7|dd status=none of=/dev/null #" + std::string(3000, 'x');
  Child r = run_child([&] {
    setenv("DEBUG", value.c_str(), 1);
    Debug(nullptr);
    printf("%d %u", strcmp(getenv("DEBUG"), value.c_str()) == 0, debug);
  });
  EXPECT_EQ(r.out, "1 7");
}

TEST(DebugLong, OperatorPastTheKeptCharactersIsAPlainLevel) {
  TempDir d;
  std::string value = "9" + std::string(2000, ' ') + ">" + (d / "never");
  Child r = debug_with(value.c_str());
  EXPECT_EQ(r.out, "word=0x9\n");
  EXPECT_EQ(r.err, "DEBUG=0x9\n");
  EXPECT_EQ(access((d / "never").c_str(), F_OK), -1);
}

TEST(DebugPrivileged, ASetUserIdProgramTakesNoTargetFromItsCaller) {
  // The example program, once as it is and once set-user-ID to an unprivileged user, in a folder
  // of the build tree; both may create files in out/, and DEBUG asks them to.
  if (geteuid() != 0)
    GTEST_SKIP() << "not root: no program can be made set-user-ID to another user";
  std::string dir = std::string(ILVO_BUILD_DIR) + "/setuid_test";
  std::string setup = "rm -rf '" + dir + "' && mkdir -p '" + dir + "/out' && chmod 1777 '" + dir +
                      "/out' && cp '" DEBUG_EXAMPLE "' '" + dir +
                      "/plain' && cp '" DEBUG_EXAMPLE "' '" + dir + "/setuid' && chown 65534 '" +
                      dir + "/setuid' && chmod 4755 '" + dir + "/setuid'";
  ASSERT_EQ(system(setup.c_str()), 0);
  struct statvfs fs;
  ASSERT_EQ(statvfs(dir.c_str(), &fs), 0);
  if (fs.f_flag & ST_NOSUID) GTEST_SKIP() << dir << " is on a file system mounted nosuid";
  if (slurp("/proc/self/status").find("NoNewPrivs:\t1") != std::string::npos)
    GTEST_SKIP() << "this process may gain no privileges: the set-user-ID bit would be ignored";
  // A sanitized build's leak check cannot look at a set-user-ID process and says so on its way
  // out, with status 1: those lines are not the program's, and are left out.
  auto run = [&](const std::string &prog) {
    std::string cmd = "cd '" + dir + "' && DEBUG='1>out/" + prog + ".err' ./" + prog + " >" + prog +
                      ".stdout 2>" + prog + ".stderr";
    int status = system(cmd.c_str());
    std::string err = slurp(dir + "/" + prog + ".stderr"), own;
    for (size_t at = 0, nl; (nl = err.find('\n', at)) != std::string::npos; at = nl + 1)
      if (err.compare(at, 2, "==") != 0) own += err.substr(at, nl + 1 - at);
    return own.size() < err.size() ? own : own + "status " + std::to_string(status);
  };
  EXPECT_EQ(run("plain"), "status 0");
  EXPECT_EQ(slurp(dir + "/plain.stdout"), "debug = 0x1\n");
  EXPECT_EQ(slurp(dir + "/out/plain.err"), "DEBUG=0x1\nlevel 1: a line through stderr\n");
  std::string errors = run("setuid");  // nothing on standard error; "" when a sanitizer spoke
  EXPECT_TRUE(errors == "status 0" || errors.empty()) << errors;
  EXPECT_EQ(slurp(dir + "/setuid.stdout"), "debug = 0x0\n");
  EXPECT_NE(access((dir + "/out/setuid.err").c_str(), F_OK), 0) << "the caller's file was created";
  EXPECT_EQ(system(("rm -rf '" + dir + "'").c_str()), 0);
}

TEST(DebugParse, CutsAtTheKeptLengths) {
  DebugValue v;
  // The operator as the last kept character is an operator; one further on is cut off.
  for (unsigned keep : {kFileKeep, kPipeKeep}) {
    const char *op = keep == kFileKeep ? ">" : "|";
    std::string last = "5" + std::string(keep - 2, ' ') + op + "t";
    debug_parse(last.c_str(), 1, &v);
    EXPECT_EQ(v.form, keep == kFileKeep ? DebugValue::kFile : DebugValue::kPipe) << op;
    EXPECT_STREQ(v.target, "") << op;
    std::string past = "5" + std::string(keep - 1, ' ') + op + "t";
    debug_parse(past.c_str(), 1, &v);
    EXPECT_EQ(v.form, DebugValue::kPlain) << op;
    EXPECT_EQ(debug_level(v.level, 0), 5u) << op;
  }
  // The second '>' of ">>" lies just past the kept characters: '>' with an empty path.
  std::string value = "1" + std::string(kFileKeep - 2, ' ') + ">>x";
  debug_parse(value.c_str(), 1, &v);
  EXPECT_EQ(v.form, DebugValue::kFile);
  EXPECT_EQ(v.append_mode, 1);
  EXPECT_STREQ(v.level, "1");
  EXPECT_STREQ(v.target, "");
  // A path cut at the limit.
  value = "2>" + std::string(2000, 'p');
  debug_parse(value.c_str(), 1, &v);
  EXPECT_EQ(strlen(v.target), 1015u);  // 1017 characters kept
  value = "2|" + std::string(2000, 'p');
  debug_parse(value.c_str(), 1, &v);
  EXPECT_EQ(strlen(v.target), 1021u);  // 1023 kept
}

TEST(DebugParse, DollarsNearTheEndExpandOnlyWhenTheIdFits) {
  DebugValue v;
  std::string cmd = "1|" + std::string(kPipeKeep - 4, 'c') + "$$";  // "$$" ends the kept copy
  debug_parse(cmd.c_str(), 1234567, &v);
  std::string t = v.target;
  EXPECT_EQ(t.substr(t.size() - 2), "$$");
  debug_parse(cmd.c_str(), 7, &v);
  t = v.target;
  EXPECT_EQ(t.substr(t.size() - 2), "c7");
  debug_parse(("1>" + std::string(kFileKeep - 4, 'f') + "$$").c_str(), 99999999, &v);
  t = v.target;
  EXPECT_EQ(t.substr(t.size() - 9), "f99999999");
  // Nine digits where eight have room: the "$$" stays.
  debug_parse(("1>" + std::string(kFileKeep - 4, 'f') + "$$").c_str(), 123456789, &v);
  t = v.target;
  EXPECT_EQ(t.substr(t.size() - 3), "f$$");
  // A target that is only "$$", one that ends in a single '$', one with "$$" inside.
  debug_parse("1>$$", 42, &v);
  EXPECT_STREQ(v.target, "42");
  debug_parse("1> a$ ", 42, &v);
  EXPECT_STREQ(v.target, "a$");
  debug_parse("1|x$$y", 42, &v);
  EXPECT_STREQ(v.target, "x$$y");
  debug_parse("1|$", 42, &v);
  EXPECT_STREQ(v.target, "$");
}

TEST(DebugParse, NumbersBeyond32Bits) {
  EXPECT_EQ(debug_level("4294967296", 0), 0u);
  EXPECT_EQ(debug_level("-4294967295", 0), 1u);
  EXPECT_EQ(debug_level("-99999999999999999999999", 0), 0u);
  EXPECT_EQ(debug_level("@4294967297,33,-1", 8), 8u);
  EXPECT_EQ(debug_level("@32", 0), 0x80000000u);
}
