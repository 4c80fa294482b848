#!/usr/bin/env bash
# The batch program's --import-sav: alone, with a run, and its exit statuses.
set -u
if ! command -v pspp >/dev/null; then
  echo "pspp is not installed (Debian package pspp): skipped, it writes the system file"
  exit 77
fi
. "$(dirname "${BASH_SOURCE[0]}")/../check.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/data"
cat >"$work/data/make.sps" <<'SPS'
DATA LIST LIST /sex (F1) q1 (F1) income (F8.2).
BEGIN DATA
1 2 1500.5
2 9 .
1 5 3000
END DATA.
VALUE LABELS sex 1 'Male' 2 'Female person' /q1 1 'Bad' 5 'Good' 9 'No answer'.
MISSING VALUES q1 (9).
SAVE OUTFILE='survey.sav'.
SPS
(cd "$work/data" && pspp make.sps >/dev/null 2>&1); check "pspp wrote the system file" 0 $?
printf 'survey\r\n2\r\nsex 1 2\r\nq1 1 5\r\n' >"$work/data/survey_project.spc"

# Relative to the folder the program is started in.
cd "$work"
"$BATCH" --import-sav data/survey.sav >out 2>err; check "import alone" 0 $?
check "import report" "Written: survey.DAT (tab-delimited data) and survey.TXT (File Info)" "$(tail -n 1 out)"
check "import quiet on stderr" "" "$(cat err)"
check "data file" "$(printf 'sex\tq1\tincome\r\n1\t2\t1500.5\r\n2\t9\t\r\n1\t5\t3000\r\n')" "$(cat data/survey.DAT)"

before=$(sha256sum data/survey.DAT data/survey.TXT)
"$BATCH" --import-sav data/survey.sav >out 2>err; check "existing files kept: status" 1 $?
check "existing files kept: question" \
  "survey.DAT and survey.TXT already exist. Replace them? (use --force to replace)" "$(cat err)"
check "existing files kept: report" "survey.DAT and survey.TXT were kept; nothing was imported" "$(tail -n 1 out)"
check "existing files unchanged" "$before" "$(sha256sum data/survey.DAT data/survey.TXT)"
"$BATCH" --import-sav data/survey.sav data/survey_project.spc >/dev/null 2>&1; check "no run after a refusal" 1 $?
check "no project written" "" "$(ls data | grep -i '^survey_project\.' | grep -v spc)"

rm data/survey.TXT
"$BATCH" --force --import-sav data/survey.sav data/survey_project.spc >out 2>err; check "import and run" 0 $?
check "run report follows the import's" "The VORNEX project is survey_project" \
  "$(grep -n 'The VORNEX project is' out | cut -d: -f2-)"
check "run's notice" "VORNEX files are ready" "$(cat err)"
check "labels in the category file" "$(printf 'A 1 MALE\nA 2 FEMALE_PERSON\nB 1 BAD\nB 2 2\nB 3 3\nB 4 4\nB 5 GOOD')" \
  "$(tr -d '\r' <data/survey_project.CAT)"
check "data after the run" "$(printf '1 2 1500.5\r\n2 9 -999\r\n1 5 3000\r\n')" "$(cat data/survey_project.DAT)"

"$BATCH" --import-sav data/absent.sav >/dev/null 2>err; check "missing system file" 2 $?
check "missing system file message" "File not found." "$(cat err)"
printf 'not a system file' >data/junk.sav
"$BATCH" --import-sav data/junk.sav >out 2>/dev/null; check "not a system file" 1 $?
check "no junk files" "junk.sav" "$(ls data | grep -i junk)"
"$BATCH" --force data/survey_project.spc >/dev/null 2>&1; check "--force without --import-sav" 64 $?
"$BATCH" --import-sav >/dev/null 2>&1; check "--import-sav without a value" 64 $?
exit $fail
