# What both mingw-w64 toolchain files share; they set ORVEX_MINGW_TRIPLE and
# CMAKE_SYSTEM_PROCESSOR, then include this file.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${ORVEX_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ORVEX_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${ORVEX_MINGW_TRIPLE}-windres)
# The event log's message table (res/site_log_messages.mc).
set(ORVEX_WINDMC ${ORVEX_MINGW_TRIPLE}-windmc)
set(CMAKE_AR ${ORVEX_MINGW_TRIPLE}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${ORVEX_MINGW_TRIPLE}-ranlib CACHE FILEPATH "")

set(CMAKE_FIND_ROOT_PATH /usr/${ORVEX_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Windows 7 API level.
add_compile_definitions(_WIN32_WINNT=0x0601 WINVER=0x0601)

# Only a full -static keeps libwinpthread-1.dll out: with -static-libgcc and
# -static-libstdc++ alone the driver's own -lpthread still links it dynamically.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
# Where the compiler ships a default-manifest.o, its driver links it into every
# program beside res/orvex.manifest, and Windows would pick either. A specs file
# restates the driver's list of end files without it. (An empty archive of that
# name found first through -B did too, but the driver hands what it finds to the
# linker split at spaces, and the tree's path may hold one.)
set(_orvex_specs ${CMAKE_BINARY_DIR}/orvex-no-default-manifest.specs)
if(NOT EXISTS ${_orvex_specs})
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -dumpspecs OUTPUT_VARIABLE _orvex_all_specs
    COMMAND_ERROR_IS_FATAL ANY)
  if(NOT _orvex_all_specs MATCHES "\\*endfile:\n([^\n]*)")
    message(FATAL_ERROR "${CMAKE_CXX_COMPILER} -dumpspecs: no *endfile: spec")
  endif()
  string(REPLACE "%{!shared:%:if-exists(default-manifest.o%s)}" "" _orvex_endfile "${CMAKE_MATCH_1}")
  file(WRITE ${_orvex_specs} "*endfile:\n${_orvex_endfile}\n")
endif()
# Quoted: the flags go to a shell as they stand.
string(APPEND CMAKE_EXE_LINKER_FLAGS_INIT " \"-specs=${_orvex_specs}\"")
# The resource script is UTF-8; without this windres reads it in the ANSI code page.
set(CMAKE_RC_FLAGS_INIT "--codepage=65001")
# Cross-built tests and benchmarks run under Wine (WINEPREFIX from the environment).
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
