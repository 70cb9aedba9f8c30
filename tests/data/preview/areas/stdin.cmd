"$PROG" --format html src.txt < overlap.stream
