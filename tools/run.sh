#!/usr/bin/env bash
# Builds everything and starts the program.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/tools/build.sh"
"$root/build/bin/kestramo-cli" --help
"$root/build/bin/kestramo-cli" self-check
