// The terminal and the pager: what the preview writes to, and the signals that must leave the
// terminal in its own colors.
#include "pager.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "outbuf.h"
#include "previewtexts.h"

namespace {

// The pager, while one runs: the process and the pipe to it; the terminal, while the program
// writes to it directly.
volatile sig_atomic_t pager_pid = -1, pager_fd = -1, terminal_fd = -1;

// The colors the terminal shows, in two copies: the one that `showing` names is whole while the
// other is written, so that a signal never reads half of one.
char shown[2][64];
volatile sig_atomic_t shown_len[2] = {0, 0}, showing = 0;

// Writes s to fd as far as the terminal takes it within half a second, and gives up then: a
// terminal that is stopped (Ctrl-S) or not read must not keep a signal from ending the program.
void write_soon(int fd, const char *s, size_t n) {
  int flags = fcntl(fd, F_GETFL);
  if (flags < 0) return;
  fcntl(fd, F_SETFL, flags | O_NONBLOCK);
  for (int waits = 0; n > 0 && waits < 5;) {
    ssize_t w = write(fd, s, n);
    if (w > 0) {
      s += w;
      n -= static_cast<size_t>(w);
    } else if (w < 0 && errno != EAGAIN && errno != EINTR) {
      break;
    } else {
      struct pollfd p = {fd, POLLOUT, 0};
      poll(&p, 1, 100);
      waits++;
    }
  }
  fcntl(fd, F_SETFL, flags);
}

void reset_terminal() {
  if (terminal_fd >= 0) write_soon(terminal_fd, kAnsiReset, strlen(kAnsiReset));
}

// A signal that ends the program: the terminal gets its own colors back (or the pager the end of
// its input, and the time to end), then the signal ends the program as it would have.
void on_end(int sig) {
  reset_terminal();
  if (pager_pid > 0) {
    close(pager_fd);
    wait_child(pager_pid);
  }
  signal(sig, SIG_DFL);
  raise(sig);  // delivered as the handler returns
}

void on_stop(int);

void catch_stop() {
  struct sigaction sa = {};
  sa.sa_handler = on_stop;
  sa.sa_flags = SA_RESTART;  // a write to the terminal goes on after the stop
  sigemptyset(&sa.sa_mask);
  sigaction(SIGTSTP, &sa, nullptr);
}

// Ctrl-Z: the terminal's own colors while the program is stopped, and its colors again after.
void on_stop(int) {
  int saved = errno;
  reset_terminal();
  signal(SIGTSTP, SIG_DFL);
  sigset_t tstp;
  sigemptyset(&tstp);
  sigaddset(&tstp, SIGTSTP);
  sigprocmask(SIG_UNBLOCK, &tstp, nullptr);
  raise(SIGTSTP);  // stops here until SIGCONT
  sigprocmask(SIG_BLOCK, &tstp, nullptr);
  catch_stop();
  int k = showing;
  if (terminal_fd >= 0) write_soon(terminal_fd, shown[k], static_cast<size_t>(shown_len[k]));
  errno = saved;
}

// The words of cmd when it is nothing but plain words, to be run without a shell; else none.
std::vector<std::string> plain_words(const std::string &cmd) {
  std::vector<std::string> words;
  if (cmd.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"
                            "-_./+=:, \t") != std::string::npos)
    return words;
  for (size_t at = cmd.find_first_not_of(" \t"); at != std::string::npos;) {
    size_t end = cmd.find_first_of(" \t", at);
    words.push_back(cmd.substr(at, end - at));
    at = cmd.find_first_not_of(" \t", end);
  }
  return words;
}

}  // namespace

std::string pager_command() {
  const char *cmd = getenv("ILVO_PAGER");
  if (!cmd) cmd = getenv("PAGER");
  if (!cmd) cmd = "less";
  std::string c = cmd;
  size_t a = c.find_first_not_of(" \t"), b = c.find_last_not_of(" \t");
  c = a == std::string::npos ? "" : c.substr(a, b - a + 1);
  return c == "cat" ? "" : c;
}

int start_pager(const std::string &cmd) {
  std::vector<std::string> words = plain_words(cmd);
  if (words.empty()) words = {"sh", "-c", cmd};
  std::vector<char *> argv;
  for (std::string &w : words) argv.push_back(&w[0]);
  argv.push_back(nullptr);
  const char *less = getenv("LESS");
  std::string options = less ? std::string(less) + " -R" : "FRX";
  // The pipe to the pager, and one that tells of a failed exec (it closes on a good one).
  int fds[2], report[2];
  if (pipe(fds) != 0) return -1;
  if (pipe2(report, O_CLOEXEC) != 0) {
    close(fds[0]);
    close(fds[1]);
    return -1;
  }
  pid_t pid = fork();
  if (pid == 0) {
    dup2(fds[0], 0);
    close(fds[0]);
    close(fds[1]);
    setenv("LESS", options.c_str(), 1);
    execvp(argv[0], argv.data());
    int why = errno;
    if (write(report[1], &why, sizeof why) < 0) {
      // the parent learns of it from the exit status then
    }
    _exit(127);
  }
  int why = errno;
  close(fds[0]);
  close(report[1]);
  ssize_t n = -1;
  if (pid > 0)
    while ((n = read(report[0], &why, sizeof why)) < 0 && errno == EINTR) {
    }
  close(report[0]);
  if (pid < 0 || n == static_cast<ssize_t>(sizeof why)) {
    if (pid > 0) waitpid(pid, nullptr, 0);
    close(fds[1]);
    errno = why;
    return -1;
  }
  fcntl(fds[1], F_SETFD, FD_CLOEXEC);
  pager_fd = fds[1];
  pager_pid = pid;
  return fds[1];
}

int wait_pager() {
  close(pager_fd);
  int status = wait_child(pager_pid);
  pager_pid = -1;
  return status;
}

int wait_child(pid_t pid) {
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

void catch_signals(bool direct) {
  struct sigaction sa = {};
  sa.sa_handler = on_end;
  sigemptyset(&sa.sa_mask);
  for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) sigaction(sig, &sa, nullptr);
  if (direct) {
    terminal_fd = 1;
    sigaction(SIGPIPE, &sa, nullptr);
    catch_stop();
  } else {
    signal(SIGPIPE, SIG_IGN);
  }
}

void write_terminal(OutBuf &out, std::string_view escape) {
  sigset_t stop, old;
  sigemptyset(&stop);
  sigaddset(&stop, SIGTSTP);
  sigprocmask(SIG_BLOCK, &stop, &old);
  out.flush();
  int k = 1 - showing;
  size_t n = escape.size() < sizeof shown[k] ? escape.size() : 0;
  if (n) memcpy(shown[k], escape.data(), n);
  shown_len[k] = static_cast<sig_atomic_t>(n);
  std::atomic_signal_fence(std::memory_order_seq_cst);  // the copy is whole before it is named
  showing = k;
  sigprocmask(SIG_SETMASK, &old, nullptr);
}
