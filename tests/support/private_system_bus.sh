# A private system bus for tests, with the stand-in for logind on it: source this file (bash).
#   orvex_private_system_bus_start DIR [STANDIN]
#       Starts a dbus-daemon of type system whose socket is in DIR (an existing folder with a short path:
#       a socket's path has at most 107 bytes) and, given the stand-in program (login1-standin), that
#       program on it, waiting at most 10 s until it owns its name. Exports DBUS_SYSTEM_BUS_ADDRESS,
#       ORVEX_PRIVATE_BUS_DIR=DIR and, with the stand-in, ORVEX_LOGIN1_LOG: the file of its output
#       lines, which login1_standin.cpp describes.
#   orvex_private_system_bus_cleanup [DIR]
#       Ends the stand-in and the bus started in DIR (default $ORVEX_PRIVATE_BUS_DIR); DIR itself stays.
# On failure the start function says why on stderr, ends what it started and returns 1.

orvex_private_system_bus_start() {
  local dir standin=${2:-} started address pid
  dir=$(realpath "${1:?usage: orvex_private_system_bus_start DIR [STANDIN]}") || return 1
  cat >"$dir/bus.conf" <<EOF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>system</type>
  <listen>unix:path=$dir/system_bus_socket</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow user="*"/>
    <allow own="*"/>
    <allow send_destination="*"/>
    <allow receive_sender="*"/>
  </policy>
</busconfig>
EOF
  started=$(dbus-daemon --config-file="$dir/bus.conf" --print-address --fork --print-pid) || {
    echo "orvex_private_system_bus_start: dbus-daemon did not start" >&2
    return 1
  }
  { read -r address && read -r pid; } <<<"$started"
  echo "$pid" >"$dir/bus.pid"
  export DBUS_SYSTEM_BUS_ADDRESS=$address ORVEX_PRIVATE_BUS_DIR=$dir
  [[ -n $standin ]] || return 0

  export ORVEX_LOGIN1_LOG=$dir/login1.log
  "$standin" >"$ORVEX_LOGIN1_LOG" 2>"$dir/login1.err" </dev/null &
  echo $! >"$dir/login1.pid"
  _orvex_await_login1 $! || {
    echo "orvex_private_system_bus_start: the logind stand-in did not come up: $(cat "$dir/login1.err")" >&2
    orvex_private_system_bus_cleanup "$dir"
    return 1
  }
}

_orvex_await_login1() {  # PID: until the stand-in says "ready"; false when it ends first or 10 s pass
  local pid=$1 deadline=$((SECONDS + 10))
  until grep -qx ready "$ORVEX_LOGIN1_LOG"; do
    kill -0 "$pid" 2>/dev/null && ((SECONDS < deadline)) || return 1
    sleep 0.02
  done
}

orvex_private_system_bus_cleanup() {
  local dir=${1:-${ORVEX_PRIVATE_BUS_DIR:-}} name pid
  [[ -n $dir ]] || return 0
  for name in login1 bus; do
    [[ -f $dir/$name.pid ]] || continue
    pid=$(<"$dir/$name.pid")
    kill "$pid" 2>/dev/null || true
    # Reaps the stand-in where this shell started it; other processes are waited for until they are gone.
    wait "$pid" 2>/dev/null || true
    _orvex_await_exit "$pid"
    rm -f "$dir/$name.pid"
  done
}

_orvex_await_exit() {  # PID: until it is gone, 5 s at most
  local deadline=$((SECONDS + 5))
  while _orvex_running "$1" && ((SECONDS < deadline)); do sleep 0.02; done
}

# A daemon's zombie counts as gone: its new parent may take its time to reap it.
_orvex_running() {  # PID
  local stat
  read -r stat 2>/dev/null <"/proc/$1/stat" || return 1
  stat=${stat##*) }
  [[ ${stat:0:1} != Z ]]
}
