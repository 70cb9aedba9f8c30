"$PROG" --format html --stream problems.stream src.txt
