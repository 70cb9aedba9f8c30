# A sparse file far larger than memory: the buffer cannot be had. (The sanitizers' own warning
# about the failed allocation is left out.)
truncate -s 1T huge.bin && ASAN_OPTIONS=allocator_may_return_null=1 "$PROG" huge.bin $COLORS 2>huge.err; s=$?; grep -v AddressSanitizer huge.err >&2; rm -f huge.bin huge.err; exit $s
