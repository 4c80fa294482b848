#!/usr/bin/env bash
# The Windows build's tests under Wine: the unit tests, the end-to-end
# scripts, the same bytes as the Linux build in LINUX_BUILD (default build,
# when it holds the batch program), and the zip of package-windows.sh started
# from a clean folder on the example. Ends with the count of the test cases
# that passed and of those that cannot run under Wine, with their reasons.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${BUILD_DIR:-build-windows}
linux_batch="$PWD/${LINUX_BUILD:-build}/batch/spss2vornex-batch"
same_bytes=()
[ -x "$linux_batch" ] && same_bytes=(-DSPSS2VORNEX_LINUX_BATCH="$linux_batch")
BUILD_DIR=$dir scripts/build-windows.sh "${same_bytes[@]}"
if ! command -v wine >/dev/null; then
  echo "test-windows: Wine is not installed and could not be installed: the Windows tests did not run" >&2
  exit 1
fi
export WINEDEBUG=-all WINEPREFIX="$PWD/$dir/wine-prefix"
# Wine's server stays up for the whole run, and its first start (which
# makes the prefix, and starts the services that would otherwise keep the
# first test's output open) is done here, not inside a test's time.
mkdir -p "$WINEPREFIX"
wineserver -p
wineboot -i </dev/null >/dev/null 2>&1 || true
trap 'wineserver -k || true' EXIT
log="$dir/windows-tests.log"
status=0
ctest --test-dir "$dir" --output-on-failure -j2 -V >"$log" 2>&1 || status=$?
grep -E '^[0-9]+/[0-9]+ Test|tests passed|FAIL' "$log" || true

# The zip, unpacked into a folder that holds nothing else, converts the example.
zip_file=$(BUILD_DIR=$dir scripts/package-windows.sh)
clean=$(mktemp -d)
trap 'rm -rf "$clean"; wineserver -k || true' EXIT
(cd "$clean" && cmake -E tar xf "$zip_file")
cp examples/*.* "$clean/"
if (cd "$clean" && wine "$(ls -d spss2vornex-*-windows-x86_64)/spss2vornex-batch.exe" --seed 1 --mplus 1 --mlwin 1 \
  survey_project.spc >report 2>notices) && [ -s "$clean/survey_project.mln" ]; then
  echo "ok   the zip converts the example from a clean folder"
else
  echo "FAIL the zip did not convert the example: $(cat "$clean/notices")"
  status=1
fi

# The cases: GoogleTest's and the scripts' own.
passed=$(sed -n 's/.*\[  PASSED  \] \([0-9]*\) tests\?\..*/\1/p' "$log" | awk '{ n += $1 } END { print n + 0 }')
scripts=$(grep -cE '^[0-9]+: ok ' "$log" || true)
echo "Windows tests under Wine: $passed unit test cases and $scripts script checks passed"
echo "Cannot run under Wine:"
# A GoogleTest case skipped, with the line after its "Skipped" (the reason);
# a script's "skip WHAT: REASON".
awk '/^[0-9]+: \[ RUN      \]/ { name = $5 } /^[0-9]+: .*: Skipped$/ { want = 1; next }
     want { sub(/^[0-9]+: /, ""); print "  " name ": " $0; want = 0 }
     /^[0-9]+: skip / { sub(/^[0-9]+: skip /, ""); print "  " $0 }' "$log" | sort -u
exit $status
