# The Windows stage of scripts/test: source this file, then call
#   orvex_windows_stage WERROR [ARCH]   (WERROR ON or OFF; ARCH x86_64, the default, or i686)
# or its two halves, which scripts/test runs beside other stages' work:
#   orvex_windows_build WERROR [ARCH]   cross-built, its contents checked, zipped
#   orvex_windows_run [ARCH]            run under Wine
# It needs the normal build (build/normal): the simulator, and the host tools
# (image generator and checker, icon maker) that the cross build uses.
#   x86_64 (build/windows): the cross-built tests, the port finder's cases, two
#     ports from one command (also with names in Chinese under code pages 950
#     and 1252), the yield report (its page and rows the Linux program's, this
#     machine's record under a profile folder named in Chinese), the Event Log's
#     entries of a complete, a stalled and a hung-up upgrade, then whole upgrades
#     through the real window at 96 and 192 DPI (build/normal/screenshots/wine/).
#   i686 (build/windows-i686), kept lean: no cross-built unit tests; the
#     two-port cases, the Event Log's and the report's, and one upgrade through the
#     window at 96 DPI (build/normal/screenshots/wine-i686/), under 32-bit Wine,
#     which is installed for it. A kernel that runs no 32-bit programs (IA-32
#     emulation off) can run none of that: the stage says so and stops after
#     the zip.
orvex_windows_stage() {
  orvex_windows_build "$@" && orvex_windows_run "${2:-x86_64}"
}

orvex_windows_dirs() {  # ARCH: sets build and shots
  case $1 in
    x86_64) build=build/windows shots=build/normal/screenshots/wine ;;
    i686) build=build/windows-i686 shots=build/normal/screenshots/wine-i686 ;;
    *) echo "orvex_windows_stage: unknown ARCH $1 (x86_64 or i686)" >&2; return 2 ;;
  esac
}

orvex_windows_build() {
  local werror=${1:-OFF} arch=${2:-x86_64}
  local build shots exe started=$SECONDS
  orvex_windows_dirs "$arch" || return
  echo "=== Windows program, $arch (mingw-w64): build"

  # Whether the program can run here: yes, or why not (the run half says it).
  local run32=yes
  if [[ $arch == i686 ]] && ! (source scripts/lib/wine.sh && orvex_can_run_32bit); then
    run32="this kernel runs no 32-bit programs (IA-32 emulation off)"
  elif [[ $arch == i686 ]] && ! (source scripts/lib/wine.sh && orvex_install_wine32); then
    run32="32-bit Wine (wine32:i386) could not be installed: apt's lines in the build half say why"
  fi
  mkdir -p "$build" && echo "$run32" >"$build/run-here" || return 1
  local -x ORVEX_HOST_TOOLS=build/normal
  if [[ $arch == x86_64 ]]; then
    exe=$(scripts/build-windows -DORVEX_BUILD_TESTS=ON -DORVEX_WERROR="${werror}" | tail -1) || return 1
  elif [[ $run32 == yes ]]; then
    exe=$(ORVEX_BUILD_TARGETS="ORVEX_DIALOG1 windows-port-bench" \
      scripts/build-windows --arch i686 -DORVEX_BUILD_TESTS=ON -DORVEX_WERROR="${werror}" | tail -1) || return 1
  else
    exe=$(ORVEX_BUILD_TARGETS=ORVEX_DIALOG1 \
      scripts/build-windows --arch i686 -DORVEX_BUILD_TESTS=ON -DORVEX_WERROR="${werror}" | tail -1) || return 1
  fi
  echo "built $exe ($((SECONDS - started)) s)"

  windows_case exe "$exe" build/normal/firmware/firmware.srec "$arch" || return 1
  rm -rf "$build/package"
  cpack --config "$build/CPackConfig.cmake" -B "$build/package" >/dev/null || return 1
  local zip listing
  zip=$(compgen -G "$build/package/ORVEX_DIALOG1-*-windows-$arch.zip") || { echo "FAIL no zip for $arch"; return 1; }
  # Listed first: grep -q leaving a pipe early would fail unzip under pipefail.
  listing=$(unzip -l "$zip") || return 1
  if ! grep -q ' ORVEX_DIALOG1.EXE$' <<<"$listing" || ! grep -q ' README.md$' <<<"$listing" ||
    ! grep -q ' docs/operator.md$' <<<"$listing"; then
    echo "FAIL $zip lacks ORVEX_DIALOG1.EXE, README.md or docs/"
    return 1
  fi
  echo "zip of the Windows program: $zip ok"

  echo "=== Windows program, $arch: built, checked and zipped in $((SECONDS - started)) s"
}

orvex_windows_run() {
  local arch=${1:-x86_64}
  local build shots exe started=$SECONDS
  orvex_windows_dirs "$arch" || return
  exe=$PWD/$build/app/ORVEX_DIALOG1.EXE
  echo "=== Windows program, $arch: under Wine"
  local run_here
  run_here=$(cat "$build/run-here") || return 1
  if [[ $run_here != yes ]]; then
    echo "SKIP the $arch program under Wine: $run_here"
    return 0
  fi
  # Each script below makes its own fresh prefix: a copy of this one.
  local -x ORVEX_WINE_PREFIX_TEMPLATE
  ORVEX_WINE_PREFIX_TEMPLATE=$(source scripts/lib/wine.sh && orvex_wine_shared_template >&2 &&
    echo "$ORVEX_WINE_PREFIX_TEMPLATE") || return 1
  orvex_windows_wine_cases "$arch" "$build" "$shots" "$exe" || return
  echo "=== Windows program, $arch: under Wine in $((SECONDS - started)) s"
}

# One case of tests/cases/windows.py: CASE EXE [ARG...].
windows_case() {
  local name=$1
  shift
  /usr/bin/python3 -B tests/cases/windows.py build/normal "$name" "$@"
}

orvex_windows_wine_cases() {  # ARCH BUILD SHOTS EXE
  local arch=$1 build=$2 exe=$4 failed=() name
  if [[ $arch == x86_64 ]]; then
    (
      source scripts/lib/wine.sh || exit
      prefix=$(mktemp -d /tmp/orvex-wine-tests.XXXXXX) || exit
      trap 'orvex_wine_cleanup; rm -rf "$prefix"' EXIT
      orvex_wine_prefix "$prefix/wine" || exit
      orvex_wine_boot_server || exit
      cd build/windows && LC_ALL=zh_TW.UTF-8 ctest --output-on-failure --timeout 300 --no-tests=error
    ) || failed+=(cross-built-tests)
    for name in port-list live-view; do windows_case "$name" "$exe" || failed+=("$name"); done
  fi
  # The 32-bit program runs the cases where its 32-bit types and calls differ.
  for name in names event-log report; do windows_case "$name" "$exe" || failed+=("$name"); done
  if [[ $arch == x86_64 ]]; then
    windows_case dialog "$exe" 96 192 || failed+=(dialog)
  else
    windows_case dialog "$exe" 96 || failed+=(dialog)
  fi
  ((${#failed[@]} == 0)) || { echo "FAIL the $arch program under Wine: ${failed[*]}"; return 1; }
}
