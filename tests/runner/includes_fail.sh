#!/usr/bin/env bash
# scripts/check-includes must fail on every include that breaks the dependency
# table, however it is written, and pass the tree as it is. Each case adds one
# include to one file of a scratch copy of the tracked tree and runs the check.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d /tmp/orvex-includes-check.XXXXXX) || exit 1
trap 'rm -rf "$work"' EXIT

repo=$work/repo
mkdir -p "$repo" || exit 1
(cd "$root" && git ls-files -z | xargs -0 tar -cf - --) | tar -xf - -C "$repo" || exit 1
git -C "$repo" init -q && git -C "$repo" add . || exit 1

bad=0
expect() {  # want(pass|fail) FILE INCLUDE what it proves
  local want=$1 file=$2 include=$3 what=$4 rc=0
  cp "$repo/$file" "$work/saved" || exit 1
  [[ $include == \<* ]] && printf '#include %s\n' "$include" >>"$repo/$file"
  [[ -n $include && $include != \<* ]] && printf '#include "%s"\n' "$include" >>"$repo/$file"
  (cd "$repo" && scripts/check-includes) >"$work/log" 2>&1 || rc=$?
  cp "$work/saved" "$repo/$file"
  if [[ $want == pass && $rc -ne 0 ]] || [[ $want == fail && $rc -eq 0 ]]; then
    echo "FAIL ($what): $file including \"$include\" gave exit $rc, wanted $want"
    sed 's/^/    /' "$work/log" | tail -5
    bad=1
  fi
}

expect pass serial/writer.cpp "" "the tree as it is"
expect pass app/programmer_dlg.cpp "serial/writer.h" "the dialog may use the serial link"
expect pass upgrade/probe.cpp "stop_request.h" "a file of its own folder, without a folder"
expect fail serial/writer.cpp "app/programmer_dlg.h" "the serial link may not use the dialog"
expect fail upgrade/probe.cpp "app/programmer_dlg.h" "a boot-loader file may not use the dialog"
expect fail upgrade/probe.cpp "upgrade_report.h" "nor the controller's header, without a folder"
expect fail serial/writer.cpp "../app/programmer_dlg.h" "a path up from the file's own folder"
expect fail app/programmer_dlg.cpp "cli/entry.h" "a folder below the file's own (the compiler looks there first)"
expect pass serial/writer.cpp "<cstring>" "a system header"
expect fail serial/writer.cpp "<app/programmer_dlg.h>" "the dialog's header in angle brackets"
expect fail serial/writer.cpp "tests/support/pty_pair.h" "the program may not use the tests"
expect fail app/cli/entry.cpp "tools/pty/pty.h" "nor the tools"
expect fail serial/writer.cpp "no_such_header.h" "a name without a folder that names nothing"
expect fail tools/pty/pty.cpp "../../serial/writer.h" "a tool may not use the program's layers"

((bad == 0)) && echo "check-includes fails on every include that breaks the table"
exit "$bad"
