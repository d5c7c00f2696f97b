# Run at install time: the desktop entry names the program in the prefix it is installed to
# (`cmake --install --prefix`, or /usr in the Debian package), quoted as desktop entries ask
# for a path with reserved characters.
set(exec "${CMAKE_INSTALL_PREFIX}/${QUORVEL_BINDIR}/quorvel")
if(exec MATCHES "[ \t\"'\\\\$`]")
    string(REGEX REPLACE "([\"`$\\\\])" "\\\\\\1" exec "${exec}")
    string(REPLACE "\\" "\\\\" exec "${exec}")
    set(exec "\"${exec}\"")
endif()
string(REPLACE "%" "%%" exec "${exec}")
file(READ "${QUORVEL_DESKTOP_TEMPLATE}" entry)
string(REPLACE "@QUORVEL_INSTALLED_EXEC@" "${exec}" entry "${entry}")
file(WRITE "${QUORVEL_DESKTOP_OUTPUT}" "${entry}")
file(INSTALL "${QUORVEL_DESKTOP_OUTPUT}" DESTINATION "${CMAKE_INSTALL_PREFIX}/${QUORVEL_DATADIR}/applications")
