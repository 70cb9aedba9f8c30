// Opening the file a program reads: the one check that every program makes of it.
#ifndef ILVO_INPUTFILE_H
#define ILVO_INPUTFILE_H

#include <sys/stat.h>

// Opens path for reading ("-": a copy of standard input, when dash_is_stdin) and fills *st;
// -1 with errno set when it cannot, or when it is a folder (EISDIR), whose reads would fail.
int open_input(const char *path, struct stat *st, bool dash_is_stdin = false);

#endif
