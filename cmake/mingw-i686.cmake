# The product: a 32-bit Windows screen saver, cross-compiled with mingw-w64.
# Without the cross compiler CMake's own error says little about what to install.
find_program(GLIMMERHEX_MINGW_CXX i686-w64-mingw32-g++)
if(NOT GLIMMERHEX_MINGW_CXX)
  message(FATAL_ERROR "i686-w64-mingw32-g++ is missing: install g++-mingw-w64-i686")
endif()
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++)
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Every machine that runs it has SSE2; the row loops are vectorised with it.
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
