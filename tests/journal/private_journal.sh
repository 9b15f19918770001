#!/usr/bin/env bash
# Runs COMMAND with a journal of its own: in a private mount namespace, a
# tmpfs over /run (and over /var/log/journal) hides the machine's journal, and
# a systemd-journald started here listens on /run/systemd/journal/socket, where
# the program's entries go. The machine's own /run is never touched.
# Usage: private_journal.sh --journal|--no-journal COMMAND...
#   --journal     starts journald; exports ORVEX_TEST_JOURNAL, the folder its files are in,
#                 and ORVEX_TEST_JOURNALD, its process id
#   --no-journal  no daemon and no socket: a system without a journal
# Needs root (a mount namespace, journald); without it, it fails and says so.
set -euo pipefail
mode=${1:?usage: private_journal.sh --journal|--no-journal COMMAND...}
shift
if [[ ${ORVEX_PRIVATE_JOURNAL_NS:-} != 1 ]]; then
  if ((EUID != 0)); then
    echo "private_journal.sh: a private journal needs root (mount namespace, systemd-journald)" >&2
    exit 1
  fi
  ORVEX_PRIVATE_JOURNAL_NS=1 exec unshare --mount --propagation private "$0" "$mode" "$@"
fi
mount -t tmpfs -o mode=755 orvex-run /run
mkdir -m 1777 /run/lock
if [[ -d /var/log/journal ]]; then
  mount -t tmpfs -o mode=755 orvex-journal /var/log/journal
fi
[[ $mode == --no-journal ]] && exec "$@"

journald=/lib/systemd/systemd-journald
mkdir -p /run/systemd/journal
"$journald" </dev/null >/run/journald.out 2>&1 &
daemon=$!
stop() {
  kill "$daemon" 2>/dev/null || true
  wait "$daemon" 2>/dev/null || true
}
trap stop EXIT
deadline=$((SECONDS + 30))
until [[ -S /run/systemd/journal/socket && -n $(find /run/log/journal -name '*.journal' 2>/dev/null) ]]; do
  if ! kill -0 "$daemon" 2>/dev/null || ((SECONDS >= deadline)); then
    echo "private_journal.sh: journald did not come up: $(cat /run/journald.out)" >&2
    exit 1
  fi
  sleep 0.05
done
export ORVEX_TEST_JOURNAL=/run/log/journal ORVEX_TEST_JOURNALD=$daemon
"$@"
