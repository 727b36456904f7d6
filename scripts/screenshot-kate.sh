#!/usr/bin/env bash
# Takes docs/kate-lsp.png: Kate under Xvfb with the syntax definition and quorvel-cli lsp as its
# language server, on a program with an error, the diagnostic underlined and listed.
# Usage: scripts/screenshot-kate.sh [OUTDIR]   (default: docs/)
# Needs kate, xvfb, imagemagick and xdotool (installed when missing).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${QUORVEL_BUILD_DIR:-$root/build}"
out="${1:-$root/docs}"

"$root/scripts/deps.sh" kate xvfb xauth imagemagick xdotool fonts-dejavu-core
[ -x "$build/tools/cli/quorvel-cli" ] || "$root/scripts/build.sh"

work="$(mktemp -d)"
xvfb_pid=""
kate_pid=""
cleanup() {
    # Kate writes its session as it ends: gone first, so that its files go with the folder.
    if [ -n "$kate_pid" ]; then
        kill "$kate_pid" 2>/dev/null || true
        wait "$kate_pid" 2>/dev/null || true
    fi
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work" || true
}
trap cleanup EXIT

# A home of its own: Kate's settings and the definition as an install puts them.
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share"
export XDG_CACHE_HOME="$work/home/.cache" XDG_RUNTIME_DIR="$work/run"
mkdir -p "$XDG_CONFIG_HOME/kate/lspclient" "$XDG_DATA_HOME/org.kde.syntax-highlighting/syntax" \
    "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
cp "$root/packaging/quorvel.xml" "$XDG_DATA_HOME/org.kde.syntax-highlighting/syntax/"
cat > "$XDG_CONFIG_HOME/kate/lspclient/settings.json" <<JSON
{
  "servers": {
    "quorvel": {
      "command": ["$build/tools/cli/quorvel-cli", "lsp", "--lang", "en"],
      "highlightingModeRegex": "^Quorvel$"
    }
  }
}
JSON
cat > "$XDG_CONFIG_HOME/katerc" <<INI
[General]
Show welcome view for new window=false
Startup Session=none
Show Full Path in Title=false

[Kate Plugins]
lspclientplugin=true

[lspclient]
AutoHover=true
Diagnostics=true
DiagnosticsHighlight=true
DiagnosticsMarks=true
Messages=true
AllowedServerCommandLines=$build/tools/cli/quorvel-cli lsp --lang en
INI

cat > "$work/ramp.prgb" <<'PRG'
prgName = "Ramp";
// Raise the set voltage /* in steps of 10 */
#1;
Us += 10;
delay_ms 500;
if Us < 1000 #1 else #3;
// done: switch the output off
#2;
Out = 0;
PRG

display=":47"
Xvfb "$display" -screen 0 1000x640x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
export DISPLAY="$display"
sleep 2
kate --new "$work/ramp.prgb" >"$work/kate.log" 2>&1 &
kate_pid=$!
sleep 6
window="$(xdotool search --sync --onlyvisible --name 'ramp.prgb' | head -n 1)"
xdotool windowsize "$window" 1000 640
xdotool windowmove "$window" 0 0
sleep 1
# The LSP tool view at the bottom of the window, whose diagnostics tab lists the findings.
xdotool mousemove --window "$window" 254 628 click 1
sleep 3
mkdir -p "$out"
import -window root "$out/kate-lsp.png"
echo "wrote $out/kate-lsp.png"
