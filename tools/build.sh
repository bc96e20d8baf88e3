#!/usr/bin/env bash
# Configures and builds everything into build/ (release, with tests and benchmarks).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/tools/setup.sh"
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build "$root/build" -j"$(nproc)"
