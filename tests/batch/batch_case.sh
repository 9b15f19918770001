#!/usr/bin/env bash
# One fault an operator can meet, end to end through the real program in batch
# mode against the simulated instrument: the exit code, the last status text,
# what reached the instrument, the line in the upgrade record, and a bound on
# the time it took. Never "Upgrade complete!" unless the instrument verified
# the image byte for byte.
# Usage: batch_case.sh PROGRAM INSTRUMENT_SIM CASE   (CASE: see the table)
#        batch_case.sh --list                      (the cases, for CMake)
set -uo pipefail

# case | simulator options | exit | line 1 starts with | record outcome | seconds at most | summary check
table=(
  "complete|--baud 1843200|0|Upgrade complete!|complete|60|valid matchesExpected"
  "silent-instrument|--no-prompt|3|Time Out!  Check RS232|probe-timeout|25|probeBytes=101"
  "no-command-reply|--no-update-reply|4|Time1 Out!,Run again|command-timeout|30|commands=101"
  "small-letters|--lowercase|3|Time Out!  Check RS232|probe-timeout|25|"
  "echo|--echo --baud 1843200|0|Upgrade complete!|complete|60|valid matchesExpected"
  "noise-around-replies|--noise --baud 1843200|0|Upgrade complete!|complete|60|valid matchesExpected"
  "split-replies|--split-replies --baud 1843200|0|Upgrade complete!|complete|60|valid matchesExpected"
  "latency-50ms|--reply-latency 50 --baud 1843200|0|Upgrade complete!|complete|60|valid matchesExpected"
  "latency-150ms|--reply-latency 150 --baud 1843200|0|Upgrade complete!|complete|60|valid matchesExpected"
  "power-on-after-3s|--power-on-delay 3000 --baud 1843200|0|Upgrade complete!|complete|60|valid matchesExpected"
  "stall-mid-image|--baud 0 --stall-at 300000|6|Upgrade failed!  Check RS232|transfer-failed|30|"
  "hangup-mid-image|--baud 0 --hangup-at 300000|1||port-failed|30|"
  "port-held|--baud 1843200|5|Port Error!  Check COM port|port-error|15|probeBytes=0"
  "port-not-a-tty||5|Port Error!  Check COM port|port-error|15|"
)
if [[ ${1:-} == --list ]]; then
  printf '%s\n' "${table[@]%%|*}"
  exit 0
fi

program=$(realpath "${1:?usage: batch_case.sh PROGRAM INSTRUMENT_SIM CASE}")
sim=$(realpath "${2:?usage: batch_case.sh PROGRAM INSTRUMENT_SIM CASE}")
case_name=${3:?usage: batch_case.sh PROGRAM INSTRUMENT_SIM CASE}
work=$(mktemp -d -t orvex-batch.XXXXXX)
trap 'kill $(jobs -p) 2>/dev/null; wait 2>/dev/null; rm -rf "$work"' EXIT
export XDG_CONFIG_HOME=$work/config XDG_STATE_HOME=$work/state
record=$work/state/orvex-programmer/upgrades.jsonl
ports=$XDG_CONFIG_HOME/orvex-programmer/ports
image=$work/expected.srec
failures=0

check() {  # what, condition...
  local what=$1; shift
  "$@" || { failures=$((failures + 1)); echo "FAIL $case_name: $what" >&2; }
}
summary_has() {  # name=value, or a name whose value must be true
  python3 - "$(tail -1 "$work/sim.out")" "$1" <<'PY'
import json, sys
summary, want = json.loads(sys.argv[1]), sys.argv[2]
name, _, value = want.partition("=")
sys.exit(0 if (str(summary.get(name)) == value if value else summary.get(name) is True) else 1)
PY
}
start_instrument() {  # options...
  "$sim" --link COM2 --expect "$image" "$@" >"$work/sim.out" 2>"$work/sim.err" &
  sim_pid=$!
  until [[ -L $ports/COM2 ]]; do kill -0 "$sim_pid" 2>/dev/null || return 1; sleep 0.05; done
}

row=$(printf '%s\n' "${table[@]}" | grep "^$case_name|") || { echo "no case '$case_name'" >&2; exit 2; }
IFS='|' read -r _ options want_code want_line want_outcome bound summary_checks <<<"$row"
"$(dirname "$sim")/../image/make-firmware-image" --output "$image" >/dev/null 2>&1 ||
  cp "$(dirname "$program")/../firmware/firmware.srec" "$image"

holder_pid= sim_pid=
case $case_name in
  port-not-a-tty)
    mkdir -p "$ports"
    ln -s /dev/null "$ports/COM2"
    ;;
  *)
    # shellcheck disable=SC2086  # the options are words
    start_instrument $options || { echo "FAIL: the simulator did not start" >&2; exit 1; }
    ;;
esac
if [[ $case_name == port-held ]]; then
  # Another program has the port open for itself.
  python3 -c 'import fcntl, os, sys, time
fd = os.open(sys.argv[1], os.O_RDWR | os.O_NOCTTY | os.O_NONBLOCK)
fcntl.flock(fd, fcntl.LOCK_EX)
print("held", flush=True)
time.sleep(120)' "$ports/COM2" >"$work/holder" &
  holder_pid=$!
  until [[ -s $work/holder ]]; do sleep 0.05; done
  "$program" --list-ports >"$work/ports"
  check "the port finder names the holder" grep -q "^COM2 .*busy: held by process $holder_pid (python3)" "$work/ports"
fi

start=$(date +%s.%N)
timeout 120 "$program" --batch --port COM2 >"$work/out" 2>"$work/err"
code=$?
took=$(echo "$(date +%s.%N) - $start" | bc)
# The last chunks may still be on their way through the pty when the program
# ends: an instrument expecting an image ends by itself once it has it all.
[[ $want_code == 0 && -n $sim_pid ]] && timeout 30 tail --pid="$sim_pid" -f /dev/null
[[ -n $sim_pid ]] && { kill -INT "$sim_pid" 2>/dev/null; wait "$sim_pid" 2>/dev/null; }
[[ -n $holder_pid ]] && kill "$holder_pid" 2>/dev/null

last_status=$(grep -v '^ *[0-9]* %' "$work/out" | tail -1)
printf '%s: exit %s in %.1f s, last status "%s"\n' "$case_name" "$code" "$took" "$last_status"
check "exit code $code, want $want_code" test "$code" = "$want_code"
check "took ${took} s, bound $bound s" python3 -c "import sys; sys.exit(0 if $took <= $bound else 1)"
[[ -n $want_line ]] && check "last status '$last_status', want '$want_line...'" test "${last_status#"$want_line"}" != "$last_status"
if grep -q 'Upgrade complete!' "$work/out"; then
  check "success reported without a verified image" summary_has matchesExpected
fi
for item in $summary_checks; do check "instrument summary $item" summary_has "$item"; done
if [[ $want_outcome == - ]]; then
  check "no record of an upgrade the program did not finish" test ! -s "$record"
else
  line=$(tail -1 "$record" 2>/dev/null)
  check "record outcome of '$line', want $want_outcome" \
    python3 -c 'import json,sys; r=json.loads(sys.argv[1]); sys.exit(0 if r["outcome"]==sys.argv[2] and r["port"]=="COM2" else 1)' "$line" "$want_outcome"
fi
if ((failures > 0)); then
  sed 's/^/  program: /' "$work/out" "$work/err" | tail -20
  tail -2 "$work/sim.out" 2>/dev/null | sed 's/^/  instrument: /'
fi
((failures == 0))
