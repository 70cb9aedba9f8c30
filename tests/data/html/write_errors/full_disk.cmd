"$PROG" page.html $COLORS > /dev/full
