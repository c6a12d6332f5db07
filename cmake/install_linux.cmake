# What `cmake --install` and the Debian package put on a Linux machine beyond the saver,
# its desktop entry and its text icon: the renderer, the icon at the theme's sizes, the
# manual pages and the package's copyright and changelog.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(doc_build ${CMAKE_BINARY_DIR}/doc)

# The icon is drawn once, as text; the theme's sizes are made from it.
set(icon_files)
foreach(size 16 32 64 128 256)
  set(png ${CMAKE_BINARY_DIR}/icons/${size}x${size}/glimmerhex.png)
  add_custom_command(OUTPUT ${png}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/icons/${size}x${size}
    COMMAND Python3::Interpreter ${CMAKE_SOURCE_DIR}/tools/xpm_to_png.py
      ${CMAKE_SOURCE_DIR}/resources/glimmerhex.xpm ${png} ${size}
    DEPENDS tools/xpm_to_png.py tools/xpm_to_ico.py resources/glimmerhex.xpm)
  list(APPEND icon_files ${png})
  install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
add_custom_target(icons ALL DEPENDS ${icon_files})

# Compressed without name or time stamp, so the same source gives the same bytes.
function(glimmerhex_gzip source destination)
  get_filename_component(name ${source} NAME)
  add_custom_command(OUTPUT ${source}.gz
    COMMAND gzip -9nkf ${source}
    DEPENDS ${source})
  add_custom_target(gzip_${name} ALL DEPENDS ${source}.gz)
  install(FILES ${source}.gz DESTINATION ${destination})
endfunction()

# A manual page in man/, its section taken from its extension; @PROJECT_VERSION@ in it
# becomes the version.
function(glimmerhex_man_page page)
  get_filename_component(name ${page} NAME)
  string(REGEX REPLACE ".*\\." "" section ${name})
  configure_file(${CMAKE_SOURCE_DIR}/${page} ${CMAKE_BINARY_DIR}/man/${name} @ONLY)
  glimmerhex_gzip(${CMAKE_BINARY_DIR}/man/${name} ${CMAKE_INSTALL_MANDIR}/man${section})
endfunction()
glimmerhex_man_page(man/glimmerhex.6)
glimmerhex_man_page(man/glimmerhex-render.1)

# The copyright file holds the licence's terms as they stand in LICENSE.
file(READ LICENSE licence)
if(NOT licence MATCHES "^[^\n]*\n\nCopyright \\(c\\) ([^\n]*)\n\n(.*)$")
  message(FATAL_ERROR "LICENSE: expected a title, a copyright line, then the terms")
endif()
set(GLIMMERHEX_COPYRIGHT ${CMAKE_MATCH_1})
string(STRIP "${CMAKE_MATCH_2}" terms)
string(REPLACE "\n\n" "\n.\n" terms "${terms}")
string(REPLACE "\n" "\n " GLIMMERHEX_LICENCE_TERMS " ${terms}")
configure_file(packaging/debian/copyright.in ${doc_build}/copyright @ONLY)
configure_file(packaging/debian/changelog ${doc_build}/changelog COPYONLY)
install(FILES ${doc_build}/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/glimmerhex)
glimmerhex_gzip(${doc_build}/changelog ${CMAKE_INSTALL_DATADIR}/doc/glimmerhex)
