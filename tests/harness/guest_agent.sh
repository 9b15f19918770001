#!/bin/bash
# The guest's side of the virtual bench: runs each line the host sends on the
# console as a command (guest_side.py's commands at hand as "side") and answers
# "@@rc STATUS" after it. The host ends the guest through QEMU's monitor.
stty raw -echo
export PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8
export HOME=/tmp/home XDG_CONFIG_HOME=/tmp/config XDG_RUNTIME_DIR=/tmp/runtime
mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
side() { /usr/bin/python3 -B "$(dirname "$0")/guest_side.py" "$@"; }
echo "@@ready $(uname -r)"
while IFS= read -r line; do
  (eval "$line") </dev/null
  echo "@@rc $?"
done
