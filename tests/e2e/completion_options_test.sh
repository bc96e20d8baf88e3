#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The shell completion and the manual pages against the programs' own --help: every option
# a command takes is offered and documented, and the completion offers none it refuses.
# Every environment variable the sources read is documented too.
# Usage: completion_options_test.sh KESTRAMO_CLI SOURCE_DIR
set -euo pipefail
cli=$1
src=$2
fail() {
  echo "FAIL: $*" >&2
  status=1
}
status=0
options_in() { grep -o -- '--[a-z][a-z-]*' | sort -u; }

source /usr/share/bash-completion/bash_completion
source "$src/packaging/kestramo-cli.bash-completion"
# What the completion offers after the words given; the last one is being completed.
offered() {
  COMP_WORDS=(kestramo-cli "$@")
  COMP_CWORD=$#
  COMP_LINE="${COMP_WORDS[*]}"
  COMP_POINT=${#COMP_LINE}
  COMPREPLY=()
  _kestramo_cli kestramo-cli "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
  printf '%s\n' "${COMPREPLY[@]}" | sort -u
}

main_help=$("$cli" --help)
global=$( (head -n 2 <<<"$main_help"; echo --help) | options_in)  # the usage lines
[ "$(offered --)" = "$global" ] || fail "options before a command: offered $(offered -- | xargs), --help has $(xargs <<<"$global")"
commands=$(offered "")
[ "$(wc -l <<<"$commands")" -ge 10 ] || fail "too few commands offered: $commands"
# Options every command takes, as the usage line says.
common=$(printf '%s\n' --help --vault --password-stdin --accept-older-index | sort -u)
for c in $commands; do
  grep -q "^  $c\b" <<<"$main_help" || fail "$c is offered but not in --help"
  want=$( ("$cli" "$c" --help | options_in; echo "$common") | sort -u)
  got=$(offered "$c" --)
  [ "$got" = "$want" ] || fail "$c: offered $(xargs <<<"$got"), --help has $(xargs <<<"$want")"
  for o in $want; do
    grep -qF -- "${o//-/\\-}" "$src/packaging/kestramo-cli.1" || fail "kestramo-cli(1) lacks $o"
  done
done

# Environment variables read anywhere in the sources, and the page of the program that reads them.
for v in $(grep -rhoE 'getenv\("[A-Z_]+"\)|qEnvironmentVariable[A-Za-z]*\("[A-Z_]+"\)' "$src/src" |
  grep -oE '"[A-Z_]+"' | tr -d '"' | sort -u); do
  pages="$src/packaging/kestramo-cli.1"
  # The desktop program reads the storage's and the platform's variables as well as its own.
  grep -rqE "\"$v\"" "$src/src/cli" || pages="$src/packaging/kestramo.1"
  grep -rqE "\"$v\"" "$src/src/storage" && pages="$src/packaging/kestramo-cli.1 $src/packaging/kestramo.1"
  for p in $pages; do
    grep -qE "^\.BR? (.*[ \"])?$v\b" "$p" || fail "$(basename "$p") lacks $v"
  done
done
exit $status
