# The Windows stage of scripts/test: source this file, then call
#   orvex_windows_stage WERROR   (ON or OFF)
# The Windows program: cross-built, its contents checked, its tests and a whole
# upgrade (headless, then through the real window) run under Wine. It needs
# the simulator from the normal build (build/normal).
orvex_windows_stage() {
  local werror=${1:-OFF}
  echo "=== Windows program (mingw-w64, Wine)"
  local exe
  exe=$(scripts/build-windows -DORVEX_BUILD_TESTS=ON -DORVEX_WERROR=${werror} | tail -1)
  tests/wine/check_exe.sh "$exe" build/host-tools/firmware/firmware.srec
  cpack --config build/windows/CPackConfig.cmake -B build/windows/package >/dev/null
  unzip -l build/windows/package/ORVEX_DIALOG1-*-windows-x86_64.zip | grep -q ' ORVEX_DIALOG1.EXE$'
  unzip -l build/windows/package/ORVEX_DIALOG1-*-windows-x86_64.zip | grep -q ' README.md$'
  echo "zip of the Windows program: ok"
  (
    source scripts/lib/wine.sh
    prefix=$(mktemp -d /tmp/orvex-wine-tests.XXXXXX)
    trap 'orvex_wine_cleanup; rm -rf "$prefix"' EXIT
    orvex_wine_prefix "$prefix/wine"
    cd build/windows && LC_ALL=zh_TW.UTF-8 ctest --output-on-failure --timeout 300
  )
  tests/wine/headless_cases.sh build/windows/bench/windows-port-bench.exe build/normal/tools/sim/instrument-sim
  tests/wine/e2e_wine.sh "$exe" build/normal/tools/sim/instrument-sim build/normal/screenshots/wine
}

