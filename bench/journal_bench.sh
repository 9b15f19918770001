#!/usr/bin/env bash
# The journal entry's cost per upgrade, with a journald of its own
# (tests/journal/private_journal.sh, as root): the time of the call
# (site-log-bench, with the journal and with none), and the line efficiency of
# whole upgrades without and with the record and its journal entry,
# alternately, so both see the same machine load.
# Usage: bench/journal_bench.sh BUILD [BAUD] [PAIRS]   (BUILD: e.g. build/normal)
set -euo pipefail
build=$(realpath "${1:?usage: journal_bench.sh BUILD [BAUD] [PAIRS]}")
baud=${2:-1843200}
pairs=${3:-3}
journal=$(dirname "$0")/../tests/journal/private_journal.sh

for pause in 20 0; do
  echo "with a journal:    $("$journal" --journal "$build/bench/site-log-bench" 300 "$pause")"
done
echo "without a journal: $("$journal" --no-journal "$build/bench/site-log-bench" 300 20)"
efficiency() { sed -n 's/.*line efficiency \([0-9.]*\) %.*/\1/p' <<<"$1"; }
for ((i = 1; i <= pairs; i++)); do
  plain=$("$journal" --journal "$build/bench/upgrade-bench" "$baud")
  recorded=$("$journal" --journal "$build/bench/upgrade-bench" "$baud" --record)
  printf 'baud %s run %d: line efficiency %s %% without the record, %s %% with its line and journal entry\n' \
    "$baud" "$i" "$(efficiency "$plain")" "$(efficiency "$recorded")"
done
