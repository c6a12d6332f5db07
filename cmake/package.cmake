# The releases, made by CPack (`cmake --build BUILD --target package`): on Linux the
# Debian package glimmerhex_<version>_<arch>.deb, in the i686 Windows build the zip
# glimmerhex-<version>-windows.zip, in the browser's build the zip glimmerhex-<version>-web.zip.
set(GLIMMERHEX_CONTACT "Glimmerhex authors <glimmerhex@orvandel.example>")
set(CPACK_PACKAGE_NAME glimmerhex)
set(CPACK_PACKAGE_VENDOR Orvandel)
set(CPACK_PACKAGE_CONTACT ${GLIMMERHEX_CONTACT})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Game of Life screen saver in glowing 8-bit colour")
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
set(CPACK_SOURCE_GENERATOR "")
# Checks made when a package is built rather than when the project is configured.
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_SOURCE_DIR}/cmake/package_checks.cmake)
# Whatever the umask of whoever builds it.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

if(WIN32)
  # The product, a readme and the licence, with Windows' line ends for Notepad.
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME glimmerhex-${PROJECT_VERSION}-windows)
  if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64") # not the product: say so in the name
    string(APPEND CPACK_PACKAGE_FILE_NAME -x64)
  endif()
  configure_file(packaging/windows/README.txt ${CMAKE_BINARY_DIR}/zip/README.txt @ONLY
    NEWLINE_STYLE CRLF)
  configure_file(LICENSE ${CMAKE_BINARY_DIR}/zip/LICENSE.txt @ONLY NEWLINE_STYLE CRLF)
  install(TARGETS glimmerhex RUNTIME DESTINATION .)
  install(FILES ${CMAKE_BINARY_DIR}/zip/README.txt ${CMAKE_BINARY_DIR}/zip/LICENSE.txt
    DESTINATION .)
elseif(EMSCRIPTEN)
  # The page as it is served, a readme and the licence.
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME glimmerhex-${PROJECT_VERSION}-web)
  configure_file(packaging/web/README.txt ${CMAKE_BINARY_DIR}/zip/README.txt @ONLY)
  configure_file(LICENSE ${CMAKE_BINARY_DIR}/zip/LICENSE.txt COPYONLY)
  install(FILES ${CMAKE_BINARY_DIR}/zip/README.txt ${CMAKE_BINARY_DIR}/zip/LICENSE.txt
    DESTINATION .)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION x11)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  # Every library the programs link is found by dpkg-shlibdeps; nothing is listed by hand.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_PACKAGE_DESCRIPTION [=[
Glimmerhex runs Conway's Game of Life on a 320 x 200 torus and paints every
generation through a 256-colour palette, so that the cells glow, diffuse or
fade rather than blink. Seven graphic effects and thirty-six palette schemes,
chosen in a small configuration dialog or rolled at random.

The package holds the full-screen saver with its dialog, and
glimmerhex-render, which runs the saver headless and writes PNG pictures, GIF
animations or raw frames.

glimmerhex-wayland is the screen saver of Wayland desktops, covering every
output: `systemctl --user enable --now glimmerhex-idle.service` starts it on
idle in GNOME, Plasma, sway and other sessions. The hack serves XScreenSaver,
xsecurelock and the screen savers of MATE and Xfce.]=])
endif()
include(CPack)
