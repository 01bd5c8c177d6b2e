#!/usr/bin/env bash
# Runs the Windows build as if it were a program of this host:
#   windows_tool.sh ARGUMENTS...
# Exit 77 (skipped) when tests/windows/differential.sh did not set it up.
if [ -z "${DRAVENIK_WINDOWS_RUNNER:-}" ] || [ -z "${DRAVENIK_WINDOWS_TOOL:-}" ]; then
  echo "skipped: no Windows build to run (tests/windows/differential.sh runs it)" >&2
  exit 77
fi
exec "$DRAVENIK_WINDOWS_RUNNER" "$DRAVENIK_WINDOWS_TOOL" "$@"
