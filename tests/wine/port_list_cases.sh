#!/usr/bin/env bash
# The Windows program's port finder under Wine (--list-ports): each COMn line
# names the adapter behind the port as Device Manager lists it, from the
# present devices of the Ports class. Wine's SetupAPI lists the devices under
# HKLM\System\CurrentControlSet\Enum, so each case writes the devices a
# Windows machine would have there, then reads the lines of COM1 and COM2.
# Usage: port_list_cases.sh EXE
#   Uses the prefix in WINEPREFIX when there is one, else makes its own.
set -uo pipefail
exe=$(realpath "${1:?usage: port_list_cases.sh EXE}")
source "$(dirname "$0")/../../scripts/lib/wine.sh"

work=$(mktemp -d /tmp/orvex-wine-ports.XXXXXX)
cleanup() {
  [[ ${ORVEX_OWN_PREFIX:-no} == yes ]] && orvex_wine_cleanup
  rm -rf "$work"
}
trap cleanup EXIT
orvex_wine_use_prefix "$work/prefix" || { echo "FAIL: no Wine prefix" >&2; exit 1; }

enum='HKEY_LOCAL_MACHINE\System\CurrentControlSet\Enum'
ports_class='{4d36e978-e325-11ce-bfc1-08002be10318}'
modem_class='{4d36e96d-e325-11ce-bfc1-08002be10318}'
# device KEY CLASS FRIENDLY_NAME HARDWARE_ID PORT_NAME: one device's registry
# entries (REGEDIT4: the hardware id list's bytes are ANSI).
device() {
  local hwid
  hwid=$(printf '%s' "$4" | od -An -tx1 | tr -s ' \n' ',' | sed 's/^,//; s/,$//')
  printf '[%s\\%s]\n"ClassGUID"="%s"\n"FriendlyName"="%s"\n"HardwareID"=hex(7):%s,00,00\n\n' \
    "$enum" "$1" "$2" "$3" "$hwid"
  printf '[%s\\%s\\Device Parameters]\n"PortName"="%s"\n\n' "$enum" "$1" "$5"
}
ftdi() { device 'FTDIBUS\VID_0403+PID_6001+A5XK3RJTA\0000' "$ports_class" "USB Serial Port ($1)" \
  'FTDIBUS\COMPORT&VID_0403&PID_6001' "$1"; }
cdc() { device 'USB\VID_2341&PID_0043\7543331393535' "$ports_class" "USB Serial Device ($1)" \
  'USB\VID_2341&PID_0043&REV_0001' "$1"; }
modem() { device 'USB\VID_1199&PID_9071&MI_03\6&2c6b1a4&0&0003' "$modem_class" "Sierra Wireless Modem" \
  'USB\VID_1199&PID_9071&MI_03' "$1"; }

forget_devices() {
  local key
  for key in 'FTDIBUS\VID_0403+PID_6001+A5XK3RJTA' 'USB\VID_2341&PID_0043' 'USB\VID_1199&PID_9071&MI_03'; do
    wine reg delete "HKLM\\System\\CurrentControlSet\\Enum\\$key" /f >/dev/null 2>&1
  done
}

# name | devices (shell words) | COM1's line ends with | COM2's line ends with
# (an empty end: no adapter, the line ends with the port's state in brackets)
cases=(
  "no adapters: the lines as before|||"
  "an FTDI adapter as COM1|ftdi COM1|  USB Serial Port (COM1), FTDIBUS\\COMPORT&VID_0403&PID_6001|"
  "the adapter for COM2 is not COM1's|ftdi COM2||  USB Serial Port (COM2), FTDIBUS\\COMPORT&VID_0403&PID_6001"
  "two adapters, each on its own line|ftdi COM2; cdc COM1|  USB Serial Device (COM1), USB\\VID_2341&PID_0043&REV_0001|  USB Serial Port (COM2), FTDIBUS\\COMPORT&VID_0403&PID_6001"
  "a modem's port is not in the Ports class|modem COM1||"
)

failures=0
for entry in "${cases[@]}"; do
  IFS='|' read -r name devices want1 want2 <<<"$entry"
  forget_devices
  if [[ -n $devices ]]; then
    { printf 'REGEDIT4\n\n'; eval "$devices"; } >"$work/devices.reg"
    wine regedit /S "$(winepath -w "$work/devices.reg")" >/dev/null 2>&1
  fi
  orvex_wine_run "$exe" --list-ports >"$work/out" 2>"$work/err"
  code=$?
  com1=$(tr -d '\r' <"$work/out" | grep '^COM1 ')
  com2=$(tr -d '\r' <"$work/out" | grep '^COM2 ')
  problems=()
  ((code == 0)) || problems+=("exit code $code")
  [[ -s $work/err ]] && problems+=("said on standard error: $(head -1 "$work/err")")
  [[ -n $want1 ]] || want1=']'
  [[ -n $want2 ]] || want2=']'
  [[ $com1 == *"$want1" ]] || problems+=("COM1: '$com1', want it to end with '$want1'")
  [[ $com2 == *"$want2" ]] || problems+=("COM2: '$com2', want it to end with '$want2'")
  if ((${#problems[@]} == 0)); then
    echo "ok   $name"
  else
    failures=$((failures + 1))
    echo "FAIL $name: ${problems[*]}"
    sed 's/^/  program: /' "$work/out" "$work/err"
  fi
done
forget_devices
echo "$((${#cases[@]} - failures)) passed, $failures failed"
((failures == 0))
