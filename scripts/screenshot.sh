#!/usr/bin/env bash
# Renders the window after a run of the example project on the offscreen
# platform and saves it as docs/window.png (the picture in the README), and
# the definition assistant's Variables dialog and Check as docs/variables.png
# and docs/check.png.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/bootstrap.sh
scripts/build.sh
mkdir -p docs
SPSS2VORNEX_SCREENSHOT="$PWD/docs/window.png" QT_QPA_PLATFORM=offscreen \
  build/tests/app/window_run_test exampleRunMatchesTheBatchProgram
# The Variables dialog on the example, and a checked definition with marks.
SPSS2VORNEX_SCREENSHOT_DIR="$PWD/docs" QT_QPA_PLATFORM=offscreen build/tests/app/window_assist_test \
  variablesAreListedFilteredAndAdded linesAreMarkedAsTheUserTypes
echo "saved docs/window.png, docs/variables.png and docs/check.png"
