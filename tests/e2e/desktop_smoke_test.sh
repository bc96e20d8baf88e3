#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Starts the real desktop program under a private X server on a prepared vault, checks the
# window's shape on a screenshot, checks that a second copy ends at once, and closes the
# window with its exit button.
# Usage: desktop_smoke_test.sh KESTRAMO KESTRAMO_CLI KQXRES_RCC
set -euo pipefail

source "$(dirname "$0")/x_session.sh"

# The program keeps its vault beside itself.
cp "$1" "$2" "$3" "$work/"
cd "$work"
./kestramo-cli new-box "Work" >/dev/null
./kestramo-cli new-box "Photos" >/dev/null
echo "a note" > note.txt
./kestramo-cli add Work note.txt >/dev/null

# Arguments it does not take are refused before any window: a usage error, exit 2.
for args in "--vault" "--vault=" "--vault=x stray" "stray" "--frobnicate"; do
  status=0
  # shellcheck disable=SC2086
  ./kestramo $args >/dev/null 2>"$work/usage.err" || status=$?
  [ "$status" = 2 ] || fail "kestramo $args ended with $status, not 2"
done

# A white root window, so that the window's cut corners show white.
start_x -wr

./kestramo &
app=$!
win=$(xdotool search --sync --limit 1 --name '^KESTRAMO$')
sleep 0.5
eval "$(xdotool getwindowgeometry --shell "$win")"
[ "$WIDTH" = 560 ] && [ "$HEIGHT" = 420 ] || fail "window is ${WIDTH}x${HEIGHT}"

import -window root "$work/screen.png"
pixel() { convert "$work/screen.png" -format "%[pixel:p{$(( X + $1 )),$(( Y + $2 ))}]" info:; }
white() { case "$(pixel "$1" "$2")" in white|"srgb(255,255,255)") return 0;; *) return 1;; esac; }
white 0 419 || fail "bottom-left corner is not cut"
white 559 0 || fail "top-right corner is not cut"
white 0 0 && fail "top-left corner is cut"
white 559 419 && fail "bottom-right corner is cut"
white 280 20 && fail "the safe is not drawn"

# A second copy ends at once, says why, asks the first to come forward and leaves it alone.
second_copy_refused() {
  local status=0
  timeout 5 ./kestramo 2>"$work/second.err" || status=$?
  [ "$status" = 0 ] && grep -q "already running" "$work/second.err" ||
    fail "a second copy ended with $status, saying: $(cat "$work/second.err")"
  kill -0 "$app" || fail "the first copy ended"
}
second_copy_refused

# The exit button on the top row ends the program.
xdotool mousemove --window "$win" 528 49 click 1
for _ in $(seq 50); do kill -0 "$app" 2>/dev/null || break; sleep 0.1; done
kill -0 "$app" 2>/dev/null && fail "the exit button did not end the program"
app=""

# Without a runtime directory the lock lives in a folder of the user's own in the temporary
# directory. Another user's files there (the old shared lock name, held; the user's folder
# name, taken) neither keep the program from starting nor disable the lock.
if [ "$(id -u)" = 0 ]; then
  export TMPDIR="$work/tmp"
  mkdir -m 1777 "$TMPDIR"
  planted="$TMPDIR/Quorvanth KESTRAMO 1.0.lock"
  touch "$planted"
  mkdir -m 700 "$TMPDIR/kestramo-0"
  chown nobody "$planted" "$TMPDIR/kestramo-0"
  setpriv --reuid=nobody --regid=nogroup --clear-groups bash -c 'flock -n 9 && exec sleep 60' 9<"$planted" &
  holder=$!
  trap 'kill "$holder" 2>/dev/null; cleanup' EXIT
  sleep 0.2
  (unset XDG_RUNTIME_DIR; exec ./kestramo) 2>"$work/app.log" &
  app=$!
  safe_window >/dev/null || fail "another user's files in the temporary directory keep the program from starting"
  [ "$(stat -c %U:%a "$TMPDIR/kestramo-0.1")" = root:700 ] || fail "the lock's folder is not private"
  (unset XDG_RUNTIME_DIR; second_copy_refused)
else
  echo "not root: the lock planted by another user is not tried"
fi
echo "desktop smoke test passed"
