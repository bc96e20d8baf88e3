#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the fuzz targets with clang into build-fuzz/ and runs each for a bounded time
# (FUZZ_SECONDS, 45 by default) on its committed seed corpus.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build-fuzz"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all" \
  -DKESTRAMO_TESTS=OFF -DKESTRAMO_BENCH=OFF -DKESTRAMO_GUI=OFF -DKESTRAMO_FUZZ=ON \
  -DKESTRAMO_FUZZ_SECONDS="${FUZZ_SECONDS:-45}" >/dev/null
cmake --build "$build" -j"$(nproc)" --target index_file_fuzz hardened_index_fuzz table_bytes_fuzz zip_reader_fuzz base64_fuzz
cd "$build"
ctest --output-on-failure -j"$(nproc)" -R '^fuzz_'
