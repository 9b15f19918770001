#!/usr/bin/env bash
# The Windows program's serial link and upgrade under Wine, without a window:
# windows-port-bench runs the main dialog on the headless backend against the
# simulated instrument, whose pty Wine maps to COM3 (the port list's third
# entry, so the port choice is exercised too). Each case checks the exit code,
# status line 1 and, where an image should arrive, the instrument's verdict.
# Usage: headless_cases.sh WINDOWS_PORT_BENCH_EXE INSTRUMENT_SIM
set -uo pipefail
bench=$(realpath "${1:?usage: headless_cases.sh BENCH_EXE INSTRUMENT_SIM}")
sim=$(realpath "${2:?usage: headless_cases.sh BENCH_EXE INSTRUMENT_SIM}")
source "$(dirname "$0")/../../scripts/lib/wine.sh"

work=$(mktemp -d /tmp/orvex-wine-headless.XXXXXX)
sim_pid=
cleanup() {
  orvex_wine_cleanup
  [[ -n $sim_pid ]] && kill "$sim_pid" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
orvex_wine_prefix "$work/prefix" || { echo "FAIL: no Wine prefix" >&2; exit 1; }

# name | simulator options | exit code | line 1 starts with | image valid
cases=(
  "complete|--baud 1843200|0|Upgrade complete!|yes"
  "silent instrument|--no-prompt|1|Time Out!  Check RS232|no"
  "no reply to the command|--no-update-reply|1|Time1 Out!,Run again|no"
  "line stalls mid-image|--baud 1843200 --stall-at 200000|1|Upgrade failed!  Check RS232|no"
  "line hung up mid-image|--baud 1843200 --hangup-at 200000|1||no"
)

failures=0
for entry in "${cases[@]}"; do
  IFS='|' read -r name options want_code want_line want_valid <<<"$entry"
  # shellcheck disable=SC2086  # the options are words
  "$sim" $options >"$work/sim.out" 2>"$work/sim.err" &
  sim_pid=$!
  pty=$(orvex_sim_pty "$work/sim.out" "$sim_pid") && orvex_wine_map_port COM3 "$pty" ||
    { echo "FAIL $name: COM3 not mapped"; failures=$((failures + 1)); kill "$sim_pid" 2>/dev/null; wait "$sim_pid"; continue; }
  start=$(date +%s)
  timeout 120 bash -c 'LC_ALL=zh_TW.UTF-8 wine "$0" upgrade 2' "$bench" >"$work/out" 2>"$work/err"
  code=$?
  took=$(($(date +%s) - start))
  # The last chunks may still be on their way through the pty when the program
  # ends: an instrument expecting an image ends by itself once it has it all.
  [[ $want_valid == yes ]] && timeout 30 tail --pid="$sim_pid" -f /dev/null
  kill "$sim_pid" 2>/dev/null
  wait "$sim_pid" 2>/dev/null
  sim_pid=
  orvex_wine_cleanup
  line=$(sed -n 's/^line 1: //p' "$work/out")
  problems=()
  [[ $code == "$want_code" ]] || problems+=("exit code $code, want $want_code")
  [[ -z $want_line || $line == "$want_line"* ]] || problems+=("line 1 '$line', want '$want_line...'")
  [[ $want_code == 0 || $line != "Upgrade complete!"* ]] || problems+=("a failure reported as complete")
  if [[ $want_valid == yes ]] && ! grep -q '"valid":true' "$work/sim.out"; then
    problems+=("the instrument did not get a valid image")
  fi
  if ((${#problems[@]} == 0)); then
    echo "ok   $name (${took} s)"
  else
    failures=$((failures + 1))
    echo "FAIL $name (${took} s): ${problems[*]}"
    sed 's/^/  program: /' "$work/out" "$work/err"
    tail -3 "$work/sim.out" | sed 's/^/  instrument: /'
  fi
done
echo "$((${#cases[@]} - failures)) passed, $failures failed"
((failures == 0))
