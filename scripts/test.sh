#!/usr/bin/env bash
# The whole test suite: a normal build (with the core's strict warnings) and a
# build with AddressSanitizer and UndefinedBehaviorSanitizer, each running
# every test (the window tests on Qt's offscreen platform, so no display is
# needed), then the core's tests on a build of the plain paths alone.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/bootstrap.sh
BUILD_DIR=build scripts/build.sh -DSPSS2VORNEX_IMPORT=ON -DSPSS2VORNEX_STRICT_WARNINGS=ON
ctest --test-dir build --output-on-failure -j2
scripts/check-install.sh build
BUILD_DIR=build-asan BUILD_TYPE=Debug scripts/build.sh -DSPSS2VORNEX_SANITIZE=ON -DSPSS2VORNEX_BENCH=OFF -DSPSS2VORNEX_IMPORT=ON
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --test-dir build-asan --output-on-failure -j2
BUILD_DIR=build-no-simd scripts/build.sh -DSPSS2VORNEX_NO_SIMD=ON -DSPSS2VORNEX_APP=OFF -DSPSS2VORNEX_IMPORT=OFF \
  -DSPSS2VORNEX_BENCH=OFF -DSPSS2VORNEX_STRICT_WARNINGS=ON
ctest --test-dir build-no-simd --output-on-failure -j2
# A short fuzzing round of every reader of outside input (FUZZ_SECONDS=0 skips it).
if [ "${FUZZ_SECONDS:-30}" -gt 0 ]; then scripts/fuzz.sh "${FUZZ_SECONDS:-30}"; fi
# The Windows build's tests under Wine, beside the Linux build of the same
# sources (WINDOWS_TESTS=0 leaves them out). Without Wine they fail, saying so.
if [ "${WINDOWS_TESTS:-1}" != 0 ]; then
  scripts/test-windows.sh || { echo "test.sh: the Windows tests under Wine failed (see above)" >&2; exit 1; }
fi
