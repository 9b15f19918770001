#!/usr/bin/env bash
# scripts/check-links must pass the docs as they are and fail on each kind of
# dangling link: a missing page, a missing heading, a link out of the installed
# docs, a backticked path that names no file. Each case edits the README of a
# scratch copy of the tracked tree.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d /tmp/orvex-links-check.XXXXXX) || exit 1
trap 'rm -rf "$work"' EXIT
(cd "$root" && git ls-files -z | xargs -0 tar -cf - --) | tar -xf - -C "$work" || exit 1
git -C "$work" init -q && git -C "$work" add . || exit 1
bad=0
for case in "pass:" "fail:s|(docs/site.md)|(docs/sites.md)|" "fail:s|#the-build-and-its-stages|#the-build|" \
  "fail:s|(docs/site.md)|(tests/runner/links_fail.sh)|" "fail:s|\`scripts/demo\`|\`scripts/demos\`|"; do
  sed "${case#*:}" "$root/README.md" >"$work/README.md" && (cd "$work" && scripts/check-links >/dev/null)
  rc=$?
  [[ $rc == 0 && $case == fail:* || $rc != 0 && $case == pass:* ]] && { echo "FAIL: check-links gave $rc for '$case'"; bad=1; }
done
((bad == 0)) && echo "check-links fails on every kind of dangling link"
exit "$bad"
