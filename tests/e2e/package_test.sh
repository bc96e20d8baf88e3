#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The Debian package as a packager and a user get it.
# The release tarball is made twice (another folder, umask and time zone) and must be the same
# bytes. The source package (3.0 quilt) is made from it and debian/, then unpacked from its .dsc
# into a clean tree and built there with dpkg-buildpackage and only what debian/control names
# (the programs, no tests, two jobs). lintian checks the source and the binary packages at
# every level, overrides aside, and autopkgtest runs the package's own tests on the packages
# installed on this machine (removed again afterwards). The files must be those of the CPack
# package. Packing the same binaries a second time must give the same bytes, and the binaries
# must not record the folder they were built in; KESTRAMO_FULL_REBUILD=1 also builds
# everything once more elsewhere and compares the packages byte for byte (minutes of
# compiling, too much for every run).
# The CPack package of the build tree is unpacked into a scratch folder (not installed on
# this machine), checked by the distribution's own validators, then used from there:
# hardening of both programs, versions, a round trip through the command line with the vault
# in the user's data folder, completion typed into a real shell, the desktop program showing
# its safe with the skin from the package's shared folder, matched to its menu entry, and
# starting without the packages it only recommends.
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
sudo=""
[ "$(id -u)" = 0 ] || sudo=sudo

version=$(dpkg-parsechangelog -l "$src/debian/changelog" -S Version)
upstream=${version%-*}
# Inside the project's tree, where the project's own build cached its objects under the same
# flags: dpkg-buildpackage then compiles nothing that build already compiled.
pkg="$build/package-test"
rm -rf "$pkg"
mkdir -p "$pkg"
locale="LANG=C.UTF-8;LC_ALL=C.UTF-8;LC_CTYPE=C.UTF-8;LC_MESSAGES=C.UTF-8"  # as tools/build.sh compiles
export CMAKE_CXX_COMPILER_LAUNCHER="env;$locale;CCACHE_DIR=$build/ccache;CCACHE_BASEDIR=$src;ccache"

# The release tarball, reproducibly.
tarball=$(bash "$src/tools/make_tarball.sh" "$pkg/release")
again=$(cd / && umask 077 && TZ=Asia/Kathmandu bash "$src/tools/make_tarball.sh" "$work/release")
cmp "$tarball" "$again" || fail "the release tarball is not reproducible"
tar -tJf "$tarball" | grep -q "^kestramo-$upstream/debian/" && fail "the release tarball holds debian/"

# The source package from the tarball and debian/, then a clean tree from its .dsc.
cp "$tarball" "$pkg/kestramo_$upstream.orig.tar.xz"
tar -xJf "$tarball" -C "$pkg"
(cd "$src" && git ls-files -z --cached --others --exclude-standard debian | tar --null -T - -cf -) |
  tar -xf - -C "$pkg/kestramo-$upstream"
run_logged source bash -c "cd '$pkg/kestramo-$upstream' && dpkg-buildpackage -S -us -uc -d" ||
  fail "the source package is not made"
dsc="$pkg/kestramo_$version.dsc"
out="$pkg/from-dsc"
tree="$out/kestramo-$upstream"
mkdir -p "$out"
run_logged unpack dpkg-source -x "$dsc" "$tree" || fail "the source package does not unpack"
run_logged dpkg-buildpackage bash -c "cd '$tree' && DEB_BUILD_OPTIONS=parallel=2 dpkg-buildpackage -us -uc -b" ||
  fail "dpkg-buildpackage failed"
debian_deb="$out/kestramo_${version}_amd64.deb"
[ -f "$out/kestramo-dbgsym_${version}_amd64.deb" ] || fail "no package of debugging symbols"
(cd "$build" && run_logged cpack cpack -G DEB) || fail "cpack failed"
deb=$(ls "$build"/kestramo_*_amd64.deb)

# The validators: lintian at every level finds no tag that an override does not explain.
lintian -EvIL +pedantic --fail-on error,warning,info,pedantic \
  "$pkg/kestramo_${version}_source.changes" "$out/kestramo_${version}_amd64.changes" >"$work/lintian.log" 2>&1 ||
  { cat "$work/lintian.log" >&2; fail "lintian reports tags"; }
grep -E '^[EWIPX]: ' "$work/lintian.log" >&2 && fail "lintian reports tags"
lintian --fail-on error,warning "$deb" >"$work/lintian-cpack.log" 2>&1 ||
  { cat "$work/lintian-cpack.log" >&2; fail "lintian reports errors or warnings in the CPack package"; }
# The folder list may or may not name the root; what is in it must agree.
listing() { dpkg-deb -c "$1" | awk '$6 != "./" {print $6}' | sort; }
diff <(listing "$deb") <(listing "$debian_deb") >&2 || fail "CPack and dpkg-buildpackage pack different files"

# The package's own tests, on the packages installed here; a package that was not installed
# before is removed again.
installed=$(dpkg-query -W -f='${Status}' kestramo 2>/dev/null || true)
passed=1
run_logged autopkgtest $sudo autopkgtest --summary-file="$work/autopkgtest.summary" \
  "$dsc" "$debian_deb" -- null || passed=0
[[ $installed == *"ok installed"* ]] || $sudo dpkg --purge kestramo >/dev/null
[ "$passed" = 1 ] || { cat "$work/autopkgtest.summary" >&2; fail "the package's autopkgtest failed"; }
grep -c ' PASS' "$work/autopkgtest.summary" | grep -qx 3 ||
  { cat "$work/autopkgtest.summary" >&2; fail "autopkgtest did not run the three tests"; }

# Reproducible: the program's package packed again from the same build, in another time zone
# and with another umask, is the same bytes (its debugging symbols are left out of this
# packing, which they would double); no binary records the folder it was built in.
mkdir "$work/first" && cp "$out"/*.deb "$work/first/"
# Only the staging folders go, as in a fresh tree; the build stamp keeps the binaries.
run_logged repack bash -c "cd '$tree' && rm -rf debian/.debhelper debian/kestramo debian/tmp debian/files &&
  umask 002 && TZ=Asia/Kathmandu DEB_BUILD_OPTIONS='noautodbgsym nocheck' debian/rules binary" ||
  fail "packing again failed"
cmp "$work/first/$(basename "$debian_deb")" "$debian_deb" || fail "packing again gives other bytes"
grep -lF "$tree" "$tree"/build/bin/kestramo "$tree"/build/bin/kestramo-cli >&2 && fail "a binary records its build folder"
if [ "${KESTRAMO_FULL_REBUILD:-0}" = 1 ]; then
  elsewhere="$work/again/elsewhere"
  dpkg-source -x "$dsc" "$elsewhere/kestramo-$upstream" >/dev/null
  run_logged rebuild bash -c "cd '$elsewhere/kestramo-$upstream' && DEB_BUILD_OPTIONS=parallel=2 dpkg-buildpackage -us -uc -b" ||
    fail "the second dpkg-buildpackage failed"
  for d in "$work"/first/*.deb; do cmp "$d" "$elsewhere/$(basename "$d")" || fail "a second build gives other bytes"; done
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
kill "$app" && wait "$app" || true

# Without what it only recommends (the desktop's icon themes, the type database, the skin's
# preferred fonts), hidden from it in a mount namespace of its own, the program still shows
# its safe.
hide=(/usr/share/icons/Adwaita /usr/share/icons/hicolor /usr/share/mime /usr/share/fonts/truetype/liberation)
unshare_as=(--mount)
[ "$(id -u)" = 0 ] || unshare_as=(--map-root-user --mount)
unshare "${unshare_as[@]}" bash -c 'for d in "$@"; do [ ! -d "$d" ] || mount -t tmpfs none "$d"; done
  [ -z "$(find "$@" -mindepth 1 2>/dev/null)" ] || { echo "still there: $*" >&2; exit 3; }
  exec "$0"' "$bin/kestramo" "${hide[@]}" >"$work/app.log" 2>&1 &
app=$!
safe_window >/dev/null || fail "the program does not start without the packages it recommends"
rm -rf "$pkg"
echo "package test passed"
