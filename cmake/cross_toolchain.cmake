# What every cross build's toolchain file sets, from the target system and processor, the
# GNU triplet its compilers are named by, and the Debian package that brings them (named
# when they are missing: without them CMake's own error says little about what to install).
macro(glimmerhex_cross_toolchain system processor triplet package)
  find_program(GLIMMERHEX_CROSS_CXX ${triplet}-g++)
  if(NOT GLIMMERHEX_CROSS_CXX)
    message(FATAL_ERROR "${triplet}-g++ is missing: install ${package}")
  endif()
  set(CMAKE_SYSTEM_NAME ${system})
  set(CMAKE_SYSTEM_PROCESSOR ${processor})
  set(CMAKE_C_COMPILER ${triplet}-gcc)
  set(CMAKE_CXX_COMPILER ${triplet}-g++)
  set(CMAKE_RC_COMPILER ${triplet}-windres)
  set(CMAKE_FIND_ROOT_PATH /usr/${triplet})
  set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
  set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
  set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
endmacro()
