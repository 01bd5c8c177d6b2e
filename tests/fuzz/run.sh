#!/usr/bin/env bash
# Runs each fuzz target for a bounded time from its seed corpus.
#   run.sh BUILD_DIR SECONDS
# A crash or a difference from the model fails the run.
set -euo pipefail
build=$1 seconds=$2
here=$(cd "$(dirname "$0")" && pwd)
for target in copier decoder names; do
  work="$build/corpus-$target"
  mkdir -p "$work"
  echo "fuzzing $target for ${seconds}s"
  "$build/tests/fuzz/${target}_fuzz" -max_total_time="$seconds" -print_final_stats=1 \
    -artifact_prefix="$build/$target-" "$work" "$here/corpus/$target" 2>"$build/$target.log" || {
    tail -40 "$build/$target.log"
    exit 1
  }
  grep -E 'stat::number_of_executed_units|Done' "$build/$target.log" || true
done
