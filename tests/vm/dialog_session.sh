#!/usr/bin/env bash
# In the virtual bench's guest: a fresh Xvfb display and a private D-Bus session
# bus with the accessibility bus for tests/vm/dialog_pulled.py ARGS...
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
ready=$(mktemp -u)
mkfifo "$ready"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$ready" 2>/dev/null &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null || true; rm -f "$ready"' EXIT
# -displayfd writes the display's number once it takes clients.
read -r -t 60 display <"$ready" || { echo "Xvfb did not start" >&2; exit 1; }
export DISPLAY=":${display}" NO_AT_BRIDGE=0 GTK_A11Y=atspi PYTHONDONTWRITEBYTECODE=1
export XDG_STATE_HOME=${XDG_CONFIG_HOME}/dialog-state
unset WAYLAND_DISPLAY
dbus-run-session -- /usr/bin/python3 "$here/dialog_pulled.py" "$@" \
  2> >(grep -v -E 'fd limit|Activating service|Successfully activated|SpiRegistry' >&2)
