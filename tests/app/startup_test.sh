#!/usr/bin/env bash
# The program's start-up in a folder: the command file is made before the
# window opens, an existing one in another letter case is left alone, and a
# command file that cannot be made is reported on standard error.
set -u
fail=0
check() {  # check NAME EXPECTED ACTUAL
  if [ "$2" != "$3" ]; then echo "FAIL $1: expected [$2], got [$3]"; fail=1; else echo "ok   $1"; fi
}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=offscreen

# The window runs until it is closed; two seconds are enough to start it.
start() { (cd "$1" && timeout 2 "$APP" >"$work/out" 2>"$work/err"); }

mkdir "$work/fresh"
start "$work/fresh"; check "window kept running" 124 $?
check "command file made" "VORNEX.cmd" "$(ls "$work/fresh")"
check "command file empty" 0 "$(stat -c %s "$work/fresh/VORNEX.cmd")"

mkdir "$work/present"
printf 'mine' >"$work/present/vornex.CMD"
start "$work/present"
check "other case left alone" "vornex.CMD" "$(ls "$work/present")"
check "other case unchanged" "mine" "$(cat "$work/present/vornex.CMD")"

mkdir -p "$work/blocked/Vornex.cmd"
start "$work/blocked"
check "failure reported" "spss2vornex: VORNEX.cmd cannot be created in this folder: File access denied." \
  "$(grep '^spss2vornex:' "$work/err")"
exit $fail
