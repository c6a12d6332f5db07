# A 64-bit ARM build of the core and its path self-check, run under qemu in the tests: proof
# that the portable path builds and draws right on a processor other than x86.
include(${CMAKE_CURRENT_LIST_DIR}/cross_toolchain.cmake)
glimmerhex_cross_toolchain(Linux aarch64 aarch64-linux-gnu g++-aarch64-linux-gnu)
