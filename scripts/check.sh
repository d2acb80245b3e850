#!/usr/bin/env bash
# Builds the engine and runs every test: formatting, the Release build with
# unit and integration tests, then the unit tests again under AddressSanitizer
# and UndefinedBehaviorSanitizer, the Windows build under Wine, games under
# xboard. Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")/.."

# Debian packages the tests use (installed when missing and we may install),
# each known by a command or, for packages without one, by a file.
# Debian's chess programs live in /usr/games.
export PATH="$PATH:/usr/games"
need=()
for pkg in clang-format:clang-format pgn-extract:pgn-extract xboard:xboard xvfb-run:xvfb \
  fairymax:fairymax stockfish:stockfish /usr/share/gaviotatb/gtb1/kqk.gtb.cp1:gaviotatb \
  /usr/include/gtb-probe.h:libgaviotatb-dev x86_64-w64-mingw32-g++-posix:g++-mingw-w64-x86-64 \
  /usr/lib/wine/wine64:wine64 clang++:clang phalanx:phalanx sjeng:sjeng hoichess:hoichess \
  gnuchess:gnuchess polyglot:polyglot; do
  what=${pkg%%:*}
  case "$what" in
    /*) [ -e "$what" ] || need+=("${pkg##*:}") ;;
    *) command -v "$what" >/dev/null 2>&1 || need+=("${pkg##*:}") ;;
  esac
done
# libFuzzer comes with clang's runtime libraries.
[ -e "$(clang++ -print-file-name=libclang_rt.fuzzer-x86_64.a 2>/dev/null)" ] || need+=(libclang-rt-dev)
if [ ${#need[@]} -gt 0 ]; then
  if [ "$(id -u)" = 0 ]; then
    apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${need[@]}"
  else
    echo "missing packages: ${need[*]} (install them with apt-get)" >&2
    exit 1
  fi
fi

jobs=$(nproc 2>/dev/null || echo 2)

echo "== formatting"
files=$(git ls-files 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' 'tools/*.cpp' 2>/dev/null || true)
if [ -n "$files" ]; then
  clang-format --dry-run -Werror $files
fi

echo "== include floors"
python3 tools/include_graph.py

echo "== release build and tests"
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs"

echo "== bench signature (depth 6)"
expected=$(cat tests/data/bench_signature.txt)
got=$(build/bench 6 | tail -2 | head -1)
if [ "$got" != "$expected" ]; then
  echo "bench signature $got differs from the recorded $expected (tests/data/bench_signature.txt)" >&2
  exit 1
fi
echo "bench signature $got"

echo "== sanitizer build, unit and integration tests"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DVORNA_SANITIZE=ON >/dev/null
cmake --build build-asan -j "$jobs"
ctest --test-dir build-asan --output-on-failure -j "$jobs"

echo "== fuzz targets, 30 s each (clang, both sanitizers)"
bash scripts/fuzz.sh 30

echo "== windows build, its tests under wine"
bash scripts/check_windows.sh

echo "== games against fairymax under xboard (one pondering)"
python3 scripts/match.py --games 1 --tc 1:00 --mps 40 --pgn build/ci-match.pgn
python3 scripts/match.py --games 1 --tc 1:00 --mps 40 --ponder --pgn build/ci-match-ponder.pgn

echo "== gauntlet under xboard: its fault self-test, then ten games against five engines"
python3 scripts/gauntlet.py --self-test --jobs 2 --out build/gauntlet-self-test
python3 scripts/gauntlet.py --games 10 --jobs 2 --out build/gauntlet-ci
