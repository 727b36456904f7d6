#!/usr/bin/env bash
# Takes docs/program-run.png: the real window under Xvfb with «Прогон» open on a ramp program.
# Needs xvfb and imagemagick (installed when missing).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${QUORVEL_BUILD_DIR:-$root/build}"
out="${1:-$root/docs/program-run.png}"

"$root/scripts/deps.sh" xvfb xauth imagemagick xdotool fonts-dejavu-core
"$root/scripts/build.sh"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cat > "$work/ramp.prgb" <<'PRG'
prgName = "Ramp";
// Up in steps of 500 every half second, hold 3 s, down again; off early on overcurrent
Out = 1;
Us = 0;
#1;
Us += 500;
delay_ms 500;
if Io > 2000 #3;
if Us < 5000 #1;
delay_s 3;
#2;
Us -= 1000;
delay_ms 500;
if Us > 0 #2;
#3;
Out = 0;
PRG

# Settings go to the throw-away folder, never to the user's own.
export XDG_CONFIG_HOME="$work/config"
xvfb-run -a -s "-screen 0 1024x900x24" bash -c '
    "$0/src/app/quorvel" "$1/ramp.prgb" &
    pid=$!
    win=$(xdotool search --sync --name "^ramp\.prgb" | head -n 1)
    sleep 1
    xdotool windowsize --sync "$win" 1000 860
    xdotool windowfocus --sync "$win" key ctrl+r
    sleep 2
    # Both cursors on the ramp, and the pointer resting on a step so that its tip shows.
    eval "$(xdotool getwindowgeometry --shell "$win")"
    xdotool mousemove $((X + 180)) $((Y + HEIGHT - 170)) click 3 sleep 0.3
    xdotool mousemove $((X + 560)) $((Y + HEIGHT - 170)) click 3 sleep 0.3
    xdotool mousemove $((X + 400)) $((Y + HEIGHT - 200)) sleep 1.5
    import -window "$win" -frame "$1/window.png"
    kill $pid
' "$build" "$work"
cp "$work/window.png" "$out"
echo "Wrote $out"
