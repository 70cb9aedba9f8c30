# Long and short options, "=" forms, "--" before a source that starts with '-', help on
# standard output with status 0.
cp src.txt ./-src.txt && trap 'rm -f ./-src.txt' EXIT
"$PROG" -f ansi256 -s overlap.stream src.txt | od -c | head -2
"$PROG" --format=html --stream=overlap.stream -- -src.txt | grep -c '<span'
"$PROG" -l -s rules.stream src.txt | od -c | head -1
"$PROG" --help | head -1
echo "status $?"
"$PROG" --version | grep -c '^ilvo_preview [0-9][0-9.]*$'
for size in 100 64k 1M 1G; do "$PROG" --max-size $size src.txt < overlap.stream | wc -c; done
