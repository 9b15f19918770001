#!/usr/bin/env bash
# The Windows program's yield report under Wine. Over the same records (the
# batch tests' collection and a station named in Chinese, in a file named so)
# its page and rows are byte for byte the Linux program's. With no file named
# it reads this machine's record under a profile folder named in Chinese, on a
# system whose ANSI code page (1252) cannot spell it.
#
# C.UTF-8 gives Wine code page 1252 and a UTF-8 charset to decode the Unix
# side's names and environment in; USER names the Windows user, and so the
# profile folder, C:\users\USER.
# Usage: report_case.sh EXE LINUX_PROGRAM
#   Uses the prefix in WINEPREFIX when there is one, else makes its own.
set -uo pipefail
usage='usage: report_case.sh EXE LINUX_PROGRAM'
exe=$(realpath "${1:?$usage}")
linux=$(realpath "${2:?$usage}")
collection=$(realpath "$(dirname "$0")/../batch/report_records")
source "$(dirname "$0")/../../scripts/lib/wine.sh"

work=$(mktemp -d /tmp/orvex-wine-report.XXXXXX)
cleanup() {
  orvex_wine_cleanup
  rm -rf "$work"  # a prefix of our own is inside
}
trap cleanup EXIT
orvex_wine_use_prefix "$work/prefix" || { echo "FAIL: no Wine prefix" >&2; exit 1; }
export LC_ALL=C.UTF-8 USER=產線
failures=0
said() {  # problem, or nothing when it passed; what
  if [[ -n $1 ]]; then echo "FAIL $2: $1"; failures=$((failures + 1)); else echo "PASS: $2"; fi
}

# Each file named alike to both programs, as the page names the first
# unreadable one (a folder's files take the system's separator).
mkdir "$work/site" && cp "$collection"/*.jsonl "$work/site/" || exit 1
sed 's/"bench B"/"產線 <二> \& \\"q\\""/' "$collection/station-b.jsonl" >"$work/site/產線.jsonl"
cd "$work" || exit 1
files=(site/*.jsonl)
"$linux" --report "${files[@]}" --html linux.html --csv linux.csv >/dev/null 2>linux.err
timeout 120 wine "$exe" --report "${files[@]}" --html windows.html --csv windows.csv >/dev/null 2>windows.err
problem=
for file in html csv; do
  cmp -s "linux.$file" "windows.$file" || problem+="the .$file files differ ($(cmp "linux.$file" "windows.$file" 2>&1)) "
done
grep -q '產線 &lt;二&gt; &amp; &quot;q&quot;' windows.html || problem+="the Chinese station is not on the page "
said "$problem$(cat linux.err windows.err)" "the page and the rows are the Linux program's, byte for byte"

record=$WINEPREFIX/drive_c/users/$USER/AppData/Local/ORVEX
mkdir -p "$record" && cp "$collection/station-a.jsonl" "$record/upgrades.jsonl" || exit 1
report=$(timeout 120 wine "$exe" --report --json 2>&1)
want=$(wc -l <"$record/upgrades.jsonl")
[[ $report == '{"files":1,"lines":'"$want"',"unreadable":{"lines":0},'* ]] && problem= ||
  problem="read $(head -c 120 <<<"$report")"
said "$problem" "this machine's record under C:\\users\\$USER, outside code page 1252"
((failures == 0))
