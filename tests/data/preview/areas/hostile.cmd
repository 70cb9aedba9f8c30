# Control characters, a CRLF file and bytes that are no UTF-8, in the source, the stream and a
# msg: every form shows them visibly, and none reaches the terminal or the page raw.
for f in ansi ansi256 html; do "$PROG" -f $f -s hostile.stream hostile.txt; done
