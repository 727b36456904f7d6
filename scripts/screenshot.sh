#!/usr/bin/env bash
# Takes every picture the README shows, of the real window under Xvfb:
#   docs/screenshot.png           idle at its default size of 450 x 600, with a coloured sample
#                                 program compiled;
#   docs/screenshot-transfer.png  the same, mid-write to the simulated supply, reached through a
#                                 port path as long as a udev rule gives a USB adapter;
#   docs/program-run.png          «Прогон» open on a ramp program (scripts/screenshot-run.sh).
# Usage: scripts/screenshot.sh [OUTDIR]   (default: docs/)
# Needs xvfb, imagemagick and xdotool (installed when missing).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${QUORVEL_BUILD_DIR:-$root/build}"
out="${1:-$root/docs}"

"$root/scripts/deps.sh" xvfb xauth imagemagick xdotool fonts-dejavu-core
"$root/scripts/build.sh"

work="$(mktemp -d)"
sim_pid=""
cleanup() {
    [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
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

# A slow supply on wire timing (the long path is timed as a real line), so that the write is still under way when the picture is taken.
"$build/tools/simulator/quorvel-sim" --no-control --pace --turnaround 600 \
    --cells "$work/cells.txt" > "$work/sim.out" 2>/dev/null &
sim_pid=$!
for _ in $(seq 50); do
    [ -s "$work/sim.out" ] && break
    sleep 0.1
done
pts="$(head -n 1 "$work/sim.out")"
[ -n "$pts" ] || { echo "The simulator printed no port path." >&2; exit 1; }
long="$work/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K1234-if00-port0"
mkdir -p "$(dirname "$long")"
ln -s "$pts" "$long"

# Settings go to the throw-away folder, never to the user's own; the port box starts on the path.
export XDG_CONFIG_HOME="$work/config"
mkdir -p "$XDG_CONFIG_HOME/Brisca"
printf '[device]\nport=%s\n' "$long" > "$XDG_CONFIG_HOME/Brisca/KV2050RB1.conf"

xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
    "$0/src/app/quorvel" "$1/sample.prgb" &
    pid=$!
    win=$(xdotool search --sync --name "^sample\.prgb" | head -n 1)
    sleep 1
    xdotool windowfocus --sync "$win" key F7
    sleep 1
    import -window "$win" -frame "$1/idle.png"
    xdotool windowfocus --sync "$win" key F5
    sleep 0.5
    xdotool windowfocus --sync "$win" key F6
    sleep 2.5
    import -window "$win" -frame "$1/transfer.png"
    kill $pid
' "$build" "$work"
mkdir -p "$out"
cp "$work/idle.png" "$out/screenshot.png"
cp "$work/transfer.png" "$out/screenshot-transfer.png"
echo "Wrote $out/screenshot.png and $out/screenshot-transfer.png"
"$root/scripts/screenshot-run.sh" "$out/program-run.png"
