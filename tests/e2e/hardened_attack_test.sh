#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Replays, through the command line on a real hardened vault, what someone who can write the
# vault's folder may try: a classic index copied in, an older generation put back, another
# vault's index, a file planted in the staging folder, a header asking for endless work,
# flipped bytes, and a record of hardened vaults spoilt. Each must end with exit 1 and a reason,
# change nothing, and lose nothing.
# Usage: hardened_attack_test.sh KESTRAMO_CLI
set -euo pipefail
source "$(dirname "$0")/attack_setup.sh"
phrase="attack test passphrase"
kp() { printf '%s\n' "$phrase" | "$cli" --vault "$work/v" --password-stdin "$@"; }
snapshot() { (cd "$work/v" && find . -type f -exec sha256sum {} + | sort); }
# Runs an attacked command: exit 1, a message, and every file as it was.
refused() {
  local what="$1"; shift
  local before after status=0
  before="$(snapshot)"
  "$@" >"$work/out" 2>"$work/err" || status=$?
  after="$(snapshot)"
  [ "$status" = 1 ] || fail "$what: exit $status, expected 1 ($(cat "$work/err"))"
  grep -q . "$work/err" || fail "$what: no reason given"
  [ "$before" = "$after" ] || fail "$what: files changed"
  echo "refused: $what: $(head -c 160 "$work/err")"
}

mkdir -p "$work/v" "$work/other"
echo "the secret" > "$work/secret.txt"
echo "the later secret" > "$work/later.txt"
k new-box Private >/dev/null
k add Private "$work/secret.txt" >/dev/null
printf '%s\n%s\n' "$phrase" "$phrase" | k --password-stdin harden >/dev/null 2>&1
"$cli" --vault "$work/other" new-box Decoy >/dev/null
cp -r "$work/v" "$work/good"
old_index="$work/old-index.dat"; cp "$work/v/coffrel/index.dat" "$old_index"
old_backup="$work/old-backup.dat"; cp "$work/v/backup/index.dat" "$old_backup"
kp add Private "$work/later.txt" >/dev/null
cp -r "$work/v" "$work/latest"
restore() { rm -rf "$work/v"; cp -r "$work/latest" "$work/v"; }

# A classic index in place of the hardened one.
cp "$work/other/coffrel/index.dat" "$work/v/coffrel/index.dat"
refused "a classic index copied in (list)" k list Private
refused "a classic index copied in (add)" kp add Private "$work/secret.txt"
restore
# Both generations rolled back.
cp "$old_index" "$work/v/coffrel/index.dat"; cp "$old_backup" "$work/v/backup/index.dat"
refused "an older index put back" kp list Private
grep -q "save" "$work/err" || fail "the rollback message names no save counter"
refused "clean after a rollback" kp clean --yes
kp --accept-older-index clean --yes >/dev/null 2>&1 && fail "clean removed files in an accepted older run"
[ -f "$work/v/coffrel/item0000000002.dat" ] || fail "the newer item's file was removed"
restore
# Another hardened vault's index.
cp "$work/good/coffrel/index.dat" "$work/v/coffrel/index.dat"
rm -rf "$work/g2"; mkdir "$work/g2"; "$cli" --vault "$work/g2" new-box X >/dev/null
printf '%s\n%s\n' "$phrase" "$phrase" | "$cli" --vault "$work/g2" --password-stdin harden >/dev/null 2>&1
cp "$work/g2/coffrel/index.dat" "$work/v/coffrel/index.dat"; cp "$work/g2/backup/index.dat" "$work/v/backup/index.dat"
refused "another vault's index" kp list Private
restore
# A header asking for the most work in every generation: refused before any derivation.
python3 - "$work/v" <<'PY'
import struct, sys
for name in ("coffrel/index.dat", "backup/index.dat"):
    path = f"{sys.argv[1]}/{name}"
    data = bytearray(open(path, "rb").read())
    data[12:24] = struct.pack("<IQ", 32, 1 << 30)
    open(path, "wb").write(data)
PY
start=$(date +%s)
refused "a costly header" kp list Private
[ $(( $(date +%s) - start )) -lt 20 ] || fail "a costly header took too long"
restore
# A wrong passphrase with working files of a killed run left in temp/.
echo leftover > "$work/v/temp/item0000000001.zip"
refused "a wrong passphrase" sh -c "printf 'not the phrase\n' | '$cli' --vault '$work/v' --password-stdin list Private"
restore
# A byte of an item flipped, and an item file moved onto another record.
python3 -c "import sys; p=sys.argv[1]; d=bytearray(open(p,'rb').read()); d[60]^=1; open(p,'wb').write(d)" "$work/v/coffrel/item0000000001.dat"
refused "a flipped byte" kp extract "$work/out1" 1
restore
cp "$work/v/coffrel/item0000000002.dat" "$work/v/coffrel/item0000000001.dat"
refused "an item moved onto another record" kp extract "$work/out2" 1
restore
# A planted staging file is never moved over an item.
mkdir -p "$work/v/temp/hardening"; printf 'x' > "$work/v/temp/hardening/item0000000001.dat"
kp extract "$work/out3" 1 >/dev/null
cmp -s "$work/out3/secret.txt" "$work/secret.txt" || fail "a planted staging file replaced the item"
[ ! -e "$work/v/temp/hardening" ] || fail "the planted staging file was kept"

# A classic file planted in a hardened vault is a problem verify names.
cp "$work/other/coffrel/index.dat" "$work/v/coffrel/index.dat.damaged-20260101-000000"
status=0; kp verify >"$work/out" 2>&1 || status=$?
[ "$status" = 1 ] && grep -q "^CLASSIC" "$work/out" || fail "verify did not name a classic file in a hardened vault"

# The record of hardened vaults fails closed: damaged or open to others, it refuses the vault
# and names itself; it is never rewritten with a line lost.
restore
record="$XDG_STATE_HOME/kestramo/vaults"
cp "$record" "$work/record"
echo "not a line of the record" >> "$record"
refused "a damaged record" kp list Private
grep -q "$record" "$work/err" || fail "the damaged record is not named"
kp --accept-older-index list Private >/dev/null 2>"$work/err" || fail "a damaged record cannot be passed once"
grep -q "not a line of the record" "$record" && grep -qf "$work/record" "$record" || fail "the damaged record was rewritten"
cp "$work/record" "$record"; chmod 0777 "$(dirname "$record")"
refused "a world-writable record folder" kp list Private
chmod 0700 "$(dirname "$record")"
# A record that cannot be written: the item is stored and the failure is told, not dropped.
mkdir -p "$record.tmp/taken"
status=0; kp add Private "$work/later.txt" >/dev/null 2>"$work/err" || status=$?
[ "$status" = 1 ] && grep -q "was added; the index was saved, but .*could not be written" "$work/err" ||
  fail "an unwritable record: exit $status, $(cat "$work/err")"
kp list Private 2>/dev/null | grep -c later.txt | grep -q 2 || fail "the item stored beside an unwritable record is missing"
rm -rf "$record.tmp"
restore
# Reached as DIR/, ./DIR or through a link, the folder holds the same vault: another one put
# there is refused however it is spelt.
cp "$work/g2/coffrel/index.dat" "$work/v/coffrel/index.dat"; cp "$work/g2/backup/index.dat" "$work/v/backup/index.dat"
ln -sfn "$work/v" "$work/vlink"
for spelt in "$work/v/" "$work/./v" "$work/vlink"; do
  refused "another vault's index, reached as $spelt" sh -c "printf '%s\n' '$phrase' | '$cli' --vault '$spelt' --password-stdin list Private"
done
restore
# Without a state folder every hardened open says that rollbacks go unnoticed.
printf '%s\n' "$phrase" | env -u HOME -u XDG_STATE_HOME "$cli" --vault "$work/v" --password-stdin list Private \
  >/dev/null 2>"$work/err" || fail "a vault without a state folder did not open"
grep -q "cannot be detected" "$work/err" || fail "no word that rollbacks cannot be detected: $(cat "$work/err")"

# Where a hardened vault lived and its files are all gone, no new vault is made in its place:
# the record is named as the reason, and nothing is created.
mkdir "$work/emptied"; cp -r "$work/v/." "$work/emptied/"
ke() { printf '%s\n' "$phrase" | "$cli" --vault "$work/emptied" --password-stdin "$@"; }
ke list >/dev/null 2>&1 || fail "the copy to empty did not open"
rm -rf "$work/emptied/"*
status=0; ke new-box Fresh >/dev/null 2>"$work/err" || status=$?
[ "$status" = 1 ] && grep -q "record of hardened vaults" "$work/err" || fail "new-box in an emptied folder: $(cat "$work/err")"
[ -z "$(ls -A "$work/emptied")" ] || fail "new-box in an emptied folder made $(ls -A "$work/emptied")"

# A vault of the first hardened format gets its identity once: read three times, then written.
cp -r "$(dirname "$0")/../storage/data/hardened_v1/vault" "$work/v1"
v1() { printf 'fixture passphrase\n' | "$cli" --vault "$work/v1" --password-stdin "$@"; }
for n in 1 2 3; do v1 list >/dev/null 2>"$work/err" || fail "the version-1 vault was refused at open $n: $(cat "$work/err")"; done
v1 add "$(v1 boxes | head -1)" "$work/secret.txt" >/dev/null 2>"$work/err" || fail "the version-1 vault: $(cat "$work/err")"
v1 list >/dev/null 2>&1 || fail "the version-1 vault was refused after a write"

# Nothing was lost: the latest vault gives back both items.
restore
kp extract "$work/final" 1 2 >/dev/null
cmp -s "$work/final/secret.txt" "$work/secret.txt" && cmp -s "$work/final/later.txt" "$work/later.txt" ||
  fail "an item did not come back whole"
# Secrets stay out of the command line: a comment and a search read from standard input.
printf '%s\nthe bank PIN is in here\n' "$phrase" | k --password-stdin comment 1 --text-stdin
printf '%s\nbank pin\n' "$phrase" | k --password-stdin find --text-stdin | grep -q secret.txt ||
  fail "find --text-stdin did not find the comment read by comment --text-stdin"
echo "1 passed, 0 failed"
