#!/usr/bin/env bash
# Checks a cross-built ORVEX_DIALOG1.EXE without running it: a Windows GUI
# program that imports only system DLLs (so it runs on a bare Windows), with
# every resource the program looks up, all in language 0x0404.
# Usage: check_exe.sh EXE [IMAGE]
#   IMAGE: the embedded firmware image (default: an image of the default size,
#   2,281,784 bytes); BIN 134 must hold it unchanged.
set -uo pipefail
exe=${1:?usage: check_exe.sh EXE [IMAGE]}
image=${2:-}
objdump=x86_64-w64-mingw32-objdump
failures=0
ok() { echo "ok   $*"; }
bad() { echo "FAIL $*"; failures=$((failures + 1)); }

[[ -f $exe ]] || { echo "FAIL no such file: $exe"; exit 1; }
headers=$($objdump -p "$exe") || { echo "FAIL $objdump cannot read $exe"; exit 1; }

grep -q 'Subsystem.*(Windows GUI)' <<<"$headers" && ok "Windows GUI subsystem" || bad "not a Windows GUI program"

system_dlls='^(kernel32|user32|gdi32|comctl32|comdlg32|advapi32|shell32|ole32|oleaut32|msvcrt|ws2_32|winmm|version|uxtheme|imm32)\.dll$'
while read -r dll; do
  if grep -qiE "$system_dlls" <<<"$dll"; then ok "imports $dll"; else bad "imports $dll, which a bare Windows does not have"; fi
done < <(awk '/DLL Name:/ {print $3}' <<<"$headers")

# One line per resource: type name language size (type and name in hex, or as named).
resources=$(sed -n '/\.rsrc Resource Directory/,/Resources start/p' <<<"$headers" | awk '
  /Entry:/ {
    level = index($0, "Entry:")
    if ($3 == "name:") key = $8; else key = $4
    sub(/,$/, "", key)
    if (level < 8) type = key; else if (level < 10) name = key; else lang = key
  }
  /Leaf:/ { size = $6; sub(/,$/, "", size); print type, name, lang, size }')
[[ -n $resources ]] || { echo "FAIL no resources in $exe"; exit 1; }

has() {  # type name description
  grep -qE "^$1 $2 " <<<"$resources" && ok "$3" || bad "missing $3"
}
has 0x000005 0x000064 "dialog 100 (About box)"
has 0x000005 0x000066 "dialog 102 (programmer)"
has 0x00000e 0x000080 "icon group 128"
has 0x000006 0x000007 "string table block 7 (string 101)"
has 0x000010 0x000001 "version record"
icons=$(grep -cE '^0x000003 ' <<<"$resources")
[[ $icons == 2 ]] && ok "2 icon images (32x32, 16x16)" || bad "$icons icon images, want 2"

others=$(awk '$3 != "0x000404"' <<<"$resources")
[[ -z $others ]] && ok "all $(wc -l <<<"$resources") resources in language 0x0404" || bad "resources not in 0x0404: $others"

bin=$(awk '$1 == "BIN" && $2 == "0x000086" {print $4}' <<<"$resources")
if [[ -z $bin ]]; then
  bad "missing BIN 134 (firmware image)"
else
  want=$([[ -n $image ]] && stat -c %s "$image" || echo 2281784)
  [[ $((bin)) == "$want" ]] && ok "BIN 134 holds $want bytes" || bad "BIN 134 holds $((bin)) bytes, want $want"
  if [[ -n $image ]]; then
    python3 -c 'import sys; e, i = (open(p, "rb").read() for p in sys.argv[1:]); sys.exit(e.find(i) < 0)' "$exe" "$image" &&
      ok "BIN 134 is $image unchanged" || bad "BIN 134 differs from $image"
  fi
fi

((failures == 0)) && echo "PASS $exe" || echo "FAIL $exe: $failures check(s) failed"
((failures == 0))
