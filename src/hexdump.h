/* hexdump: writes a hex-and-text dump of a byte range to a stream. */
#ifndef ILVO_HEXDUMP_H
#define ILVO_HEXDUMP_H

#include <stdio.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Writes to ofd a heading (header, or none when header is null or empty, and the length),
 * a ruler, and one line for every 32 bytes at line: offset, bytes in hex in groups of four,
 * and a text column where letters and digits of the current locale stand as themselves and
 * every other byte as '.'. With print_addr nonzero each line starts with the low 32 bits of
 * the address of its first byte, in 8 hex digits, so the layout is the same on every host.
 * A length of 0 or less dumps no bytes. One fprintf per line; ofd is neither flushed nor
 * closed, write errors are ignored, nothing is allocated, and the process is not touched. */
void hexdump(FILE *ofd, const char *header, const char *line, int length, int print_addr);

#ifdef __cplusplus
}
#endif

#endif
