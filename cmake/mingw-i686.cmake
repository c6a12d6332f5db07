# The product: a 32-bit Windows screen saver, cross-compiled with mingw-w64.
include(${CMAKE_CURRENT_LIST_DIR}/cross_toolchain.cmake)
glimmerhex_cross_toolchain(Windows i686 i686-w64-mingw32 g++-mingw-w64-i686)
# Every machine that runs it has SSE2; the row loops are vectorised with it.
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
