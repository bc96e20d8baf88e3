#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Checks that the C and C++ lines changed since a base commit follow .clang-format; lines
# not changed are left alone, so the check can run before the whole tree is formatted.
# Usage: check_format.sh [BASE]. Without BASE: the last commit's parent on main (as CI
# checks a merge), else the point where this branch left main.
set -euo pipefail
cd "$(dirname "$0")/.."
base="${1:-}"
if [ -z "$base" ]; then
  if [ "$(git rev-parse HEAD)" = "$(git rev-parse -q --verify main || true)" ]; then
    base="$(git rev-parse -q --verify HEAD~1 || true)"
  else
    base="$(git merge-base HEAD main 2>/dev/null || true)"
  fi
fi
if [ -z "$base" ]; then
  echo "check_format: no base commit to compare with; nothing checked"
  exit 0
fi
out="$(git clang-format --binary clang-format --diff --extensions c,cc,cpp,h "$base" -- 2>&1 || true)"
case "$out" in
  "" | "no modified files to format" | "clang-format did not modify any files") exit 0 ;;
esac
printf '%s\n' "$out"
echo "check_format: lines changed since ${base:0:12} are not formatted; run: git clang-format $base" >&2
exit 1
