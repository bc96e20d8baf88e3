#!/usr/bin/env bash
# Builds everything and runs every test; ends with CTest's summary.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/tools/build.sh"
export LANG=C.UTF-8
export XDG_RUNTIME_DIR="$(mktemp -d)"
chmod 700 "$XDG_RUNTIME_DIR"
cd "$root/build"
ctest --output-on-failure -j"$(nproc)" --timeout 900
