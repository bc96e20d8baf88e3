#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Fails when a tracked source file lacks its licence line; --fix adds it.
# Data, pictures, documents and generated files are listed in debian/copyright instead.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
tag='SPDX-License-Identifier: GPL-3.0-or-later'
fix=0
[[ "${1:-}" == --fix ]] && fix=1

comment_for() {
  case "$1" in
    *.cpp | *.h | *.c | *.h.in) echo '//' ;;
    *.sh | *.py | *.cmake | */CMakeLists.txt | CMakeLists.txt | .ci/run | *.bash-completion) echo '#' ;;
    *.1) echo '.\"' ;;
    *) return 1 ;;
  esac
}

missing=0
while IFS= read -r f; do
  [[ -f "$f" ]] || continue
  mark="$(comment_for "$f")" || continue
  head -n 3 "$f" | grep -qF "$tag" && continue
  if ((fix)); then
    # Below a shebang line, otherwise first.
    awk -v line="$mark $tag" 'NR == 1 && /^#!/ { print; print line; next }
      NR == 1 { print line } { print }' "$f" >"$f.spdx" && cat "$f.spdx" >"$f" && rm "$f.spdx"
  else
    echo "missing licence line: $f" >&2
    missing=1
  fi
done < <(git ls-files)
exit "$missing"
