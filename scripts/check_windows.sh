#!/usr/bin/env bash
# Builds the Windows programs with the MinGW-w64 cross compiler and runs
# their tests under Wine: the unit tests, the protocol through Windows pipes
# and the bench signature of bench.exe. Run by scripts/check.sh; needs
# Debian's g++-mingw-w64-x86-64 and wine64.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 2)
start=$(date +%s)
cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build-win -j "$jobs"
built=$(date +%s)
ctest --test-dir build-win --output-on-failure -j "$jobs"
echo "windows: build $((built - start)) s, tests under Wine $(($(date +%s) - built)) s"
