#!/usr/bin/env bash
# Proves the generated files in a real 68000 build: runs dravenik on the demo
# project, assembles and links the demo's host program with the generated
# files, runs it under the emulator and checks what it printed.
#
#   demo_chain.sh DRAVENIK DEMO_DIR WORK_DIR EXPECTED_TRANSCRIPT [FAULT]
#
# FAULT plants one fault in the generated files first, and the host program
# must then fail: "offset" moves one offset by 2, "odd" by 1, "endmark" drops one end mark
# byte. Fails, saying which package to install, when the toolchain or the
# emulator is missing: a test that cannot run must not pass for one that did.
set -euo pipefail

dravenik=$1 demo=$2 work=$3 expected=$4 fault=${5:-none}
as=m68k-linux-gnu-as ld=m68k-linux-gnu-ld emulator=qemu-m68k

for tool in "$as" "$ld" "$emulator"; do
  if ! command -v "$tool" >/dev/null; then
    echo "FAIL: $tool not found: install the Debian packages binutils-m68k-linux-gnu and"
    echo "qemu-user, or leave these tests out with: ctest --preset default -LE 'e2e|windows'"
    exit 1
  fi
done

rm -rf "$work"
mkdir -p "$work/out" "$work/inc"
"$dravenik" "$demo/proj" "$work/out" >"$work/dravenik.txt"

# The include lines name 'proj\NAME', quotes and backslash included, and the
# assembler opens exactly that name: one link per program, found through -I.
for program in "$demo"/proj/*; do
  ln -s "$(cd "$(dirname "$program")" && pwd)/$(basename "$program")" \
    "$work/inc/'proj\\$(basename "$program")'"
done

case $fault in
  none) ;;
  offset) perl -0777 -pi -e 's/ProjectScr\+(\d+)/"ProjectScr+".($1+2)/e' "$work/out/prgsrc.asm" ;;
  odd) perl -0777 -pi -e 's/ProjectScr\+(\d+)/"ProjectScr+".($1+1)/e' "$work/out/prgsrc.asm" ;;
  endmark) perl -0777 -pi -e 's/\x00//' "$work/out/prgscr.dat" ;;
  *) echo "unknown fault: $fault" >&2; exit 2 ;;
esac

"$as" --mri -m68000 -I "$work/out" -I "$work/inc" -o "$work/main.o" "$demo/main.asm" \
  2>"$work/as.txt" || { cat "$work/as.txt"; exit 1; }
"$ld" -static -e _start -o "$work/main" "$work/main.o"

status=0
"$emulator" -cpu m68000 "$work/main" >"$work/transcript.txt" || status=$?
cat "$work/transcript.txt"

if [ "$fault" = none ]; then
  [ "$status" -eq 0 ] || { echo "host program failed with status $status"; exit 1; }
  diff -u "$expected" "$work/transcript.txt"
else
  [ "$status" -eq 1 ] || { echo "planted fault '$fault' not caught: status $status"; exit 1; }
  grep -q '^FAIL: ' "$work/transcript.txt" || { echo "no FAIL line for '$fault'"; exit 1; }
fi
echo "ok: $fault"
