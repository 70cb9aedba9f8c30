"$PROG" count37.html $(echo $COLORS | cut -d" " -f1-35)
