#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Configures and builds everything into build/ (release, with tests and benchmarks).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/tools/setup.sh"
# The Debian package's compiler flags, and a compiler cache kept in the build folder: the
# package test's build of the programs then finds every object already compiled. Paths are
# cached relative to the project, so a copy of the tree elsewhere inside it hits too.
# The cache keys on the locale, which the package build sets otherwise: compiles run in one.
locale="LANG=C.UTF-8;LC_ALL=C.UTF-8;LC_CTYPE=C.UTF-8;LC_MESSAGES=C.UTF-8"
flags() { (cd "$root" && DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get "$1"); }
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_CXX_FLAGS="$(flags CXXFLAGS) $(flags CPPFLAGS)" \
  -DCMAKE_EXE_LINKER_FLAGS="$(flags LDFLAGS)" -DCMAKE_SHARED_LINKER_FLAGS="$(flags LDFLAGS)" \
  -DCMAKE_CXX_COMPILER_LAUNCHER="env;$locale;CCACHE_DIR=$root/build/ccache;CCACHE_BASEDIR=$root;ccache"
# A warning fails the build here, where nobody would read it; the compiler cache replays the
# warnings of the objects it hands back, so a fresh build sees every one.
log="$root/build/build.log"
cmake --build "$root/build" -j"$(nproc)" 2>&1 | tee "$log"
if grep -q "warning:" "$log"; then
  grep -A3 "warning:" "$log" >&2
  echo "build.sh: the build gave warnings" >&2
  exit 1
fi
