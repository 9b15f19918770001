#!/usr/bin/env bash
# The Windows program's Application event log entries under Wine, whose event
# log is a stub that shows what it was given (WINEDEBUG=+eventlog): batch
# upgrades against the simulated instrument, before and after
# --register-event-source, each leave one entry whose event id and type follow
# the outcome, whose inserts are the record line's fields in its order and
# whose binary data is the whole line; the registration writes the source's
# key (EventMessageFile: the program's own path, TypesSupported).
# Usage: event_log_cases.sh EXE INSTRUMENT_SIM
#   Uses the prefix in WINEPREFIX when there is one, else makes its own.
set -uo pipefail
usage='usage: event_log_cases.sh EXE INSTRUMENT_SIM'
exe=$(realpath "${1:?$usage}")
sim=$(realpath "${2:?$usage}")
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../scripts/lib/wine.sh"

work=$(mktemp -d /tmp/orvex-wine-eventlog.XXXXXX)
sim_pid=
cleanup() {
  orvex_wine_cleanup
  [[ -n $sim_pid ]] && kill "$sim_pid" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$work"  # a prefix of our own is inside
}
trap cleanup EXIT
orvex_wine_use_prefix "$work/prefix" || { echo "FAIL: no Wine prefix" >&2; exit 1; }
record() { compgen -G "$WINEPREFIX/drive_c/users/*/AppData/Local/ORVEX/upgrades.jsonl" | head -1; }
key='HKLM\SYSTEM\CurrentControlSet\Services\EventLog\Application\ORVEX Firmware Programmer'

failures=0
fail() {
  echo "FAIL $*"
  failures=$((failures + 1))
}

# One batch upgrade against a simulator started with OPTIONS; checks its entry.
# name | simulator options | exit code | event id | event type (1 error, 2 warning, 4 information)
upgrade_case() {
  local name options want_code want_id want_type code line
  IFS='|' read -r name options want_code want_id want_type <<<"$1"
  # shellcheck disable=SC2086  # the options are words
  "$sim" $options >"$work/sim.out" 2>/dev/null &
  sim_pid=$!
  pty=$(orvex_sim_pty "$work/sim.out" "$sim_pid") && orvex_wine_map_port COM2 "$pty" ||
    { fail "$name: COM2 not mapped"; return; }
  timeout 120 env WINEDEBUG=-all,+eventlog,fixme+advapi LC_ALL=zh_TW.UTF-8 \
    wine "$exe" --batch --port COM2 --station "bench 4" --unit "SN 0042" >"$work/out" 2>"$work/err"
  code=$?
  kill "$sim_pid" 2>/dev/null
  wait "$sim_pid" 2>/dev/null
  sim_pid=
  line=$(tail -1 "$(record)" | tr -d '\r')
  if problems=$(python3 "$here/event_log_entry.py" "$work/err" "$line" "$want_id" "$want_type"); then
    [[ $code == "$want_code" ]] || problems="exit code $code, want $want_code"
  fi
  if [[ -z $problems ]]; then echo "ok   $name"; else fail "$name: $problems"; fi
}

cases=(
  "complete, source not registered|--baud 1843200|0|1|4"
  "silent instrument|--no-prompt|3|2|1"
)
for entry in "${cases[@]}"; do upgrade_case "$entry"; done

# Registration: the key names the program itself as the file of its messages.
orvex_wine_run "$exe" --register-event-source >"$work/out" 2>"$work/err"
code=$?
wine reg query "$key" >"$work/key" 2>&1
python3 - "$work/key" "$(winepath -w "$exe")" "$code" "$(tr -d '\r' <"$work/out")" <<'PY' || failures=$((failures + 1))
import re, sys
key_file, exe, code, said = sys.argv[1:5]
values = {}
for line in open(key_file, encoding="utf-8", errors="replace"):
    m = re.match(r"\s+(\S+)\s+(REG_\w+)\s+(.*?)\s*$", line)
    if m:
        values[m.group(1)] = (m.group(2), m.group(3))
problems = []
if code != "0" or "registered" not in said:
    problems.append(f"exit code {code}, said {said!r}")
if values.get("EventMessageFile") != ("REG_EXPAND_SZ", exe):
    problems.append(f"EventMessageFile {values.get('EventMessageFile')}, want {exe}")
if values.get("TypesSupported") != ("REG_DWORD", "0x7"):
    problems.append(f"TypesSupported {values.get('TypesSupported')}")
print(f"FAIL registration: {'; '.join(problems)}" if problems else "ok   registration writes the source's key")
sys.exit(1 if problems else 0)
PY

upgrade_case "line stalls mid-image, source registered|--baud 1843200 --stall-at 200000|6|5|1"
((failures == 0)) && echo "event log: all cases passed" || echo "event log: $failures case(s) failed"
exit $((failures > 0))
