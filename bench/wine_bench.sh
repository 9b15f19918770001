#!/usr/bin/env bash
# The Windows program's serial link under Wine, measured against the simulated
# instrument on a pty mapped to COM1: one whole upgrade (line efficiency seen by
# the instrument, the programmer's CPU over the upgrade), then the reader's CPU
# on an open port with a silent line.
# Usage: bench/wine_bench.sh [BAUD] [IDLE_SECONDS]
#   after scripts/build-windows -DORVEX_BUILD_TESTS=ON and the Linux build (build/normal)
set -euo pipefail
cd "$(dirname "$0")/.."
baud=${1:-1843200}
idle=${2:-30}
bench=build/windows/bench/windows-port-bench.exe
sim=build/normal/tools/sim/instrument-sim
source scripts/lib/wine.sh

work=$(mktemp -d -t orvex-wine-bench.XXXXXX)
sim_pid=
trap 'orvex_wine_cleanup; [[ -n $sim_pid ]] && kill "$sim_pid" 2>/dev/null; rm -rf "$work"' EXIT
orvex_wine_prefix "$work/prefix"

start_instrument() {  # simulator options...
  "$sim" "$@" >"$work/sim.out" 2>/dev/null &
  sim_pid=$!
  until [[ $(head -1 "$work/sim.out" 2>/dev/null) == /dev/* ]]; do sleep 0.1; done
  orvex_wine_map_port COM1 "$(head -1 "$work/sim.out")"
}

echo "Wine $(wine --version), $(nproc) cores, line $baud baud"
start_instrument --baud "$baud"
LC_ALL=zh_TW.UTF-8 wine "$bench" upgrade 0
tail --pid="$sim_pid" -f /dev/null
python3 - "$work/sim.out" <<'PY'
import json, sys
s = json.loads(open(sys.argv[1]).read().splitlines()[-1])
took = s["lastByteSeconds"] - s["firstByteSeconds"]
print(f'instrument: {s["bytes"]} bytes in {took:.2f} s, line efficiency {100 * s["lineEfficiency"]:.2f} %, valid {s["valid"]}')
PY
orvex_wine_cleanup

# Wine's server does part of every port operation's work: its CPU counts too.
server_cpu() {  # seconds of CPU used by the prefix's wineserver so far
  local pid
  pid=$(pgrep -n wineserver)
  awk -v hz="$(getconf CLK_TCK)" '{ printf "%.2f", ($14 + $15) / hz }' "/proc/$pid/stat"
}
start_instrument --no-prompt
before=$(server_cpu)
LC_ALL=zh_TW.UTF-8 wine "$bench" idle 0 "$idle"
echo "wineserver CPU over the idle run (including the program's start): $(echo "$(server_cpu) - $before" | bc) s"
