"$PROG" page.lst > /dev/full
