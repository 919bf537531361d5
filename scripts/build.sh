#!/usr/bin/env bash
# Configures and builds into build/ (Release with debug info).
set -euo pipefail
cd "$(dirname "$0")/.."
launcher=()
# ccache, where a developer has it, spares rebuilding what did not change.
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" >/dev/null
cmake --build build -j"$(nproc)"
