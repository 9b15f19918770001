#!/usr/bin/env bash
# Checks a cross-built ORVEX_DIALOG1.EXE without running it: a Windows GUI
# program for ARCH that imports only the system DLLs it is known to need (so it
# runs on a bare Windows 7), with every resource the program looks up, all in
# language 0x0404, and one application manifest with the settings it relies on.
# Usage: check_exe.sh EXE [IMAGE] [ARCH]
#   IMAGE: the embedded firmware image (default, or empty: an image of the
#   default size, 2,281,784 bytes); BIN 134 must hold it unchanged.
#   ARCH: x86_64 (default) or i686.
set -uo pipefail
exe=${1:?usage: check_exe.sh EXE [IMAGE] [ARCH]}
image=${2:-}
arch=${3:-x86_64}
case $arch in
  x86_64) objdump=x86_64-w64-mingw32-objdump magic='020b (PE32+)' ;;
  i686) objdump=i686-w64-mingw32-objdump magic='010b (PE32)' ;;
  *) echo "FAIL unknown ARCH $arch (x86_64 or i686)"; exit 1 ;;
esac
failures=0
ok() { echo "ok   $*"; }
bad() { echo "FAIL $*"; failures=$((failures + 1)); }

[[ -f $exe ]] || { echo "FAIL no such file: $exe"; exit 1; }
headers=$($objdump -p "$exe") || { echo "FAIL $objdump cannot read $exe"; exit 1; }

grep -q 'Subsystem.*(Windows GUI)' <<<"$headers" && ok "Windows GUI subsystem" || bad "not a Windows GUI program"
[[ $(awk '$1 == "Magic" {print $2, $3}' <<<"$headers") == "$magic" ]] && ok "$arch program ($magic)" || bad "not an $arch program"

# Exactly these: a new import is a decision (docs/windows.md lists them), and a
# DLL a bare Windows lacks stops the program from starting at all.
want_dlls='advapi32.dll comctl32.dll gdi32.dll kernel32.dll msvcrt.dll setupapi.dll user32.dll'
dlls=$(awk '/DLL Name:/ {print tolower($3)}' <<<"$headers" | sort | xargs)
[[ $dlls == "$want_dlls" ]] && ok "imports only $want_dlls" || bad "imports $dlls, want $want_dlls"
# Functions Windows 7 lacks are looked up at run time, never imported.
newer=$(grep -oE '\b(GetDpiForWindow|GetDpiForSystem|GetSystemMetricsForDpi|AdjustWindowRectExForDpi|SetProcessDpiAwarenessContext|SetThreadDpiAwarenessContext|EnableNonClientDpiScaling)\b' <<<"$headers" | sort -u | xargs)
[[ -z $newer ]] && ok "no import newer than Windows 7" || bad "imports $newer, which Windows 7 lacks"

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

manifests=$(grep -cE '^0x000018 ' <<<"$resources")
if [[ $manifests != 1 ]] || ! grep -qE '^0x000018 0x000001 ' <<<"$resources"; then
  bad "$manifests manifest resource(s), want exactly one, RT_MANIFEST 1 (mingw's default manifest linked too?)"
else
  ok "one manifest, RT_MANIFEST 1"
  # The manifest is stored as it is written: find it in the file and read its settings.
  if problems=$(python3 - "$exe" <<'PY'
import re, sys
data = open(sys.argv[1], "rb").read()
found = re.findall(rb"<assembly\b.*?</assembly>", data, re.S)
if len(found) != 1:
    sys.exit(f"{len(found)} manifest texts in the file, want 1")
text = found[0].decode("utf-8")
def has(pattern):
    return re.search(pattern, text, re.S) is not None
problems = []
if not has(r'<requestedExecutionLevel\s+level="asInvoker"'):
    problems.append("no asInvoker execution level")
for system, guid in [("7", "35138b9a-5d96-4fbd-8e2d-a2440225f93a"), ("8", "4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38"),
                     ("8.1", "1f676c76-80e1-4239-95bb-83d0f6d0da78"), ("10/11", "8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a")]:
    if not has(r'<supportedOS\s+Id="\{' + guid + r'\}"'):
        problems.append(f"no supportedOS for Windows {system}")
if not has(r'name="Microsoft\.Windows\.Common-Controls"\s+version="6\.0\.0\.0"'):
    problems.append("no dependency on Common Controls 6")
if not has(r'<dpiAwareness[^>]*>\s*PerMonitorV2\b'):
    problems.append("dpiAwareness is not PerMonitorV2 first")
if not has(r'<dpiAware[^>]*>\s*true/pm\s*</dpiAware>'):
    problems.append("dpiAware is not true/pm")
print("; ".join(problems))
PY
  ) && [[ -z $problems ]]; then
    ok "manifest: asInvoker, Windows 7 to 11, Common Controls 6, PerMonitorV2 (true/pm before Windows 10)"
  else
    bad "manifest: $problems"
  fi
fi

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
