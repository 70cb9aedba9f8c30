// The floor of listtint's job, for the bench: read the file a block at a time, as the filter's
// reader does, and classify every word of it. No listing filter that looks at every byte can do
// less.
#include <fcntl.h>

#include "blockreader.h"
#include "bytescan.h"
#include "tint.h"

int main(int argc, char **argv) {
  int fd = argc > 1 ? open(argv[1], O_RDONLY) : 0;
  if (fd < 0) return 1;
  ListingReader in(fd);
  Block b;
  size_t lines = 0;
  for (size_t from = 0; in.next(from, &b); from = b.size)
    for (size_t at = find_bit(b.bits[0], 0, b.size); at < b.size;
         at = find_bit(b.bits[0], at + 1, b.size))
      lines++;
  return lines == static_cast<size_t>(-1);
}
