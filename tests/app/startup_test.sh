#!/usr/bin/env bash
# The program's start-up in a folder: the command file is made before the
# window opens, an existing one in another letter case is left alone, and a
# command file that cannot be made is reported on standard error.
set -u
. "$(dirname "${BASH_SOURCE[0]}")/../check.sh"
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
check "failure reported" "spss2vornex: VORNEX.cmd cannot be created in this folder: File access denied. (Vornex.cmd)" \
  "$(grep '^spss2vornex:' "$work/err")"
# Under a real X server the captions are exactly the program's texts: Qt adds
# nothing to them.
if command -v Xvfb >/dev/null && command -v xwininfo >/dev/null; then
  display=:$((90 + RANDOM % 100))
  Xvfb "$display" -screen 0 1280x800x24 >/dev/null 2>&1 &
  xvfb=$!
  mkdir "$work/x11"
  (cd "$work/x11" && DISPLAY=$display QT_QPA_PLATFORM=xcb timeout 20 "$APP" >/dev/null 2>&1) &
  app=$!
  caption="Create VORNEX project from SPSS files  -  A tab-delimited data file and an exported text file with SPSS file info must be ready"
  names=""
  for _ in $(seq 1 100); do
    names=$(DISPLAY=$display xwininfo -root -tree 2>/dev/null | grep -o '"[^"]*"' | sort -u)
    grep -qF "\"$caption" <<<"$names" && break
    sleep 0.1
  done
  check "main window caption under X" "\"$caption\"" "$(grep -F "\"$caption" <<<"$names" | head -n 1)"
  kill "$app" "$xvfb" 2>/dev/null
  wait "$app" "$xvfb" 2>/dev/null
else
  echo "skip captions under X: Xvfb or xwininfo is missing"
fi
exit $fail
