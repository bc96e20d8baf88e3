#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# One whole use of the desktop program by the keyboard alone, through its real window under a
# private X server and the window manager: make a box, add a file through the chooser, comment
# it, find it, extract it into a folder made in the folder dialog, delete it and harden the
# vault. Only key events are sent; the files on disk are checked after each step.
# Usage: keyboard_session_test.sh KESTRAMO KESTRAMO_CLI KQXRES_RCC
set -euo pipefail

source "$(dirname "$0")/x_session.sh"
export HOME="$work/home"
mkdir -p "$HOME/Documents" "$work/app"
echo "the quarter's figures" >"$HOME/Documents/report.txt"
cp "$1" "$2" "$3" "$work/app/"
cli() { "$work/app/kestramo-cli" --vault "$work/app" "$@"; }
start_x
start_wm
[ -n "$wm" ] || fail "the keyboard session needs the window manager (openbox)"

(cd "$work/app" && exec ./kestramo >"$work/app.log" 2>&1) &
app=$!
win=$(safe_window) || fail "no main window"
# Waits for a condition, up to fifteen seconds.
until_true() { for _ in $(seq 150); do eval "$1" && return 0; sleep 0.1; done; import -window root "$work/keyboard-fail.png"; fail "$2"; }
# A dialog of the program in front, by the name it shares with the safe but not its size.
dialog_up() { [ "$(xdotool getactivewindow getwindowname 2>/dev/null)" != "" ] && [ "$(xdotool getactivewindow)" != "$win" ]; }
keys() { xdotool key --delay 120 "$@"; sleep 0.6; }
typed() { xdotool type --delay 40 "$1"; sleep 0.3; }
until_true '[ "$(xdotool getactivewindow 2>/dev/null)" = "$win" ]' "the safe did not get the keyboard"

# New box: Ctrl+N, its name, Enter.
keys ctrl+n
until_true dialog_up "Ctrl+N opened no dialog"
typed Work
keys Return
until_true '[ "$(cli boxes)" = Work ]' "the box was not made from the keyboard"

# Open the safe and the box's doors, then add a file through the chooser: its path and Enter.
keys ctrl+shift+d
sleep 1.5
keys ctrl+d
sleep 1
keys ctrl+o
until_true dialog_up "Ctrl+O opened no chooser"
typed "$HOME/Documents/report.txt"
keys Return
until_true 'cli list | grep -q "	report.txt	"' "the file was not added through the chooser"
sleep 1

# Choose it with the arrow, comment it (Ctrl+Enter confirms the comment).
keys Escape Down ctrl+m
until_true dialog_up "Ctrl+M opened no comment dialog"
typed quarterly
keys ctrl+Return
until_true 'cli find quarterly | grep -q report.txt' "the comment was not stored from the keyboard"

# Find it, then close the dialog with Esc.
keys ctrl+f
until_true dialog_up "Ctrl+F opened no find dialog"
typed quarter
keys Return
import -window root "$work/keyboard-find.png"
keys Escape
until_true '! dialog_up' "Esc did not close the find dialog"

# Extract it into a new folder: Ctrl+E, Tab to New Folder, Space, its name, Enter; Enter for OK.
keys ctrl+e
until_true dialog_up "Ctrl+E opened no folder dialog"
keys Tab space
typed Out
keys Return
sleep 0.5
import -window root "$work/keyboard-folder.png"
keys Return
until_true '[ -n "$(find "$HOME" -path "*/Out/report.txt")" ]' "the item was not extracted into the new folder"
cmp "$HOME/Documents/report.txt" "$(find "$HOME" -path "*/Out/report.txt")" || fail "the extracted file differs"

# Delete it: Delete, and Enter on the question's Yes.
keys Escape Delete
until_true dialog_up "Delete asked nothing"
keys Return
until_true '! cli list | grep -q "	report.txt	"' "the item was not deleted from the keyboard"

# Harden: Ctrl+Shift+H, the passphrase, Enter, again, Enter; the news is closed with Enter.
keys ctrl+shift+h
until_true dialog_up "Ctrl+Shift+H opened no harden dialog"
typed "correct horse battery"
keys Return
typed "correct horse battery"
keys Return
until_true 'grep -q "format: hardened" <(echo "correct horse battery" | cli --password-stdin info 2>/dev/null)' "the vault was not hardened from the keyboard"
import -window root "$work/keyboard-hardened.png"
keys Return

keys ctrl+q
for _ in $(seq 50); do kill -0 "$app" 2>/dev/null || break; sleep 0.1; done
kill -0 "$app" 2>/dev/null && fail "Ctrl+Q did not end the program"
app=""
echo "keyboard session test passed"
