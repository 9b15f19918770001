# Cross build of the Windows program for 32-bit Windows (i686) through mingw-w64,
# POSIX threads model; it runs under Wine's 32-bit loader (wine32:i386).
#   cmake -S . -B build/windows-i686 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-i686.cmake
set(CMAKE_SYSTEM_PROCESSOR i686)
set(ORVEX_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
