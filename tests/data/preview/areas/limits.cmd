# A source or a stream that is not a regular file is read up to --max-size; a stream that is
# empty (as when the program that should write it was not found) shows the text, with a warning.
"$PROG" --max-size 64 -s overlap.stream <(head -c 100 /dev/zero); echo "status $?"
"$PROG" --max-size 1k src.txt < /dev/zero; echo "status $?"
"$PROG" --max-size 1k -s <(cat overlap.stream) src.txt | od -c | head -1; echo "status $?"
"$PROG" -s /dev/null src.txt; echo "status $?"
"$PROG" -s . src.txt; echo "status $?"
: > empty.txt && trap 'rm -f empty.txt' EXIT
"$PROG" -s overlap.stream empty.txt | od -c | head -1; echo "status $?"
"$PROG" -s overlap.stream .; echo "status $?"
"$PROG" -s overlap.stream /dev/null | od -c | head -1; echo "status $?"
# Exactly the limit is not past it; a stream without a final newline has its last line read.
"$PROG" --max-size 73 -s <(cat overlap.stream) src.txt | od -c | head -1; echo "status $?"
printf '[1,1],[1,2]ca red ""' | "$PROG" -f html src.txt | grep -c 'color: #cd0000'
"$PROG" -s overlap.stream src.txt > /dev/full; echo "status $?"
"$PROG" --max-size 13 -s overlap.stream <(printf 'abcdef\nghijkl') | od -c | tail -1; echo "status $?"
# Files the system will not map: under /sys one reads as its copy does; a read that fails, of
# the source or of the stream, is an error. A stream's lines may straddle its reads.
cp /sys/devices/system/cpu/online online.txt && trap 'rm -f empty.txt online.txt' EXIT
"$PROG" -s overlap.stream /sys/devices/system/cpu/online > sys.out; "$PROG" -s overlap.stream online.txt | cmp - sys.out && echo same
rm -f sys.out
"$PROG" -s overlap.stream /proc/self/mem; echo "status $?"
"$PROG" -s /proc/self/mem src.txt; echo "status $?"
# (3120 rows of 21 bytes, then one across byte 65536.)
{ for k in $(seq 3120); do echo '[1,2],[1,3]ca red ""'; done; echo '[1,1],[1,4]ca blue ""'; } > long.stream
trap 'rm -f empty.txt online.txt long.stream' EXIT
"$PROG" -s long.stream src.txt | cmp - <(tail -2 long.stream | "$PROG" src.txt) && echo same
"$PROG" --max-size "" src.txt < overlap.stream; echo "status $?"
"$PROG" --max-size 99999999999999999999999 src.txt < overlap.stream; echo "status $?"
# A read of the source that gives one byte is not its end.
(printf 'a'; sleep 0.2; printf 'bcdef\n') | "$PROG" -s overlap.stream /dev/stdin > paused.out
printf 'abcdef\n' > whole.txt && "$PROG" -s overlap.stream whole.txt | cmp - paused.out && echo same
rm -f paused.out whole.txt
