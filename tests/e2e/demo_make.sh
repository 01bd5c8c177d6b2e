#!/usr/bin/env bash
# The demo's Makefile as a user runs it: a first make builds and runs the
# host program; a run of dravenik that fails (a program held by another
# process) leaves the four files as they were and older than the program,
# so a later make runs dravenik again and the host program passes.
#
#   demo_make.sh DRAVENIK DEMO_DIR WORK_DIR EXPECTED_TRANSCRIPT
#
# Fails, and says what to install, when a tool is missing.
set -euo pipefail

dravenik=$1 demo=$2 work=$3 expected=$4

for tool in make flock m68k-linux-gnu-as m68k-linux-gnu-ld qemu-m68k; do
  if ! command -v "$tool" >/dev/null; then
    echo "FAIL: $tool not found: install the Debian packages make, util-linux,"
    echo "binutils-m68k-linux-gnu and qemu-user, or leave these tests out with: ctest --preset default -LE 'e2e|windows'"
    exit 1
  fi
done

rm -rf "$work"
mkdir -p "$work"
cp -R "$demo/proj" "$demo/main.asm" "$demo/Makefile" "$work/"
cd "$work"
build() { make -s DRAVENIK="$dravenik" "$@" 2>make-errors.txt; }
transcript_matches() { tail -n "$(wc -l <"$expected")" "$1" | diff -u "$expected" -; }

build >first.txt
transcript_matches first.txt
cp -p build/prg* .

touch proj/add.asm
if flock proj/add.asm make -s DRAVENIK="$dravenik" >failed.txt 2>&1; then
  echo "make succeeded although a program was held"; cat failed.txt; exit 1
fi
grep -q 'Fatal Error: Cannot read project file proj/add.asm: in use by another program.' failed.txt ||
  { echo "no fatal message from dravenik"; cat failed.txt; exit 1; }
for file in prginc.asm prglst.dat prgsrc.asm prgscr.dat; do
  cmp "$file" "build/$file"
  [ "build/$file" -ot proj/add.asm ] || { echo "build/$file is not older than the program"; exit 1; }
done

build >again.txt
grep -q 'Parsing source code... ok' again.txt || { echo "make did not run dravenik again"; exit 1; }
transcript_matches again.txt
echo "ok: make reruns dravenik after a failed run"
