#!/usr/bin/env bash
# The Debian package as a user gets it: made from the build tree, unpacked into a scratch
# folder (not installed on this machine), checked by the distribution's own validators, then
# used from there: versions, a round trip through the command line with the vault in the
# user's data folder, completion of commands and box names, and the desktop program showing
# its safe with the skin from the package's shared folder.
# Usage: package_test.sh BUILD_DIR
set -euo pipefail

source "$(dirname "$0")/x_session.sh"
build=$1
(cd "$build" && cpack -G DEB >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log" >&2; fail "cpack failed"; }
deb=$(ls "$build"/kestramo_*_amd64.deb)
root="$work/root"
dpkg-deb -x "$deb" "$root"

# The validators: no error from lintian, the desktop entry and the metainfo pass.
lintian --suppress-tags running-with-root-privileges "$deb" >"$work/lintian.log" 2>&1 || true
grep -q '^E:' "$work/lintian.log" && { cat "$work/lintian.log" >&2; fail "lintian reports errors"; }
desktop-file-validate "$root"/usr/share/applications/*.desktop || fail "the desktop entry is not valid"
appstreamcli validate --no-net "$root"/usr/share/metainfo/*.metainfo.xml >/dev/null || fail "the metainfo is not valid"
for size in 16 32 48 256; do
  [ "$(identify -format %wx%h "$root/usr/share/icons/hicolor/${size}x${size}/apps/kestramo.png")" = "${size}x${size}" ] ||
    fail "no ${size}x${size} icon"
done
zcat "$root/usr/share/man/man1/kestramo-cli.1.gz" | grep -q '^\.SH COMMANDS' || fail "no manual page"

bin="$root/usr/bin"
[ "$("$bin/kestramo-cli" --version)" = "$("$bin/kestramo" --version | sed 's/^kestramo/kestramo-cli/')" ] ||
  fail "the two programs give different versions"
"$bin/kestramo-cli" --version | grep -Eq '^kestramo-cli [0-9]+\.[0-9]+' || fail "no version"

# A round trip with the vault in the user's data folder, made for its owner alone.
export HOME="$work/home" XDG_DATA_HOME="$work/data"
mkdir -p "$HOME" "$work/out"
echo "kept in a packaged vault" >"$work/note.txt"
"$bin/kestramo-cli" new-box Work
"$bin/kestramo-cli" add Work "$work/note.txt" >/dev/null
"$bin/kestramo-cli" list | grep -q "	note.txt	" || fail "the item is not listed"
"$bin/kestramo-cli" extract "$work/out" 1 >/dev/null
cmp "$work/note.txt" "$work/out/note.txt" || fail "the extracted file differs"
[ -f "$XDG_DATA_HOME/kestramo/coffrel/index.dat" ] || fail "the vault is not in the data folder"
[ "$(stat -c %a "$XDG_DATA_HOME/kestramo")" = 700 ] || fail "the vault folder is open to others"
[ "$(ls "$bin")" = "$(printf 'kestramo\nkestramo-cli')" ] || fail "something was written beside the programs"

# Completion offers the commands and the vault's box names.
complete_words() {
  bash -c 'source /usr/share/bash-completion/bash_completion; source "$1"; shift
    COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); COMP_LINE="$*"; COMP_POINT=${#COMP_LINE}
    _kestramo_cli; printf "%s\n" "${COMPREPLY[@]}"' _ "$root/usr/share/bash-completion/completions/kestramo-cli" "$@"
}
PATH="$bin:$PATH" complete_words kestramo-cli ha | grep -qx harden || fail "commands are not completed"
PATH="$bin:$PATH" complete_words kestramo-cli list W | grep -qx Work || fail "box names are not completed"
PATH="$bin:$PATH" complete_words kestramo-cli extract --ov | grep -qx -- --overwrite || fail "options are not completed"

# The desktop program finds its skin in the package's shared folder and opens the same vault.
start_x
"$bin/kestramo" >"$work/app.log" 2>&1 &
app=$!
safe_window >/dev/null || fail "the packaged program shows no safe"
refusal=$("$bin/kestramo-cli" new-box Other 2>&1 || true)
[[ $refusal == *"in use"* ]] || fail "the window does not hold the same vault"
echo "package test passed"
