# Colors only on a terminal unless asked for; NO_COLOR turns them off, --color=always and an
# explicit -f ansi turn them on; without COLORTERM=truecolor or 24bit, the 256 colors.
stream='[1,2],[1,3]ca red ""'
printf '%s' "$stream" | "$PROG" short.txt | od -c | head -2
printf '%s' "$stream" | "$PROG" --color=always short.txt | od -c | head -2
printf '%s' "$stream" | NO_COLOR=1 "$PROG" --color=never -f ansi short.txt | od -c | head -2
printf '%s' "$stream" | NO_COLOR=1 "$PROG" -f ansi short.txt | od -c | head -2
printf '%s' "$stream" | COLORTERM= "$PROG" --color=always short.txt | od -c | head -2
"$PROG" --color=sometimes short.txt; echo "status $?"
# '-' is standard input, for the source or for the stream, not for both.
printf '%s' "$stream" > dash.stream && trap 'rm -f dash.stream' EXIT
"$PROG" --color=always -s dash.stream - < short.txt | od -c | head -2
printf '%s' "$stream" | "$PROG" --color=always -s - short.txt | od -c | head -2
"$PROG" - < short.txt; echo "status $?"
# Without colors a background that runs to the window's edge writes no escape either.
printf '1,$ ca;bgc blue\n[1,1],[1,2]ca red green\n' | "$PROG" --color=never src.txt | od -c | head -2
