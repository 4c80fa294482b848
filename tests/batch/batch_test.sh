#!/usr/bin/env bash
# The batch program's options, report output and exit statuses.
set -u
fail=0
check() {  # check NAME EXPECTED ACTUAL
  if [ "$2" != "$3" ]; then echo "FAIL $1: expected [$2], got [$3]"; fail=1; else echo "ok   $1"; fi
}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$EXAMPLES"/* "$work/"
before=$(cd "$work" && sha256sum survey.DAT survey.TXT survey_project.spc)

"$BATCH" --help >/dev/null; check "help" 0 $?
"$BATCH" --version | grep -q '^spss2vornex-batch [0-9]'; check "version" 0 $?
"$BATCH" >/dev/null 2>&1; check "no SPCFILE" 64 $?
"$BATCH" --mplus 3 "$work/survey_project.spc" >/dev/null 2>&1; check "bad choice" 64 $?
"$BATCH" --seed 4294967296 "$work/survey_project.spc" >/dev/null 2>&1; check "seed out of range" 64 $?
"$BATCH" --bogus "$work/survey_project.spc" >/dev/null 2>&1; check "unknown option" 64 $?

out=$("$BATCH" "$work/missing.spc" 2>"$work/err"); check "missing SPCFILE" 2 $?
check "missing SPCFILE report" "The VORNEX project is missing" "$out"
check "missing SPCFILE message" "File not found." "$(cat "$work/err")"

(cd "$work" && "$BATCH" --seed 7 --mim 1 --report run.rep survey_project.spc >"$work/out" 2>"$work/err"); check "example run" 0 $?
check "report first line" "The VORNEX project is survey_project" "$(head -n 1 "$work/out")"
check "report file" "$(sed 's/$/\r/' "$work/out" | sha256sum)" "$(sha256sum <"$work/run.rep")"
grep -q '^MIM project created (not categorized)' "$work/survey_project.VAR"; check "transfer line" 0 $?
check "inputs unchanged" "$before" "$(cd "$work" && sha256sum survey.DAT survey.TXT survey_project.spc)"

# --seed pins the Mplus Dummy column: the same seed gives the same bytes.
(cd "$work" && "$BATCH" --seed 4294967295 --mplus 1 survey_project.spc >/dev/null 2>"$work/err"); check "seeded run" 0 $?
check "transfer notices" "Mplus project file ready
Mplus data ready. 300 SPSS records was transfered" "$(cat "$work/err")"
first=$(sha256sum <"$work/survey_project.mpd")
(cd "$work" && "$BATCH" --seed 4294967295 --mplus 1 survey_project.spc >/dev/null 2>&1)
check "same seed, same data" "$first" "$(sha256sum <"$work/survey_project.mpd")"
(cd "$work" && "$BATCH" --seed 1 --mplus 1 survey_project.spc >/dev/null 2>&1)
[ "$first" != "$(sha256sum <"$work/survey_project.mpd")" ]; check "other seed, other data" 0 $?

printf 'survey\r\n2\r\nsex 1 2\r\nnope 1 2\r\n' >"$work/bad.spc"
"$BATCH" "$work/bad.spc" >"$work/out" 2>/dev/null; check "stopped at a check" 1 $?
check "stop message" "nope not found" "$(tail -n 2 "$work/out" | head -n 1 | tr A-Z a-z)"

printf 'absent\r\n2\r\n' >"$work/absent.spc"
"$BATCH" --project other "$work/absent.spc" >/dev/null 2>"$work/err"; check "missing data: question answered No" 1 $?
check "question on stderr" "absent.DAT does not exist here. Do you want to find it?" "$(cat "$work/err")"
exit $fail
