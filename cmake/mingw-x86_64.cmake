# The same sources for 64-bit Windows: what runs under 64-bit Wine in the tests.
include(${CMAKE_CURRENT_LIST_DIR}/cross_toolchain.cmake)
glimmerhex_cross_toolchain(Windows x86_64 x86_64-w64-mingw32 g++-mingw-w64-x86-64)
