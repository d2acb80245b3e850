#!/usr/bin/env bash
# Profile-guided build: an instrumented build in build-pgo-gen runs the bench
# (depth 6) to write the profile into build-pgo-data, then build (or the
# folder given as the first argument) is configured to use it and built.
# Extra arguments go to both cmake configure steps (e.g. -DVORNA_LTO=ON).
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-build}
shift || true
data=$PWD/build-pgo-data
rm -rf "$data"
cmake -S . -B build-pgo-gen -DCMAKE_BUILD_TYPE=Release -DVORNA_TESTS=OFF -DVORNA_PGO=GENERATE \
  -DVORNA_PGO_DIR="$data" "$@" >/dev/null
cmake --build build-pgo-gen -j "$(nproc 2>/dev/null || echo 2)" --target bench
build-pgo-gen/bench 6 >/dev/null
cmake -S . -B "$out" -DCMAKE_BUILD_TYPE=Release -DVORNA_PGO=USE -DVORNA_PGO_DIR="$data" "$@" >/dev/null
cmake --build "$out" -j "$(nproc 2>/dev/null || echo 2)"
