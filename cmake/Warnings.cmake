# Every project target links orvex_warnings to get the same warning set.
add_library(orvex_warnings INTERFACE)
target_compile_options(orvex_warnings INTERFACE -Wall -Wextra -Wpedantic -Wshadow -Wconversion
  -Wno-sign-conversion -Wnon-virtual-dtor -Wold-style-cast)
if(ORVEX_WERROR)
  target_compile_options(orvex_warnings INTERFACE -Werror)
endif()
