# One line of more than 2^31 bytes (sparse zeros), then a tag: columns past 32 bits stay exact.
truncate -s 2147483650 big.bin && printf '<b>\n<i>' >> big.bin && "$PROG" big.bin $COLORS; s=$?; rm -f big.bin; exit $s
