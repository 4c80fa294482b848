#!/usr/bin/env bash
# The batch program against a hostile folder: inputs named or linked as
# outputs, links out of the folder, FIFOs and devices, a damaged system file, a
# removed current folder, two commands in one folder, signals and a closed
# pipe. Inputs are never changed, nothing is written outside the folder,
# nothing hangs, and every end has its message and status.
# Environment: BATCH, EXAMPLES, HAVE_IMPORT (0 for a build without the import,
# whose checks are then left out), SAV (a small system file of 3 variables and
# 3 cases, written by PSPP uncompressed), WRITE_LARGE_SAV (a program that
# writes a large one).
set -u
. "$(dirname "${BASH_SOURCE[0]}")/../check.sh"
work=$(mktemp -d)
trap 'chmod -R u+w "$work" 2>/dev/null; rm -rf "$work"' EXIT
echo outside >"$work/outside.txt"

# A fresh copy of the example in a folder of its own.
example() {
  rm -rf "$work/$1" && mkdir "$work/$1" && cp "$EXAMPLES"/*.* "$work/$1/"
  echo "$work/$1"
}
sums() { (cd "$1" && sha256sum "${@:2}"); }

# Outputs that would replace an input, by name, by link or by hard link. A
# report that names an input or an output of the command is a usage error,
# refused before anything is written.
dir=$(example report)
before=$(sums "$dir" survey.DAT survey.TXT survey_project.spc)
(cd "$dir" && "$BATCH" --report survey.dat survey_project.spc >out 2>err); check "report over the data" 64 $?
check "report over the data: line" "spss2vornex-batch: --report survey.dat would replace survey.DAT, a file of the command" \
  "$(head -n 1 "$dir/err")"
(cd "$dir" && "$BATCH" --report survey_project.spc survey_project.spc >out 2>err); check "report over the SPC" 64 $?
(cd "$dir" && "$BATCH" --report Survey_Project.dat survey_project.spc >out 2>err); check "report over an output" 64 $?
check "report refusals: inputs unchanged" "$before" "$(sums "$dir" survey.DAT survey.TXT survey_project.spc)"
check "report refusals: nothing written" "err out survey.DAT survey.TXT survey_project.spc" "$(ls "$dir" | xargs)"

for ext in VAR DEF TXT CAT LAB DAT; do
  dir=$(example "spc$ext")
  mv "$dir/survey_project.spc" "$dir/survey_project.$ext"
  before=$(sums "$dir" "survey_project.$ext")
  "$BATCH" "$dir/survey_project.$ext" >"$work/out" 2>&1; check "definition saved as .$ext" 1 $?
  check "definition saved as .$ext: kept" "$before" "$(sums "$dir" "survey_project.$ext")"
done
check "definition refusal line" "survey_project.DAT would replace the input file survey_project.DAT" \
  "$(tail -n 1 "$work/out")"

dir=$(example hardlink)
ln "$dir/survey.DAT" "$dir/survey_project.DAT"
before=$(sums "$dir" survey.DAT)
"$BATCH" "$dir/survey_project.spc" >"$work/out" 2>&1; check "hard link to the data" 1 $?
check "hard link to the data: line" "survey_project.DAT would replace the input file survey.DAT" \
  "$(tail -n 1 "$work/out")"
check "hard link to the data: kept" "$before" "$(sums "$dir" survey.DAT)"

dir=$(example symlink)
ln -s "$work/outside.txt" "$dir/SURVEY_PROJECT.cat"
"$BATCH" "$dir/survey_project.spc" >/dev/null 2>"$work/err"; check "link out of the folder" 2 $?
check "link out of the folder: message" "File access denied. (SURVEY_PROJECT.cat)" "$(cat "$work/err")"
check "link out of the folder: outside kept" outside "$(cat "$work/outside.txt")"

# FIFOs and devices are refused at once, never waited for or read forever.
for input in survey.DAT survey_project.spc; do
  dir=$(example "fifo-$input")
  rm "$dir/$input" && mkfifo "$dir/$input"
  timeout 20 "$BATCH" "$dir/survey_project.spc" >/dev/null 2>"$work/err"; check "FIFO as $input" 2 $?
  check "FIFO as $input: message" "File access denied. ($input)" "$(cat "$work/err")"
  dir=$(example "zero-$input")
  rm "$dir/$input" && ln -s /dev/zero "$dir/$input"
  timeout 20 "$BATCH" "$dir/survey_project.spc" >/dev/null 2>"$work/err"; check "/dev/zero as $input" 2 $?
done

if [ "${HAVE_IMPORT:-1}" = 1 ]; then
# The import: a system file named as its own report, a damaged file, a FIFO.
mkdir "$work/sav" && cp "$SAV" "$work/sav/three.sav"
printf 'three\r\n2\r\na 1 9\r\nb 1 9\r\n' >"$work/sav/p.spc"
before=$(sums "$work/sav" three.sav)
(cd "$work/sav" && "$BATCH" --import-sav three.sav --report three.sav p.spc >out 2>err)
check "report over the system file" 64 $?
(cd "$work/sav" && "$BATCH" --import-sav three.sav --report three.DAT >out 2>err)
check "report over the import's data" 64 $?
check "report over the system file: kept" "$before" "$(sums "$work/sav" three.sav)"
check "report over the system file: nothing written" "err out p.spc three.sav" "$(ls "$work/sav" | xargs)"
# The header announces 5 cases; the file holds 3.
cp "$SAV" "$work/sav/five.sav" && printf '\005' | dd of="$work/sav/five.sav" bs=1 seek=80 conv=notrunc 2>/dev/null
(cd "$work/sav" && "$BATCH" --import-sav five.sav >out 2>err); check "damaged system file" 1 $?
check "damaged system file: reason" "five.sav could not be read as an SPSS system file: " \
  "$(tail -n 1 "$work/sav/out" | cut -c1-51)"
check "damaged system file: no file left" "err five.sav out p.spc three.sav" "$(ls "$work/sav" | xargs)"
mkfifo "$work/sav/pipe.sav"
(cd "$work/sav" && timeout 20 "$BATCH" --import-sav pipe.sav >/dev/null 2>err); check "FIFO as system file" 2 $?
rm "$work/sav/pipe.sav"
(cd "$work/sav" && "$BATCH" --import-sav three.sav p.spc >/dev/null 2>&1); check "import and run" 0 $?
check "no passing files left" "" "$(ls "$work/sav" | grep part)"
# A pair is put in place whole or not at all: a File Info name that is a
# folder or a link keeps the data file from being written too.
mkdir -p "$work/half/dir" "$work/half/link"
cp "$SAV" "$work/half/dir/x.sav" && mkdir "$work/half/dir/x.TXT"
cp "$SAV" "$work/half/link/x.sav" && ln -s ../outside "$work/half/link/x.TXT"
for case in dir link; do
  "$BATCH" --import "$work/half/$case/x.sav" --force >/dev/null 2>"$work/err"; check "half pair ($case)" 2 $?
  check "half pair ($case): its message" "File access denied. (x.TXT)" "$(cat "$work/err")"
  check "half pair ($case): no data file" "x.TXT x.sav" "$(ls "$work/half/$case" | xargs)"
done

# A removed current folder: messages and statuses, never an uncaught exception.
mkdir "$work/gone"
(cd "$work/gone" && rmdir "$work/gone" && "$BATCH" --import-sav "$work/sav/three.sav" --force >/dev/null 2>&1)
check "import from a removed folder" 0 $?
fi
dir=$(example removed)
mkdir "$work/gone2"
(cd "$work/gone2" && rmdir "$work/gone2" && "$BATCH" --report rel.rep "$dir/survey_project.spc" >/dev/null 2>"$work/err")
check "report in a removed folder" 2 $?
check "report in a removed folder: message" "File not found. (rel.rep)" "$(tail -n 1 "$work/err")"

# One command at a time in a folder.
dir=$(example busy)
flock "$dir" sleep 5 &
holder=$!
sleep 0.5
"$BATCH" "$dir/survey_project.spc" >/dev/null 2>"$work/err"; check "folder held by another run" 1 $?
check "folder held: message" "Another run is working in this folder. Try again when it has ended." "$(cat "$work/err")"
check "folder held: nothing written" "survey.DAT survey.TXT survey_project.spc" "$(ls "$dir" | xargs)"
kill "$holder" 2>/dev/null
wait "$holder" 2>/dev/null

# A closed pipe does not end the run.
dir=$(example pipe)
"$BATCH" "$dir/survey_project.spc" 2>/dev/null | head -n 1 >/dev/null
check "report into a closed pipe" 0 "${PIPESTATUS[0]}"
test -s "$dir/survey_project.CAT"; check "closed pipe: run completed" 0 $?

# The check makes the run's own refusals of the files it would write, and the
# draft leaves out the names that the run cannot take as variable lines.
dir=$(example check)
cp "$dir/survey_project.spc" "$dir/survey_project.VAR"
"$BATCH" --check "$dir/survey_project.VAR" >"$work/out"; check "check: a definition named as an output" 1 $?
check "check: its text" 1 "$(grep -c 'error: survey_project.VAR would replace the input file survey_project.VAR' "$work/out")"
"$BATCH" "$dir/survey_project.VAR" >/dev/null 2>&1; check "the run agrees" 1 $?
rm "$dir/survey_project.VAR"
ln "$dir/survey.TXT" "$dir/survey_project.TXT"
"$BATCH" --check "$dir/survey_project.spc" >"$work/out"; check "check: the File Info linked as an output" 1 $?
rm "$dir/survey_project.TXT"
"$BATCH" --check --project "$(printf 'p%.0s' $(seq 300))" "$dir/survey_project.spc" >"$work/out"
check "check: a name too long for a file" 1 $?
check "check: its text" 1 "$(grep -c 'error: Invalid filename. (ppp' "$work/out")"
printf 'x\t<-\ty\r\n1\t2\t3\r\n2\t3\t4\r\n3\t1\t1\r\n' >"$dir/marks.DAT"
(cd "$dir" && "$BATCH" --draft marks >m.spc); check "draft beside a marker name" 0 $?
check "draft: the marker left out" 1 "$(grep -c '^<-: a name beginning with "<" reads as a block marker' "$dir/m.spc")"
(cd "$dir" && "$BATCH" --check m.spc >/dev/null && "$BATCH" m.spc >/dev/null 2>&1); check "its check and run" 0 $?

# Memory is bounded whatever the input: a first record of 1,000,000 names,
# and 1,000,000 value labels of one variable.
mkdir "$work/mem"
awk 'BEGIN { for (i = 1; i <= 1000000; i++) printf "v%d%s", i, (i < 1000000 ? "\t" : "\r\n"); print "1\r" }' \
  >"$work/mem/wide.DAT"
printf 'SEX\r\n1\r\n2\r\n' >"$work/mem/many.DAT"
awk 'BEGIN { printf "Variable Information\r\n| Variable | Position | Label |\r\n| SEX | 1 | Sex |\r\n\r\n";
             printf "Variable Values\r\n| Value | Label |\r\n| SEX | 0 | l0 |\r\n";
             for (i = 1; i < 1000000; i++) printf "|  | %d | l%d |\r\n", i, i }' >"$work/mem/many.TXT"
printf 'many\r\n2\r\nSEX 1 2\r\nSEX 0 5\r\n' >"$work/mem/p.spc"
printf 'wide\r\n2\r\nv1 0 5\r\nv999999 0 5\r\n' >"$work/mem/w.spc"
peak() { /usr/bin/time -f %M "$BATCH" "$@" 2>&1 >/dev/null | tail -n 1; }
# A sanitizer's shadow memory and quarantine make its figures no measure.
if [ "${SANITIZED:-0}" != 1 ]; then
  for command in "--describe wide" "--draft wide" "--describe many" "--check p.spc" "--check w.spc" "p.spc" "w.spc"; do
    # shellcheck disable=SC2086
    kb=$(cd "$work/mem" && peak $command)
    [ "$kb" -lt 65536 ]; check "memory of $command under 64 MiB ($kb KB)" 0 $?
  done
fi
check "the labels left out are said" 1 "$(cd "$work/mem" && "$BATCH" --describe many | grep -c '^SEX: 999959 value labels past the first 41 were left out$')"
(cd "$work/mem" && "$BATCH" p.spc >/dev/null 2>&1); check "the run on many labels" 0 $?
check "the category lines keep their labels" "A 1 l1|A 2 l2|B 1 l0|B 2 l1" \
  "$(head -n 4 "$work/mem/p.CAT" | tr -d '\r' | tr 'L' 'l' | paste -sd'|')"

# SIGINT or SIGTERM during the copy: the run ends at a whole case and leaves
# the project of the run before it as it was, and no passing file.
mkdir "$work/big"
printf 'A\tB\tC\r\n1\t2\t3\r\n' >"$work/big/big.DAT"
printf 'big\r\n2\r\nA 1 9\r\nB 1 9\r\n' >"$work/big/p.spc"
"$BATCH" "$work/big/p.spc" >/dev/null 2>&1; check "the project before the signals" 0 $?
{ printf 'A\tB\tC\r\n'; yes $'12345\t2,5\t7' | head -n 20000000 | sed 's/$/\r/'; } >"$work/big/big.DAT"
before=$(cd "$work/big" && sha256sum p.*)
for sig in INT TERM; do
  "$BATCH" "$work/big/p.spc" >"$work/out" 2>"$work/err" &
  pid=$!
  for _ in $(seq 1 500); do
    [ -n "$(find "$work/big" -name 'p.DAT.*.part' -size +0 2>/dev/null)" ] && break
    sleep 0.01
  done
  kill -"$sig" "$pid"
  wait "$pid"
  status=$?
  if [ "$status" = 0 ]; then
    echo "skip SIG$sig: the run ended before the signal"
    continue
  fi
  check "SIG$sig during the copy" 130 "$status"
  check "SIG$sig: report lines" "Run stopped at case|No file was changed: the folder is as it was before the run" \
    "$(tail -n 2 "$work/out" | sed 's/ case [0-9]*$/ case/' | paste -sd'|')"
  check "SIG$sig: the project as it was" "$before" "$(cd "$work/big" && sha256sum p.*)"
  check "SIG$sig: no passing file" "" "$(ls "$work/big" | grep part)"
done

# Waits up to 5 s for a passing file of that name (NAME.*.s2v.part) with
# something in it; false when none came.
passing_begun() {
  for _ in $(seq 1 500); do
    [ -n "$(find "$1" -name "$2.*.s2v.part" -size +0 2>/dev/null)" ] && return 0
    sleep 0.01
  done
  return 1
}
# True when a run in the folder is not told that another one works there.
folder_free() { ! "$BATCH" "$1/p.spc" 2>&1 | grep -q "Another run is working"; }

# A kill -9 during the copy leaves its passing files; the next run removes
# them and completes.
"$BATCH" "$work/big/p.spc" >/dev/null 2>&1 &
pid=$!
if passing_begun "$work/big" p.DAT; then
  kill -KILL "$pid"
  wait "$pid" 2>/dev/null
  "$BATCH" "$work/big/p.spc" >/dev/null 2>&1; check "run after a kill -9" 0 $?
  check "run after a kill -9: no passing file" "" "$(ls "$work/big" | grep s2v)"
else
  wait "$pid"
  echo "skip SIGKILL: the run ended before the signal"
fi

if [ "${HAVE_IMPORT:-1}" = 1 ]; then
# Signals during an import end it whatever their number, with the program:
# no file is left, no child lives on, and the folder is free at once. A kill
# -9 of the program ends the child too, which removes its own files.
mkdir "$work/imp"
"$WRITE_LARGE_SAV" "$work/imp/big.sav" 1000000 20; check "large system file written" 0 $?
printf 'big\r\n1\r\nV1 10 90\r\n' >"$work/imp/p.spc"
for signals in TERM TERM,TERM INT,TERM KILL; do
  "$BATCH" --import "$work/imp/big.sav" >"$work/out" 2>&1 &
  pid=$!
  if ! passing_begun "$work/imp" big.DAT; then
    wait "$pid"
    echo "skip $signals during the import: it ended before the signal"
    rm -f "$work/imp/big.DAT" "$work/imp/big.TXT"
    continue
  fi
  for sig in ${signals//,/ }; do kill -"$sig" "$pid" 2>/dev/null; done
  { wait "$pid"; } 2>/dev/null
  status=$?
  if [ "$signals" = KILL ]; then
    for _ in $(seq 1 500); do [ -z "$(ls "$work/imp" | grep s2v)" ] && break; sleep 0.01; done
  else
    check "$signals during the import" 130 "$status"
    check "$signals during the import: report" "Import stopped" "$(tail -n 1 "$work/out" | cut -c1-14)"
  fi
  check "$signals during the import: no file left" "big.sav p.spc" "$(ls "$work/imp" | xargs)"
  folder_free "$work/imp"; check "$signals during the import: the folder free at once" 0 $?
  rm -f "$work/imp"/p.[A-Z]* "$work/imp/big.DAT" "$work/imp/big.TXT"
  sleep 0.3
  check "$signals during the import: nothing written afterwards" "big.sav p.spc" "$(ls "$work/imp" | xargs)"
done
fi

exit $fail
