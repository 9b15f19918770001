#!/usr/bin/env bash
# The yield report's page and rows over a site's collected record
# (bench/record_collection.py, 100,000 lines in 20 station files by default):
# wall and CPU seconds and peak memory of --report alone, with --html, and with
# --html and --csv, alternately so that all three see the same machine load;
# then the page's and the rows' sizes. The files are read once first, so that
# each run reads them from the page cache.
# Usage: bench/report_bench.sh PROGRAM [LINES] [RUNS]   (PROGRAM: build/.../app/orvex-programmer)
set -euo pipefail
program=$(realpath "${1:?usage: report_bench.sh PROGRAM [LINES] [RUNS]}")
lines=${2:-100000}
runs=${3:-3}
work=$(mktemp -d -t orvex-report-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT

python3 "$(dirname "$0")/record_collection.py" "$work/site" "$lines"
cat "$work"/site/*.jsonl >/dev/null
measure() {  # what, then the options after --report FOLDER
  local what=$1
  shift
  /usr/bin/time -f "$what: %e s wall, %U+%S s CPU, %M KB peak" "$program" --report "$work/site" "$@" >/dev/null
}
for ((i = 1; i <= runs; i++)); do
  measure "report"
  measure "report and page" --html "$work/yield.html"
  measure "report, page and rows" --html "$work/yield.html" --csv "$work/yield.csv"
done
printf 'load average %s; page %s bytes, rows %s bytes, over %s lines\n' "$(cut -d' ' -f1-3 /proc/loadavg)" \
  "$(wc -c <"$work/yield.html")" "$(wc -c <"$work/yield.csv")" "$lines"
