#!/usr/bin/env bash
# Exports and definitions as SPSS's Unicode mode and today's editors write
# them (UTF-8 with or without a byte order mark, UTF-16) give the files and
# the report of the same texts in Windows-1252.
set -u
. "$(dirname "${BASH_SOURCE[0]}")/../check.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The example with labels that only an 8-bit code page or Unicode can hold.
mkdir "$work/cp1252"
LC_ALL=C sed 's/Male/M\xe4nnlich/; s/Female/Fr\x80u/' "$EXAMPLES/survey.TXT" >"$work/cp1252/survey.TXT"
cp "$EXAMPLES/survey.DAT" "$EXAMPLES/survey_project.spc" "$work/cp1252/"
encode() {  # FOLDER ICONV-TARGET MARK
  mkdir "$work/$1"
  for f in survey.DAT survey.TXT survey_project.spc; do
    { printf "$3"; iconv -f CP1252 -t "$2" "$work/cp1252/$f"; } >"$work/$1/$f"
  done
}
encode utf8 UTF-8 '\357\273\277'
encode utf8-unmarked UTF-8 ''
encode utf16le UTF-16LE '\377\376'
encode utf16be UTF-16BE '\376\377'

outputs="survey_project.DAT survey_project.LAB survey_project.DEF survey_project.VAR survey_project.CAT survey_project.TXT survey_project.mpd"
for form in cp1252 utf8 utf8-unmarked utf16le utf16be; do
  (cd "$work/$form" && "$BATCH" --seed 3 --mplus 1 survey_project.spc >report 2>/dev/null); check "$form: run" 0 $?
done
grep -q "^A 1 M"$'\xe4'"NNLICH" "$work/cp1252/survey_project.CAT"; check "the label in Windows-1252" 0 $?
for form in utf8 utf8-unmarked utf16le utf16be; do
  for f in $outputs report; do
    cmp -s "$work/cp1252/$f" "$work/$form/$f"; check "$form: $f as from 8 bits" 0 $?
  done
  first=$(cd "$work/$form" && "$BATCH" --draft survey | head -n 1 | tr -d '\r')
  check "$form: the draft names the export without a mark" "survey" "$first"
done

# A character that Windows-1252 lacks becomes "?", and the report says where.
mkdir "$work/greek" "$work/greek-name"
{ printf '\357\273\277'; tail -c +4 "$work/utf8/survey.TXT" | sed 's/M\xc3\xa4nnlich/\xce\xb1\xce\xb2/'; } >"$work/greek/survey.TXT"
cp "$work/utf8/survey.DAT" "$work/greek/"
{ printf '\357\273\277'; tail -c +4 "$work/utf8/survey.DAT" | sed '1s/sex/s\xce\xb1x/'; } >"$work/greek-name/survey.DAT"
cp "$work/utf8/survey.TXT" "$work/greek-name/"
printf 'survey\r\n2\r\nSEX 1 2\r\nAGE 18 30 50 99\r\n' | tee "$work/greek/p.spc" >"$work/greek-name/p.spc"
(cd "$work/greek" && "$BATCH" p.spc >report 2>/dev/null); check "a label beyond Windows-1252: run" 0 $?
check "its line" 1 "$(grep -c '^2 characters of survey.TXT that WINDOWS-1252 lacks became "?": SEX$' "$work/greek/report")"
check "its label" 1 "$(grep -c '^A 1 ??' "$work/greek/p.CAT")"
(cd "$work/greek-name" && "$BATCH" p.spc >report 2>/dev/null); check "a name beyond Windows-1252: run" 1 $?
check "its line" 1 "$(grep -c '^1 character of survey.DAT that WINDOWS-1252 lacks became "?": S?X$' "$work/greek-name/report")"
exit $fail
