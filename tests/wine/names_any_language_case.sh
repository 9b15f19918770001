#!/usr/bin/env bash
# Names in any language under Wine, whatever the ANSI code page: two ports
# from one command with a station name, an image path and a trace path in
# Chinese and with "é", once as on a Traditional Chinese system (code page 950)
# and once as on a Western one (code page 1252). Both instruments must get a
# valid image, each port must write its trace under that name, and every
# record line and event must be valid UTF-8 carrying the name exactly; the
# image pinned to another digest must be refused naming the file whole.
#
# Wine takes the ANSI code page from the language and territory in LC_ALL,
# with or without a glibc locale of that name; but it decodes the Unix side's
# command line and file names with the charset of the glibc locale, and
# without one (plain C) a byte above 0x7F loses its top bit. So each run uses
# a UTF-8 glibc locale of its language, made privately (LOCPATH).
# Usage: names_any_language_case.sh EXE INSTRUMENT_SIM IMAGE_TOOL
#   Uses the prefix in WINEPREFIX when there is one, else makes its own.
set -uo pipefail
usage='usage: names_any_language_case.sh EXE INSTRUMENT_SIM IMAGE_TOOL'
exe=$(realpath "${1:?$usage}")
sim=$(realpath "${2:?$usage}")
tool=$(realpath "${3:?$usage}")
source "$(dirname "$0")/../../scripts/lib/wine.sh"

station='產線 é'
work=$(mktemp -d /tmp/orvex-wine-names.XXXXXX)
sims=()
cleanup() {
  orvex_wine_cleanup
  ((${#sims[@]} > 0)) && kill "${sims[@]}" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$work"  # a prefix of our own is inside
}
trap cleanup EXIT
orvex_wine_use_prefix "$work/prefix" || { echo "FAIL: no Wine prefix" >&2; exit 1; }
export LOCPATH=$work/locales
mkdir -p "$LOCPATH" "$work/映像 é"
for locale in zh_TW en_US; do
  localedef -i "$locale" -f UTF-8 "$LOCPATH/$locale.UTF-8" 2>/dev/null ||
    { echo "FAIL: cannot make the $locale.UTF-8 locale" >&2; exit 1; }
done
image="$work/映像 é/韌體 é.srec"
"$tool" --size 100000 --output "$image" >/dev/null || { echo "FAIL: no image" >&2; exit 1; }
record() { compgen -G "$WINEPREFIX/drive_c/users/*/AppData/Local/ORVEX/upgrades.jsonl" | head -1; }

# One run in LOCALE, which must give code page CODEPAGE.
run_case() {  # locale codepage
  local locale=$1 codepage=$2 n acp before after code
  export LC_ALL=$locale
  acp=$(wine reg query 'HKLM\System\CurrentControlSet\Control\Nls\CodePage' /v ACP 2>/dev/null | tr -d '\r' | awk '$1 == "ACP" {print $3}')
  [[ $acp == "$codepage" ]] || { echo "FAIL: $locale gives code page '$acp', want $codepage"; return 1; }
  before=$( [[ -n $(record) ]] && wc -l <"$(record)" || echo 0)
  sims=()
  for n in 1 2; do
    "$sim" --baud 1843200 >"$work/sim$n.out" 2>/dev/null &
    sims+=($!)
  done
  for n in 1 2; do
    for _ in $(seq 100); do [[ -s $work/sim$n.out ]] && break; sleep 0.1; done
    orvex_wine_map_port "COM$n" "$(head -1 "$work/sim$n.out")" || { echo "FAIL: COM$n not mapped"; return 1; }
  done
  rm -f "$work/追蹤 é".*
  timeout 300 wine "$exe" --batch --port COM1-COM2 --json --station "$station" --image "$(winepath -w "$image")" \
    --trace "$(winepath -w "$work")\\追蹤 é.txt" >"$work/out" 2>"$work/err"
  code=$?
  for pid in "${sims[@]}"; do timeout 60 tail --pid="$pid" -f /dev/null; done
  after=$(wc -l <"$(record)")
  tail -n "$((after - before))" "$(record)" >"$work/lines"
  python3 - "$work/out" "$work/lines" "$work/sim1.out" "$work/sim2.out" "$code" "$station" \
    "$(stat -c %s "$image")" "$locale (code page $codepage)" "$work/追蹤 é.txt" <<'PY'
import json, os, sys
events_file, lines_file, sim1, sim2, code, station, size, where, trace = sys.argv[1:10]
problems = []
for port in ("COM1", "COM2"):
    try:
        if "open " not in open(f"{trace}.{port}", "rb").read().decode("utf-8"):
            problems.append(f"{port}'s trace has no opening")
    except (OSError, UnicodeDecodeError) as error:
        problems.append(f"{port}'s trace under the Chinese name: {error}")

def utf8_json(path, what):
    objects = []
    for line in open(path, "rb").read().splitlines():
        try:
            objects.append(json.loads(line.decode("utf-8")))
        except (UnicodeDecodeError, ValueError) as error:
            problems.append(f"{what}: not UTF-8 JSON ({error}): {line!r}")
    return objects

events = utf8_json(events_file, "event")
records = utf8_json(lines_file, "record line")
ends = {e.get("port"): e.get("outcome") for e in events if e.get("event") == "end"}
if ends != {"COM1": "complete", "COM2": "complete"}:
    problems.append(f"end events {ends}")
if sorted(r.get("port") for r in records) != ["COM1", "COM2"]:
    problems.append(f"record lines {records}")
for r in records:
    if r.get("station") != station or r.get("imageBytes") != int(size):
        problems.append(f"{r.get('port')}: station {r.get('station')!r}, imageBytes {r.get('imageBytes')}")
for sim in (sim1, sim2):
    lines = open(sim).read().splitlines()
    summary = json.loads(lines[-1]) if len(lines) > 1 else {}
    if not summary.get("valid"):
        problems.append(f"{sim}: no valid image ({lines[-1:]})")
if code != "0":
    problems.append(f"exit code {code}")
print(f"PASS: names in any language, {where}" if not problems else f"FAIL ({where}): " + "; ".join(problems))
sys.exit(1 if problems else 0)
PY
  local status=$?
  ((status == 0)) || { echo "--- standard error:"; tail -20 "$work/err"; }
  pinned_elsewhere "$locale (code page $codepage)" || status=1
  orvex_wine_cleanup
  return $status
}

# The same image pinned to another digest: refused on one line that names the
# file and both digests, and no port is opened (COM1 is not mapped any more).
pinned_elsewhere() {  # where
  local other digest err code
  other=$(printf '0%.0s' {1..64})
  digest=$(sha256sum "$image" | cut -d' ' -f1)
  err=$(timeout 120 wine "$exe" --batch --port COM1 --image "$(winepath -w "$image")" --expect-sha256 "$other" 2>&1)
  code=$?
  if ((code == 7)) && [[ $(wc -l <<<"$err") == 1 && $err == *"韌體 é.srec: SHA-256 $digest"*"$other"* ]]; then
    echo "PASS: another pinned digest refuses the image, $1"
    return 0
  fi
  echo "FAIL ($1): a pinned digest of another image: exit $code, standard error: $err"
  return 1
}

run_case zh_TW.UTF-8 950 && run_case en_US.UTF-8 1252
