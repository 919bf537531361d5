#!/usr/bin/env bash
# Runs the layout reader's mutation test (libFuzzer, AddressSanitizer) on the
# delivered layouts as seeds: scripts/fuzz-layouts.sh [RUNS, default 1000000]
set -euo pipefail
cd "$(dirname "$0")/.."
runs="${1:-1000000}"
# Needs clang with its sanitizer runtimes (Debian: clang libclang-rt-dev).
command -v clang++ >/dev/null || { echo "clang++ fehlt: apt-get install clang libclang-rt-dev"; exit 1; }
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ -DTARVOS_FUZZ=ON >/dev/null
cmake --build build-fuzz --target tarvos-fuzzlayout -j2
corpus=build-fuzz/layout-corpus
mkdir -p "$corpus"
cp resources/reports/* "$corpus/"
LSAN_OPTIONS="suppressions=$PWD/scripts/fuzz-layouts.lsan" \
  build-fuzz/tools/tarvos-fuzzlayout -runs="$runs" -max_len=65536 -timeout=60 -rss_limit_mb=2048 \
  -print_final_stats=1 "$corpus"
