#!/usr/bin/env bash
# Cross-builds both Windows targets, then runs every end-to-end test again
# with the 64-bit .exe beside the Linux build under Wine: each test whose
# folder Windows can hold also runs the .exe on a copy of it and checks that
# both builds print the same, end alike and leave the same files.
#   differential.sh        (from the top of the tree, after the default build)
# The 32-bit .exe is built but cannot run here.
set -euo pipefail
cd "$(dirname "$0")/../.."

for arch in x64 x86; do
  cmake --preset "windows-$arch" >/dev/null
  cmake --build --preset "windows-$arch"
done

wine=/usr/lib/wine/wine64
prefix=$(mktemp -d)
export WINEPREFIX=$prefix WINEDEBUG=-all WINEARCH=win64
# No Gecko or Mono prompts, and no crash dialog mixed into the program's output.
export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
unset DISPLAY
stop_wine() {
  /usr/lib/wine/wineserver -k 2>/dev/null || true
  rm -rf "$prefix"
}
trap stop_wine EXIT
# One server for the prefix's set-up and every test: a cold start costs seconds.
/usr/lib/wine/wineserver -p
"$wine" wineboot -i >/dev/null 2>&1

export DRAVENIK_WINDOWS_TOOL=$PWD/build/windows-x64/dravenik.exe
export DRAVENIK_WINDOWS_RUNNER=$wine
ctest --preset default -L cli
