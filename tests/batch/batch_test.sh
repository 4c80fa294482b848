#!/usr/bin/env bash
# The batch program's options, report output and exit statuses.
set -u
. "$(dirname "${BASH_SOURCE[0]}")/../check.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$EXAMPLES"/*.* "$work/"
cp -r "$EXAMPLES"/version13 "$work/"
before=$(cd "$work" && sha256sum survey.DAT survey.TXT survey_project.spc)

"$BATCH" --help >/dev/null; check "help" 0 $?
"$BATCH" --version | grep -q '^spss2vornex-batch [0-9]'; check "version" 0 $?
"$BATCH" >/dev/null 2>&1; check "no SPCFILE" 64 $?
"$BATCH" --mplus 3 "$work/survey_project.spc" >/dev/null 2>&1; check "bad choice" 64 $?
"$BATCH" --seed 4294967296 "$work/survey_project.spc" >/dev/null 2>&1; check "seed out of range" 64 $?
"$BATCH" --bogus "$work/survey_project.spc" >/dev/null 2>&1; check "unknown option" 64 $?

# The assistant's options go one command at a time and without a run's options.
"$BATCH" --describe "$work/survey.DAT" --draft "$work/survey.DAT" >/dev/null 2>&1; check "describe and draft" 64 $?
"$BATCH" --tsv "$work/survey_project.spc" >/dev/null 2>&1; check "tsv without describe" 64 $?
"$BATCH" --vars sex,age "$work/survey_project.spc" >/dev/null 2>&1; check "vars without draft" 64 $?
"$BATCH" --draft "$work/survey" --categories 1 >/dev/null 2>&1; check "one category" 64 $?
"$BATCH" --draft "$work/survey" --categories 43 >/dev/null 2>&1; check "43 categories" 64 $?
"$BATCH" --check --mplus 1 "$work/survey_project.spc" >/dev/null 2>&1; check "check with a transfer" 64 $?
"$BATCH" --check >/dev/null 2>&1; check "check without SPCFILE" 64 $?
"$BATCH" --describe "$work/survey" "$work/survey_project.spc" >/dev/null 2>&1; check "describe with SPCFILE" 64 $?
"$BATCH" --describe "$work/absent.DAT" >/dev/null 2>"$work/err"; check "describe a missing export" 2 $?
check "describe a missing export message" "File not found." "$(cat "$work/err")"
"$BATCH" --check "$work/absent.spc" >/dev/null 2>"$work/err"; check "check a missing SPCFILE" 2 $?
check "check a missing SPCFILE message" "File not found." "$(cat "$work/err")"
"$BATCH" --draft "$work/survey.dat" --vars SEX,nope >/dev/null 2>"$work/err"; check "draft of an unknown name" 1 $?
check "draft of an unknown name message" "nope is not a variable of survey.DAT" "$(cat "$work/err")"
check "draft of chosen variables" "survey|2|sex 1 2|q1 1 5|" \
  "$("$BATCH" --draft "$work/survey.dat" --vars SEX,Q1 | tr -d '\r' | tr '\n' '|')"

out=$("$BATCH" "$work/missing.spc" 2>"$work/err"); check "missing SPCFILE" 2 $?
check "missing SPCFILE report" "The VORNEX project is missing" "$out"
check "missing SPCFILE message" "File not found." "$(cat "$work/err")"

(cd "$work" && "$BATCH" --seed 7 --mim 1 --report run.rep survey_project.spc >"$work/out" 2>"$work/err"); check "example run" 0 $?
check "report first line" "The VORNEX project is survey_project" "$(head -n 1 "$work/out")"
check "report file" "$(sed 's/$/\r/' "$work/out" | sha256sum)" "$(sha256sum <"$work/run.rep")"
grep -q '^MIM project created (not categorized)' "$work/survey_project.VAR"; check "transfer line" 0 $?
check "ready notice" "VORNEX files are ready" "$(head -n 1 "$work/err")"
check "labelled categories" "A 1 MALE" "$(head -n 1 "$work/survey_project.CAT" | tr -d '\r')"
"$BATCH" "$work/version13/survey_project.spc" >/dev/null 2>&1; check "version 13 example run" 0 $?
check "version 13 labels" "D 1 STRONGLY_DISAGREE" "$(grep '^D 1 ' "$work/version13/survey_project.CAT" | tr -d '\r')"
check "inputs unchanged" "$before" "$(cd "$work" && sha256sum survey.DAT survey.TXT survey_project.spc)"

# --seed pins the Mplus Dummy column: the same seed gives the same bytes.
(cd "$work" && "$BATCH" --seed 4294967295 --mplus 1 survey_project.spc >/dev/null 2>"$work/err"); check "seeded run" 0 $?
check "notices" "VORNEX files are ready
Mplus project file ready
Mplus data ready. 300 SPSS records was transfered" "$(cat "$work/err")"
first=$(sha256sum <"$work/survey_project.mpd")
(cd "$work" && "$BATCH" --seed 4294967295 --mplus 1 survey_project.spc >/dev/null 2>&1)
check "same seed, same data" "$first" "$(sha256sum <"$work/survey_project.mpd")"
(cd "$work" && "$BATCH" --seed 1 --mplus 1 survey_project.spc >/dev/null 2>&1)
[ "$first" != "$(sha256sum <"$work/survey_project.mpd")" ]; check "other seed, other data" 0 $?

# Started with standard output and error closed, as some schedulers start
# programs: no notice ends up in a file of the run.
# (WINE is set when BATCH runs under Wine, which cannot start a program so.)
if [ -z "${WINE:-}" ]; then
  (cd "$work" && "$BATCH" --seed 1 --mplus 1 --mlwin 1 survey_project.spc >&- 2>&-); check "closed descriptors" 0 $?
  check "closed descriptors: the MLwiN file" 0 "$(grep -c -i 'ready' "$work/survey_project.mln")"
else
  echo "skip closed descriptors: Wine cannot start a program with them closed"
fi

printf 'survey\r\n2\r\nsex 1 2\r\nnope 1 2\r\n' >"$work/bad.spc"
"$BATCH" "$work/bad.spc" >"$work/out" 2>/dev/null; check "stopped at a check" 1 $?
check "stop message" "nope not found" "$(tail -n 2 "$work/out" | head -n 1 | tr A-Z a-z)"

printf 'absent\r\n2\r\n' >"$work/absent.spc"
"$BATCH" --project other "$work/absent.spc" >/dev/null 2>"$work/err"; check "missing data: question answered No" 1 $?
check "question on stderr" "absent.DAT does not exist here. Do you want to find it?" "$(cat "$work/err")"
# Failures of the file system end the run with status 2 and the message, and
# leave the folder as it was.
# A full disk: a file system of its own (tmpfs, in a mount namespace), with
# room for the inputs and one project: the first run completes, the second,
# whose files stand beside the first's until they replace them, fills it.
full="$work/full"
mkdir "$full"
# Wine's server opens the files, outside any mount namespace of the program:
# under Wine the file system is mounted for all, which root may do.
if [ -n "${WINE:-}" ] && [ "$(id -u)" -eq 0 ] && mount -t tmpfs -o size=64k tmpfs "$full" 2>/dev/null; then
  trap 'umount "$full"; rm -rf "$work"' EXIT
  cp "$EXAMPLES"/*.* "$full"/
  timeout 120 "$BATCH" "$full/survey_project.spc" >/dev/null 2>&1; check "disk full: the first run" 0 $?
  before=$(cd "$full" && sha256sum -- *)
  timeout 120 "$BATCH" "$full/survey_project.spc" >"$work/err.out" 2>"$work/err"; check "disk full" 2 $?
  check "disk full message" 1 "$(grep -c '^Disk full\. (survey_project\.[A-Z]*)$' "$work/err")"
  check "disk full: the project as it was" "$before" "$(cd "$full" && sha256sum -- *)"
  check "disk full: the report says so" "No file was changed: the folder is as it was before the run" \
    "$(tail -n 1 "$work/err.out")"
elif [ -n "${WINE:-}" ]; then
  echo "skip disk full: under Wine it needs root to mount a small file system"
elif unshare -rm true 2>/dev/null || unshare -m true 2>/dev/null; then
  userns=-rm
  unshare -rm true 2>/dev/null || userns=-m
  # shellcheck disable=SC2016
  unshare $userns sh -c '
    mount -t tmpfs -o size=64k tmpfs "$1" || exit 99
    cp "$2"/*.* "$1"/
    timeout 60 "$3" "$1/survey_project.spc" >/dev/null 2>&1; echo $? >"$4.first"
    (cd "$1" && sha256sum * >"$4.before")
    timeout 60 "$3" "$1/survey_project.spc" >"$4.out" 2>"$4"; echo $? >"$4.status"
    (cd "$1" && sha256sum * >"$4.after")
    exit 0' sh "$full" "$EXAMPLES" "$BATCH" "$work/err"
  check "disk full: the first run" 0 "$(cat "$work/err.first")"
  check "disk full" 2 "$(cat "$work/err.status")"
  check "disk full message" 1 "$(grep -c '^Disk full\. (survey_project\.[A-Z]*)$' "$work/err")"
  check "disk full: the project as it was" "$(cat "$work/err.before")" "$(cat "$work/err.after")"
  check "disk full: the report says so" "No file was changed: the folder is as it was before the run" \
    "$(tail -n 1 "$work/err.out")"
else
  echo "skip disk full: no mount namespace here"
fi
# An output that is a link is not written through.
linked="$work/linked"
mkdir "$linked" && cp "$EXAMPLES"/*.* "$linked/"
ln -s /dev/full "$linked/survey_project.CAT"
timeout 60 "$BATCH" "$linked/survey_project.spc" >/dev/null 2>"$work/err"; check "link refused" 2 $?
check "link refused message" "File access denied. (survey_project.CAT)" "$(cat "$work/err")"
check "nothing written beside the link" "survey.DAT survey.TXT survey_project.CAT survey_project.spc" \
  "$(ls "$linked" | tr '\n' ' ' | sed 's/ $//')"

readonly_dir="$work/readonly"
mkdir "$readonly_dir" && cp "$EXAMPLES"/*.* "$readonly_dir/"
chmod 555 "$readonly_dir"
as_user=()
if [ "$(id -u)" -eq 0 ]; then
  chmod o+x "$work"
  as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
fi
if [ -n "${WINE:-}" ] && [ "$(id -u)" -eq 0 ]; then
  echo "skip read-only folder: Wine runs only as the owner of its prefix, for whom no folder is read-only"
else
  timeout 60 "${as_user[@]}" "$BATCH" "$readonly_dir/survey_project.spc" >/dev/null 2>"$work/err"
  check "read-only folder" 2 $?
  check "read-only folder message" "File access denied. (survey_project.LAB)" "$(cat "$work/err")"
fi
chmod 755 "$readonly_dir"

exit $fail
