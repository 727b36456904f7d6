#!/usr/bin/env bash
# Takes docs/screenshot.png: the real window under Xvfb with a coloured sample program compiled.
# Needs xvfb and imagemagick (installed when missing).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${QUORVEL_BUILD_DIR:-$root/build}"
out="${1:-$root/docs/screenshot.png}"

"$root/scripts/deps.sh" xvfb xauth imagemagick xdotool fonts-dejavu-core
"$root/scripts/build.sh"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cat > "$work/sample.prgb" <<'PRG'
prgName = "Ramp";
// Raise the set voltage /* in steps of 10 */
#1;
Us += 10;
delay_ms 500;
if Us < 1000 #1 else #2;
// done: switch the output off
#2;
Out = 0;
PRG

# Settings go to the throw-away folder, never to the user's own.
export XDG_CONFIG_HOME="$work/config"
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
    "$0/src/app/quorvel" "$1/sample.prgb" &
    pid=$!
    win=$(xdotool search --sync --name "^sample\.prgb" | head -n 1)
    sleep 1
    xdotool windowfocus --sync "$win" key F7
    sleep 1
    import -window "$win" -frame "$1/window.png"
    kill $pid
' "$build" "$work"
cp "$work/window.png" "$out"
echo "Wrote $out"
