"$PROG" count39.html $COLORS extra
