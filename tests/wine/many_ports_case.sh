#!/usr/bin/env bash
# Batch mode of the Windows program with two ports from one command, under
# Wine: two simulated instruments as COM1 and COM2, one command with --json.
# Both must get a valid image; standard output must carry only JSON events of
# both ports, each ending complete; the record must gain two lines.
# Usage: many_ports_case.sh EXE INSTRUMENT_SIM
#   Uses the prefix in WINEPREFIX when there is one, else makes its own.
set -uo pipefail
usage='usage: many_ports_case.sh EXE INSTRUMENT_SIM'
exe=$(realpath "${1:?$usage}")
sim=$(realpath "${2:?$usage}")
source "$(dirname "$0")/../../scripts/lib/wine.sh"

work=$(mktemp -d /tmp/orvex-wine-many.XXXXXX)
sims=()
cleanup() {
  orvex_wine_cleanup
  ((${#sims[@]} > 0)) && kill "${sims[@]}" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$work"  # a prefix of our own is inside
}
trap cleanup EXIT
orvex_wine_use_prefix "$work/prefix" || { echo "FAIL: no Wine prefix" >&2; exit 1; }
record() { compgen -G "$WINEPREFIX/drive_c/users/*/AppData/Local/ORVEX/upgrades.jsonl" | head -1; }
before=$( [[ -n $(record) ]] && wc -l <"$(record)" || echo 0)

for n in 1 2; do
  "$sim" --baud 1843200 >"$work/sim$n.out" 2>/dev/null &
  sims+=($!)
done
for n in 1 2; do
  pty=$(orvex_sim_pty "$work/sim$n.out" "${sims[n - 1]}") && orvex_wine_map_port "COM$n" "$pty" ||
    { echo "FAIL: COM$n not mapped" >&2; exit 1; }
done

timeout 300 env LC_ALL=zh_TW.UTF-8 wine "$exe" --batch --port COM1-COM2 --json >"$work/out" 2>"$work/err"
code=$?
for pid in "${sims[@]}"; do timeout 60 tail --pid="$pid" -f /dev/null; done
after=$( [[ -n $(record) ]] && wc -l <"$(record)" || echo 0)
python3 - "$work/out" "$work/sim1.out" "$work/sim2.out" "$code" "$((after - before))" <<'PY'
import json, sys
events_file, sim1, sim2, code, records = sys.argv[1:6]
problems = []
ends = {}
raw = open(events_file, "rb").read()
if b"\r\r" in raw:
    problems.append("a line ends in two carriage returns: the children's line ends were passed on")
for line in raw.decode().splitlines():
    try:
        event = json.loads(line)
    except ValueError:
        problems.append(f"a line that is not JSON: {line!r}")
        continue
    if event.get("event") == "end":
        ends[event.get("port")] = event.get("outcome")
if ends != {"COM1": "complete", "COM2": "complete"}:
    problems.append(f"end events {ends}")
for sim in (sim1, sim2):
    summary = json.loads(open(sim).read().splitlines()[-1])
    if not summary.get("valid"):
        problems.append(f"{sim}: {summary}")
if code != "0":
    problems.append(f"exit code {code}")
if records != "2":
    problems.append(f"{records} record lines, want 2")
print("PASS: two ports from one command under Wine" if not problems else "FAIL: " + "; ".join(problems))
sys.exit(1 if problems else 0)
PY
status=$?
((status == 0)) || { echo "--- standard error:"; tail -20 "$work/err"; }
exit $status
