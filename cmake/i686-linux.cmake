# A 32-bit x86 Linux build of the core and its path self-check: the same row-by-row walk
# in 8 vector registers as the 32-bit Windows product, run under qemu-i386 in the tests on
# any processor (and natively where it runs 32-bit programs).
include(${CMAKE_CURRENT_LIST_DIR}/cross_toolchain.cmake)
glimmerhex_cross_toolchain(Linux i686 i686-linux-gnu g++-i686-linux-gnu)
# As the Windows product: every machine that runs it has SSE2.
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
