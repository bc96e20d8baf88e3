#!/usr/bin/env bash
# The desktop program in a Wayland session, under a headless compositor with its X server
# for older programs: where Wayland would not let it place, shape or stack the safe and its
# dialogs, the program runs through that X server, and its shaped 560x420 window shows there.
# Usage: wayland_test.sh KESTRAMO KQXRES_RCC
set -euo pipefail

source "$(dirname "$0")/x_session.sh"
mkdir -p "$work/app" "$work/home"
cp "$1" "$2" "$work/app/"
export HOME="$work/home"
weston --backend=headless-backend.so --socket=kestramo-wl --xwayland --idle-time=0 >"$work/weston.log" 2>&1 &
xvfb=$!  # ended with the test, like the X server of the other tests
for _ in $(seq 100); do grep -q "xserver listening on display" "$work/weston.log" && break; sleep 0.1; done
display=$(sed -n 's/.*xserver listening on display \(:[0-9]*\).*/\1/p' "$work/weston.log" | head -1)
[ -n "$display" ] || { cat "$work/weston.log" >&2; fail "the compositor did not start"; }

# A Wayland session as a desktop sets it up; the user chose no window system.
env -u QT_QPA_PLATFORM WAYLAND_DISPLAY=kestramo-wl DISPLAY="$display" XDG_SESSION_TYPE=wayland \
  "$work/app/kestramo" --vault "$work/app" >"$work/app.log" 2>&1 &
app=$!
shown=$(DISPLAY="$display" safe_window) || fail "the safe did not show through the session's X server"
# Its outline reached the X server (its shape, with the corners cut, is set on the window).
shape=$(DISPLAY="$display" xwininfo -shape -id "$shown")
[[ $shape == *"Window shape extents"* ]] ||
  fail "the safe's window is not shaped"
echo "wayland test passed"
