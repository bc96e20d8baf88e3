# Sourced by the tests of the real window: a work folder and a private runtime directory
# that end with the test, `fail`, and `start_x [Xvfb options]`, which starts a private X
# server and points DISPLAY at it. A test that starts the program keeps its pid in `app`.
work=$(mktemp -d)
export XDG_RUNTIME_DIR="$work/run"
mkdir -m 700 "$XDG_RUNTIME_DIR"
cleanup() {
  [ -n "${app:-}" ] && kill "$app" 2>/dev/null || true
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
  Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp "$@" 3>"$work/display" 2>/dev/null &
  xvfb=$!
  for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
  [ -s "$work/display" ] || fail "the X server did not start"
  export DISPLAY=":$(cat "$work/display")"
}
