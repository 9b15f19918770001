#!/usr/bin/env bash
# Four stations at once, as the README shows them: four batch programs on COM1
# to COM4, each against its own simulated instrument at 16 x 115200. All must
# end with exit code 0, every instrument must get a complete, valid image on a
# line at least 99.5 % busy, and the one record file must hold four lines.
# Usage: parallel_stations.sh PROGRAM INSTRUMENT_SIM [BAUD]   (the benchmark runs it at 115200)
set -uo pipefail
program=$(realpath "${1:?usage: parallel_stations.sh PROGRAM INSTRUMENT_SIM}")
sim=$(realpath "${2:?usage: parallel_stations.sh PROGRAM INSTRUMENT_SIM}")
baud=${3:-1843200}
work=$(mktemp -d -t orvex-stations.XXXXXX)
trap 'kill $(jobs -p) 2>/dev/null; wait 2>/dev/null; rm -rf "$work"' EXIT
export XDG_CONFIG_HOME=$work/config XDG_STATE_HOME=$work/state
failures=0

sims=()
for n in 1 2 3 4; do
  "$sim" --link COM$n --baud "$baud" >"$work/sim$n.out" 2>/dev/null &
  sims+=($!)
done
for n in 1 2 3 4; do
  until [[ -L $XDG_CONFIG_HOME/orvex-programmer/ports/COM$n ]]; do sleep 0.05; done
done

# The README's line:
for n in 1 2 3 4; do "$program" --batch --port COM$n >"$work/station$n.log" 2>&1 & done
codes=()
for pid in $(jobs -p | grep -vxF -f <(printf '%s\n' "${sims[@]}")); do wait "$pid"; codes+=($?); done
for pid in "${sims[@]}"; do timeout 60 tail --pid="$pid" -f /dev/null; done

echo "exit codes: ${codes[*]}"
for code in "${codes[@]}"; do ((code == 0)) || failures=$((failures + 1)); done
for n in 1 2 3 4; do
  summary=$(tail -1 "$work/sim$n.out")
  efficiency=$(python3 -c 'import json,sys; s=json.loads(sys.argv[1]); print(s["lineEfficiency"] if s["valid"] else 0)' "$summary")
  echo "COM$n: line efficiency $efficiency ($(python3 -c 'import json,sys; s=json.loads(sys.argv[1]); print(round(s["lastByteSeconds"]-s["firstByteSeconds"],2))' "$summary") s)"
  python3 -c 'import sys; sys.exit(0 if float(sys.argv[1]) >= 0.995 else 1)' "$efficiency" ||
    { failures=$((failures + 1)); echo "FAIL COM$n: $summary"; }
done
lines=$(wc -l <"$work/state/orvex-programmer/upgrades.jsonl")
echo "record lines: $lines"
((lines == 4)) || failures=$((failures + 1))
((failures == 0)) && echo "PASS: four stations" || echo "FAIL: $failures problems"
((failures == 0))
