# A pipe or a process's output as the file: read to its end, whatever its size says, also when
# it takes more than the first guess of room (200 000 bytes).
printf '<h1>x</h1>\n' | "$PROG" /dev/stdin $COLORS && "$PROG" <(printf '<b>') $COLORS &&
  (head -c 199990 /dev/zero | tr '\0' ' '; printf '\n<p>\n') | "$PROG" /dev/stdin $COLORS | tail -c 70
# A read that gives one byte is not the end: the writer pauses after the '<'.
(printf '<'; sleep 0.2; printf 'b>\n') | "$PROG" /dev/stdin $COLORS
