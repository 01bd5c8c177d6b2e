#!/usr/bin/env bash
# Builds the Linux build and both Windows builds, then runs, with the 64-bit
# .exe under Wine:
#  - every CLI test, each run of which also runs the .exe on a copy of the
#    test's folder that Windows can hold, and checks that both builds print
#    the same, end alike and leave the same files (tests/support/workspace.cpp);
#  - the tests that only the Windows build can show (label "windows",
#    tests/windows/windows_build_test.cpp) and the demo host program built
#    from the .exe's files and run under qemu-m68k.
# Then it says which CLI runs were compared, which were left to the Linux
# build and why, and whether the two builds ever disagreed.
#   bash tests/windows/differential.sh        (from anywhere in a clone)
# The 32-bit .exe is built but not run: Wine here runs 64-bit programs only.
set -euo pipefail
cd "$(dirname "$0")/../.."

cmake --preset default >/dev/null
cmake --build --preset default -j2
for arch in x64 x86; do
  cmake --preset "windows-$arch" >/dev/null
  cmake --build --preset "windows-$arch" -j2
done
# Holds a file open the way another Windows program would (see its header).
holder=$PWD/build/windows-x64/hold_file.exe
x86_64-w64-mingw32-g++-posix -std=c++20 -Wall -Wextra -Wpedantic -O2 -municode -static \
  -o "$holder" tests/windows/hold_file.cpp

wine=/usr/lib/wine/wine64
first=$(mktemp -d)
second=$(mktemp -d)
export WINEPREFIX=$first WINEDEBUG=-all WINEARCH=win64
# No Gecko or Mono prompts, and no crash dialog mixed into the program's output.
export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
# A UTF-8 locale: Wine then shows UTF-8 file names as what they are, and
# gives Windows programs code page 1252, as on a Western Windows.
export LC_ALL=C.UTF-8
unset DISPLAY
stop_wine() {
  for prefix in "$first" "$second"; do
    WINEPREFIX=$prefix /usr/lib/wine/wineserver -k 2>/dev/null || true
    rm -rf "$prefix"
  done
}
trap stop_wine EXIT
# One persistent server per prefix for the set-up and every test (a cold
# start costs seconds); two prefixes, so two servers that share nothing but
# the file system, as two machines on one share would.
for prefix in "$first" "$second"; do
  WINEPREFIX=$prefix /usr/lib/wine/wineserver -p
  WINEPREFIX=$prefix "$wine" wineboot -i >/dev/null 2>&1
done

log=$PWD/build/default/windows-comparison.log
results=$PWD/build/default/windows-ctest.log
rm -f "$log"
export DRAVENIK_WINDOWS_TOOL=$PWD/build/windows-x64/dravenik.exe
export DRAVENIK_WINDOWS_RUNNER=$wine
export DRAVENIK_WINDOWS_HOLDER=$holder
export DRAVENIK_WINDOWS_SECOND_PREFIX=$second
export DRAVENIK_WINDOWS_CODE_PAGE=1252
export DRAVENIK_WINDOWS_LOG=$log
status=0
ctest --preset windows-under-wine -L 'cli|windows' --output-log "$results" || status=$?

echo
echo "== Windows beside Linux"
touch "$log"
ctest --preset default -N -L cli | sed -n 's/^ *Test *#[0-9]*: //p' | sed 's/  *# GetParam.*//' \
  >"$log.cli"
total=$(grep -c . "$log.cli")
compared=$(grep -F "$(printf '\tcompared\t')" "$log" | cut -f1 | sort -u | grep -cxF -f "$log.cli" || true)
echo "CLI tests with runs compared: $compared of $total"
echo "CLI runs compared: $(grep -cF "$(printf '\tcompared\t')" "$log" || true)," \
  "disagreeing: $(grep -cF "$(printf '\tcompared\tDIFFER')" "$log" || true)"
echo "CLI runs left to the Linux build, and why:"
grep -F "$(printf '\tlinux-only\t')" "$log" | cut -f1,3 | sort | uniq -c | sed 's/^ */  /' ||
  echo "  none"
echo "CLI tests that run the tool outside the Workspace (no Windows run):"
cut -f1 "$log" | sort -u | grep -vxF -f - "$log.cli" | sed 's/^/  /' || echo "  none"
echo "Windows-only tests:"
ctest --preset windows-under-wine -N -L windows | sed -n 's/^ *Test *#[0-9]*: //p' | while read -r test; do
  outcome=$(grep -E " Test +#[0-9]+: $test \.+" "$results" | grep -oE '(Passed|Failed|Not Run|Skipped|Timeout).*' |
    head -n 1)
  echo "  $test: ${outcome:-not run}"
done
echo "Failed tests:"
grep -E '^[[:space:]]+[0-9]+ - .*\((Failed|Timeout)\)' "$results" |
  sed -E 's/ +# GetParam\(\) = .* \((Failed|Timeout)\)$/ (\1)/;s/^[[:space:]]*/  /' ||
  echo "  none"
exit "$status"
