#!/usr/bin/env bash
# The Debian package: built with cpack from this build, unpacked into a
# scratch root (dpkg -x), and the installed program run in batch mode against
# the simulated instrument.
# Usage: deb_test.sh BUILD_DIR INSTRUMENT_SIM VERSION
set -uo pipefail
build=$(realpath "${1:?usage: deb_test.sh BUILD_DIR INSTRUMENT_SIM VERSION}")
sim=$(realpath "${2:?usage: deb_test.sh BUILD_DIR INSTRUMENT_SIM VERSION}")
version=${3:?usage: deb_test.sh BUILD_DIR INSTRUMENT_SIM VERSION}
work=$(mktemp -d /tmp/orvex-deb.XXXXXX)
trap 'kill $(jobs -p) 2>/dev/null; wait 2>/dev/null; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cpack --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; fail "cpack"; }
deb=$(ls "$work"/out/orvex-programmer_*.deb) || fail "no .deb made"
depends=$(dpkg-deb -f "$deb" Depends)
echo "package $(basename "$deb"), Depends: $depends"
[[ $depends == *libwxgtk3.2-1* ]] || fail "the package does not depend on the wx runtime"
[[ $depends != *-dev* ]] || fail "the package depends on development packages"

dpkg -x "$deb" "$work/root"
for file in usr/bin/orvex-programmer usr/share/applications/orvex-programmer.desktop \
  usr/share/pixmaps/orvex-programmer.xpm usr/share/doc/orvex-programmer/README.md; do
  [[ -s $work/root/$file ]] || fail "$file is not in the package"
done
program=$work/root/usr/bin/orvex-programmer
[[ $("$program" --version) == "$version" ]] || fail "the installed program's --version"

export XDG_CONFIG_HOME=$work/config XDG_STATE_HOME=$work/state
"$sim" --link COM1 --baud 1843200 >"$work/sim.out" 2>/dev/null &
sim_pid=$!
until [[ -L $XDG_CONFIG_HOME/orvex-programmer/ports/COM1 ]]; do sleep 0.05; done
timeout 120 "$program" --batch --port COM1 >"$work/batch.out" 2>&1 || { cat "$work/batch.out"; fail "batch mode"; }
timeout 30 tail --pid="$sim_pid" -f /dev/null
grep -q '"valid":true' "$work/sim.out" || fail "the instrument got no valid image: $(tail -1 "$work/sim.out")"
echo "PASS: the installed program flashed the simulated instrument"
