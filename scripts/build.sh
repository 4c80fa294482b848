#!/usr/bin/env bash
# Builds into BUILD_DIR (default build) with warnings as errors. Extra
# arguments go to CMake's configure step.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${BUILD_DIR:-build}
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=${BUILD_TYPE:-Release} -DSPSS2VORNEX_WERROR=ON "$@" >/dev/null
cmake --build "$dir" -j"$(nproc)"
