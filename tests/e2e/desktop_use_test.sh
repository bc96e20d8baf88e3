#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# One whole use of the desktop program through its real window under a private X server,
# managed by openbox where it is installed, by the pointer alone (only a box's name, a
# comment and a search text are typed): create a box, add a folder chosen with clicks in the
# folder dialog, drop a file onto the box from another program, open the doors, extract the
# folder into a clicked destination, comment it through its right-click menu, extract it
# again over changed copies with Yes to All, turn the wheel, minimise the safe and start the
# program a second time, which brings it back, find the item, delete it; the files on disk
# are checked after each step.
# Usage: desktop_use_test.sh KESTRAMO KESTRAMO_CLI KQXRES_RCC DRAG_SOURCE
set -euo pipefail

source "$(dirname "$0")/x_session.sh"
export HOME="$work/home"
mkdir -p "$HOME/Desktop/Reports/2003" "$HOME/Desktop/Restored" "$HOME/Desktop/.hidden" "$HOME/Documents" "$work/app"

echo "alpha" > "$HOME/Desktop/Reports/a.txt"
echo "sales of 2003" > "$HOME/Desktop/Reports/2003/sales.txt"
echo "dropped from a file manager" > "$work/notes.txt"
cp "$1" "$2" "$3" "$work/app/"
drag_source=$4
cli() { "$work/app/kestramo-cli" --vault "$work/app" "$@"; }

# A vault folder given that is not there is named as such, before any window.
"$work/app/kestramo" --vault "$work/none" 2>"$work/none.err" && fail "a missing vault folder was accepted"
grep -q "the vault folder .*/none does not exist" "$work/none.err" ||
  fail "a missing vault folder was not named: $(cat "$work/none.err")"

start_x
start_wm

(cd "$work/app" && exec ./kestramo >"$work/app.log" 2>&1) &
app=$!
win=$(safe_window) || fail "no main window"
eval "$(xdotool getwindowgeometry --shell "$win")"
click() { xdotool mousemove --window "$win" "$1" "$2" click 1; sleep "${3:-0.6}"; }
# Waits for a condition, up to ten seconds.
until_true() { for _ in $(seq 100); do eval "$1" && return 0; sleep 0.1; done; fail "$2"; }

# Dialogs are centred over the window; these are the points of their parts in window pixels.
# The folder dialog (341x307): its tree at (10,73), rows 18 pixels high, OK at (210,282).
dir_x=$(((560 - 341) / 2 + 10)) dir_y=$(((420 - 307) / 2 + 73))
tree_row() { click $((dir_x + 80)) $((dir_y + 9 + 18 * $1)) "${2:-0.5}"; }
dir_ok() { click $(((560 - 341) / 2 + 210 + 25)) $(((420 - 307) / 2 + 282 + 7)) 1; }

# New box: the button on the top row, the name typed, then the dialog's OK.
click 34 49 1
xdotool type --delay 30 "Work"
click $(((560 - 301) / 2 + 173 + 25)) $(((420 - 112) / 2 + 86 + 7))
until_true '[ "$(cli boxes)" = Work ]' "the box was not created"

# Open the big doors with their handle.
click 280 245 1.5

# Add a folder: the panel's Folder button; in the tree (Home and Documents, then Desktop,
# Computer, the volumes and the desktop's folders, dot-folders hidden) the arrow of Computer
# folds the volumes away, then a click on Reports (the fifth row) chooses it.
click 162 109 1
import -window root "$work/folder-dialog-first.png"
click $((dir_x + 28)) $((dir_y + 9 + 18 * 3)) 0.5
tree_row 4
import -window root "$work/folder-dialog.png"
dir_ok
until_true 'cli list | grep -q "	Reports	"' "the folder was not added by clicks"

# Drop a file onto the box from another program, through the window system's drag and drop.
"$drag_source" "$work/notes.txt" >"$work/drag.out" 2>/dev/null &
for _ in $(seq 50); do src=$(xdotool search --name '^drag source$' 2>/dev/null | head -1) && [ -n "$src" ] && break; sleep 0.1; done
[ -n "${src:-}" ] || fail "no drag source window"
sleep 0.5
xdotool mousemove --window "$src" 60 30 mousedown 1
sleep 0.3
# The drag enters over the safe's body, where nothing can be dropped, then goes on to a box.
for at in "556 250" "540 250"; do
  read -r dx dy <<<"$at"
  xdotool mousemove $((X + dx)) $((Y + dy))
  sleep 0.15
done
for step in 1 2 3 4 5 6; do
  xdotool mousemove $((X + 250 + 10 * step)) $((Y + 260 + 5 * step))
  sleep 0.15
done
import -window root "$work/drop.png"
xdotool mouseup 1
until_true 'cli list | grep -q "	notes.txt	"' "the dropped file was not added"
until_true '[ "$(cat "$work/drag.out")" = copy ]' "the drop was not answered as a copy"

# Open the small doors, select the folder's row, extract it into Restored (sixth row).
click 250 260 1.5
click 216 150 0.3
click 254 109 1
tree_row 5
dir_ok
until_true '[ -f "$HOME/Desktop/Restored/Reports/2003/sales.txt" ]' "the item was not extracted"
cmp "$HOME/Desktop/Reports/a.txt" "$HOME/Desktop/Restored/Reports/a.txt" || fail "extracted a.txt differs"
cmp "$HOME/Desktop/Reports/2003/sales.txt" "$HOME/Desktop/Restored/Reports/2003/sales.txt" || fail "sales.txt differs"

# A right click on its row offers Extract, Delete and Comment; Comment, a typed text and OK in
# the comment dialog (316x186) store it. The menu opens at the pointer, about 23 pixels a line.
xdotool mousemove --window "$win" 216 150 click 3
sleep 0.6
import -window root "$work/item-menu.png"
click 246 $((150 + 3 + 23 * 2 + 11)) 1
xdotool type --delay 30 "quarterly"
click $(((560 - 316) / 2 + 187 + 25)) $(((420 - 186) / 2 + 161 + 7))
until_true 'cli find quarterly | grep -q "Reports"' "the comment was not stored through the item menu"

# Extracting again over changed copies asks once; Yes to All (in the 400x150 question)
# replaces every file of the item. The dialog opens on Restored, where extraction last went.
echo "changed" > "$HOME/Desktop/Restored/Reports/a.txt"
echo "changed" > "$HOME/Desktop/Restored/Reports/2003/sales.txt"
click 216 150 0.3
click 254 109 1
dir_ok
sleep 1
import -window root "$work/overwrite.png"
click $(((560 - 400) / 2 + 124 + 44)) $(((420 - 150) / 2 + 124 + 7))
until_true 'cmp -s "$HOME/Desktop/Reports/2003/sales.txt" "$HOME/Desktop/Restored/Reports/2003/sales.txt"' "Yes to All did not replace every file"
cmp "$HOME/Desktop/Reports/a.txt" "$HOME/Desktop/Restored/Reports/a.txt" || fail "a.txt was not replaced"

# The wheel over the list and over the boxes changes nothing stored and keeps the safe working.
xdotool mousemove --window "$win" 216 250 click 5 click 4
xdotool mousemove --window "$win" 100 85 click 5 click 4
sleep 0.6

# A second start asks the running safe to come forward and ends. Under the window manager the
# safe is minimised first by its own button, and comes back.
if [ -n "$wm" ]; then
  click 473 49 1
  ! xdotool search --onlyvisible --name '^KESTRAMO$' | grep -qx "$win" || fail "the minimise button left the safe on screen"
fi
(cd "$work/app" && timeout 10 ./kestramo >"$work/second.log" 2>&1) || fail "the second start did not end by itself"
kill -0 "$app" 2>/dev/null || fail "the running program ended at a second start"
until_true 'xdotool search --onlyvisible --name "^KESTRAMO$" | grep -qx "$win"' "the safe is not on screen after a second start"
[ -z "$wm" ] || until_true '[ "$(xdotool getactivewindow 2>/dev/null)" = "$win" ]' "the safe did not get the focus at a second start"
sleep 0.5
import -window root "$work/raised.png"

# Find it by a piece of its name with the Find Now button, then the Close button (422x264).
click 144 49 1
xdotool type --delay 30 "REPORT"
click $(((560 - 422) / 2 + 196 + 44)) $(((420 - 264) / 2 + 61 + 7)) 0.5
import -window root "$work/find.png"
click $(((560 - 422) / 2 + 320 + 44)) $(((420 - 264) / 2 + 240 + 7)) 0.5

# Delete it: the Delete button, then Yes in the question (315x101).
click 346 109 1
click $(((560 - 315) / 2 + 127 + 25)) $(((420 - 101) / 2 + 75 + 7))
until_true '! cli list | grep -q "	Reports	"' "the item was not deleted"
cli list | grep -q "	notes.txt	" || fail "the dropped item went too"
[ "$(ls "$work/app/coffrel" | wc -l)" = 2 ] || fail "an item file was left behind"
[ -z "$(ls "$work/app/temp")" ] || fail "temp/ is not empty"

# The exit button ends the program.
click 528 49 0.2
for _ in $(seq 50); do kill -0 "$app" 2>/dev/null || break; sleep 0.1; done
kill -0 "$app" 2>/dev/null && fail "the exit button did not end the program"
app=""
echo "desktop use test passed"
