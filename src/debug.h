/* Debug: sets the word `debug` from an environment variable and can redirect standard error.
 *
 * The value of the variable ("DEBUG" unless named) is a level part, optionally followed by an
 * operator and a target:
 *   y or Y         debug = 1
 *   @1,3,5         sets bits 0, 2 and 4 of debug (numbers 1 to 32; others set nothing),
 *                  adding to the bits it already has
 *   N              debug = N, a decimal number as atoi reads it, taken modulo 2^32
 *                  (so -1 sets every bit; beyond the range of long long it is read as that bound)
 *   LEVEL>path     standard error to path, emptied first; LEVEL>>path appends. The path is
 *                  opened as the shell's '>' opens it, following a link: name one in a folder
 *                  of your own ($HOME, $XDG_RUNTIME_DIR), not a guessable name in /tmp
 *   LEVEL|command  standard error into the standard input of a shell command
 * The first '>' decides the form; only a value without '>' can be a pipe. Blanks and tabs around
 * the target are cut, and a final "$$" in it becomes the process id (left as it is when the id
 * would not fit in the 1024 bytes kept). An empty target sends standard error to standard
 * output. Up to 1017 characters of a file-form value and 1023 of a pipe-form value are kept; a
 * value whose operator lies beyond them is read as a plain level, with nothing redirected.
 *
 * What a call does to the process:
 *  - sets `debug` (the program defines it);
 *  - with a target, replaces descriptor 2 with the file, the pipe or a copy of descriptor 1, so
 *    that fprintf(stderr), write(2), std::cerr and later child processes all reach it; a pipe
 *    from an earlier call is closed first, waiting for its command to end;
 *  - in the pipe form, `stderr` becomes the unbuffered pipe stream; otherwise `stderr` is the
 *    process's original standard error stream, writing to descriptor 2. It is never closed;
 *  - in the pipe form, the variable is empty while the command starts (so a program in the pipe
 *    that calls Debug neither redirects nor loops) and afterwards reads exactly as before, from
 *    a copy that the environment keeps; the other forms leave the environment alone;
 *  - writes "path : reason (flags)" or "command : reason" on standard output when the target
 *    cannot be opened, and "NAME=0x..." on the new standard error when debug is not 0.
 *  - in a program that runs with privileges its caller lacks (set-user-ID, set-group-ID, file
 *    capabilities), acts as if the variable were not set: debug = 0, nothing else.
 * Not thread-safe: call it while no other thread uses the environment or standard error.
 */
#ifndef ILVO_DEBUG_H
#define ILVO_DEBUG_H

#ifdef __cplusplus
extern "C" {
#endif

/* The program's debugging word; defined by the program that links this module. */
extern unsigned int debug;

/* Reads the variable env_name ("DEBUG" when null) and acts on it as described above. */
void Debug(const char *env_name);

#ifdef __cplusplus
}
#endif

#endif
