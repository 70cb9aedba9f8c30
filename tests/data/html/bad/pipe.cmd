# A pipe or a process's output as the file: read to its end, whatever its size says.
printf '<h1>x</h1>\n' | "$PROG" /dev/stdin $COLORS && "$PROG" <(printf '<b>') $COLORS
