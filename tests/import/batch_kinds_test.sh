#!/usr/bin/env bash
# The batch program's --import on the committed file of each kind, its
# synonym --import-sav, --encoding, and damaged files.
set -u
. "$(dirname "${BASH_SOURCE[0]}")/../check.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

for kind in sav zsav por dta; do
  rm -rf "$kind" && mkdir "$kind" && cp "$DATA/labels.$kind" "$kind/"
  printf 'labels\r\n2\r\nSEX 1 2\r\nREGION 1 3\r\n' >"$kind/p.spc"
  "$BATCH" --import "$kind/labels.$kind" "$kind/p.spc" >out 2>err; check "$kind: import and run" 0 $?
  check "$kind: a label in the category file" 1 "$(grep -c '^A 2 WEIBLICH' "$kind/p.CAT")"
done
check "the Stata file is named so" "The Stata file is labels.dta" "$(head -n 1 out)"

# The synonym, and the texts in UTF-8 when asked.
rm -rf u && mkdir u && cp "$DATA/labels.sav" u/
"$BATCH" --import-sav u/labels.sav --encoding utf-8 >out 2>err; check "--encoding UTF-8" 0 $?
check "UTF-8 label kept" 1 "$(grep -c 'M'$'\xc3\xa4''nnlich' u/labels.TXT)"
check "UTF-8 said" 1 "$(grep -c '^The texts are written in UTF-8$' out)"
# A run reads the UTF-8 pair as such and writes Windows-1252, or UTF-8 when asked.
printf 'labels\r\n2\r\nSEX 1 2\r\nREGION 1 3\r\n' >u/p.spc
"$BATCH" u/p.spc >out 2>err; check "run on a UTF-8 pair" 0 $?
check "its label in Windows-1252" 1 "$(grep -c '^A 1 M'$'\xe4''NNLICH' u/p.CAT)"
"$BATCH" --encoding UTF-8 u/p.spc >out 2>err; check "run with --encoding UTF-8" 0 $?
check "its label in UTF-8" 1 "$(grep -c '^A 1 M'$'\xc3\xa4''NNLICH' u/p.CAT)"
"$BATCH" --force --import u/labels.sav >out 2>err; check "default code page" 0 $?
check "Windows-1252 label" 1 "$(grep -c 'M'$'\xe4''nnlich' u/labels.TXT)"
check "lost characters counted" 1 "$(grep -c '^3 texts lost characters that WINDOWS-1252 cannot hold' out)"

# Usage errors: an unknown code page, for an import and for a run.
"$BATCH" --import u/labels.sav --encoding NO-SUCH-PAGE >/dev/null 2>err; check "unknown code page" 64 $?
check "its message" 1 "$(grep -c 'NO-SUCH-PAGE is not an 8-bit code page or UTF-8' err)"
"$BATCH" --encoding NO-SUCH-PAGE u/p.spc >/dev/null 2>&1; check "unknown code page for a run" 64 $?

# Damaged files: status 1 and no file of the pair.
for kind in sav zsav por dta; do
  rm -rf "d$kind" && mkdir "d$kind"
  head -c 300 "$DATA/labels.$kind" >"d$kind/cut.$kind"
  "$BATCH" --import "d$kind/cut.$kind" >out 2>err; check "$kind: damaged file" 1 $?
  check "$kind: nothing written" "cut.$kind" "$(ls "d$kind")"
done
exit $fail
