#!/usr/bin/env bash
# Builds both presets: the host tests and the 32-bit Windows setup executables.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-prerequisites.sh
cmake --preset host >/dev/null
cmake --build --preset host
cmake --preset win32 >/dev/null
cmake --build --preset win32
