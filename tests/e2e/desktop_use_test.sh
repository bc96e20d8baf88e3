#!/usr/bin/env bash
# One whole use of the desktop program through its real window, by pointer and keyboard
# under a private X server: create a box, add a folder, open the doors, extract the item,
# find it, delete it; the files on disk are checked after each step.
# Usage: desktop_use_test.sh KESTRAMO KESTRAMO_CLI KQXRES_RCC
set -euo pipefail

source "$(dirname "$0")/x_session.sh"
export HOME="$work/home"
mkdir -p "$HOME/Desktop/Reports/2003" "$HOME/Desktop/Restored" "$work/app"

echo "alpha" > "$HOME/Desktop/Reports/a.txt"
echo "sales of 2003" > "$HOME/Desktop/Reports/2003/sales.txt"
cp "$1" "$2" "$3" "$work/app/"
cli() { "$work/app/kestramo-cli" --vault "$work/app" "$@"; }

start_x

(cd "$work/app" && exec ./kestramo >"$work/app.log" 2>&1) &
app=$!
# The main window is the 560x420 one; the dialogs are smaller.
main_window() {
  local w
  for w in $(xdotool search --name '^KESTRAMO$' 2>/dev/null); do
    eval "$(xdotool getwindowgeometry --shell "$w")"
    [ "$WIDTH" = 560 ] && [ "$HEIGHT" = 420 ] && { echo "$w"; return 0; }
  done
  return 1
}
for _ in $(seq 100); do win=$(main_window) && break; sleep 0.1; done
[ -n "${win:-}" ] || fail "no main window"
eval "$(xdotool getwindowgeometry --shell "$win")"
click() { xdotool mousemove --window "$win" "$1" "$2" click 1; sleep "${3:-0.6}"; }
# Waits for a condition, up to ten seconds.
until_true() { for _ in $(seq 100); do eval "$1" && return 0; sleep 0.1; done; fail "$2"; }

# New box: the button on the top row, then the name dialog.
click 34 49 1
xdotool type --delay 30 "Work"
xdotool key Return
until_true '[ "$(cli boxes)" = Work ]' "the box was not created"

# Open the big doors with their handle.
click 280 245 1.5

# Add a folder: the panel's Folder button, then the folder dialog (typing selects in the tree).
click 162 109 1
xdotool type --delay 30 "Reports"
sleep 0.3
xdotool key Return
until_true 'cli list | grep -q "	Reports	"' "the folder was not added"

# Open the small doors, select the item, extract it into Restored.
click 250 260 1.5
click 216 150 0.3
click 254 109 1
xdotool type --delay 30 "Restored"
sleep 0.3
xdotool key Return
until_true '[ -f "$HOME/Desktop/Restored/Reports/2003/sales.txt" ]' "the item was not extracted"
cmp "$HOME/Desktop/Reports/a.txt" "$HOME/Desktop/Restored/Reports/a.txt" || fail "extracted a.txt differs"
cmp "$HOME/Desktop/Reports/2003/sales.txt" "$HOME/Desktop/Restored/Reports/2003/sales.txt" || fail "sales.txt differs"

# Find it by a piece of its name, then close the dialog.
click 144 49 1
xdotool type --delay 30 "REPORT"
xdotool key Return
sleep 0.5
import -window root "$work/find.png"
xdotool key Escape
sleep 0.5

# Delete it: the Delete button, then Yes in the question centred over the window.
click 346 109 1
xdotool mousemove $((X + (560 - 315) / 2 + 127 + 25)) $((Y + (420 - 101) / 2 + 75 + 7)) click 1
until_true '[ -z "$(cli list)" ]' "the item was not deleted"
[ "$(ls "$work/app/coffrel")" = index.dat ] || fail "an item file was left behind"
[ -z "$(ls "$work/app/temp")" ] || fail "temp/ is not empty"

# The exit button ends the program.
click 528 49 0.5
for _ in $(seq 50); do kill -0 "$app" 2>/dev/null || break; sleep 0.1; done
kill -0 "$app" 2>/dev/null && fail "the exit button did not end the program"
app=""
echo "desktop use test passed"
