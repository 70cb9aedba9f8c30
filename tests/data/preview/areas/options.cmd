# Long and short options, "=" forms, "--" before a source that starts with '-', help on
# standard output with status 0.
cp src.txt ./-src.txt && trap 'rm -f ./-src.txt' EXIT
"$PROG" -f ansi256 -s overlap.stream src.txt | od -c | head -2
"$PROG" --format=html --stream=overlap.stream -- -src.txt | grep -c '<span'
"$PROG" -l -s rules.stream src.txt | od -c | head -1

echo "status $?"
"$PROG" --version | grep -c '^ilvo_preview [0-9][0-9.]*$'
for size in 100 64k 1M 1G; do "$PROG" --max-size $size src.txt < overlap.stream | wc -c; done
"$PROG" --help
# A marked listing as such, with -l and without; a text with no final newline ends in a reset.
"$PROG" -f html -l -s overlap.stream listing.txt | grep '<pre>'
"$PROG" -f html -s overlap.stream listing.txt | grep '<pre>'
printf '[1,2],[1,3]ca red ""' | "$PROG" short.txt | od -c | tail -2
