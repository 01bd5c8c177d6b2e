#!/usr/bin/env bash
# Static analysis of the tool's sources; any finding fails.
#   lint.sh BUILD_DIR   (a configured build with compile_commands.json)
set -euo pipefail
build=$1
cd "$(dirname "$0")/.."
sources=$(git ls-files 'src/*.cpp' | grep -v '^src/platform/windows/')
echo "clang-tidy: $(echo "$sources" | wc -l) files"
clang-tidy -p "$build" --quiet $sources 2>/dev/null
echo "cppcheck"
cppcheck --enable=warning,style,performance,portability --std=c++20 --error-exitcode=1 \
  --inline-suppr --quiet -I src -i src/platform/windows src
echo "lint: clean"
