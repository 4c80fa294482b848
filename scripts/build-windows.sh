#!/usr/bin/env bash
# Cross-compiles the core, the batch program and their tests for 64-bit
# Windows into BUILD_DIR (default build-windows), with warnings as errors,
# installing the compiler, GoogleTest's source and Wine (for the tests) when
# missing. No import and no window: neither library can be had for Windows
# here (docs/windows.md). Extra arguments go to CMake's configure step.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${BUILD_DIR:-build-windows}
install() {
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -q >/dev/null
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "$@" >/dev/null
}
need=()
command -v cmake >/dev/null || need+=(cmake)
command -v make >/dev/null || need+=(make)
command -v x86_64-w64-mingw32-g++-posix >/dev/null || need+=(g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev)
[ -f /usr/src/googletest/CMakeLists.txt ] || need+=(googletest)
[ ${#need[@]} -eq 0 ] || install "${need[@]}"
# Wine runs the tests; the build is whole without it (test-windows.sh says so).
command -v wine >/dev/null || install wine64 wine ||
  echo "build-windows: Wine could not be installed; the tests cannot run here" >&2
cmake -S . -B "$dir" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Release \
  -DSPSS2VORNEX_WERROR=ON -DSPSS2VORNEX_IMPORT=OFF -DSPSS2VORNEX_APP=OFF -DSPSS2VORNEX_BENCH=OFF "$@" >/dev/null
cmake --build "$dir" -j"$(nproc)"
