#!/usr/bin/env bash
# Runs one end-to-end case in a session of its own: a fresh Xvfb display, a
# private D-Bus session bus with the accessibility bus, the case's driver.
# Usage: gui_session.sh <case> <program> <x11_close> <screenshot dir> [instrument-sim]
# With instrument-sim, the upgrade case has a simulated instrument on a pty as
# the session's COM1 that must have received a complete, valid image by the
# end; other cases start it themselves.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
display_file=$(mktemp)
config_home=$(mktemp -d)
# -noreset: a server resets when its last client leaves, and a client that
# connects meanwhile (the accessibility bus's registry, the program) is dropped
# with "cannot open display"; a loaded machine widens that window.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$display_file" 2>"$config_home/xvfb.log" &
xvfb=$!
sim=""
cleanup() {
  local status=$?
  # A case that failed because its display went away says so, with the server's last words.
  if ((status != 0)) && ! kill -0 "$xvfb" 2>/dev/null; then
    echo "Xvfb on :$(head -1 "$display_file") had ended; its output:" >&2
    tail -20 "$config_home/xvfb.log" >&2
  fi
  [[ -n $sim ]] && kill "$sim" 2>/dev/null || true
  kill "$xvfb" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$display_file" "$config_home"
}
trap cleanup EXIT
for _ in $(seq 300); do [[ -s $display_file ]] && break; sleep 0.1; done
[[ -s $display_file ]] || { echo "Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(head -1 "$display_file")"
export NO_AT_BRIDGE=0 GTK_A11Y=atspi XDG_CONFIG_HOME=$config_home XDG_STATE_HOME=$config_home/state
# The cases import their helpers from the source tree: no byte code is left there.
export PYTHONDONTWRITEBYTECODE=1
if [[ $# -ge 5 && $1 == upgrade ]]; then
  "$5" --config-home "$config_home" --link COM1 --baud 0 >"$config_home/sim.out" &
  sim=$!
  for _ in $(seq 300); do [[ -s $config_home/sim.out ]] && break; sleep 0.1; done
fi
unset WAYLAND_DISPLAY
dbus-run-session -- /usr/bin/python3 "$here/gui_cases.py" "$@" 2> >(grep -v -E 'fd limit|Activating service|Successfully activated|SpiRegistry' >&2)
if [[ -n $sim ]]; then
  wait "$sim" && status=0 || status=$?
  sim=""
  echo "instrument: $(tail -1 "$config_home/sim.out")"
  [[ $status -eq 0 ]] || { echo "the instrument did not receive a valid image" >&2; exit 1; }
fi
