#!/usr/bin/env bash
# Keeps the storage engine's boundary: the front ends include only its public interface
# (src/storage/api/), and the interface's headers include nothing of storage's internals, so
# that no internal type leaks through them. Prints each include that crosses the boundary.
# Usage: check_storage_includes.sh [FRONT_END_FOLDER...] (default: every front end).
set -euo pipefail
cd "$(dirname "$0")/.."
folders=("$@")
[ ${#folders[@]} -gt 0 ] || folders=(src/cli src/mainwindow src/dialogs src/controls src/app src/platform)
pattern='^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"]storage/'
allowed='[<"]storage/api/[^/]+\.h[>"]'
bad=0
report() {
  # Each include of storage from $2..., except the allowed ones, is a fault of kind $1.
  local kind="$1"
  shift
  local hits
  hits="$(grep -rnE --include='*.h' --include='*.cpp' "$pattern" "$@" | grep -vE "$allowed" || true)"
  if [ -n "$hits" ]; then
    printf '%s\n' "$hits"
    echo "check_storage_includes: $kind" >&2
    bad=1
  fi
}
report "front ends may include only storage/api/ headers" "${folders[@]}"
report "the interface's headers may include only other storage/api/ headers" src/storage/api/*.h
exit "$bad"
