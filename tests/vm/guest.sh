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
