#!/usr/bin/env bash
# Configures and builds Quorvel, benchmarks included, into build/ (or $QUORVEL_BUILD_DIR).
# Extra arguments go to CMake and override these.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${QUORVEL_BUILD_DIR:-$root/build}"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVEL_WERROR=ON -DQUORVEL_BENCH=ON "$@" >/dev/null
cmake --build "$build" -j"$(nproc)"
