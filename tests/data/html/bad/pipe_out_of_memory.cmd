# A pipe that gives more than the program may hold: the same message and status as a file too
# large. (Memory is limited by the sanitizers' allocation limit, or else by ulimit.)
if grep -qa libasan "$PROG"; then  # a sanitized build
  limited() { ASAN_OPTIONS=allocator_may_return_null=1:max_allocation_size_mb=8 "$@" 2>big.err; }
else
  limited() { (ulimit -v 60000; "$@" 2>big.err); }
fi
head -c 80000000 /dev/zero | limited "$PROG" /dev/stdin $COLORS; s=$?
grep -v -e AddressSanitizer -e '^ *$' big.err >&2; rm -f big.err; exit $s
