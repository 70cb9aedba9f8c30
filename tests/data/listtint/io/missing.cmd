"$PROG" does-not-exist.lst
