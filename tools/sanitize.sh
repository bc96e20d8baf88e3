#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the storage engine, the command-line tool and their tests under
# AddressSanitizer + UndefinedBehaviorSanitizer (build-asan/) and ThreadSanitizer
# (build-tsan/), and runs their tests. Usage: sanitize.sh [asan|tsan]... (both by default)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
kinds=("$@")
[ ${#kinds[@]} -eq 0 ] && kinds=(asan tsan)

# Light optimisation and line tables only: the checks stay exact, the reports name the
# lines, and the two builds compile much faster than optimised ones.
configure_and_build() {  # build directory, sanitizer flags
  cmake -S "$root" -B "$1" -G Ninja -DCMAKE_BUILD_TYPE=Sanitize \
    -DCMAKE_CXX_FLAGS="-O1 -g1 -fno-omit-frame-pointer $2" \
    -DKESTRAMO_GUI=OFF -DKESTRAMO_BENCH=OFF >/dev/null
  cmake --build "$1" -j"$(nproc)"
}

export LANG=C.UTF-8
# The cases of several GiB or tens of thousands of files only repeat, slowed many times, the
# code paths that the smaller cases already run here; the release build runs them.
huge='PastFourGibibytes|MoreThan65535Files|PastTwoGibibytes|ZeroFilesOfWholeFramesComeBack|RandomTreesComeBackByteForByte'
for kind in "${kinds[@]}"; do
  case "$kind" in
    asan)
      # GCC's uninitialised-use analysis sees false positives in std::variant under ASan.
      configure_and_build "$root/build-asan" \
        "-fsanitize=address,undefined -fno-sanitize-recover=undefined -Wno-maybe-uninitialized"
      (cd "$root/build-asan" &&
        ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
          ctest --output-on-failure -j"$(nproc)" --timeout 900 -E "$huge")
      ;;
    tsan)
      # Only the tests that run threads: cancel across threads, the packing work pool and
      # the sealing relay, the writer behind, the command-line tool's interrupt watch. The
      # kill loops only fork, and the rest runs on one thread: they add nothing here.
      threaded='ItemPipeline|HardenedVault|HardenedFormat|ZipRoundTrip|ZipHostile|ZstdWhole|Worker|WriteBehind'
      threaded+='|VaultOpeners|VaultLock|StorageApi|CipherFile|CliFault'
      configure_and_build "$root/build-tsan" "-fsanitize=thread"
      (cd "$root/build-tsan" &&
        TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
          ctest --output-on-failure -j"$(nproc)" --timeout 900 -R "$threaded" \
          -E "CrashTest|PlainBytesNeverReach|$huge")
      ;;
    *) echo "unknown sanitizer build: $kind" >&2; exit 2 ;;
  esac
done
