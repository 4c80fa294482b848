#!/usr/bin/env bash
# Installs what the build and the tests need from Debian's packages, when missing.
set -euo pipefail
need=()
command -v cmake >/dev/null || need+=(cmake)
command -v g++ >/dev/null || need+=(g++)
command -v make >/dev/null || need+=(make)
[ -f /usr/include/gtest/gtest.h ] || need+=(libgtest-dev)
# The fuzz targets are built with clang.
command -v clang++ >/dev/null || need+=(clang)
# The .sav import is built on libreadstat; its tests write system files with PSPP.
[ -f /usr/include/readstat.h ] || need+=(libreadstat-dev)
command -v pspp >/dev/null || need+=(pspp)
if [ ${#need[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -q
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q "${need[@]}"
fi
