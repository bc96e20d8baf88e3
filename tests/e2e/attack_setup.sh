# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by the attack tests with the command-line tool as $1: a scratch folder removed on
# exit, a state and a home folder of their own inside it, and the helpers both use.
cli="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export XDG_STATE_HOME="$work/state" HOME="$work/home"
fail() { echo "FAIL: $*" >&2; exit 1; }
k() { "$cli" --vault "$work/v" "$@"; }
