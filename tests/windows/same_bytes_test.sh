#!/usr/bin/env bash
# The Windows program (BATCH, under Wine) writes the same bytes as the Linux
# program (LINUX_BATCH) for the examples: every file of the folder, the report
# and the notices, for runs with each transfer and --seed.
set -u
. "$(dirname "${BASH_SOURCE[0]}")/../check.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
runs=("--seed 7 --mplus 1 --mim 1 --mlwin 1" "--seed 4294967295 --mplus 2 --mim 2 --mlwin 2" "--mim 1")
for example in "" version13; do
  for i in "${!runs[@]}"; do
    for side in linux windows; do
      dir="$work/$side-$i${example:+-$example}"
      mkdir "$dir" && cp "$EXAMPLES/$example"/*.* "$dir/"
      program=$BATCH
      [ $side = linux ] && program=$LINUX_BATCH
      # shellcheck disable=SC2086
      (cd "$dir" && "$program" ${runs[i]} --report run.rep survey_project.spc >stdout 2>stderr; echo $? >status)
    done
    name="${example:-examples} ${runs[i]}"
    linux="$work/linux-$i${example:+-$example}"
    windows="$work/windows-$i${example:+-$example}"
    check "$name: status" 0 "$(cat "$linux/status")"
    check "$name: the same files" "$(ls "$linux")" "$(ls "$windows")"
    check "$name: the same bytes" "$(cd "$linux" && sha256sum -- *)" "$(cd "$windows" && sha256sum -- *)"
  done
done
exit $fail
