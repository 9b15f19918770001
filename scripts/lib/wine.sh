# Wine helpers for building and testing the Windows program: source this file.
#   orvex_install_wine_deps [ARCH]   install the cross compiler (ARCH x86_64, the default, or i686),
#                                    Wine and the X tools when missing
#   orvex_can_run_32bit              whether this kernel runs 32-bit x86 programs at all
#   orvex_install_wine32             add 32-bit Wine (Debian's i386 wine32) to run i686 programs;
#                                    fails, installing nothing, where the kernel cannot run them
#   orvex_wine_prefix DIR            make a fresh private Wine prefix in DIR (must not exist), export it;
#                                    a copy of ORVEX_WINE_PREFIX_TEMPLATE where that names one
#   orvex_wine_use_prefix DIR       the prefix in WINEPREFIX, else a fresh one in DIR (ORVEX_OWN_PREFIX=yes)
#   orvex_wine_shared_template [DIR] such a prefix to copy from, shared by the stages, in DIR/prefix
#                                    (default build/wine-template), made when missing; exports its name
#   orvex_copy_prefix TEMPLATE DIR   a copy of a prefix whose server has ended, its programs linked
#   orvex_wine_boot_server           keep one server up in that prefix, booted now, for the programs after it
#   orvex_wine_map_port COMn DEVICE  make COMn open DEVICE (e.g. a pty) in that prefix
#   orvex_sim_pty FILE PID           the pty a simulator printed into FILE, once it has
#   orvex_wine_run PROGRAM ARGS...   run a Windows program as on a Traditional Chinese system
#   orvex_wine_cleanup               stop the prefix's processes and its server
# The prefix functions print what they do on stderr.

ORVEX_WINE_PACKAGES=(
  cmake g++ libgtest-dev libgmock-dev googletest pkg-config libsystemd-dev
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  wine wine64 fonts-wine fonts-wqy-microhei
  xvfb xdotool x11-utils imagemagick librsvg2-bin bc unzip python3-pyte
)

# Where the stages' shared template is kept, below the tree's root.
ORVEX_WINE_TEMPLATE_DIR=build/wine-template

orvex_wine_packages() { printf '%s\n' "${ORVEX_WINE_PACKAGES[@]}"; }

# Runs COMMAND... quietly; when it fails, says on stderr what failed: the
# command, its status and its output.
orvex_quiet() {
  local out rc=0
  out=$("$@" 2>&1) || rc=$?
  ((rc == 0)) || echo "$*: status $rc: ${out: -800}" >&2
  return "$rc"
}

orvex_install_wine_deps() {
  # shellcheck source=deps.sh
  source "$(dirname "${BASH_SOURCE[0]}")/deps.sh"
  local ORVEX_PACKAGES=("${ORVEX_WINE_PACKAGES[@]}")
  [[ ${1:-x86_64} == i686 ]] && ORVEX_PACKAGES+=(g++-mingw-w64-i686-posix binutils-mingw-w64-i686)
  orvex_install_deps
}

# A kernel built or booted without IA-32 emulation (ia32_emulation=off) refuses
# every 32-bit program: a 93-byte i386 program that only exits tells.
orvex_can_run_32bit() {
  local probe rc
  probe=$(mktemp /tmp/orvex-i386-probe.XXXXXX) || return 1
  printf '\x7f\x45\x4c\x46\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08\x5d\x00\x00\x00\x5d\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00\xb8\x01\x00\x00\x00\x31\xdb\xcd\x80' >"$probe"
  chmod +x "$probe"
  "$probe" 2>/dev/null
  rc=$?
  rm -f "$probe"
  return "$rc"
}

# The 32-bit loader runs i686 programs in the same 64-bit prefixes (WoW64);
# about 330 i386 packages, so only the 32-bit stage asks for it. Where the
# kernel cannot run 32-bit programs, /usr/bin/wine would pick the 32-bit loader
# for every program and 64-bit ones would stop running too: nothing is installed.
orvex_install_wine32() {
  if ! orvex_can_run_32bit; then
    echo "orvex_install_wine32: this kernel does not run 32-bit programs (IA-32 emulation off); 32-bit Wine not installed" >&2
    return 1
  fi
  # shellcheck source=deps.sh
  source "$(dirname "${BASH_SOURCE[0]}")/deps.sh"
  local sudo=""
  [[ $(id -u) -ne 0 ]] && sudo=sudo
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo dpkg --add-architecture i386
    $sudo apt-get update -qq
  fi
  local ORVEX_PACKAGES=(wine32:i386)
  orvex_install_deps
}

orvex_wine_prefix() {
  local dir=$1
  [[ -e $dir ]] && { echo "orvex_wine_prefix: $dir exists; a fresh prefix needs a new path" >&2; return 1; }
  mkdir -p "$(dirname "$dir")"
  export WINEPREFIX=$dir WINEARCH=win64 WINEDEBUG=-all
  # A prefix holds no path of its own: a copy of one whose server has ended is
  # as fresh as a new one, made in a second instead of wineboot's twenty.
  if [[ -n ${ORVEX_WINE_PREFIX_TEMPLATE:-} ]]; then
    orvex_copy_prefix "$ORVEX_WINE_PREFIX_TEMPLATE" "$dir"
    return
  fi
  # Without the overrides wineboot waits for the add-on installers' dialogs.
  WINEDLLOVERRIDES="mscoree,mshtml=" orvex_quiet wineboot -i || return 1
  wineserver -w

  local fonts=$dir/drive_c/windows/Fonts
  mkdir -p "$fonts"
  cp /usr/share/wine/fonts/* /usr/share/fonts/truetype/wqy/wqy-microhei.ttc "$fonts"/ || return 1
  # The dialog font and the CJK faces a Windows system would have, mapped to
  # WenQuanYi; "Managed"="N": with no window manager on Xvfb, Wine draws the
  # caption and the frame itself.
  local link='hex(7):77,00,71,00,79,00,2d,00,6d,00,69,00,63,00,72,00,6f,00,68,00,65,00,69,00,2e,00,74,00,74,00,63,00,2c,00,57,00,65,00,6e,00,51,00,75,00,61,00,6e,00,59,00,69,00,20,00,4d,00,69,00,63,00,72,00,6f,00,20,00,48,00,65,00,69,00,00,00,00,00'
  local face
  {
    printf 'Windows Registry Editor Version 5.00\n\n'
    printf '[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]\n"Managed"="N"\n\n'
    printf '[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts]\n'
    printf '"WenQuanYi Micro Hei (TrueType)"="wqy-microhei.ttc"\n\n'
    printf '[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\n'
    for face in 新細明體 細明體 PMingLiU MingLiU 微軟正黑體 "Microsoft JhengHei" SimSun 宋体; do
      printf '"%s"="WenQuanYi Micro Hei"\n' "$face"
    done
    printf '"MS Shell Dlg"="Tahoma"\n"MS Shell Dlg 2"="Tahoma"\n\n'
    printf '[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\FontLink\\SystemLink]\n'
    printf '"Tahoma"=%s\n"MS Sans Serif"=%s\n' "$link" "$link"
  } >"$dir/orvex-fonts.utf8.reg"
  # regedit reads a file with a UTF-16 byte-order mark as UTF-16, whatever the
  # ANSI code page: the Chinese value names survive.
  { printf '\xff\xfe'; sed 's/$/\r/' "$dir/orvex-fonts.utf8.reg" | iconv -f UTF-8 -t UTF-16LE; } >"$dir/orvex-fonts.reg"
  orvex_quiet wine regedit /S "$(winepath -w "$dir/orvex-fonts.reg")" || return 1
  wineserver -w
}

# Uses the prefix in WINEPREFIX when there is one, else makes a fresh one in
# DIR; ORVEX_OWN_PREFIX says whether it made one (the caller removes it).
orvex_wine_use_prefix() {
  ORVEX_OWN_PREFIX=no
  if [[ -z ${WINEPREFIX:-} || ! -d ${WINEPREFIX:-} ]]; then
    orvex_wine_prefix "$1" || return 1
    ORVEX_OWN_PREFIX=yes
  fi
  export WINEDEBUG=-all
}

# Copies the prefix TEMPLATE to DIR. Its programs and libraries (*.dll,
# *.exe: 1.25 of its 1.3 GB) are hard links to the template's where both are on
# one file system: only wineboot writes them, and a copy never boots again. The
# rest, which Wine writes as it runs (the registry, win.ini, the users'
# folders), is copied. Copied whole, a run's twelve copies and its three
# templates wrote 12 GB to the disk; a run now writes 3 GB in all.
# Stages copy one template at once: nothing here may touch a template file
# that tar reads (a link made to one changes it, and fails the other's tar).
orvex_copy_prefix() {  # TEMPLATE DIR
  local from=$1 to=$2
  mkdir "$to" || return 1
  tar -C "$from" --exclude='*.dll' --exclude='*.exe' -cf - . | tar -C "$to" -xf -
  local status=("${PIPESTATUS[@]}")
  ((status[0] == 0 && status[1] == 0)) || { echo "orvex_copy_prefix: $from could not be copied to $to" >&2; return 1; }
  orvex_copy_programs "$from" "$to" -al 2>/dev/null || orvex_copy_programs "$from" "$to" -a ||
    { echo "orvex_copy_prefix: the programs of $from could not be copied to $to" >&2; return 1; }
}

orvex_copy_programs() {  # FROM TO CP-OPTION: the prefix's *.dll and *.exe, linked (-al) or copied (-a)
  (cd "$1" && find . -type f \( -name '*.dll' -o -name '*.exe' \) -print0 | xargs -0 -r cp "$3" --parents -t "$2")
}

# The template in DIR/prefix that the stages share, kept between runs: made
# once, under a lock (two stages may want it at once), and again when the
# installed Wine packages change. Exports its name in ORVEX_WINE_PREFIX_TEMPLATE.
orvex_wine_shared_template() {  # [DIR]
  local dir=${1:-$ORVEX_WINE_TEMPLATE_DIR} key
  mkdir -p "$dir" && dir=$(cd "$dir" && pwd) || return 1
  key=$(dpkg-query -W 'wine*' 2>/dev/null | sort)
  (
    flock 9 || exit 1
    [[ -f $dir/key && $(<"$dir/key") == "$key" ]] && exit 0
    rm -rf "$dir/prefix" "$dir/key"
    (unset ORVEX_WINE_PREFIX_TEMPLATE && orvex_wine_prefix "$dir/prefix") || { rm -rf "$dir/prefix"; exit 1; }
    printf '%s\n' "$key" >"$dir/key"
  ) 9>"$dir/lock" || { echo "orvex_wine_shared_template: no template prefix in $dir (above)" >&2; return 1; }
  export ORVEX_WINE_PREFIX_TEMPLATE=$dir/prefix
}

# Programs run one after another (CTest's) would each meet the previous one's
# server as it ends: CTest starts the next program once the server's own
# processes, which hold the previous program's output, have ended, and the
# server lingers on after them. A program starting then meets a server that is
# ending, and waits for it to go before booting one of its own; in one run such
# a program got no name from GetComputerNameW. A server kept up (-p) and booted
# once, its own processes writing to a file that no caller waits on, serves
# every program after it the same way.
orvex_wine_boot_server() {
  local log=$WINEPREFIX/boot.log status=0
  wineserver -p || { echo "orvex_wine_boot_server: wineserver -p: status $?" >&2; return 1; }
  wine cmd /c exit </dev/null >"$log" 2>&1 || status=$?
  ((status == 0)) || { echo "orvex_wine_boot_server: wine cmd /c exit: status $status: $(tail -c 800 "$log")" >&2; return 1; }
}

# Wine's mount manager rewrites dosdevices/comN from this key when a program
# starts after a server restart, racing that program's open of the port (a
# loaded machine opened the previous case's pty): the link is written here too.
# -p keeps the new server up, and -f with our own process means a closing pty
# cannot take it down with the session.
orvex_wine_map_port() {
  local port=$1 device=$2
  : "${WINEPREFIX:?orvex_wine_map_port: no prefix (call orvex_wine_prefix first)}"
  orvex_quiet wine reg add 'HKLM\Software\Wine\Ports' /v "$port" /d "$device" /f || return 1
  wineserver -k 2>/dev/null
  wineserver -w
  ln -sfn "$device" "$WINEPREFIX/dosdevices/${port,,}" || return 1
  wineserver -f -p >/dev/null 2>&1 &
  ORVEX_WINESERVER_PID=$!
}

# The pty a simulator started with `SIM ... >FILE &` (process PID) prints as
# its first line, once it does: a loaded machine may take seconds to start it.
orvex_sim_pty() {  # FILE PID
  local line
  for _ in $(seq 600); do
    line=$(head -1 "$1" 2>/dev/null)
    [[ $line == /dev/* ]] && { echo "$line"; return 0; }
    kill -0 "$2" 2>/dev/null || break
    sleep 0.1
  done
  echo "orvex_sim_pty: the simulator printed no pty in $1" >&2
  return 1
}

# ANSI calls (DialogBoxParamA, LoadStringA, MessageBoxA) convert through the
# code page: zh_TW gives code page 950 and language 0x0404, with no glibc
# locale to generate.
orvex_wine_run() { LC_ALL=zh_TW.UTF-8 wine "$@"; }

orvex_wine_cleanup() {
  # Callers may run with errexit: a server that is already gone is no failure.
  if [[ -n ${WINEPREFIX:-} && -d $WINEPREFIX ]]; then wineserver -k 2>/dev/null || true; fi
  if [[ -n ${ORVEX_WINESERVER_PID:-} ]]; then
    kill "$ORVEX_WINESERVER_PID" 2>/dev/null || true
    wait "$ORVEX_WINESERVER_PID" 2>/dev/null || true
    ORVEX_WINESERVER_PID=
  fi
  return 0
}
