#!/usr/bin/env bash
# The definition assistant's commands of the batch program against golden
# files: per case folder under tests/data/assist, the description (table and
# tab-separated), the draft and the check, with their exit statuses. The
# examples are checked from examples/ itself. With GOLDEN_UPDATE=1 the
# expected files are written instead.
set -u
fail=0
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# compare NAME EXPECTED_FILE ACTUAL_FILE
compare() {
  if [ "${GOLDEN_UPDATE:-0}" = 1 ]; then cp "$3" "$2"; return; fi
  if cmp -s "$2" "$3"; then echo "ok   $1"; else echo "FAIL $1"; diff "$2" "$3" | head -20; fail=1; fi
}

# golden CASE_NAME INPUT_FOLDER SPSSFILE SPCFILE
golden() {
  local name=$1 inputs=$2 spss=$3 spc=$4 expected="$DATA/$1"
  rm -rf "$work/$name" && mkdir -p "$work/$name" && cp -r "$inputs"/. "$work/$name/"
  local before
  before=$(cd "$work/$name" && find . -type f | sort | xargs sha256sum)
  (
    cd "$work/$name" || exit 1
    "$BATCH" --describe "$spss" >"$work/$name.describe.txt" 2>&1; echo "exit $?" >>"$work/$name.describe.txt"
    "$BATCH" --describe "$spss" --tsv >"$work/$name.describe.tsv" 2>&1; echo "exit $?" >>"$work/$name.describe.tsv"
    "$BATCH" --draft "$spss" >"$work/$name.draft.spc" 2>"$work/$name.draft.err"; echo "exit $?" >>"$work/$name.draft.err"
    "$BATCH" --check "$spc" >"$work/$name.check.txt" 2>&1; echo "exit $?" >>"$work/$name.check.txt"
  )
  for out in describe.txt describe.tsv draft.spc draft.err check.txt; do
    compare "$name $out" "$expected/expected.$out" "$work/$name.$out"
  done
  # Nothing is written beside the inputs.
  local after
  after=$(cd "$work/$name" && find . -type f | sort | xargs sha256sum)
  if [ "$before" = "$after" ]; then echo "ok   $name writes nothing"; else echo "FAIL $name wrote files"; fail=1; fi
}

golden examples "$EXAMPLES" survey.DAT survey_project.spc
golden version13 "$EXAMPLES/version13" survey survey_project.spc
golden faults "$DATA/faults" survey.DAT definition.spc
golden wide "$DATA/wide" wide.DAT definition.spc
golden header_only "$DATA/header_only" blank definition.spc

# The draft of each export passes the check and the run completes on it.
for entry in "examples survey" "faults survey" "wide wide"; do
  set -- $entry
  dir="$work/$1"
  (cd "$dir" && "$BATCH" --draft "$2" >p.spc 2>/dev/null && "$BATCH" --check p.spc >"$work/check.out" 2>&1)
  s=$?
  if [ $s = 0 ] && ! grep -q ': error: ' "$work/check.out"; then echo "ok   $1 draft passes the check"; else
    echo "FAIL $1 draft check $s"; cat "$work/check.out"; fail=1; fi
  (cd "$dir" && "$BATCH" p.spc >/dev/null 2>&1)
  s=$?
  if [ $s = 0 ]; then echo "ok   $1 run on the draft"; else echo "FAIL $1 run on the draft $s"; fail=1; fi
done

exit $fail
