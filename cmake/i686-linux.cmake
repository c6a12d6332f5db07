# A 32-bit x86 Linux build of the core and its path self-check: the same row-by-row walk
# in 8 vector registers as the 32-bit Windows product, run under qemu-i386 in the tests on
# any processor (and natively where it runs 32-bit programs).
find_program(GLIMMERHEX_I686_CXX i686-linux-gnu-g++)
if(NOT GLIMMERHEX_I686_CXX)
  message(FATAL_ERROR "i686-linux-gnu-g++ is missing: install g++-i686-linux-gnu")
endif()
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER i686-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER i686-linux-gnu-g++)
set(CMAKE_FIND_ROOT_PATH /usr/i686-linux-gnu)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# As the Windows product: every machine that runs it has SSE2.
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
