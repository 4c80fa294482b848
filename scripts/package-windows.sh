#!/usr/bin/env bash
# Makes the Windows zip: spss2vornex-batch.exe, statically linked (it needs
# only DLLs that every Windows has), and a README, in
# BUILD_DIR/spss2vornex-VERSION-windows-x86_64.zip. Builds first when needed.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${BUILD_DIR:-build-windows}
exe="$dir/batch/spss2vornex-batch.exe"
[ -f "$exe" ] || scripts/build-windows.sh
command -v zip >/dev/null || {
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -q >/dev/null && DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q zip >/dev/null
}
# Only the system's own DLLs: nothing of the compiler's may be left to ship.
dlls=$(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^\s*DLL Name: //p' | tr A-Z a-z | sort | tr '\n' ' ')
for dll in $dlls; do
  case $dll in
    kernel32.dll | msvcrt.dll | bcrypt.dll | shell32.dll | advapi32.dll | user32.dll) ;;
    *) echo "package-windows: $exe needs $dll, which Windows does not carry" >&2; exit 1 ;;
  esac
done
version=$(sed -n 's/^project(spss2vornex VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
name="spss2vornex-$version-windows-x86_64"
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
mkdir "$stage/$name"
cp "$exe" "$stage/$name/"
# A README that Notepad shows as it is: lines end in CR LF.
sed 's/$/\r/' >"$stage/$name/README.txt" <<TEXT
spss2vornex-batch $version for Windows (64-bit)

Turns an SPSS export pair (NAME.DAT, the tab-delimited data, and NAME.TXT,
SPSS's File Info output) and a project definition (an .spc file) into a VORNEX
project, and on request into Mplus and MLwiN files, in the folder of the
.spc file. It needs nothing but this .exe: copy it anywhere and start it from
a Command Prompt or PowerShell:

  spss2vornex-batch.exe --seed 1 --mplus 1 --mlwin 1 C:\\Data\\survey_project.spc
  spss2vornex-batch.exe --help

Report lines go to standard output, notices to standard error. Exit status:
0 completed, 1 stopped at a check, 2 input/output failure, 64 usage error,
130 stopped by Ctrl+C or by closing the window (the folder is then as it was).

This build has no import of .sav, .zsav, .por or .dta files and no window:
export the data from SPSS as a tab-delimited file and its File Info as text.
TEXT
zip_file="$(cd "$dir" && pwd)/$name.zip"
rm -f "$zip_file"
(cd "$stage" && zip -q -r "$zip_file" "$name")
echo "$zip_file"
