# Run at install time (`cmake --install`, with or without --prefix): the resident's systemd
# user unit and its XDG autostart entry, naming the program where this install puts it.
# Set before it runs: GLIMMERHEX_SOURCE_DIR, GLIMMERHEX_ENTRIES_DIR (where the made files
# go before they are installed), GLIMMERHEX_INSTALL_BINDIR, GLIMMERHEX_INSTALL_DATADIR.
#
# A prefix may hold a blank, a quote or a percent sign: each file quotes the program as its
# own reader wants, and names it plainly where nothing calls for quotes.
set(program "${CMAKE_INSTALL_PREFIX}/${GLIMMERHEX_INSTALL_BINDIR}/glimmerhex-wayland")

# systemd splits a command line at blanks outside double quotes, reads C escapes inside
# them, and expands %-specifiers everywhere ($-variables only in the arguments). It refuses
# a program whose name holds a quote or a $ at all, whatever the escaping.
string(REPLACE "%" "%%" unit_program "${program}")
if(unit_program MATCHES "[ \t\"'\\\\;]")
  string(REPLACE "\\" "\\\\" unit_program "${unit_program}")
  string(REPLACE "\"" "\\\"" unit_program "${unit_program}")
  set(unit_program "\"${unit_program}\"")
endif()

# The desktop entry's Exec: an argument with a reserved character is quoted, and inside the
# quotes ", `, $ and \ take a backslash; % is written %% (field codes); and the value as a
# whole is a string, whose backslashes are doubled once more.
string(REPLACE "%" "%%" entry_program "${program}")
if(entry_program MATCHES "[] \t\n\"'\\\\><~|&;$*?#()`[]")
  string(REGEX REPLACE "([\"`$\\\\])" "\\\\\\1" entry_program "${entry_program}")
  set(entry_program "\"${entry_program}\"")
endif()
string(REPLACE "\\" "\\\\" entry_program "${entry_program}")
# TryExec is a plain string: the path as it is, backslashes doubled.
string(REPLACE "\\" "\\\\" entry_path "${program}")

foreach(file glimmerhex-idle.service glimmerhex-idle.desktop)
  configure_file("${GLIMMERHEX_SOURCE_DIR}/resources/${file}.in"
    "${GLIMMERHEX_ENTRIES_DIR}/${file}" @ONLY)
endforeach()
file(INSTALL "${GLIMMERHEX_ENTRIES_DIR}/glimmerhex-idle.service"
  DESTINATION "${CMAKE_INSTALL_PREFIX}/lib/systemd/user")
file(INSTALL "${GLIMMERHEX_ENTRIES_DIR}/glimmerhex-idle.desktop"
  DESTINATION "${CMAKE_INSTALL_PREFIX}/${GLIMMERHEX_INSTALL_DATADIR}/glimmerhex")
