#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# How long the desktop program takes to end after its exit button, under a private X server:
# until its window is gone and until its process has ended, after a start on a vault with
# items and a use of the folder dialog. The peer is a bare window of the same toolkit ended
# by a click, measured in the same run. Medians of several runs.
# Usage: exit_bench.sh [runs]   (from the build tree's bin/ folder, or with BIN set to it)
set -euo pipefail
case "${1:-}" in
  -h|--help) sed -n '2,6p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
  ''|*[!0-9]*) [ -z "${1:-}" ] || { echo "exit_bench: runs must be a number, not '$1'" >&2; exit 2; } ;;
esac
runs=${1:-5}
bin=${BIN:-$(cd "$(dirname "$0")" && pwd)}
[ -x "$bin/kestramo" ] || bin=$(cd "$(dirname "$0")/../build/bin" && pwd)
work=$(mktemp -d)
export XDG_RUNTIME_DIR="$work/run" HOME="$work/home" LANG=C.UTF-8
mkdir -m 700 "$XDG_RUNTIME_DIR"; mkdir -p "$HOME/Desktop/Photos" "$work/app"
cp "$bin/kestramo" "$bin/kestramo-cli" "$bin/kqxres.rcc" "$work/app/"
"$work/app/kestramo-cli" new-box Work >/dev/null
"$work/app/kestramo-cli" add Work "$bin/kqxres.rcc" >/dev/null
Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; rm -rf "$work"' EXIT
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")"

now() { date +%s%N; }
# The 560x420 window of that title (the program's dialogs share its title).
window_of() {
  local w
  for w in $(xdotool search --onlyvisible --name "$1" 2>/dev/null); do
    eval "$(xdotool getwindowgeometry --shell "$w")"
    [ "$WIDTH" = 560 ] && [ "$HEIGHT" = 420 ] && { echo "$w"; return 0; }
  done
  return 1
}
# Starts a program, waits for its window, runs `prepare`, clicks (x, y) and prints the
# milliseconds until the window is gone and until the process has ended.
measure() {
  local title=$1 x=$2 y=$3 prepare=$4; shift 4
  "$@" >/dev/null 2>&1 &
  local pid=$! win=""
  for _ in $(seq 100); do win=$(window_of "$title") && break; sleep 0.05; done
  sleep 0.5
  eval "$prepare"
  xdotool mousemove --window "$win" "$x" "$y"
  sleep 0.2
  local t0 gone end
  t0=$(now)
  xdotool click 1
  for _ in $(seq 2000); do xwininfo -id "$win" 2>/dev/null | grep -q IsViewable || break; sleep 0.002; done
  gone=$(now)
  for _ in $(seq 2000); do kill -0 "$pid" 2>/dev/null || break; sleep 0.002; done
  kill "$pid" 2>/dev/null && { echo "exit_bench: $title did not end" >&2; exit 1; }
  end=$(now)
  echo "$(((gone - t0) / 1000000)) $(((end - t0) / 1000000))"
}
median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR + 1) / 2)]}'; }
# The folder dialog opened and cancelled first: its tree watches folders until the end.
use_folder_dialog='xdotool mousemove --window "$win" 280 245 click 1; sleep 1.2;
  xdotool mousemove --window "$win" 162 109 click 1; sleep 0.6;
  xdotool mousemove --window "$win" $(((560 - 341) / 2 + 278 + 25)) $(((420 - 307) / 2 + 282 + 7)) click 1; sleep 0.3'
: >"$work/ours"; : >"$work/peer"
for _ in $(seq "$runs"); do
  (cd "$work/app" && measure '^KESTRAMO$' 528 49 "$use_folder_dialog" ./kestramo) >>"$work/ours"
  measure '^bare window$' 280 210 ":" "$bin/bare_window" >>"$work/peer"
done
ours_gone=$(cut -d' ' -f1 "$work/ours" | median); ours_end=$(cut -d' ' -f2 "$work/ours" | median)
peer_gone=$(cut -d' ' -f1 "$work/peer" | median); peer_end=$(cut -d' ' -f2 "$work/peer" | median)
echo "exit after the exit button (median of $runs runs, target: process ended within 200 ms)"
echo "  window gone:   kestramo ${ours_gone} ms, bare window ${peer_gone} ms"
echo "  process ended: kestramo ${ours_end} ms, bare window ${peer_end} ms, ratio $(awk -v a="$ours_end" -v b="$peer_end" 'BEGIN {printf "%.2f", (b > 0 ? a / b : 0)}')"
