"$PROG" extra_arguments.lst does-not-exist.lst
