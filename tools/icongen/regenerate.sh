#!/bin/sh
# Builds the icon generator and redraws resources/rec/*.png and resources/quorvel.png.
# Usage: tools/icongen/regenerate.sh [BUILD_DIR] [--contact SHEET.png]
# BUILD_DIR defaults to a folder under /tmp; the generator is built on its own, so
# the rest of the tree need not configure.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
build=${1:-${TMPDIR:-/tmp}/quorvel-icongen-build}
[ $# -gt 0 ] && shift

project="$build/project"
mkdir -p "$project"
cat >"$project/CMakeLists.txt" <<CMAKE
cmake_minimum_required(VERSION 3.16)
project(QuorvelIcongen LANGUAGES CXX)
set(CMAKE_CXX_STANDARD 17)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
add_compile_definitions(QT_NO_CAST_FROM_ASCII QT_NO_CAST_TO_ASCII QT_USE_QSTRINGBUILDER QT_NO_FOREACH)
add_subdirectory("$here" icongen)
CMAKE

cmake -S "$project" -B "$build/out" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build/out" -j2
QT_QPA_PLATFORM=offscreen "$build/out/icongen/quorvel-icongen" "$repo/resources" "$@"
echo "icons written under $repo/resources"
