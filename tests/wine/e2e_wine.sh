#!/usr/bin/env bash
# Whole upgrades of the Windows program under Wine on a private Xvfb, one at
# each display scale given (default 96, 144 and 192 DPI): the simulated
# instrument's pty is COM1; the dialog is shown (on the first run its About box
# opened from the system menu), YES pressed, and the instrument's summary must
# report a complete, valid image; the two status lines must then be drawn as
# two lines inside the status area at that scale; Escape must end the program
# with exit code 0.
# Screenshots in SHOTS_DIR: main-dialog.png, about-box.png, after-upgrade.png
# (first run), after-upgrade-<DPI>dpi.png (each run).
# Usage: e2e_wine.sh EXE INSTRUMENT_SIM SHOTS_DIR [DPI...]
set -uo pipefail
usage='usage: e2e_wine.sh EXE INSTRUMENT_SIM SHOTS_DIR [DPI...]'
exe=$(realpath "${1:?$usage}")
sim=$(realpath "${2:?$usage}")
shots=${3:?$usage}
shift 3
dpis=("$@")
((${#dpis[@]} > 0)) || dpis=(96 144 192)
source "$(dirname "$0")/../../scripts/lib/wine.sh"

main_title='^ORVEX-A/B Firmware Programmer$'
about_title=' ORVEX_DIALOG1$'  # "關於 ORVEX_DIALOG1"
upgrade_bound=180                # seconds; the image takes about 13 s on the 16 x 115200 line

work=$(mktemp -d /tmp/orvex-wine-e2e.XXXXXX)
xvfb_pid= sim_pid= app_pid=
started=$(date +%s.%N)
step() { printf '[%6.1f s] %s\n' "$(echo "$(date +%s.%N) - $started" | bc)" "$*"; }
fail() {
  echo "FAIL: $*" >&2
  [[ -s $work/sim.out ]] && { echo "--- instrument-sim output:" >&2; cat "$work/sim.out" >&2; }
  [[ -s $work/sim.err ]] && { echo "--- instrument-sim errors:" >&2; tail -20 "$work/sim.err" >&2; }
  [[ -n ${DISPLAY:-} ]] && import -window root "$shots/failure.png" 2>/dev/null && echo "screen at the failure: $shots/failure.png" >&2
  exit 1
}
cleanup() {
  [[ -n $app_pid ]] && kill "$app_pid" 2>/dev/null
  orvex_wine_cleanup
  [[ -n $sim_pid ]] && kill "$sim_pid" 2>/dev/null
  [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# Polls COMMAND every 0.1 s until it succeeds or SECONDS have passed.
wait_for() {
  local seconds=$1; shift
  local deadline=$(($(date +%s) + seconds))
  until "$@"; do
    (($(date +%s) < deadline)) || return 1
    sleep 0.1
  done
}

# Saves a screenshot of WINDOW once it is drawn: two captures in a row alike,
# and more than a few colours (text and frame, not an empty rectangle).
shoot() {
  local window=$1 file=$shots/$2 previous=
  for _ in $(seq 100); do
    import -window "$window" "$work/shot.png" 2>/dev/null || { sleep 0.1; continue; }
    local now colours
    now=$(convert "$work/shot.png" rgb:- | md5sum)
    colours=$(identify -format %k "$work/shot.png")
    if [[ $now == "$previous" ]] && ((colours > 8)); then
      mv "$work/shot.png" "$file"
      step "screenshot $file"
      return 0
    fi
    previous=$now
    sleep 0.1
  done
  fail "window $window was never drawn completely ($2)"
}

window_gone() { ! xdotool search --name "$1" >/dev/null 2>&1; }
app_running() { kill -0 "$app_pid" 2>/dev/null; }
valid_images() { grep -c '"valid":true' "$work/sim.out" 2>/dev/null; }
record_file() { compgen -G "$WINEPREFIX/drive_c/users/*/AppData/Local/ORVEX/upgrades.jsonl" | head -1; }
record_lines() {
  local file
  file=$(record_file)
  if [[ -n $file ]]; then wc -l <"$file"; else echo 0; fi
}

mkdir -p "$shots"
[[ -f $exe ]] || fail "no such program: $exe"
[[ -x $sim ]] || fail "no instrument simulator at $sim"

step "fresh Wine prefix"
orvex_wine_prefix "$work/prefix" || fail "could not make a Wine prefix"

# -displayfd picks a free display and reports it once the server is ready.
Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp -noreset 3>"$work/display" >/dev/null 2>&1 &
xvfb_pid=$!
wait_for 20 test -s "$work/display" || fail "Xvfb did not start"
export DISPLAY=:$(head -1 "$work/display")
step "Xvfb on $DISPLAY"

"$sim" --baud 1843200 --repeat >"$work/sim.out" 2>"$work/sim.err" &
sim_pid=$!
pty=$(orvex_sim_pty "$work/sim.out" "$sim_pid") || fail "instrument-sim printed no pty"
orvex_wine_map_port COM1 "$pty" || fail "could not map COM1 to $pty"
step "instrument on $pty as COM1"

# Wine's loader must find the program's manifest and act on it: its trace of
# activation contexts names the settings it read and the assembly it bound.
WINEDEBUG=+actctx orvex_wine_run "$exe" --version >/dev/null 2>"$work/actctx.log"
# Only the program's own thread: Wine's own programs have manifests too.
thread=$(grep -m1 -i 'get_manifest_in_module .*ORVEX_DIALOG1\.EXE' "$work/actctx.log" | cut -d: -f1)
[[ -n $thread ]] || fail "Wine's loader never looked for the program's manifest"
grep "^$thread:" "$work/actctx.log" >"$work/actctx.own"
for want in 'got L"dpiAwareness" L"PerMonitorV2' 'got L"dpiAware" L"true/pm"' \
  'get_manifest_in_manifest_file loading manifest file .*microsoft.windows.common-controls_6595b64144ccf1df_6\.'; do
  grep -qE "$want" "$work/actctx.own" || fail "Wine's loader did not take the program's manifest (no '$want' in its trace)"
done
step "the loader took the manifest: per-monitor DPI aware, Common Controls 6"

# One run of the program at DPI (the display scale Wine reports, set before the
# program starts): the dialog is shown, on the first run also its About box,
# YES pressed; the instrument must get a valid image and the program must
# write the upgrade's record line ("complete"), which it does after drawing
# "Upgrade complete!"; then both status lines must be separate lines inside the
# status area (after-upgrade-DPIdpi.png), and Escape must end the program with 0.
upgrade_at_dpi() {
  local dpi=$1 first=$2 images_before lines_before
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1 ||
    fail "could not set the display scale to $dpi DPI"
  images_before=$(valid_images)
  lines_before=$(record_lines)
  (cd "$work" && orvex_wine_run "$exe") >"$work/app.out" 2>&1 &
  app_pid=$!
  main=$(timeout 60 xdotool search --sync --name "$main_title" | head -1)
  [[ -n $main ]] || fail "the main dialog did not appear within 60 s ($dpi DPI)"
  step "main dialog shown at $dpi DPI (window $main)"

  if [[ $first == yes ]]; then
    shoot "$main" main-dialog.png
    # The system menu's last item is the program's About item; Wine's own About
    # item shares its mnemonic, so the item is reached with Up (which wraps).
    xdotool windowfocus --sync "$main" key alt+space
    xdotool key Up Return
    about=$(timeout 20 xdotool search --sync --name "$about_title" | head -1)
    [[ -n $about ]] || fail "the About box did not open from the system menu"
    step "About box shown (window $about)"
    shoot "$about" about-box.png
    xdotool windowfocus --sync "$about" key Return
    wait_for 20 window_gone "$about_title" || fail "the About box did not close on Return"
    step "About box closed"
  fi

  # Enter presses the default command, YES.
  xdotool windowfocus --sync "$main" key Return
  step "YES pressed (Enter)"
  deadline=$(($(date +%s) + upgrade_bound))
  until (($(valid_images) > images_before)); do
    app_running || fail "the program ended during the upgrade"
    kill -0 "$sim_pid" 2>/dev/null || fail "instrument-sim ended during the upgrade"
    grep -q '"valid":false' "$work/sim.out" && fail "the instrument received an invalid image"
    (($(date +%s) < deadline)) || fail "no complete image within $upgrade_bound s"
    sleep 0.2
  done
  step "instrument: $(grep '"valid":true' "$work/sim.out" | tail -1)"
  # The program spends five seconds finishing the progress bar first.
  wait_for 30 eval '(($(record_lines) > lines_before))' || fail "no upgrade record line within 30 s of the image"
  grep -q '"outcome":"complete"' <<<"$(tail -1 "$(record_file)")" || fail "the record says: $(tail -1 "$(record_file)")"
  step "record: complete"
  shoot "$main" "after-upgrade-${dpi}dpi.png"
  [[ $first == yes ]] && cp "$shots/after-upgrade-${dpi}dpi.png" "$shots/after-upgrade.png"
  convert "$shots/after-upgrade-${dpi}dpi.png" ppm:"$work/shot.ppm" || fail "cannot read the screenshot"
  python3 "$(dirname "$0")/status_lines.py" "$work/shot.ppm" "$dpi" >"$work/lines.out"
  local lines_ok=$?
  sed 's/^/  /' "$work/lines.out"
  ((lines_ok == 0)) || fail "the status lines at $dpi DPI are not two separate lines inside the status area"

  xdotool windowfocus --sync "$main" key Escape
  wait_for 30 eval '! app_running' || fail "the program did not end within 30 s of Escape"
  wait "$app_pid"
  code=$?
  app_pid=
  ((code == 0)) || fail "the program ended with exit code $code, want 0"
  step "program ended with exit code 0 ($dpi DPI)"
}

first=yes
for dpi in "${dpis[@]}"; do
  upgrade_at_dpi "$dpi" "$first"
  first=no
done
echo "PASS"
