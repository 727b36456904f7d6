#!/usr/bin/env bash
# The same as scripts/test.sh, built against Qt 6 (into build-qt6/ or $QUORVEL_QT6_BUILD_DIR):
# installs what is missing, builds with -Werror (the benchmarks are built once, by test.sh), and
# runs the whole test suite headless.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${QUORVEL_QT6_BUILD_DIR:-$root/build-qt6}"

"$root/scripts/deps.sh"
QUORVEL_BUILD_DIR="$build" "$root/scripts/build.sh" -DQUORVEL_QT=6 -DQUORVEL_BENCH=OFF

export QT_QPA_PLATFORM=offscreen
cd "$build"
ctest --output-on-failure --no-tests=error -j2
