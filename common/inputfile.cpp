// Opening the file a program reads: the one check that every program makes of it.
#include "inputfile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

int open_input(const char *path, struct stat *st, bool dash_is_stdin) {
  int fd = dash_is_stdin && strcmp(path, "-") == 0 ? dup(0) : open(path, O_RDONLY);
  if (fd < 0) return -1;
  int why = fstat(fd, st) != 0 ? errno : S_ISDIR(st->st_mode) ? EISDIR : 0;
  if (!why) return fd;
  close(fd);
  errno = why;
  return -1;
}
