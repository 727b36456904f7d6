#!/bin/sh
# Builds the icon generator and redraws resources/rec/*.png and resources/quorvel.png.
# Usage: tools/icongen/regenerate.sh [BUILD_DIR] [--contact SHEET.png]
# BUILD_DIR defaults to build/ of the tree; only the generator's target is built.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
build=${1:-$repo/build}
[ $# -gt 0 ] && shift

cmake -S "$repo" -B "$build" >/dev/null
cmake --build "$build" --target quorvel-icongen -j2
QT_QPA_PLATFORM=offscreen "$build/tools/icongen/quorvel-icongen" "$repo/resources" "$@"
echo "icons written under $repo/resources"
