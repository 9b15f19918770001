# Helpers for the commands tests/vm/bench.py sends to the guest (sourced by agent.sh).

vm_link() {  # COMn DEVICE: COMn opens DEVICE
  mkdir -p "$XDG_CONFIG_HOME/orvex-programmer/ports" &&
    ln -sfn "$2" "$XDG_CONFIG_HOME/orvex-programmer/ports/$1"
}

# Runs PROGRAM ARGS... --json, its events into OUT; once its progress reaches
# PERCENT, runs ACTION (once). Status: the program's.
vm_upgrade_then() {  # OUT PERCENT ACTION PROGRAM ARGS...
  local out=$1 percent=$2 action=$3
  shift 3
  "$@" --json 2>"$out.err" | {
    local line acted=no
    while IFS= read -r line; do
      printf '%s\n' "$line" >>"$out"
      if [[ $acted == no && $line =~ \"percent\":([0-9]+) ]] && ((BASH_REMATCH[1] >= percent)); then
        acted=yes
        eval "$action"
      fi
    done
  }
  return "${PIPESTATUS[0]}"
}

# An upgrade through the CDC ACM port /dev/ttyACM0 (COM7), whose far end is the
# serial gadget's /dev/ttyGS0 in this guest: instrument-sim runs here, and its
# summary comes out as "@@sim JSON". ACTION as in vm_upgrade_then.
vm_gadget_upgrade() {  # OUT PERCENT ACTION SIM BAUD IMAGE PROGRAM ARGS...
  local out=$1 percent=$2 action=$3 sim=$4 baud=$5 image=$6 device rc summary from pid
  shift 6
  vm_link COM7 /dev/ttyACM0 || return
  coproc SIM { exec "$sim" --device /dev/ttyGS0 --baud "$baud" --expect "$image"; }
  # Kept: bash closes a coprocess's descriptors and forgets its pid once it ends.
  exec {from}<&"${SIM[0]}"
  pid=$SIM_PID
  # Its first line once the gadget's end is open: what reaches ttyACM0 before is dropped.
  read -r device <&"$from" || return
  vm_upgrade_then "$out" "$percent" "$action" "$@" --port COM7 --image "$image"
  rc=$?
  # A complete image ends the simulator by itself; after a failure it is stopped,
  # and says what it got.
  ((rc == 0)) || kill -TERM "$pid" 2>/dev/null
  summary=$(timeout 30 cat <&"$from")
  kill "$pid" 2>/dev/null
  echo "@@sim ${summary##*$'\n'}"
  return "$rc"
}

# The Windows programs under Wine in the guest share one prefix, made on the
# host with the ports mapped, used in place on the writable share, and one
# server kept up from the first case to the last (a start of Wine's own
# processes costs tens of seconds under TCG).
vm_wine_server() {  # PREFIX
  WINEPREFIX=$1 WINEDEBUG=-all wineserver -p </dev/null >/dev/null 2>&1
}

# A Windows program in batch mode under Wine, as vm_upgrade_then runs the
# Linux one: its --json events into OUT, ACTION once its progress reaches
# PERCENT. The .exe runs from the guest's /tmp, since a PE executed from the
# 9p share faults on its first instruction. Status: the program's.
vm_wine_upgrade_then() {  # PREFIX EXE OUT PERCENT ACTION ARGS...
  local run
  run=$(mktemp -d /tmp/exe.XXXXXX) && cp "$2" "$run/" || return
  local exe=$run/${2##*/} out=$3 percent=$4 action=$5
  export WINEPREFIX=$1 WINEDEBUG=-all LC_ALL=zh_TW.UTF-8
  shift 5
  vm_upgrade_then "$out" "$percent" "$action" wine "$exe" --batch "$@"
}
