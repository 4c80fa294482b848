#!/usr/bin/env bash
# Renders the window after a run of the example project on the offscreen
# platform and saves it as docs/window.png (the picture in the README).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/bootstrap.sh
scripts/build.sh
mkdir -p docs
SPSS2VORNEX_SCREENSHOT="$PWD/docs/window.png" QT_QPA_PLATFORM=offscreen \
  build/tests/app/window_run_test exampleRunMatchesTheBatchProgram
echo "saved docs/window.png"
