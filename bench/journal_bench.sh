#!/usr/bin/env bash
# The journal entry's cost per upgrade, with a journald of its own
# (bench/under_journal.py, as root): the time of the call
# (site-log-bench, with the journal and with none), and the line efficiency of
# whole upgrades that keep the record (upgrade-bench --record) with a journal
# and on a system without one, alternately and each first in every other pair,
# so both see the same machine load.
# Usage: bench/journal_bench.sh BUILD [BAUD] [PAIRS]   (BUILD: e.g. build/normal)
set -euo pipefail
build=$(realpath "${1:?usage: journal_bench.sh BUILD [BAUD] [PAIRS]}")
baud=${2:-1843200}
pairs=${3:-3}
journal() { python3 "$(dirname "$0")/under_journal.py" "$@"; }

# 20 ms apart, as upgrades send them one at a time; then back to back.
echo "with a journal:    $(journal --journal "$build/bench/site-log-bench" 300 20)"
echo "with a journal:    $(journal --journal "$build/bench/site-log-bench" 300 0)"
echo "without a journal: $(journal --no-journal "$build/bench/site-log-bench" 300 20)"

upgrade() { journal "$1" "$build/bench/upgrade-bench" "$baud" --record | sed -n 's/.*line efficiency \([0-9.]*\) %.*/\1/p'; }
for ((i = 1; i <= pairs; i++)); do
  if ((i % 2)); then
    without=$(upgrade --no-journal)
    with=$(upgrade --journal)
  else
    with=$(upgrade --journal)
    without=$(upgrade --no-journal)
  fi
  printf 'baud %s run %d: line efficiency %s %% without a journal, %s %% with its entry\n' "$baud" "$i" "$without" "$with"
done
