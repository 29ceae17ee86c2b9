# Compiler flags shared by every target of the project.
add_compile_options(-Wall -Wextra -Wpedantic)
if(GEDTOOLS_WERROR)
  add_compile_options(-Werror)
endif()
if(GEDTOOLS_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()
# 64-bit file offsets everywhere, also for the C library calls.
add_compile_definitions(_FILE_OFFSET_BITS=64)
