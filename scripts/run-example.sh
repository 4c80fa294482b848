#!/usr/bin/env bash
# Installs what is missing, builds, and converts the example project in a copy
# of examples/ (under build/example), printing the report.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/bootstrap.sh
scripts/build.sh
rm -rf build/example
mkdir -p build/example
cp examples/*.* build/example/
build/batch/spss2vornex-batch build/example/survey_project.spc
echo
echo "Project files in build/example:"
ls build/example
