# A writer that pauses in the middle of a keyword, then of the blanks before "href", then of
# "href": the rows of what has arrived come out before the program waits for more (each read
# here would time out otherwise), and the rows are those of the whole input at once.
# Bash closes the coprocess's own descriptors when it ends, so the rows still in the pipe would
# be lost once html exits: copies are taken at once, and the originals closed.
coproc H { "$PROG" /dev/stdin $COLORS; }
exec {out}<&"${H[0]}" {in}>&"${H[1]}"
eval "exec ${H[0]}<&- ${H[1]}>&-"
printf '<b>x</b><blockq' >&"$in"
for k in 1 2 3; do IFS= read -r -t 10 row <&"$out" && printf '%s\n' "$row"; done
echo "-- the writer pauses"
printf 'uote><a  ' >&"$in"
IFS= read -r -t 10 row <&"$out" && printf '%s\n' "$row"
echo "-- the writer pauses"
printf ' \t hr' >&"$in"; sleep 0.2
printf 'ef="u">t</a>' >&"$in"
exec {in}>&-
cat <&"$out"
echo
printf '<b>x</b><blockquote><a   \t href="u">t</a>' | "$PROG" /dev/stdin $COLORS | tail -n +4
