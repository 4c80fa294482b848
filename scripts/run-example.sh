#!/usr/bin/env bash
# Installs what is missing, builds, and puts a copy of examples/ under
# build/example. Without arguments it converts the example with the batch
# program and prints the report; with --window it starts the window there.
set -euo pipefail
cd "$(dirname "$0")/.."
window=false
case "${1:-}" in
  --window) window=true ;;
  "") ;;
  *) echo "usage: scripts/run-example.sh [--window]" >&2; exit 64 ;;
esac
scripts/bootstrap.sh
scripts/build.sh
rm -rf build/example
mkdir -p build/example
cp examples/*.* build/example/
if $window; then
  if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    echo "run-example.sh: no display; start it from a desktop session (or see scripts/screenshot.sh)" >&2
    exit 2
  fi
  echo "In the window: press the Open button (or File, Open...), choose survey_project.spc, then press Run."
  cd build/example
  exec ../app/spss2vornex
fi
build/batch/spss2vornex-batch build/example/survey_project.spc
echo
echo "Project files in build/example:"
ls build/example
