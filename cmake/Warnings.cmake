# Warnings on for our own targets; call pictrove_warnings(<target>).
function(pictrove_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic)
endfunction()
