#!/usr/bin/env bash
# scripts/test must fail whenever a check fails, on every road a run takes: one
# stage, several overlapped, the format check, the
# fuzzers, clang-tidy, the Windows stages, a skipped test. A copy of the runner
# runs in a scratch repository with stand-ins for cmake, ctest, clang-format
# and clang-tidy on PATH; FAIL names the one that fails. Each road is also run
# with nothing failing and must pass, so a red result comes from the stand-in.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d /tmp/orvex-runner-check.XXXXXX) || exit 1
trap 'rm -rf "$work"' EXIT

repo=$work/repo bin=$work/bin
mkdir -p "$repo" "$bin" || exit 1
cp -r "$root/scripts" "$repo/" || exit 1
# The include, link, Python and share checks read the whole tree, which the scratch
# repository lacks: stand-ins that fail when FAIL names them; and no runner, include,
# link, share or launcher check inside the copy.
for check in check-includes check-links check-python check-test-share; do
  printf '#!/usr/bin/env bash\n[[ ${FAIL:-} == %s ]] && exit 1\nexit 0\n' "$check" >"$repo/scripts/$check" || exit 1
done
mkdir -p "$repo/tests/runner" || exit 1
for runner in runner_fails includes_fail links_fail share_fail launcher_fails; do
  printf '#!/bin/sh\nexit 0\n' >"$repo/tests/runner/$runner.sh" || exit 1
done
chmod +x "$repo/scripts"/check-* "$repo/tests/runner"/*.sh || exit 1
printf 'int f();\n' >"$repo/a.cpp"
git -C "$repo" init -q && git -C "$repo" add . || exit 1

# A stand-in fails when FAIL names it; ctest reports a skipped test for FAIL=skip.
stand_in() {  # name [extra shell lines]
  printf '#!/usr/bin/env bash\n[[ ${FAIL:-} == %s ]] && { echo "%s: failing on purpose" >&2; exit 1; }\n%s\nexit 0\n' \
    "$1" "$1" "${2:-}" >"$bin/$1" && chmod +x "$bin/$1"
}
stand_in cmake '[[ " $* " == *" --preset tidy "* && " $* " != *" --build "* ]] &&
  mkdir -p build/tidy && echo "[{\"file\": \"$PWD/a.cpp\"}]" >build/tidy/compile_commands.json'
stand_in ctest '[[ ${FAIL:-} == skip ]] && echo "  1 - a_test (Skipped)"'
stand_in clang-format
stand_in clang-tidy
stand_in cpack
# Every package counts as installed; apt and sudo must never be needed.
printf '#!/bin/sh\necho "install ok installed"\n' >"$bin/dpkg-query"
printf '#!/bin/sh\necho "$0 must not run here" >&2\nexit 1\n' >"$bin/apt-get"
cp "$bin/apt-get" "$bin/sudo" && chmod +x "$bin"/* || exit 1

bad=0
expect() {  # want(pass|fail) FAIL stage...
  local want=$1 fail=$2 rc=0
  shift 2
  (cd "$repo" && rm -rf build && FAIL=$fail PATH="$bin:$PATH" CI= timeout 60 scripts/test "$@") \
    >"$work/log" 2>&1 || rc=$?
  if [[ $want == pass && $rc -ne 0 ]] || [[ $want == fail && $rc -eq 0 ]] || ((rc == 124)); then
    echo "FAIL scripts/test $* with ${fail:-nothing} failing: exit $rc, wanted $want"
    sed 's/^/    /' "$work/log" | tail -15
    bad=1
  fi
}

expect pass "" tsan
expect fail cmake tsan
expect fail ctest tsan
expect fail skip tsan
expect pass "" normal tsan
expect fail cmake normal tsan
expect fail ctest normal tsan
expect fail skip normal tsan
expect pass "" format tsan
expect fail clang-format format tsan
expect fail check-includes format tsan
expect fail check-links format
expect fail check-python format
expect fail check-test-share format
expect pass "" fuzz tsan
expect fail ctest fuzz tsan
expect pass "" tidy tsan
expect fail clang-tidy tidy tsan
expect fail cmake windows tsan
expect fail cmake windows32
expect fail cmake vm tsan
expect fail cmake vmwine tsan
expect fail cmake asan normal

((bad == 0)) && echo "scripts/test fails on every road when a check fails"
exit "$bad"
