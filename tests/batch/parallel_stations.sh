#!/usr/bin/env bash
# Four stations at once, as docs/developer.md's benchmark runs them: four
# batch programs on COM1 to COM4, each against its own simulated instrument at
# 16 x 115200. All must end with exit code 0, every instrument must get a
# complete, valid image on a line at least MIN_BUSY busy (default 99.5 %), and
# the one record file must hold four lines.
# Usage: parallel_stations.sh PROGRAM INSTRUMENT_SIM [BAUD] [MIN_BUSY]   (the benchmark runs it at 115200)
set -uo pipefail
program=$(realpath "${1:?usage: parallel_stations.sh PROGRAM INSTRUMENT_SIM}")
sim=$(realpath "${2:?usage: parallel_stations.sh PROGRAM INSTRUMENT_SIM}")
baud=${3:-1843200}
min_busy=${4:-0.995}
work=$(mktemp -d -t orvex-stations.XXXXXX)
trap 'kill $(jobs -p) 2>/dev/null; wait 2>/dev/null; rm -rf "$work"' EXIT

# One run of the four stations in $work/N: status 0 when all is right, 1 when
# an exit code, an image or the record is wrong, 2 when only a line was less
# busy than MIN_BUSY.
stations() {  # N
  local dir=$work/$1 failures=0 slow=0 n pid code summary efficiency lines
  local -x XDG_CONFIG_HOME=$dir/config XDG_STATE_HOME=$dir/state
  local sims=() codes=() programs=()
  for n in 1 2 3 4; do
    "$sim" --link COM$n --baud "$baud" >"$dir.sim$n.out" 2>/dev/null &
    sims+=($!)
  done
  for n in 1 2 3 4; do
    until [[ -L $XDG_CONFIG_HOME/orvex-programmer/ports/COM$n ]]; do sleep 0.05; done
  done
  # The batch line of docs/integrator.md:
  for n in 1 2 3 4; do
    "$program" --batch --port COM$n >"$dir.station$n.log" 2>&1 &
    programs+=($!)
  done
  for pid in "${programs[@]}"; do wait "$pid" && codes+=(0) || codes+=($?); done
  for pid in "${sims[@]}"; do timeout 60 tail --pid="$pid" -f /dev/null; done

  echo "exit codes: ${codes[*]}"
  for code in "${codes[@]}"; do ((code == 0)) || failures=$((failures + 1)); done
  for n in 1 2 3 4; do
    summary=$(tail -1 "$dir.sim$n.out")
    python3 -c 'import json,sys; sys.exit(0 if json.loads(sys.argv[1])["valid"] else 1)' "$summary" ||
      { failures=$((failures + 1)); echo "FAIL COM$n: $summary"; continue; }
    efficiency=$(python3 -c 'import json,sys; print(json.loads(sys.argv[1])["lineEfficiency"])' "$summary")
    echo "COM$n: line efficiency $efficiency ($(python3 -c 'import json,sys; s=json.loads(sys.argv[1]); print(round(s["lastByteSeconds"]-s["firstByteSeconds"],2))' "$summary") s)"
    python3 -c 'import sys; sys.exit(0 if float(sys.argv[1]) >= float(sys.argv[2]) else 1)' "$efficiency" "$min_busy" ||
      slow=$((slow + 1))
  done
  lines=$(wc -l <"$XDG_STATE_HOME/orvex-programmer/upgrades.jsonl" 2>/dev/null) || lines=0
  echo "record lines: $lines"
  ((lines == 4)) || failures=$((failures + 1))
  ((failures == 0)) || { echo "FAIL: $failures problems"; return 1; }
  ((slow == 0)) || { echo "$slow lines less than ${min_busy} busy"; return 2; }
  echo "PASS: four stations"
}

# A wrong result fails at once. The line's pace is a measurement: on a shared
# host the processors can be taken for seconds (measured here: quiet runs at
# 99.9 %, and one at 82 %), so it gets three tries to show that it is reached.
for try in 1 2 3; do
  mkdir -p "$work/$try" || exit 1
  stations "$try"
  status=$?
  ((status == 2)) || exit "$status"
done
echo "FAIL: the lines stayed less than ${min_busy} busy in three tries"
exit 1
