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

fail() { echo "FAIL: $*" >&2; [ -f "$work/app.log" ] && cat "$work/app.log" >&2; exit 1; }

start_x() {
  Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp "$@" 3>"$work/display" 2>/dev/null &
  xvfb=$!
  for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
  [ -s "$work/display" ] || fail "the X server did not start"
  export DISPLAY=":$(cat "$work/display")"
}
