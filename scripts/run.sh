#!/usr/bin/env bash
# Installs what is missing, builds, starts the simulated power supply in the background and then
# Quorvel. Type the port path printed below into the "Номер порта" box and press "Подключить".
# With a real power supply on a serial adapter, pass --no-simulator and pick its port instead.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${QUORVEL_BUILD_DIR:-$root/build}"

"$root/scripts/deps.sh"
"$root/scripts/build.sh"

if [ "${1:-}" != "--no-simulator" ]; then
    state="${XDG_STATE_HOME:-$HOME/.local/state}/quorvel"
    mkdir -p "$state"
    coproc SIM { exec "$build/tools/simulator/quorvel-sim" --slave 0 --pace --cells "$state/simulated-cells.txt"; }
    read -r port <&"${SIM[0]}"
    trap 'kill "$SIM_PID" 2>/dev/null || true' EXIT
    echo "Simulated power supply (Slave ID 0) on: $port"
    echo "Type that path into the port box, then press \"Подключить\"."
fi

"$build/src/app/quorvel"
