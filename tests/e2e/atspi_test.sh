#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The safe through the accessibility bus, as a screen reader uses it: on a private session
# bus with its own accessibility bus, under the private X server and window manager, the
# program is found, its commands pressed by their actions and its tree checked for names.
# Usage: atspi_test.sh KESTRAMO KESTRAMO_CLI KQXRES_RCC
set -euo pipefail

source "$(dirname "$0")/x_session.sh"
here=$(cd "$(dirname "$0")" && pwd)
command -v dbus-run-session >/dev/null && [ -x /usr/libexec/at-spi-bus-launcher ] &&
  /usr/bin/python3 -c 'import pyatspi' 2>/dev/null || fail "at-spi2-core, python3-pyatspi or dbus is missing (tools/setup.sh)"
export HOME="$work/home"
mkdir -p "$HOME" "$work/app" "$work/vault"
cp "$1" "$2" "$3" "$work/app/"
cli() { "$work/app/kestramo-cli" --vault "$work/vault" "$@"; }
echo "the quarter's figures" >"$work/report.txt"
cli new-box Work >/dev/null
cli add Work "$work/report.txt" >/dev/null
cli comment 1 quarterly >/dev/null

start_x
start_wm
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1 NO_AT_BRIDGE=0
# The bus and the accessibility registry live only as long as this session.
dbus-run-session -- bash -c '
  /usr/libexec/at-spi-bus-launcher --launch-immediately >"$0/bus.log" 2>&1 &
  launcher=$!
  (cd "$0/app" && exec ./kestramo --vault "$0/vault" >"$0/app.log" 2>&1) &
  app=$!
  status=0
  /usr/bin/python3 "$1/atspi_safe.py" "$0" || status=$?
  kill $app $launcher 2>/dev/null || true
  exit $status' "$work" "$here" || fail "the safe could not be used through the accessibility bus"
[ -n "${KESTRAMO_SHOTS:-}" ] && cp "$work/atspi-tree.txt" "$KESTRAMO_SHOTS/" || true
echo "atspi test passed"
