# Sourced by the shell tests: check NAME EXPECTED ACTUAL prints "ok" or
# "FAIL" with both values, and a difference sets fail to 1, the script's
# exit status.
fail=0
check() {  # check NAME EXPECTED ACTUAL
  if [ "$2" != "$3" ]; then echo "FAIL $1: expected [$2], got [$3]"; fail=1; else echo "ok   $1"; fi
}
