#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Replays, through the command line on a real vault, what someone who can write the vault's
# folder may plant there: links in place of temp/, backup/, coffrel/, an item file, the index
# and the lock; FIFOs in place of the index and an item; /dev/zero as the index; an index far
# larger than any. Every command must end within 5 s, and nothing outside the vault may
# change: a decoy folder of the user's is hashed before and after each run. Last, another
# user's folder prepared where the self-check once worked.
# Usage: folder_attack_test.sh KESTRAMO_CLI
set -euo pipefail
source "$(dirname "$0")/attack_setup.sh"
phrase="folder test passphrase"

# The decoy holds what the vault's own cleaning would delete, were it followed there.
decoy="$work/decoy"
plant_decoy() {
  rm -rf "$decoy"; mkdir -p "$decoy/verify" "$decoy/hardening"
  for name in item0000000001.zip item0000000001.dat index.dat index.dat.tmp victim.txt; do
    echo "the user's $name" > "$decoy/$name"
  done
  echo inside > "$decoy/verify/kept.txt"; echo inside > "$decoy/hardening/kept.txt"
}
decoy_hash() { (cd "$work" && find decoy -printf '%p %y %m\n' -type f -exec sha256sum {} + | sort); }

mkdir -p "$work/v" "$work/src/folder"
echo "a stored file" > "$work/src/file.txt"; echo "in a folder" > "$work/src/folder/note.txt"
k new-box Box >/dev/null
k add Box "$work/src/file.txt" >/dev/null
cp -a "$work/v" "$work/pristine"

commands=(
  "list Box" "verify" "extract $work/out 1" "add Box $work/src/folder" "delete 1" "clean --yes" "info"
  "harden --yes --password-stdin --kdf-memory 8 --kdf-passes 1"
)
# Runs every command against a freshly planted vault: each ends within 5 s, the decoy is
# unchanged, and a failure comes with a message. $2 = refused: every command must fail.
attack() {
  local what="$1" expect="$2" plant="$3" cmd status before after
  for cmd in "${commands[@]}"; do
    rm -rf "$work/v" "$work/out" "$work/state"; cp -a "$work/pristine" "$work/v"; plant_decoy
    eval "$plant"
    before="$(decoy_hash)"; status=0
    # shellcheck disable=SC2086
    printf '%s\n%s\n' "$phrase" "$phrase" | timeout 5 "$cli" --vault "$work/v" $cmd >"$work/o" 2>"$work/e" || status=$?
    after="$(decoy_hash)"
    [ "$status" != 124 ] || fail "$what: '$cmd' still ran after 5 s"
    [ "$before" = "$after" ] || fail "$what: '$cmd' changed files outside the vault"
    if [ "$status" != 0 ]; then grep -q . "$work/e" || fail "$what: '$cmd' failed without a message"; fi
    ! grep -q /proc/self "$work/o" "$work/e" || fail "$what: '$cmd' names a path the user never gave: $(cat "$work/e")"
    if [ "$expect" = refused ]; then
      [ "$status" = 1 ] || fail "$what: '$cmd' exit $status, expected a refusal"
      grep -q "$4" "$work/e" || fail "$what: '$cmd' does not name $4: $(cat "$work/e")"
    fi
  done
  echo "held: $what ($(head -c 140 "$work/e"))"
}

attack "temp/ a link to the user's folder" refused 'rm -rf "$work/v/temp"; ln -s "$decoy" "$work/v/temp"' "temp"
attack "backup/ a link to the user's folder" refused \
  'rm -rf "$work/v/backup"; ln -s "$decoy" "$work/v/backup"' "backup"
attack "coffrel/ a link to the user's folder" refused \
  'cp "$work/v/coffrel/"* "$decoy/"; rm -rf "$work/v/coffrel"; ln -s "$decoy" "$work/v/coffrel"' "coffrel"
attack "temp/ a FIFO" refused 'rm -rf "$work/v/temp"; mkfifo "$work/v/temp"' "temp"
# Readers go on without the lock; writers are refused.
attack "the lock a dangling link" any 'rm -f "$work/v/kestramo.lock"; ln -s "$decoy/made-by-lock" "$work/v/kestramo.lock"'
grep -q "kestramo.lock: it is a symbolic link" "$work/e" || fail "the planted lock is not named: $(cat "$work/e")"
attack "an item file a link to the user's file" any \
  'rm "$work/v/coffrel/item0000000001.dat"; ln -s "$decoy/item0000000001.dat" "$work/v/coffrel/item0000000001.dat"'
attack "the index a link to the user's file" any \
  'mv "$work/v/coffrel/index.dat" "$decoy/index.dat"; ln -s "$decoy/index.dat" "$work/v/coffrel/index.dat"'
attack "the index a link to /dev/zero" any \
  'rm "$work/v/coffrel/index.dat"; ln -s /dev/zero "$work/v/coffrel/index.dat"'
attack "the index a FIFO" any 'rm "$work/v/coffrel/index.dat"; mkfifo "$work/v/coffrel/index.dat"'
attack "an item file a FIFO" any \
  'rm "$work/v/coffrel/item0000000001.dat"; mkfifo "$work/v/coffrel/item0000000001.dat"'
attack "a staging file a FIFO" any 'mkfifo "$work/v/temp/item0000000002.zip" "$work/v/temp/index.dat"'

# An index far larger than any: refused at once, without reading it.
rm -rf "$work/v"; cp -a "$work/pristine" "$work/v"
truncate -s 1G "$work/v/coffrel/index.dat"
status=0; timeout 5 "$cli" --vault "$work/v" info >/dev/null 2>"$work/e" || status=$?
[ "$status" = 1 ] && grep -q "larger" "$work/e" || fail "info on a 1 GiB index: exit $status, $(cat "$work/e")"
echo "held: info on a 1 GiB index ($(cat "$work/e"))"

# Another user's vault is refused as such, never taken for "no vault".
if [ "$(id -u)" = 0 ] && command -v setpriv >/dev/null; then
  rm -rf "$work/v"; cp -a "$work/pristine" "$work/v"; chmod 0711 "$work"
  as_other() { setpriv --reuid=65534 --regid=65534 --clear-groups env HOME=/nonexistent "$cli" --vault "$work/v" list; }
  chmod 0755 "$work/v"
  as_other >/dev/null 2>"$work/e" && fail "another user's vault was opened"
  grep -q "belongs to another user" "$work/e" || fail "another user's vault: $(cat "$work/e")"
  chmod 0700 "$work/v"
  as_other >/dev/null 2>"$work/e" && fail "another user's private vault was opened"
  grep -q "Permission denied" "$work/e" || fail "another user's private vault: $(cat "$work/e")"
  chmod 0700 "$work"
  echo "held: another user's vault ($(cat "$work/e"))"
fi

# The self-check works in a folder of its own: one prepared under the name it once used
# (with the process number, which exec keeps) is never entered, and nothing is left behind.
plant_decoy; mkdir "$work/tmp"; before="$(decoy_hash)"
TMPDIR="$work/tmp" sh -c 'mkdir "$TMPDIR/kestramo-self-check-$$"; ln -s "$1" "$TMPDIR/kestramo-self-check-$$/source"
  ln -s "$1" "$TMPDIR/kestramo-self-check-$$/out"; exec "$2" self-check' sh "$decoy" "$cli" >"$work/o" 2>&1 ||
  fail "self-check failed: $(cat "$work/o")"
[ "$before" = "$(decoy_hash)" ] || fail "self-check changed files outside its own folder"
[ "$(find "$work/tmp" -mindepth 1 -maxdepth 1 | wc -l)" = 1 ] || fail "self-check left its folder behind"
echo "held: self-check beside a prepared folder"
echo "all folder attacks held"
