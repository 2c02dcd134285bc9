#!/usr/bin/env bash
# Builds everything and runs every test tier: host tests, a short run of each fuzz target, then
# the Windows adapters and the end-to-end scenarios under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/build-all.sh
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
status=0
ctest --preset host || status=1
ctest --preset fuzz || status=1
# The Wine scenarios start 32-bit programs (Wine's 32-bit loader). A kernel that cannot run them
# (some virtual machines) leaves the tier with only its checks that need no Wine, and says so.
if /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
  ctest --preset win32 || status=1
else
  echo "test-all.sh: this machine cannot run 32-bit programs (/lib/ld-linux.so.2: exec format error):" \
       "the Wine scenarios are SKIPPED; of the win32 tier only executable.format, packages.check and the" \
       "deployment tests run" >&2
  ctest --preset win32 -R '^(executable\.format|packages\.check|deployment\..+)$' || status=1
fi
exit $status
