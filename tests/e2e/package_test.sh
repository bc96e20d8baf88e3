#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The Debian package as a packager and a user get it.
# The source package is built as a packager does: from a clean copy of the tracked files,
# with dpkg-buildpackage and only what debian/control names (the programs, no tests, two
# jobs); lintian checks the source and both binary packages, and the files must be those of
# the CPack package. Packing the same binaries a second time must give the same bytes, and
# the binaries must not record the folder they were built in; KESTRAMO_FULL_REBUILD=1 also
# builds everything once more elsewhere and compares the packages byte for byte (minutes of
# compiling, too much for every run).
# The CPack package of the build tree is unpacked into a scratch folder (not installed on
# this machine), checked by the distribution's own validators, then used from there:
# hardening of both programs, versions, a round trip through the command line with the vault
# in the user's data folder, completion typed into a real shell, and the desktop program
# showing its safe with the skin from the package's shared folder, matched to its menu entry.
# Usage: package_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail

source "$(dirname "$0")/x_session.sh"
build=$1
src=$2
run_logged() {  # log name, command...: runs it, shows the log's end when it fails
  local log="$work/$1.log"
  shift
  "$@" >"$log" 2>&1 || { tail -n 40 "$log" >&2; return 1; }
}

# A clean checkout: the tracked files (and new ones not ignored) as they are in the tree.
copy_sources() {
  mkdir -p "$1"
  (cd "$src" && git ls-files -z --cached --others --exclude-standard |
    tar --null -T - --ignore-failed-read -cf - 2>/dev/null) | tar -xf - -C "$1"
}
# Inside the project's tree, where the project's own build cached its objects under the same
# flags: dpkg-buildpackage then compiles nothing that build already compiled.
pkg="$build/package-test"
rm -rf "$pkg"
tree="$pkg/kestramo-1.0"
locale="LANG=C.UTF-8;LC_ALL=C.UTF-8;LC_CTYPE=C.UTF-8;LC_MESSAGES=C.UTF-8"  # as tools/build.sh compiles
export CMAKE_CXX_COMPILER_LAUNCHER="env;$locale;CCACHE_DIR=$build/ccache;CCACHE_BASEDIR=$src;ccache"
copy_sources "$tree"
run_logged source bash -c "cd '$pkg' && dpkg-source -b kestramo-1.0" || fail "the source package is not made"
run_logged dpkg-buildpackage bash -c "cd '$tree' && DEB_BUILD_OPTIONS=parallel=2 dpkg-buildpackage -us -uc -b" ||
  fail "dpkg-buildpackage failed"
debian_deb="$pkg/kestramo_1.0_amd64.deb"
[ -f "$pkg/kestramo-dbgsym_1.0_amd64.deb" ] || fail "no package of debugging symbols"
(cd "$build" && run_logged cpack cpack -G DEB) || fail "cpack failed"
deb=$(ls "$build"/kestramo_*_amd64.deb)

# The validators: lintian finds no error nor warning in the source and the binary packages.
lintian --fail-on error,warning "$pkg/kestramo_1.0.dsc" "$pkg"/*.deb "$deb" >"$work/lintian.log" 2>&1 ||
  { cat "$work/lintian.log" >&2; fail "lintian reports errors or warnings"; }
# The folder list may or may not name the root; what is in it must agree.
listing() { dpkg-deb -c "$1" | awk '$6 != "./" {print $6}' | sort; }
diff <(listing "$deb") <(listing "$debian_deb") >&2 || fail "CPack and dpkg-buildpackage pack different files"

# Reproducible: the binary packages packed again from the same build, in another time zone
# and with another umask, are the same bytes; no binary records the folder it was built in.
mkdir "$work/first" && cp "$pkg"/*.deb "$work/first/"
# Only the staging folders go, as in a fresh tree; the build stamp keeps the binaries.
run_logged repack bash -c "cd '$tree' && rm -rf debian/.debhelper debian/kestramo debian/tmp debian/files &&
  umask 002 && TZ=Asia/Kathmandu debian/rules binary" || fail "packing again failed"
for d in "$work"/first/*.deb; do cmp "$d" "$pkg/$(basename "$d")" || fail "packing again gives other bytes"; done
grep -lF "$tree" "$tree"/build/bin/kestramo "$tree"/build/bin/kestramo-cli >&2 && fail "a binary records its build folder"
if [ "${KESTRAMO_FULL_REBUILD:-0}" = 1 ]; then
  again="$work/again/elsewhere"
  copy_sources "$again/kestramo-1.0"
  run_logged rebuild bash -c "cd '$again/kestramo-1.0' && DEB_BUILD_OPTIONS=parallel=2 dpkg-buildpackage -us -uc -b" ||
    fail "the second dpkg-buildpackage failed"
  for d in "$work"/first/*.deb; do cmp "$d" "$again/$(basename "$d")" || fail "a second build gives other bytes"; done
fi

root="$work/root"
dpkg-deb -x "$deb" "$root"
desktop-file-validate "$root"/usr/share/applications/*.desktop || fail "the desktop entry is not valid"
appstreamcli validate --no-net "$root"/usr/share/metainfo/*.metainfo.xml >/dev/null || fail "the metainfo is not valid"
for size in 16 32 48 256; do
  [ "$(identify -format %wx%h "$root/usr/share/icons/hicolor/${size}x${size}/apps/kestramo.png")" = "${size}x${size}" ] ||
    fail "no ${size}x${size} icon"
done
zcat "$root/usr/share/man/man1/kestramo-cli.1.gz" | grep -q '^\.SH COMMANDS' || fail "no manual page"

# Both programs of both packages carry the distribution's hardening.
dpkg-deb -x "$debian_deb" "$work/debian-root"
# Control flow integrity needs start files of the C library that Debian 12 does not have yet.
run_logged hardening hardening-check --nocfprotection "$root"/usr/bin/* "$work"/debian-root/usr/bin/* || fail "a program is not hardened"

bin="$root/usr/bin"
[ "$("$bin/kestramo-cli" --version)" = "$("$bin/kestramo" --version | sed 's/^kestramo/kestramo-cli/')" ] ||
  fail "the two programs give different versions"
"$bin/kestramo-cli" --version | grep -Eq '^kestramo-cli [0-9]+\.[0-9]+' || fail "no version"
"$bin/kestramo-cli" --version | grep -qx "License GPL-3.0-or-later: .*" || fail "no licence in --version"

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
# Typed into an interactive shell: a box name with a space arrives as one argument, and a
# vault named with ~ offers its own boxes.
echo "in the spaced box" >"$work/spaced.txt"
echo "in the second vault" >"$work/second.txt"
"$bin/kestramo-cli" new-box "Two words"
"$bin/kestramo-cli" add "Two words" "$work/spaced.txt" >/dev/null
mkdir "$HOME/v2"
"$bin/kestramo-cli" --vault "$HOME/v2" new-box Second
"$bin/kestramo-cli" --vault "$HOME/v2" add Second "$work/second.txt" >/dev/null
PATH="$bin:$PATH" python3 "$(dirname "$0")/interactive_completion.py" \
  "$root/usr/share/bash-completion/completions/kestramo-cli" \
  $'kestramo-cli list Tw\t' $'kestramo-cli --vault ~/v2 list Se\t' >"$work/typed.log"
grep -q "	spaced.txt	" "$work/typed.log" || { cat "$work/typed.log" >&2; fail "a box name with a space is not quoted"; }
grep -q "	second.txt	" "$work/typed.log" || { cat "$work/typed.log" >&2; fail "a vault named with ~ offers no boxes"; }

# The desktop program finds its skin in the package's shared folder and opens the same vault.
start_x
"$bin/kestramo" >"$work/app.log" 2>&1 &
app=$!
win=$(safe_window) || fail "the packaged program shows no safe"
# The desktop matches the window to its menu entry: the window's class is the entry's id.
entry=$(basename "$root"/usr/share/applications/*.desktop .desktop)
grep -qx "StartupWMClass=$entry" "$root/usr/share/applications/$entry.desktop" || fail "the entry names another window class"
xprop -id "$win" WM_CLASS | grep -q ", \"$entry\"$" || fail "the window's class is not $entry: $(xprop -id "$win" WM_CLASS)"
refusal=$("$bin/kestramo-cli" new-box Other 2>&1 || true)
[[ $refusal == *"in use"* ]] || fail "the window does not hold the same vault"
rm -rf "$pkg"
echo "package test passed"
