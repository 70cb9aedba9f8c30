"$PROG" --format ansi --stream ansi_reset_at_line_end.stream src.txt
