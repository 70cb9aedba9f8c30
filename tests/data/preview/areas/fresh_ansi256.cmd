"$PROG" --format ansi256 --stream fresh_ansi256.stream src.txt
