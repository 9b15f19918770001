# A private system bus for tests, with the stand-in for logind on it: source this file (bash).
#   orvex_private_system_bus_start DIR STANDIN
#       Starts a dbus-daemon of type system whose socket is in DIR (an existing folder with a short path:
#       a socket's path has at most 107 bytes) and the stand-in (login1-standin) on it, waiting at most
#       10 s until it owns its name. Exports DBUS_SYSTEM_BUS_ADDRESS and ORVEX_LOGIN1_LOG, the file of
#       the stand-in's output lines, which login1_standin.cpp describes.
#   orvex_private_system_bus_cleanup DIR
#       Ends the stand-in and the bus started in DIR, waiting at most 5 s for each to be gone.
# On failure the start function says why on stderr, ends what it started and returns 1.

orvex_private_system_bus_start() {
  local dir started deadline=$((SECONDS + 10))
  dir=$(realpath "$1") || return 1
  cat >"$dir/bus.conf" <<EOC
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>system</type>
  <listen>unix:path=$dir/system_bus_socket</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow user="*"/> <allow own="*"/> <allow send_destination="*"/> <allow receive_sender="*"/>
  </policy>
</busconfig>
EOC
  started=$(dbus-daemon --config-file="$dir/bus.conf" --print-address --fork --print-pid) || {
    echo "orvex_private_system_bus_start: dbus-daemon did not start" >&2
    return 1
  }
  export DBUS_SYSTEM_BUS_ADDRESS=${started%%$'\n'*} ORVEX_LOGIN1_LOG=$dir/login1.log
  echo "${started##*$'\n'}" >"$dir/bus.pid"
  "$2" >"$ORVEX_LOGIN1_LOG" 2>"$dir/login1.err" </dev/null &
  echo $! >"$dir/login1.pid"
  until grep -qx ready "$ORVEX_LOGIN1_LOG"; do
    kill -0 $! 2>/dev/null && ((SECONDS < deadline)) && sleep 0.02 && continue
    echo "orvex_private_system_bus_start: the logind stand-in did not come up: $(cat "$dir/login1.err")" >&2
    orvex_private_system_bus_cleanup "$dir"
    return 1
  done
}

orvex_private_system_bus_cleanup() {
  local name pid stat deadline
  for name in login1 bus; do
    [[ -f $1/$name.pid ]] || continue
    pid=$(<"$1/$name.pid") deadline=$((SECONDS + 5))
    kill "$pid" 2>/dev/null
    # Another shell started them: waited for until gone, a zombie counting as gone (its parent reaps it).
    while read -r stat 2>/dev/null <"/proc/$pid/stat" && [[ ${stat##*) } != Z* ]] && ((SECONDS < deadline)); do
      sleep 0.02
    done
    rm -f "$1/$name.pid"
  done
}
