# Run by cmake --install: writes the menu entry with Exec and TryExec naming the installed
# executable by its absolute path, so the menu starts the game whatever PATH holds. The
# prefix is known only now (cmake --install --prefix); DESTDIR is where the files are staged
# and is no part of the path the entry names.
#   TAVRIK_DESKTOP_SOURCE  the entry in the source tree
#   TAVRIK_EXECUTABLE_DIR  the executable's folder relative to the prefix
set(executable "${CMAKE_INSTALL_PREFIX}/${TAVRIK_EXECUTABLE_DIR}/tavrik")
if(NOT IS_ABSOLUTE "${executable}")
  message(FATAL_ERROR "the install prefix must be an absolute path: ${CMAKE_INSTALL_PREFIX}")
endif()
# Exec takes quoting rules of its own: a path with a space or a reserved character is quoted,
# with ", `, $ and \ escaped inside the quotes; a backslash is doubled once more because the
# value is a string of the desktop file.
set(exec "${executable}")
if(exec MATCHES "[] \t\n\"'\\\\><~|&;$*?#()`[]")
  string(REPLACE "\\" "\\\\" exec "${exec}")
  string(REPLACE "\"" "\\\"" exec "${exec}")
  string(REPLACE "`" "\\`" exec "${exec}")
  string(REPLACE "$" "\\$" exec "${exec}")
  set(exec "\"${exec}\"")
  string(REPLACE "\\" "\\\\" exec "${exec}")
endif()
string(REPLACE "\\" "\\\\" tryExec "${executable}")

# A regular expression's replacement reads backslashes as escapes of its own.
string(REPLACE "\\" "\\\\" exec "${exec}")
string(REPLACE "\\" "\\\\" tryExec "${tryExec}")

file(READ "${TAVRIK_DESKTOP_SOURCE}" entry)
string(REGEX REPLACE "\nTryExec=[^\n]*" "" entry "${entry}")
string(REGEX REPLACE "\nExec=[^\n]*" "\nTryExec=${tryExec}\nExec=${exec}" entry "${entry}")
set(target "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/share/applications/tavrik.desktop")
message(STATUS "Installing: ${target}")
file(WRITE "${target}" "${entry}")
list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${target}")
