# Warnings are errors everywhere in the project.
add_compile_options(-Wall -Wextra -Werror)
# 32-bit x86 builds use SSE2 arithmetic so that float results match the 64-bit builds bit for bit.
if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(i.86|x86)$" OR CMAKE_SIZEOF_VOID_P EQUAL 4)
  add_compile_options(-msse2 -mfpmath=sse)
endif()
