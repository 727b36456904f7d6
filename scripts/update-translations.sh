#!/usr/bin/env bash
# Brings translations/*.ts up to date with the texts in the sources (lupdate): new texts come in
# unfinished, for a translator to fill in with Qt Linguist or an editor; texts gone from the
# sources leave. Line numbers are not recorded, so moving code does not touch the files.
#
# Usage: scripts/update-translations.sh [--check]
#   --check  change nothing; fail when a .ts file is out of date with the sources, has entries
#            left unfinished, or lupdate warns (a text it cannot place in a context).
# QUORVEL_LUPDATE names the lupdate to use (default: Qt 5's, then the one on PATH).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
check=0
if [[ "${1:-}" == "--check" ]]; then
    check=1
elif [[ $# -gt 0 ]]; then
    echo "usage: $0 [--check]" >&2
    exit 2
fi

lupdate="${QUORVEL_LUPDATE:-}"
if [[ -z "$lupdate" ]]; then
    for candidate in /usr/lib/qt5/bin/lupdate /usr/lib/qt6/bin/lupdate "$(command -v lupdate || true)"; do
        if [[ -n "$candidate" && -x "$candidate" ]]; then
            lupdate="$candidate"
            break
        fi
    done
fi
if [[ -z "$lupdate" ]]; then
    echo "update-translations.sh: no lupdate found; install qttools5-dev-tools or set QUORVEL_LUPDATE" >&2
    exit 2
fi

# What people read: the window, the libraries it shares with the tool, and the tool. The device
# simulator and the icon generator are developers' tools and stay untranslated.
sources=("$root/src" "$root/tools/cli")
status=0
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
for ts in "$root"/translations/*.ts; do
    name="$(basename "$ts")"
    language="${name#quorvel_}"
    language="${language%.ts}"
    target="$ts"
    if [[ $check -eq 1 ]]; then
        target="$work/$name"
        cp "$ts" "$target"
    fi
    # Russian is the source language: its file holds only the forms of counted words.
    only=()
    [[ "$language" == ru ]] && only=(-pluralonly)
    "$lupdate" -silent -locations none -no-obsolete "${only[@]}" -source-language ru \
        -target-language "$language" "${sources[@]}" -ts "$target" 2>"$work/warnings"
    if [[ -s "$work/warnings" ]]; then
        echo "$name: lupdate warns:" >&2
        sed 's/^/  /' "$work/warnings" >&2
        status=1
    fi
    if [[ $check -eq 1 ]] && ! cmp -s "$ts" "$target"; then
        echo "$name is out of date with the sources; run scripts/update-translations.sh and translate what is new:" >&2
        diff -u "$ts" "$target" | sed -n '3,60p' >&2 || true
        status=1
    fi
    unfinished="$(grep -c 'type="unfinished"' "$target" || true)"
    if [[ "$unfinished" -gt 0 ]]; then
        echo "$name: $unfinished unfinished entries (translation type=\"unfinished\")" >&2
        [[ $check -eq 1 ]] && status=1
    fi
done
exit $status
