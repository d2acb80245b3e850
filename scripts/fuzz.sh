#!/usr/bin/env bash
# Builds the libFuzzer targets of tests/fuzz with clang (AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each for SECONDS (default 30), from
# its seeds in tests/fuzz/corpus/NAME. Fails on the first finding and leaves
# the input in build-fuzz/findings/. For the long runs:
#   bash scripts/fuzz.sh 3600
# Usage: scripts/fuzz.sh [SECONDS] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
shift || true

cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Debug \
  -DVORNA_FUZZ=ON -DVORNA_TESTS=OFF >/dev/null
cmake --build build-fuzz -j "$(nproc 2>/dev/null || echo 2)" >/dev/null

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for f in tests/fuzz/fuzz_*.cpp; do
    name=$(basename "$f" .cpp)
    targets+=("${name#fuzz_}")
  done
fi

mkdir -p build-fuzz/findings
for t in "${targets[@]}"; do
  work=$(mktemp -d)
  # New inputs go to a scratch folder; the committed seeds are only read.
  echo "fuzz_$t: $seconds s"
  # Absolute names: a target may change its current folder while it runs.
  if ! build-fuzz/tests/fuzz/fuzz_"$t" "$work" "$PWD"/tests/fuzz/corpus/"$t" \
    -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$PWD"/build-fuzz/findings/"$t"- >build-fuzz/fuzz_"$t".log 2>&1; then
    tail -30 build-fuzz/fuzz_"$t".log >&2
    echo "fuzz_$t found a fault: build-fuzz/findings/" >&2
    rm -rf "$work"
    exit 1
  fi
  grep -E 'stat::number_of_executed_units|stat::peak_rss_mb' build-fuzz/fuzz_"$t".log || true
  rm -rf "$work"
done
