#!/usr/bin/env bash
# The same as scripts/test.sh, compiled with Clang (into build-clang/ or $QUORVEL_CLANG_BUILD_DIR):
# installs what is missing, builds with -Werror (the benchmarks are built once, by test.sh), and
# runs the whole test suite headless.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${QUORVEL_CLANG_BUILD_DIR:-$root/build-clang}"

"$root/scripts/deps.sh" clang
QUORVEL_BUILD_DIR="$build" "$root/scripts/build.sh" -DCMAKE_CXX_COMPILER=clang++ -DQUORVEL_BENCH=OFF

export QT_QPA_PLATFORM=offscreen
cd "$build"
ctest --output-on-failure --no-tests=error -j2
