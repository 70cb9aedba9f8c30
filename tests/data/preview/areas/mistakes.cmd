# Every mistake on the command line names itself, with the usage line, and status 2.
for args in "-f rgb src.txt" "--format=RGB src.txt" "--format" "-s" "--bogus src.txt" "-x src.txt" \
            "src.txt src.txt" "--max-size 12q src.txt" "--max-size -1 src.txt"; do
  "$PROG" --color=always $args < overlap.stream; echo "status $?"
done
"$PROG" --color=always --max-size 99999999999G src.txt < overlap.stream; echo "status $?"
for place in 0,1 1,0 1 1,2x x,1 -1,1; do "$PROG" --color=always --explain $place src.txt < overlap.stream; echo "status $?"; done
