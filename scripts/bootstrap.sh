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
# The desktop window: Qt 6 Widgets and Qt Test, the offscreen platform for the
# window tests, and a font for the offscreen rendering.
[ -n "$(find /usr/lib -path '*cmake/Qt6Widgets/Qt6WidgetsConfig.cmake' -print -quit 2>/dev/null)" ] ||
  need+=(qt6-base-dev)
[ -n "$(find /usr/lib -path '*qt6/plugins/platforms/libqoffscreen.so' -print -quit 2>/dev/null)" ] ||
  need+=(qt6-qpa-plugins)
[ -d /usr/share/fonts/truetype/dejavu ] || need+=(fonts-dejavu-core)
# A real X server for the test of the window's captions, and xwininfo to read them.
command -v Xvfb >/dev/null || need+=(xvfb)
command -v xwininfo >/dev/null || need+=(x11-utils)
# /usr/bin/time for the tests of peak memory.
[ -x /usr/bin/time ] || need+=(time)
# flock and unshare for the tests of a busy folder and of a full disk.
command -v flock >/dev/null || need+=(util-linux)
if [ ${#need[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -q
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q "${need[@]}"
fi
