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
