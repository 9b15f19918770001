#!/usr/bin/env bash
# scripts/check-test-share must pass tests/ at 36 % of the rest and fail at 37 %,
# whatever Markdown, tool settings and build configuration the tree also holds.
# A scratch repository holds 100 code lines in folders outside tests/.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d /tmp/orvex-share-check.XXXXXX) || exit 1
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/scripts" "$work/app" "$work/tests" "$work/cmake" "$work/.ci" "$work/docs" || exit 1
lines() { for ((i = 0; i < $1; ++i)); do echo "int v$i = $i;"; done; }
lines 99 >"$work/app/a.cpp" && printf 'a\n' >"$work/scripts/b.sh" && lines 50 >"$work/docs/a.md" &&
  printf 'a: 1\n' >"$work/.clang-tidy" && lines 9 >"$work/CMakeLists.txt" && lines 9 >"$work/cmake/c.cmake" &&
  printf '#!/bin/sh\ntrue\ntrue\n' >"$work/.ci/run" && git -C "$work" init -q || exit 1
bad=0
for case in 36:0 37:1; do
  lines "${case%:*}" >"$work/tests/t.cpp" && git -C "$work" add . || exit 1
  (cd "$work" && "$root/scripts/check-test-share" >/dev/null 2>&1)
  rc=$?
  (((rc != 0) != ${case#*:})) && { echo "FAIL: check-test-share gave $rc for ${case%:*} test lines of 100"; bad=1; }
done
((bad == 0)) && echo "check-test-share fails above 36 % and only there"
exit "$bad"
