#!/usr/bin/env bash
# Four stations at once: four batch programs on COM1 to COM4, each against its
# own simulated instrument at BAUD (default 115200), as four benches beside one
# another would run them. Prints each program's exit code, each line's
# efficiency as its simulator measured its own reading, and the record's lines.
# Usage: bench/parallel_stations.sh PROGRAM INSTRUMENT_SIM [BAUD]
set -uo pipefail
program=$(realpath "${1:?usage: parallel_stations.sh PROGRAM INSTRUMENT_SIM [BAUD]}")
sim=$(realpath "${2:?usage: parallel_stations.sh PROGRAM INSTRUMENT_SIM [BAUD]}")
baud=${3:-115200}
work=$(mktemp -d -t orvex-stations.XXXXXX)
trap 'kill $(jobs -p) 2>/dev/null; wait 2>/dev/null; rm -rf "$work"' EXIT
export XDG_CONFIG_HOME=$work/config XDG_STATE_HOME=$work/state
sims=() programs=() codes=()
for n in 1 2 3 4; do
  "$sim" --link COM$n --baud "$baud" >"$work/sim$n.out" 2>/dev/null &
  sims+=($!)
done
for n in 1 2 3 4; do
  until [[ -L $XDG_CONFIG_HOME/orvex-programmer/ports/COM$n ]]; do sleep 0.05; done
done
for n in 1 2 3 4; do
  "$program" --batch --port COM$n >"$work/station$n.log" 2>&1 &
  programs+=($!)
done
for pid in "${programs[@]}"; do wait "$pid" && codes+=(0) || codes+=($?); done
for pid in "${sims[@]}"; do timeout 60 tail --pid="$pid" -f /dev/null; done
echo "exit codes: ${codes[*]}"
for n in 1 2 3 4; do
  python3 -c 'import json, sys
s = json.loads(open(sys.argv[1]).read().splitlines()[-1])
valid, efficiency, took = s["valid"], s["lineEfficiency"], s["lastByteSeconds"] - s["firstByteSeconds"]
print(f"COM{sys.argv[2]}: valid {valid}, line efficiency {efficiency}, {took:.2f} s")' \
    "$work/sim$n.out" "$n"
done
echo "record lines: $(wc -l <"$XDG_STATE_HOME/orvex-programmer/upgrades.jsonl")"
