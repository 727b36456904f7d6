#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each over its seed corpus for a bounded time.
# Usage: scripts/fuzz.sh [seconds-per-target]   (default 60)
# A crash leaves its input in fuzz-out/<target>/ and fails the run; keep such inputs in
# fuzz/corpus/<target>/ once fixed, so every later run replays them.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${QUORVEL_FUZZ_BUILD_DIR:-$root/build-fuzz}"
seconds="${1:-60}"

"$root/scripts/deps.sh" clang libclang-rt-14-dev
CXX=clang++ CC=clang cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQUORVEL_FUZZ=ON -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target fuzz_compiler fuzz_decoder fuzz_programfile fuzz_reply

status=0
for target in compiler decoder programfile reply; do
    out="$root/fuzz-out/$target"
    mkdir -p "$out/corpus"
    # Work on a copy: the repository keeps only the small seed corpus.
    cp -r "$root/fuzz/corpus/$target/." "$out/corpus/"
    echo "== fuzz_$target for ${seconds}s"
    if ! "$build/fuzz/fuzz_$target" -max_total_time="$seconds" -print_final_stats=1 \
        -artifact_prefix="$out/" "$out/corpus" >"$out/log.txt" 2>&1; then
        echo "fuzz_$target FAILED; see $out/log.txt"
        grep -E "ERROR|SUMMARY" "$out/log.txt" | head -5 || true
        status=1
    fi
    runs=$(grep -E "stat::number_of_executed_units" "$out/log.txt" | awk '{print $2}' | tail -1)
    echo "fuzz_$target: ${runs:-0} executions"
done
exit $status
