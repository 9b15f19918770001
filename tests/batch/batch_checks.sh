#!/usr/bin/env bash
# Batch mode's checks around the upgrade: a bad --image sends nothing, a
# missing port with a record that cannot be written, a port without
# permission. (The upgrade's own ends are batch_case.sh's table.)
# Usage: batch_checks.sh PROGRAM INSTRUMENT_SIM
set -uo pipefail
program=$(realpath "${1:?usage: batch_checks.sh PROGRAM INSTRUMENT_SIM}")
sim=$(realpath "${2:?usage: batch_checks.sh PROGRAM INSTRUMENT_SIM}")
work=$(mktemp -d -t orvex-batch.XXXXXX)
trap 'kill $(jobs -p) 2>/dev/null; wait 2>/dev/null; rm -rf "$work"' EXIT
export XDG_CONFIG_HOME=$work/config XDG_STATE_HOME=$work/state
failures=0 passed=0

check() {  # name, condition...
  local name=$1; shift
  if "$@"; then passed=$((passed + 1)); else failures=$((failures + 1)); echo "FAIL $name: $*" >&2; fi
}

# A bad image: the whole file is checked first, nothing is sent.
printf 'S00600004844521B\r\nS3090000000001020304EB\r\nS70500000000FA\r\n' >"$work/bad.srec"
"$sim" --link COM2 >"$work/sim.out" 2>/dev/null &
sim_pid=$!
until [[ -L $XDG_CONFIG_HOME/orvex-programmer/ports/COM2 ]]; do sleep 0.05; done
"$program" --batch --port COM2 --image "$work/bad.srec" >"$work/out" 2>"$work/err"
code=$?
kill -INT "$sim_pid"; wait "$sim_pid" 2>/dev/null
echo "bad image: exit $code: $(cat "$work/err")"
check "bad image exit code" test "$code" = 7
check "bad image names the file and line" grep -q "bad.srec:2:" "$work/err"
check "bad image sends nothing" grep -q '"probeBytes":0' "$work/sim.out"

# A port that does not exist, with a record file that cannot be written: the
# upgrade ends as it would, and the record's trouble is said once.
ln -sfn /nonexistent/device "$XDG_CONFIG_HOME/orvex-programmer/ports/COM5"
rm -rf "$work/state"; mkdir -p "$work/state"; touch "$work/state/orvex-programmer"  # a file where the folder goes
"$program" --batch --port COM5 >"$work/out" 2>"$work/err"
code=$?
echo "missing port, unwritable record: exit $code"
check "missing port exit code" test "$code" = 5
check "missing port message" grep -q "Error Create File" "$work/err"
check "record trouble said once" test "$(grep -c 'upgrade record cannot be written' "$work/err")" = 1

# A port the user may not open: the box names the call, and standard error
# tells once what to do. Needs root to run the program as another user.
if [[ $(id -u) == 0 ]] && command -v setpriv >/dev/null; then
  "$sim" --link COM6 >"$work/sim.out" 2>/dev/null &
  sim_pid=$!
  until [[ -L $XDG_CONFIG_HOME/orvex-programmer/ports/COM6 ]]; do sleep 0.05; done
  chmod 600 "$(head -1 "$work/sim.out")"
  chmod -R a+rX "$work"
  setpriv --reuid=nobody --regid=nogroup --clear-groups "$program" --batch --port COM6 >"$work/out" 2>"$work/err"
  code=$?
  kill -INT "$sim_pid"; wait "$sim_pid" 2>/dev/null
  echo "port without permission: exit $code"
  check "no permission exit code" test "$code" = 5
  check "no permission says dialout once" test "$(grep -c 'must be in the dialout group' "$work/err")" = 1
fi

echo "batch checks: $passed passed, $failures failed"
((failures == 0))
