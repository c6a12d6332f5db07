# Read by cpack before it builds a package. Without dpkg-shlibdeps CPack would quietly
# make a package that depends on nothing, so its absence stops the build. The search is the
# shell's: what is not on PATH counts as missing.
if(CPACK_GENERATOR STREQUAL "DEB")
  find_program(GLIMMERHEX_SHLIBDEPS dpkg-shlibdeps NO_CMAKE_SYSTEM_PATH)
  if(NOT GLIMMERHEX_SHLIBDEPS)
    message(FATAL_ERROR "dpkg-shlibdeps is missing: install dpkg-dev")
  endif()
endif()
