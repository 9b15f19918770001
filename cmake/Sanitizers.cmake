# Sanitizers apply to the whole build so that every library is instrumented alike.
if(ORVEX_SANITIZE STREQUAL "address")
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  # GCC 12's flow analysis takes the instrumented copy of an empty std::optional
  # for a read of uninitialised memory; the other builds keep this warning.
  add_compile_options(-Wno-maybe-uninitialized)
  add_link_options(-fsanitize=address,undefined)
  # The standard library's own bounds checks: an index one past a string_view's end reads a byte that is
  # there (the line's terminator), which the address sanitizer cannot see.
  add_compile_definitions(_GLIBCXX_ASSERTIONS)
elseif(ORVEX_SANITIZE STREQUAL "thread")
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
elseif(NOT ORVEX_SANITIZE STREQUAL "")
  message(FATAL_ERROR "ORVEX_SANITIZE must be '', 'address' or 'thread'")
endif()
