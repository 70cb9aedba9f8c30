# Characters that reorder the text or show nothing show what they are, on the page and in the
# terminal: the comment seems to come after "</p>" only where they act.
printf '<p>access level: "user\xe2\x80\xae \xe2\x81\xa6// Check if admin\xe2\x81\xa9 \xe2\x81\xa6" </p>\nzero\xe2\x80\x8bwidth\n' > bidi.txt
trap 'rm -f bidi.txt' EXIT
printf '[1,1],[1,4]ca cyan ""\n' | "$PROG" -f html bidi.txt | grep 'access\|width'
printf '[1,1],[1,4]ca cyan ""\n' | "$PROG" -P -f ansi bidi.txt
