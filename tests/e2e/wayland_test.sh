#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The desktop program in a Wayland session, under a headless compositor with its X server
# for older programs: where Wayland would not let it place, shape or stack the safe and its
# dialogs, the program runs through that X server, and its shaped 560x420 window shows there.
# Where no X server is there, the program runs natively on Wayland: its cut corners must then
# be transparent (the window carries an alpha channel), not black.
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
kill "$app" "$xvfb" 2>/dev/null || true
wait "$app" "$xvfb" 2>/dev/null || true

# Natively, with no X server: a compositor that draws (pixman) on a pure green desktop and
# lets a client take a screenshot; windows appear at once, without a fade.
printf '[shell]\nbackground-color=0xff00ff00\npanel-position=none\nanimation=none\nstartup-animation=none\n' >"$work/weston.ini"
weston --config="$work/weston.ini" --backend=headless-backend.so --use-pixman --debug --socket=kestramo-wl2 \
  --width=1024 --height=768 --idle-time=0 >"$work/weston2.log" 2>&1 &
xvfb=$!
for _ in $(seq 100); do [ -S "$XDG_RUNTIME_DIR/kestramo-wl2" ] && break; sleep 0.1; done
env -u QT_QPA_PLATFORM -u DISPLAY WAYLAND_DISPLAY=kestramo-wl2 XDG_SESSION_TYPE=wayland \
  "$work/app/kestramo" --vault "$work/app" >"$work/app.log" 2>&1 &
app=$!
# The safe is on the desktop once its 560x420 picture covers the green.
for _ in $(seq 100); do
  sleep 0.2
  kill -0 "$app" 2>/dev/null || fail "the program ended natively on Wayland"
  rm -f "$work"/shots/*.png; mkdir -p "$work/shots"
  (cd "$work/shots" && WAYLAND_DISPLAY=kestramo-wl2 weston-screenshooter >/dev/null 2>&1) || continue
  shot=$(ls "$work"/shots/*.png 2>/dev/null | head -1)
  [ -n "$shot" ] || continue
  box=$(convert "$shot" -fuzz 5% -transparent lime -trim -format '%w %h %X %Y' info: 2>/dev/null) || continue
  read -r w h x y <<<"${box//+/}"
  [ "$w $h" = "560 420" ] && break
done
[ "${w:-} ${h:-}" = "560 420" ] || fail "the safe did not show natively on Wayland (${w:-?}x${h:-?})"
pixel() { convert "$shot" -format "%[pixel:p{$1,$2}]" info:; }
# Each cut corner shows the desktop; just inside the cut the safe's steel shows.
for corner in "$((x + 559)) $y" "$((x + 559)) $((y + 1))" "$x $((y + 419))" "$x $((y + 418))"; do
  read -r cx cy <<<"$corner"
  [ "$(pixel "$cx" "$cy")" = "srgb(0,255,0)" ] ||
    fail "the safe's cut corner at $cx,$cy is not transparent: $(pixel "$cx" "$cy")"
done
[ "$(pixel $((x + 555)) $y)" != "srgb(0,255,0)" ] || fail "the safe's edge beside the corner is missing"
[ -n "${KESTRAMO_SHOTS:-}" ] && mkdir -p "$KESTRAMO_SHOTS" && cp "$shot" "$KESTRAMO_SHOTS/wayland-native.png"
echo "wayland test passed"
