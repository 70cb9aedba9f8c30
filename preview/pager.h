// The terminal and the pager: what the preview writes to, and the signals that must leave the
// terminal in its own colors.
#ifndef ILVO_PREVIEW_PAGER_H
#define ILVO_PREVIEW_PAGER_H

#include <sys/types.h>

#include <string>
#include <string_view>

// The pager for ANSI output to a terminal: ILVO_PAGER, else PAGER, else less; empty when it is
// empty or cat.
std::string pager_command();

// Starts the pager with a pipe to its standard input and returns the pipe, or -1 with errno set
// when it cannot be started (a program that does not exist is known here, before any output).
// A command of plain words runs by execvp, anything else through sh -c. less is given R in
// LESS whatever LESS holds (FRX when unset), so that it shows colors.
int start_pager(const std::string &cmd);

// Ends the pager's input and waits for it; its exit status, as wait_child says.
int wait_pager();

// Waits for the process pid to end; its exit status, or 128 + the signal that ended it. Safe
// in a signal handler.
int wait_child(pid_t pid);

// From now on SIGINT, SIGTERM, SIGHUP, SIGQUIT and (when direct) SIGPIPE give the terminal its
// own colors back, end the pager, and end the program as the signal would have; SIGTSTP gives
// the colors back, stops, and on continuing shows again the colors of the last write_terminal().
// A write to the terminal from a signal waits at most half a second for room, so that a stalled
// terminal cannot keep the program from ending. direct: the program writes to the terminal,
// not to a pager, which then gets SIGPIPE ignored (a pager that quits early is no error).
void catch_signals(bool direct);

class OutBuf;
// Writes what out holds to the terminal, after which it shows the colors of the escape sequence
// colors (empty: its own). A stop waits for the write to end, so that it knows those colors.
void write_terminal(OutBuf &out, std::string_view colors);

#endif
