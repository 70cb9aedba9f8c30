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
# Line numbers: a dim gutter in the ANSI forms, a column of the page that copying leaves out.
"$PROG" -n -s overlap.stream src.txt | od -c | head -4
"$PROG" -n -f html -s overlap.stream src.txt | grep -e 'class="ln"' -e '\.ln::before'
# Where a color comes from: each colored run of a page names the stream lines of its colors;
# --explain writes the areas over one place, and nothing else.
"$PROG" -f html -s overlap.stream src.txt | grep -o '<span[^>]*>'
printf '1,$ ca\n[1,1],[2,3]ca red ""\n[1,2],$ca "" blue\n[1,2],[1,3]ca green ""\n' > three.stream
trap 'rm -f ./-src.txt three.stream' EXIT
"$PROG" -s three.stream --explain 1,2 src.txt; echo "status $?"
"$PROG" -s three.stream --explain 3,1 src.txt
"$PROG" -s overlap.stream --explain 2,1 src.txt
"$PROG" -s overlap.stream --explain 1,7 src.txt; "$PROG" -s overlap.stream --explain 4,1 src.txt
