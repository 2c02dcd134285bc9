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
ctest --preset win32 || status=1
exit $status
