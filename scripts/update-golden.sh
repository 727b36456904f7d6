#!/usr/bin/env bash
# Regenerates the golden compile reports under tests/data/compile from the built quorvel-cli:
# for every program NAME.prgb there, NAME.out (standard output), NAME.err (standard error) and
# NAME.status (exit status). tst_cli compares the tool against them. Build first; review the diff
# before committing it: a changed report is a changed behaviour.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${QUORVEL_BUILD_DIR:-$root/build}"
cli="${QUORVEL_CLI:-$build/tools/cli/quorvel-cli}"
if [[ ! -x "$cli" ]]; then
    echo "update-golden.sh: no quorvel-cli at $cli; build first or set QUORVEL_CLI" >&2
    exit 2
fi
cd "$root/tests/data/compile"
for program in *.prgb; do
    name="${program%.prgb}"
    status=0
    # NAME.en.prgb is reported in English, every other program in Russian, whatever this
    # machine's language.
    language=ru
    [[ "$name" == *.en ]] && language=en
    # Run in this folder with the bare file name, so that the reports hold no machine's paths.
    QT_QPA_PLATFORM=offscreen "$cli" compile "$program" --lang "$language" >"$name.out" \
        2>"$name.err" || status=$?
    echo "$status" >"$name.status"
    echo "$name: exit status $status"
done
