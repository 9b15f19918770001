#!/usr/bin/env bash
# Runs one end-to-end case in a session of its own: a fresh Xvfb display, a
# private D-Bus session bus with the accessibility bus, the case's driver.
# Usage: gui_session.sh <case> <program> <x11_close> <screenshot dir>
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
display_file=$(mktemp)
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$display_file" 2>/dev/null &
xvfb=$!
cleanup() { kill "$xvfb" 2>/dev/null || true; wait "$xvfb" 2>/dev/null || true; rm -f "$display_file"; }
trap cleanup EXIT
for _ in $(seq 300); do [[ -s $display_file ]] && break; sleep 0.1; done
[[ -s $display_file ]] || { echo "Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(head -1 "$display_file")"
export NO_AT_BRIDGE=0 GTK_A11Y=atspi
unset WAYLAND_DISPLAY
dbus-run-session -- /usr/bin/python3 "$here/gui_cases.py" "$@" 2> >(grep -v -E 'fd limit|Activating service|Successfully activated|SpiRegistry' >&2)
