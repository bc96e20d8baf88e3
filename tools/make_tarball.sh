#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Makes the release tarball kestramo-VERSION.tar.xz of the tree's files (tracked ones and new
# ones git does not ignore), without debian/, which the distribution keeps apart. The same tree
# gives the same bytes whatever the machine, the time zone, the umask or the folder: names are
# sorted, owners and times fixed (the newest commit's), modes kept only for who may execute.
# Usage: make_tarball.sh OUT_DIR   (prints the tarball's path)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out=$(mkdir -p "$1" && cd "$1" && pwd)
version=$(sed -n 's/^project(kestramo VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
[ -n "$version" ] || { echo "make_tarball.sh: no version in CMakeLists.txt" >&2; exit 1; }
stamp=$(git -C "$root" log -1 --format=%ct)
name="kestramo-$version"
tarball="$out/$name.tar.xz"

# Files that are deleted from the work tree but still tracked are left out.
(cd "$root" && git ls-files -z --cached --others --exclude-standard |
  while IFS= read -r -d '' f; do
    case "$f" in debian/*) continue ;; esac
    [ -f "$f" ] && printf '%s\0' "$f"
  done | LC_ALL=C sort -z) >"$out/.files"
(cd "$root" && TZ=UTC LC_ALL=C tar --null --no-recursion -T "$out/.files" --format=pax \
  --pax-option=exthdr.name=%d/PaxHeaders/%f,delete=atime,delete=ctime \
  --mtime="@$stamp" --owner=0 --group=0 --numeric-owner --mode='u+rw,go=u-w' \
  --transform="s,^,$name/," -cf -) | xz -T1 -6 >"$tarball.part"
rm -f "$out/.files"
mv "$tarball.part" "$tarball"
echo "$tarball"
