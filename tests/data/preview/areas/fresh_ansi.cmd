"$PROG" --format ansi --stream fresh_ansi.stream src.txt
