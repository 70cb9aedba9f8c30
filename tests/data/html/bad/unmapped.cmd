# Regular files that cannot be mapped: under /proc a size of 0 says nothing, so the file is read
# to its end (here its own command line, whose first word is a tag); one under /sys has a size
# but no mapping and reads as its copy does; one whose read fails counts as empty.
bash -c 'exec -a "<b>x</b>" "$PROG" /proc/self/cmdline $COLORS'
cp /sys/devices/system/cpu/online online.txt && trap 'rm -f online.txt' EXIT
"$PROG" /sys/devices/system/cpu/online $COLORS > sys.out && "$PROG" online.txt $COLORS | cmp - sys.out && echo same
rm -f sys.out
"$PROG" /proc/self/mem $COLORS; echo "status $?"
