"$PROG" --format html --stream rules.stream src.txt
