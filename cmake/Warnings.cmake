# Applied per target so third-party code is not held to our warning level.
function(corvane_warnings target)
  target_compile_options(${target} PRIVATE
    -Wall -Wextra -Wshadow -Wold-style-cast -Wnon-virtual-dtor -Wpedantic -Werror)
endfunction()
