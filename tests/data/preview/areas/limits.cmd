# A source or a stream that is not a regular file is read up to --max-size; a stream that is
# empty (as when the program that should write it was not found) shows the text, with a warning.
"$PROG" --color=always --max-size 64 -s overlap.stream <(head -c 100 /dev/zero); echo "status $?"
"$PROG" --color=always --max-size 1k src.txt < /dev/zero; echo "status $?"
"$PROG" --color=always --max-size 1k -s <(cat overlap.stream) src.txt | od -c | head -1; echo "status $?"
"$PROG" --color=always -s /dev/null src.txt; echo "status $?"
"$PROG" --color=always -s . src.txt; echo "status $?"
: > empty.txt && trap 'rm -f empty.txt' EXIT
"$PROG" --color=always -s overlap.stream empty.txt | od -c | head -1; echo "status $?"
"$PROG" --color=always -s overlap.stream .; echo "status $?"
"$PROG" --color=always -s overlap.stream /dev/null | od -c | head -1; echo "status $?"
# Exactly the limit is not past it; a stream without a final newline has its last line read.
"$PROG" --color=always --max-size 73 -s <(cat overlap.stream) src.txt | od -c | head -1; echo "status $?"
printf '[1,1],[1,2]ca red ""' | "$PROG" --color=always -f html src.txt | grep -c 'color: #cd0000'
"$PROG" --color=always -s overlap.stream src.txt > /dev/full; echo "status $?"
"$PROG" --color=always --max-size 13 -s overlap.stream <(printf 'abcdef\nghijkl') | od -c | tail -1; echo "status $?"
# Files the system will not map: under /sys one reads as its copy does; a read that fails, of
# the source or of the stream, is an error. A stream's lines may straddle its reads.
cp /sys/devices/system/cpu/online online.txt && trap 'rm -f empty.txt online.txt' EXIT
"$PROG" --color=always -s overlap.stream /sys/devices/system/cpu/online > sys.out; "$PROG" --color=always -s overlap.stream online.txt | cmp - sys.out && echo same
rm -f sys.out
"$PROG" --color=always -s overlap.stream /proc/self/mem; echo "status $?"
"$PROG" --color=always -s /proc/self/mem src.txt; echo "status $?"
# (3120 rows of 21 bytes, then one across byte 65536.)
{ for k in $(seq 3120); do echo '[1,2],[1,3]ca red ""'; done; echo '[1,1],[1,4]ca blue ""'; } > long.stream
trap 'rm -f empty.txt online.txt long.stream' EXIT
"$PROG" --color=always -s long.stream src.txt | cmp - <(tail -2 long.stream | "$PROG" --color=always src.txt) && echo same
"$PROG" --color=always --max-size "" src.txt < overlap.stream; echo "status $?"
"$PROG" --color=always --max-size 99999999999999999999999 src.txt < overlap.stream; echo "status $?"
# A read of the source that gives one byte is not its end.
(printf 'a'; sleep 0.2; printf 'bcdef\n') | "$PROG" --color=always -s overlap.stream /dev/stdin > paused.out
printf 'abcdef\n' > whole.txt && "$PROG" --color=always -s overlap.stream whole.txt | cmp - paused.out && echo same
rm -f paused.out whole.txt
# A file name shows in visible form in every message: a stream that is empty, one with a line
# that cannot be read, a stream or source that cannot be opened, a source past the limit.
name=$'new\nline\033[31m.stream'
: > "$name" && trap 'rm -f empty.txt online.txt long.stream "$name"' EXIT
"$PROG" --color=always -s "$name" src.txt > /dev/null; echo "status $?"
echo frob > "$name" && "$PROG" --color=always -s "$name" src.txt > /dev/null; echo "status $?"
"$PROG" --color=always -s "$name.missing" src.txt; echo "status $?"
"$PROG" --color=always -s overlap.stream "$name.missing"; echo "status $?"
mkfifo "$name.fifo" && trap 'rm -f empty.txt online.txt long.stream "$name" "$name.fifo"' EXIT
cat src.txt > "$name.fifo" &
"$PROG" --color=always --max-size 1 -s overlap.stream "$name.fifo" > /dev/null; echo "status $?"
wait
