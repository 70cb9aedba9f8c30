# Long and short options, "=" forms, "--" before a source that starts with '-', help on
# standard output with status 0.
cp src.txt ./-src.txt && trap 'rm -f ./-src.txt' EXIT
"$PROG" --color=always -f ansi256 -s overlap.stream src.txt | od -c | head -2
"$PROG" --color=always --format=html --stream=overlap.stream -- -src.txt | grep -c '<span'
"$PROG" --color=always -l -s rules.stream src.txt | od -c | head -1

echo "status $?"
"$PROG" --color=always --version | grep -c '^ilvo_preview [0-9][0-9.]*$'
for size in 100 64k 1M 1G; do "$PROG" --color=always --max-size $size src.txt < overlap.stream | wc -c; done
"$PROG" --color=always --help
# A marked listing as such, with -l and without; a text with no final newline ends in a reset.
"$PROG" --color=always -f html -l -s overlap.stream listing.txt | grep '<pre>'
"$PROG" --color=always -f html -s overlap.stream listing.txt | grep '<pre>'
printf '[1,2],[1,3]ca red ""' | "$PROG" --color=always short.txt | od -c | tail -2
# Line numbers: a dim gutter in the ANSI forms, a column of the page that copying leaves out.
"$PROG" --color=always -n -s overlap.stream src.txt | od -c | head -4
"$PROG" --color=always -n -f html -s overlap.stream src.txt | grep -e 'class="ln"' -e '\.ln::before'
# Where a color comes from: each colored run of a page names the stream lines of its colors;
# --explain writes the areas over one place, and nothing else.
"$PROG" --color=always -f html -s overlap.stream src.txt | grep -o '<span[^>]*>'
printf '1,$ ca\n[1,1],[2,3]ca red ""\n[1,2],$ca "" blue\n[1,2],[1,3]ca green ""\n' > three.stream
trap 'rm -f ./-src.txt three.stream' EXIT
"$PROG" --color=always -s three.stream --explain 1,2 src.txt; echo "status $?"
"$PROG" --color=always -s three.stream --explain 3,1 src.txt
"$PROG" --color=always -s overlap.stream --explain 2,1 src.txt
"$PROG" --color=always -s overlap.stream --explain 1,7 src.txt; "$PROG" --color=always -s overlap.stream --explain 4,1 src.txt
# The last column of a line; a place just past an area's end (line 3's ends before 1,4); a
# stream line of control bytes, quoted in visible form.
"$PROG" --color=always -s overlap.stream --explain 1,6 src.txt
"$PROG" --color=always -s overlap.stream --explain 1,4 src.txt
printf '[1,1],[1,2]ca red "" # \033[2J\a\r\n' | "$PROG" --color=always --explain 1,1 src.txt
# Runs of the same colors from different stream lines stay apart on a page, each naming its
# own line; a line referred to by many runs has its text written once.
printf '[1,1],[1,2]ca red ""\n[1,2],[1,3]ca red ""\n[1,4],[1,5]ca red ""\n' > twins.stream
"$PROG" -f html -s twins.stream src.txt | grep -o -e '<span[^>]*>' -e '^--t[0-9]*'
printf '[1,1],[1,2]ca red "";[1,3],[1,4]ca red "";[2,1],[2,2]ca red ""\n' |
  "$PROG" -f html src.txt | grep -c 'stream line 1:'
rm -f twins.stream
