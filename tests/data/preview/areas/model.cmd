# A stream with CRLF line ends: an upper-case numeric color, areas of background alone, neighbours
# that differ in background only, an empty number, negative lines and columns, an extra color
# word, and a command that only begins like msg.
"$PROG" --color=always -s model.stream src.txt
