#!/usr/bin/env bash
# Installs a build into a staging folder and checks that both programs, the
# desktop entry and the icon land in their usual places; then makes the .deb.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
DESTDIR="$stage" cmake --install "$build" --prefix /usr >/dev/null
for f in bin/spss2vornex bin/spss2vornex-batch share/applications/spss2vornex.desktop \
         share/icons/hicolor/scalable/apps/spss2vornex.svg; do
  [ -f "$stage/usr/$f" ] || { echo "check-install: /usr/$f is missing" >&2; exit 1; }
done
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/spss2vornex_*.deb)
contents=$(dpkg-deb --contents "$deb")
for f in bin/spss2vornex bin/spss2vornex-batch share/applications/spss2vornex.desktop; do
  grep -q "\./usr/$f\$" <<<"$contents" || { echo "check-install: $deb lacks /usr/$f" >&2; exit 1; }
done
echo "install and package ok: $deb"
