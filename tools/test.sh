#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds everything (a front end that reaches past storage's interface does not build); checks
# the formatting of the lines changed; runs the sanitizer builds' tests and the bounded fuzzing
# runs, then every test of the main build, ending with CTest's summary; stops at the first
# stage that fails.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/tools/build.sh"
bash "$root/tools/check_format.sh"
export LANG=C.UTF-8
export XDG_RUNTIME_DIR="$(mktemp -d)"
# The record of hardened vaults that the tests keep stays out of the home folder.
export XDG_STATE_HOME="$(mktemp -d)"
chmod 700 "$XDG_RUNTIME_DIR"
bash "$root/tools/sanitize.sh"
bash "$root/tools/fuzz.sh"
cd "$root/build"
ctest --output-on-failure -j"$(nproc)" --timeout 900
