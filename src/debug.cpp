// Debug: sets the word `debug` from an environment variable and redirects standard error.
#include "debug.h"

#include <fcntl.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/auxv.h>
#endif

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "debugparse.h"

namespace {

FILE *pstream = nullptr;      // the pipe of the last successful pipe form
FILE *orig_stderr = nullptr;  // the process's own standard error stream, never closed

const char kOpenFailed[] = "%s : %s (%s)\n";
const char kPopenFailed[] = "%s : %s";
const char kAnnouncement[] = "%s=0x%x\n";
const char kTruncFlags[] = "(O_WRONLY | O_CREAT | O_TRUNC)";
const char kAppendFlags[] = "(O_WRONLY | O_CREAT | O_APPEND)";

// Points descriptor 2 at fd; on failure descriptor 2 stays as it was.
void point_stderr_at(int fd) {
  if (fd != 2) dup2(fd, 2);
}

// Takes standard error back from an earlier pipe: the stream and descriptor 2 leave the pipe
// before pclose waits, so that the command sees the end of its input.
void release_pipe() {
  if (!pstream) return;
  fflush(pstream);
  stderr = orig_stderr;
  int null_fd = open("/dev/null", O_WRONLY);
  if (null_fd >= 0) {
    point_stderr_at(null_fd);
    if (null_fd != 2) close(null_fd);
  } else {
    close(2);
  }
  pclose(pstream);
  pstream = nullptr;
}

void file_form(const DebugValue &v) {
  release_pipe();
  fflush(stderr);
  int flags = O_WRONLY | O_CREAT | (v.append_mode ? O_APPEND : O_TRUNC);
  if (v.target[0] == '\0') {
    point_stderr_at(1);
    return;
  }
  int fd = open(v.target, flags, 0666);
  if (fd < 0) {
    printf(kOpenFailed, v.target, strerror(errno), v.append_mode ? kAppendFlags : kTruncFlags);
    fflush(stdout);
    point_stderr_at(1);
    return;
  }
  point_stderr_at(fd);
  if (fd != 2) close(fd);
}

void pipe_form(const char *name, const char *value, const DebugValue &v) {
  // The whole NAME=VALUE, so that the variable comes back exactly, whatever its length.
  size_t name_len = strlen(name);
  size_t value_len = strlen(value);
  char *env_hold = static_cast<char *>(malloc(name_len + value_len + 2));
  if (env_hold) {
    memcpy(env_hold, name, name_len);
    env_hold[name_len] = '=';
    memcpy(env_hold + name_len + 1, value, value_len + 1);
  }
  // The command finds the variable empty, so that a program in the pipe does not redirect again.
  char *null_env = static_cast<char *>(malloc(name_len + 2));
  bool emptied = false;
  if (null_env) {
    memcpy(null_env, name, name_len);
    memcpy(null_env + name_len, "=", 2);
    emptied = putenv(null_env) == 0;
    if (!emptied) free(null_env);
  }

  release_pipe();
  fflush(stderr);
  if (v.target[0] == '\0') {
    point_stderr_at(1);
  } else {
    // The command inherits the current descriptor 2 as its own standard error.
    FILE *p = popen(v.target, "w");
    if (!p) {
      printf(kPopenFailed, v.target, strerror(errno));
      fflush(stdout);
      point_stderr_at(1);
    } else {
      setvbuf(p, nullptr, _IONBF, 0);
      point_stderr_at(fileno(p));
      pstream = p;
      stderr = pstream;
    }
  }

  if (emptied) {
    if (env_hold && putenv(env_hold) == 0)
      free(null_env);
    else
      free(env_hold);  // the variable keeps the empty value
  } else if (env_hold) {
    free(env_hold);  // the variable was never changed
  }
}

// Whether the program runs with privileges that its caller lacks (set-user-ID, set-group-ID,
// file capabilities): its environment is then the caller's, and may not name a file to empty
// or a command to run with those privileges.
bool secure_execution() {
#ifdef __linux__
  return getauxval(AT_SECURE) != 0;
#else
  return getuid() != geteuid() || getgid() != getegid();
#endif
}

}  // namespace

extern "C" void Debug(const char *env_name) {
  const char *name = env_name ? env_name : "DEBUG";
  if (!orig_stderr) orig_stderr = stderr;
  const char *value = secure_execution() ? nullptr : getenv(name);
  if (!value) {
    debug = 0;
  } else {
    DebugValue v;
    debug_parse(value, getpid(), &v);
    if (v.form == DebugValue::kFile)
      file_form(v);
    else if (v.form == DebugValue::kPipe)
      pipe_form(name, value, v);
    debug = debug_level(v.level, debug);
  }
  setvbuf(stderr, nullptr, _IONBF, 0);
  if (debug != 0) fprintf(stderr, kAnnouncement, name, debug);
}
