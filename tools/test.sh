#!/usr/bin/env bash
# Builds everything and runs every test, then the sanitizer builds' tests and the bounded
# fuzzing runs; stops at the first stage that fails.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/tools/build.sh"
export LANG=C.UTF-8
export XDG_RUNTIME_DIR="$(mktemp -d)"
chmod 700 "$XDG_RUNTIME_DIR"
cd "$root/build"
ctest --output-on-failure -j"$(nproc)" --timeout 900
bash "$root/tools/sanitize.sh"
bash "$root/tools/fuzz.sh"
