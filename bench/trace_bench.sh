#!/usr/bin/env bash
# The serial trace's cost on the line: upgrade-bench without and with --trace,
# alternately, so both see the same machine load. Prints each run's line
# efficiency and the trace's size.
# Usage: bench/trace_bench.sh BENCH [BAUD] [PAIRS]   (BENCH: build/.../bench/upgrade-bench)
set -euo pipefail
bench=${1:?usage: trace_bench.sh BENCH [BAUD] [PAIRS]}
baud=${2:-1843200}
pairs=${3:-3}
work=$(mktemp -d -t orvex-trace-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT

efficiency() { sed -n 's/.*line efficiency \([0-9.]*\) %.*/\1/p' <<<"$1"; }
for ((i = 1; i <= pairs; i++)); do
  plain=$("$bench" "$baud")
  traced=$("$bench" "$baud" --trace "$work/trace.txt")
  printf 'baud %s run %d: line efficiency %s %% without a trace, %s %% with one (%s lines, %s bytes)\n' \
    "$baud" "$i" "$(efficiency "$plain")" "$(efficiency "$traced")" \
    "$(wc -l <"$work/trace.txt")" "$(wc -c <"$work/trace.txt")"
done
