# Applied per target so third-party code is not held to our warning level.
function(corvane_warnings target)
  target_compile_options(${target} PRIVATE
    -Wall -Wextra -Wshadow -Wold-style-cast -Wnon-virtual-dtor -Wpedantic -Werror)
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    # GCC 12 at -O2 reports these inside libstdc++'s own vector and string code (GCC bugs
    # 105329, 105651, 107852). The sanitizer builds check bounds for real.
    target_compile_options(${target} PRIVATE -Wno-array-bounds -Wno-restrict -Wno-stringop-overflow
      -Wno-stringop-overread)
  endif()
endfunction()
