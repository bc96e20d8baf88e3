# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by the tests of the real window: a work folder and a private runtime directory
# that end with the test, `fail`, `start_x [Xvfb options]`, which starts a private X server
# and points DISPLAY at it, and `start_wm`, which runs a window manager on it where one is
# installed. A test that starts the program keeps its pid in `app`; the pictures it takes
# go to $KESTRAMO_SHOTS when that is set, also when it fails.
work=$(mktemp -d)
export XDG_RUNTIME_DIR="$work/run"
mkdir -m 700 "$XDG_RUNTIME_DIR"
cleanup() {
  [ -n "${KESTRAMO_SHOTS:-}" ] && cp "$work"/*.png "$KESTRAMO_SHOTS"/ 2>/dev/null || true
  [ -n "${app:-}" ] && kill "$app" 2>/dev/null || true
  [ -n "${wm:-}" ] && kill "$wm" 2>/dev/null || true
  [ -n "${xvfb:-}" ] && kill "$xvfb" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# The program's safe: the 560x420 window named KESTRAMO (its dialogs share the name), waited
# for up to fifteen seconds; prints its id, or fails. Ends early when the program `app` ends.
safe_window() {
  local w
  for _ in $(seq 150); do
    for w in $(xdotool search --name '^KESTRAMO$' 2>/dev/null); do
      eval "$(xdotool getwindowgeometry --shell "$w")"
      [ "$WIDTH" = 560 ] && [ "$HEIGHT" = 420 ] && { echo "$w"; return 0; }
    done
    [ -n "${app:-}" ] && ! kill -0 "$app" 2>/dev/null && break
    sleep 0.1
  done
  return 1
}

fail() { echo "FAIL: $*" >&2; [ -f "$work/app.log" ] && cat "$work/app.log" >&2; exit 1; }

start_x() {
  # A server that ends before it answers (another one took its display at the same moment on
  # a busy machine) gets two more tries.
  for _ in 1 2 3; do
    rm -f "$work/display"
    Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp "$@" 3>"$work/display" 2>/dev/null &
    xvfb=$!
    for _ in $(seq 1200); do [ -s "$work/display" ] || ! kill -0 "$xvfb" 2>/dev/null && break; sleep 0.1; done
    [ -s "$work/display" ] || continue
    export DISPLAY=":$(cat "$work/display")"
    # Answering clients, not only listening: a window manager started earlier finds no display.
    for _ in $(seq 1200); do
      xprop -root >/dev/null 2>&1 && return 0
      kill -0 "$xvfb" 2>/dev/null || break
      sleep 0.1
    done
    kill -0 "$xvfb" 2>/dev/null && fail "the X server does not answer"
  done
  fail "the X server did not start"
}

# Runs openbox on the server when it is installed, as users have one: it frames, places,
# focuses and minimises windows. Waits until it manages the screen; `wm` is empty without it.
start_wm() {
  wm=""
  command -v openbox >/dev/null || return 0
  # A window manager that ends at start on a busy machine gets two more tries.
  for _ in 1 2 3; do
    openbox --sm-disable >"$work/wm.log" 2>&1 &
    wm=$!
    # On a loaded machine it may take many seconds: wait while it lives, not for a fixed time
    # (two minutes only guard against a hang).
    for _ in $(seq 1200); do
      xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && return 0
      kill -0 "$wm" 2>/dev/null || break
      sleep 0.1
    done
    kill -0 "$wm" 2>/dev/null && fail "the window manager did not start"
    sleep 0.5
  done
  fail "the window manager ended at start: $(tail -c 300 "$work/wm.log")"
}
