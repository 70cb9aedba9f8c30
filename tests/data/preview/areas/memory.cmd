# Memory that cannot be had, for a source read from a pipe or for a stream line that never
# ends: a message, status 1, no abort. (A sanitized build cannot run under an address-space
# limit: its allocator refuses large blocks instead, and its own warning is left out.)
if grep -qa libasan "$PROG"; then
  limited() { ASAN_OPTIONS=allocator_may_return_null=1:max_allocation_size_mb=64 "$@"; }
else
  limited() { prlimit --as=400000000 "$@"; }
fi
trap 'rm -f memory.log' EXIT
limited "$PROG" -s /dev/zero src.txt 2>memory.log; echo "status $?"
grep -v AddressSanitizer memory.log >&2
head -c 600M /dev/zero | limited "$PROG" -s overlap.stream /dev/stdin 2>memory.log | wc -c
echo "status ${PIPESTATUS[1]}"
grep -v AddressSanitizer memory.log >&2
