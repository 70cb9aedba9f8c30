# Input far larger than the memory the program may have: it is read a block at a time, and the
# whole stream comes out. (Memory is limited by the sanitizers' allocation limit, or else by
# ulimit.)
if grep -qa libasan "$PROG"; then  # a sanitized build
  limited() { ASAN_OPTIONS=allocator_may_return_null=1:max_allocation_size_mb=8 "$@"; }
else
  limited() { (ulimit -v 60000; "$@"); }
fi
yes '<b>x</b>' | head -c 80000000 | limited "$PROG" /dev/stdin $COLORS | tail -c 100; echo
head -c 80000000 /dev/zero | limited "$PROG" /dev/stdin $COLORS | wc -c
