#!/usr/bin/env bash
# The Debian package that the deb_build test made: its files, unpacked into a
# scratch root (dpkg -x), and the installed program run in batch mode against
# the simulated instrument.
# Usage: deb_test.sh DEB_DIR INSTRUMENT_SIM VERSION
set -uo pipefail
deb_dir=$(realpath "${1:?usage: deb_test.sh DEB_DIR INSTRUMENT_SIM VERSION}")
sim=$(realpath "${2:?usage: deb_test.sh DEB_DIR INSTRUMENT_SIM VERSION}")
version=${3:?usage: deb_test.sh DEB_DIR INSTRUMENT_SIM VERSION}
work=$(mktemp -d /tmp/orvex-deb.XXXXXX)
trap 'kill $(jobs -p) 2>/dev/null; wait 2>/dev/null; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

deb=$(ls "$deb_dir"/orvex-programmer_*.deb) || fail "no .deb in $deb_dir (the deb_build test makes it)"
[[ $(dpkg-deb -f "$deb" Version) == "$version" ]] || fail "the package's version is not $version"
depends=$(dpkg-deb -f "$deb" Depends)
echo "package $(basename "$deb"), Depends: $depends"
[[ $depends == *libwxgtk3.2-1* ]] || fail "the package does not depend on the wx runtime"
[[ $depends != *-dev* ]] || fail "the package depends on development packages"

dpkg -x "$deb" "$work/root"
doc=usr/share/doc/orvex-programmer
files=(usr/bin/orvex-programmer usr/share/man/man1/orvex-programmer.1.gz
  usr/share/icons/hicolor/scalable/apps/orvex-programmer.svg
  "$doc/README.md" "$doc/docs/operator.md" "$doc/copyright" "$doc/changelog.gz" "$doc/examples/77-orvex-ignore-modemmanager.rules")
for size in 16 24 32 48 64 128 256; do
  files+=("usr/share/icons/hicolor/${size}x$size/apps/orvex-programmer.png")
done
for file in "${files[@]}"; do
  [[ -s $work/root/$file ]] || fail "$file is not in the package"
done
# Named by the application's identifier, one of each.
for pattern in 'usr/share/applications/*.desktop' 'usr/share/metainfo/*.metainfo.xml'; do
  # shellcheck disable=SC2206  # the pattern is a glob
  found=("$work"/root/$pattern)
  [[ ${#found[@]} == 1 && -s ${found[0]} ]] || fail "want one $pattern, found: ${found[*]}"
done

for size in 16 24 32 48 64 128 256; do
  got=$(identify -format '%m %wx%h' "$work/root/usr/share/icons/hicolor/${size}x$size/apps/orvex-programmer.png")
  [[ $got == "PNG ${size}x$size" ]] || fail "the ${size}x$size icon is $got"
done
# Debian's gzip rules: best compression, no file name or time in the header
# (the flags byte, then a zero time stamp).
for gz in usr/share/man/man1/orvex-programmer.1.gz $doc/changelog.gz; do
  gzip -t "$work/root/$gz" || fail "$gz is not gzip"
  [[ $(od -An -tx1 -j3 -N5 "$work/root/$gz" | tr -d ' ') == 0000000000 ]] || fail "$gz keeps a name or a time stamp"
done
head -1 <(gzip -dc "$work/root/$doc/changelog.gz") | grep -q "^orvex-programmer ($version) " ||
  fail "the changelog's newest entry is not for $version"
grep -q '^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' "$work/root/$doc/copyright" ||
  fail "the copyright file is not machine-readable"
if find "$work/root" -perm /022 ! -type l | grep .; then fail "group- or world-writable files in the package"; fi
if readelf -S "$work/root/usr/bin/orvex-programmer" | grep -q '\.symtab'; then fail "the program is not stripped"; fi

program=$work/root/usr/bin/orvex-programmer
[[ $("$program" --version) == "$version" ]] || fail "the installed program's --version"

export XDG_CONFIG_HOME=$work/config XDG_STATE_HOME=$work/state
ports=$XDG_CONFIG_HOME/orvex-programmer/ports

# A port that ModemManager holds (a process of that name with the port locked,
# as the program's exclusive open does): --list-ports says so on its line and
# names the example rule, which must be where the package put it.
"$sim" --link COM2 --baud 0 >/dev/null 2>&1 &
mm_sim=$!
until [[ -L $ports/COM2 ]]; do sleep 0.05; done
python3 -c 'import ctypes, fcntl, os, sys, time
ctypes.CDLL(None).prctl(15, b"ModemManager", 0, 0, 0)  # PR_SET_NAME
fd = os.open(sys.argv[1], os.O_RDWR | os.O_NOCTTY | os.O_NONBLOCK)
fcntl.flock(fd, fcntl.LOCK_EX)
print("held", flush=True)
time.sleep(120)' "$ports/COM2" >"$work/holder" &
holder=$!
until [[ -s $work/holder ]]; do sleep 0.05; done
line=$("$program" --list-ports | grep '^COM2 ')
echo "$line"
kill "$holder" "$mm_sim"
[[ $line == *"[busy: held by process $holder (ModemManager)]"* ]] || fail "--list-ports does not name ModemManager"
rule=${line##* }
[[ $rule == /usr/share/doc/orvex-programmer/examples/*.rules && -f $work/root$rule ]] ||
  fail "--list-ports points at $rule, which is not in the package"

"$sim" --link COM1 --baud 1843200 >"$work/sim.out" 2>/dev/null &
sim_pid=$!
until [[ -L $ports/COM1 ]]; do sleep 0.05; done
timeout 120 "$program" --batch --port COM1 >"$work/batch.out" 2>&1 || { cat "$work/batch.out"; fail "batch mode"; }
timeout 30 tail --pid="$sim_pid" -f /dev/null
grep -q '"valid":true' "$work/sim.out" || fail "the instrument got no valid image: $(tail -1 "$work/sim.out")"
echo "PASS: the package holds its files, and the installed program flashed the simulated instrument"
